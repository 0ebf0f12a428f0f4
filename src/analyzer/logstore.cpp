#include "analyzer/logstore.h"

#include <QIODevice>

namespace kbx {

namespace {

enum : quint8 {
    WidthMask = 0x03,    // 0: 2, 1: 4, 2: 8 characters
    LabelShift = 2,      // two bits of PackKind
    LabelMask = 0x0C,
    Red = 0x10,
    TextLine = 0x20,
};

constexpr int Widths[] = {2, 4, 8, 8};

} // namespace

TLogStore::TLogStore() = default;
TLogStore::~TLogStore() = default;

TLogStore::Record &TLogStore::append()
{
    if (m_count == qint64(m_blocks.size()) * BlockLines)
        m_blocks.emplace_back(new Record[BlockLines]);
    Record &r = m_blocks[size_t(m_count / BlockLines)][m_count % BlockLines];
    ++m_count;
    return r;
}

void TLogStore::appendText(const QString &text)
{
    Record &r = append();
    r = Record{m_texts.size(), 0, 0, 0, TextLine};
    m_texts.append(text);
}

void TLogStore::appendPack(const PackLine &line)
{
    Record &r = append();
    r.value = line.value;
    r.indexLow = quint32(quint64(line.index));
    r.indexHigh = quint8(quint64(line.index) >> 32);
    r.offset = line.offset;
    const quint8 width = line.width == 2 ? 0 : line.width == 4 ? 1 : 2;
    r.flags = quint8(width | (quint8(line.label) << LabelShift) | (line.outOfRange ? Red : 0));
}

void TLogStore::clear()
{
    m_blocks.clear();
    m_texts.clear();
    m_count = 0;
}

PackLine TLogStore::packOf(const Record &r)
{
    PackLine line;
    line.index = qint64(r.indexLow) | (qint64(r.indexHigh) << 32);
    line.value = r.value;
    line.offset = r.offset;
    line.width = quint8(Widths[r.flags & WidthMask]);
    line.label = PackKind((r.flags & LabelMask) >> LabelShift);
    line.outOfRange = r.flags & Red;
    return line;
}

QString TLogStore::line(qint64 i) const
{
    if (i < 0 || i >= m_count)
        return {};
    const Record &r = at(i);
    if (r.flags & TextLine)
        return m_texts.at(r.value);
    char text[PackLineMax];
    int valueStart = 0;
    return QString::fromLatin1(text, FormatPackLine(packOf(r), text, valueStart));
}

int TLogStore::redStart(qint64 i) const
{
    if (i < 0 || i >= m_count)
        return -1;
    const Record &r = at(i);
    if ((r.flags & TextLine) || !(r.flags & Red))
        return -1;
    char text[PackLineMax];
    int valueStart = 0;
    FormatPackLine(packOf(r), text, valueStart);
    return valueStart;
}

QString TLogStore::text(qint64 first, qint64 last) const
{
    first = qMax<qint64>(first, 0);
    last = qMin(last, m_count - 1);
    QString out;
    for (qint64 i = first; i <= last; ++i) {
        if (i > first)
            out += QLatin1Char('\n');
        out += line(i);
    }
    return out;
}

bool TLogStore::write(QIODevice &device) const
{
    if (m_count == 0)
        return device.write("\n", 1) == 1;
    // Pack lines are ASCII and go straight into the buffer; a buffer is written out every few MiB.
    QByteArray buffer;
    constexpr qsizetype Chunk = 4 << 20;
    buffer.reserve(Chunk + PackLineMax + 1);
    for (qint64 i = 0; i < m_count; ++i) {
        const Record &r = at(i);
        if (r.flags & TextLine) {
            buffer += m_texts.at(r.value).toLocal8Bit();
        } else {
            char text[PackLineMax];
            int valueStart = 0;
            buffer.append(text, FormatPackLine(packOf(r), text, valueStart));
        }
        buffer += '\n';
        if (buffer.size() >= Chunk || i == m_count - 1) {
            if (device.write(buffer) != buffer.size())
                return false;
            buffer.resize(0);
        }
    }
    return true;
}

} // namespace kbx
