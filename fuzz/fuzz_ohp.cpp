// Arbitrary bytes as a help file: the first line names the topic, the rest is the file. The topic is
// read at once and again in small pieces, which must give the same text.

#include "ui/codepage.h"
#include "ui/helpwindow.h"

#include <QBuffer>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void check(bool condition)
{
    if (!condition)
        abort();
}

// Hands out the bytes a few at a time, so line ends fall across reads.
class PieceDevice : public QIODevice
{
public:
    PieceDevice(const QByteArray &bytes, qint64 piece) : m_bytes(bytes), m_piece(piece)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 n = std::min({maxSize, m_piece, qint64(m_bytes.size()) - m_pos});
        memcpy(data, m_bytes.constData() + m_pos, size_t(n));
        m_pos += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_piece;
    qint64 m_pos = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *begin = reinterpret_cast<const char *>(data);
    const char *newline = std::find(begin, begin + size, '\n');
    const QString topic = kbx::DecodeWindows1252(QByteArray(begin, newline - begin));
    const char *fileStart = newline == begin + size ? newline : newline + 1;
    QByteArray file(fileStart, begin + size - fileStart);

    QBuffer whole(&file);
    whole.open(QIODevice::ReadOnly);
    const std::optional<QString> text = kbx::TfoHelp::ReadTopicFrom(whole, topic);
    check(text.has_value());

    PieceDevice pieces(file, 1 + (size % 5));
    const std::optional<QString> pieced = kbx::TfoHelp::ReadTopicFrom(pieces, topic);
    check(pieced.has_value() && *pieced == *text);

    // Every line of a topic comes after a CR LF, holds no line end of its own and does not start with "[".
    if (!text->isEmpty()) {
        check(text->startsWith(QLatin1String("\r\n")));
        for (const QString &line : text->mid(2).split(QLatin1String("\r\n"))) {
            check(!line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n')));
            check(!line.startsWith(QLatin1Char('[')));
        }
    }
    return 0;
}
