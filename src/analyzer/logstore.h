#pragma once
// The Analyze page's log: millions of lines kept as small fixed-size records in large blocks, so
// that a long run costs one allocation per block rather than several per line. The text of a pack
// line is made only when it is shown, copied or saved.

#include "analyzer/packwalk.h"

#include <QStringList>

#include <memory>
#include <vector>

class QIODevice;

namespace kbx {

class TLogStore
{
public:
    TLogStore();
    ~TLogStore();
    TLogStore(const TLogStore &) = delete;
    TLogStore &operator=(const TLogStore &) = delete;

    void appendText(const QString &text);
    void appendPack(const PackLine &line);
    void clear();

    qint64 lineCount() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }
    QString line(qint64 i) const;
    // Where the red value text at the end of line i begins, or -1 when the line has none.
    int redStart(qint64 i) const;
    // Lines first to last joined by line breaks, without one at the end.
    QString text(qint64 first, qint64 last) const;
    // Every line followed by a line break, in the local 8-bit encoding (an empty log is one line
    // break). False when the device refuses a write.
    bool write(QIODevice &device) const;

    static constexpr int BlockLines = 1 << 16;

private:
    struct Record
    {
        qint64 value;      // a pack's value, or the index of a text line
        quint32 indexLow;  // pack number
        quint16 offset;
        quint8 indexHigh;
        quint8 flags;
    };
    static_assert(sizeof(Record) == 16);

    Record &append();
    const Record &at(qint64 i) const { return m_blocks[size_t(i / BlockLines)][i % BlockLines]; }
    static PackLine packOf(const Record &r);

    std::vector<std::unique_ptr<Record[]>> m_blocks;
    QStringList m_texts;
    qint64 m_count = 0;
};

} // namespace kbx
