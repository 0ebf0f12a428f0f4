#pragma once
// The movie splitter: what kind of movie a file is, and the arithmetic that keeps segment size,
// segment count and segment duration in step.

#include <QString>

namespace kbx {

enum class MovieKind { Mpeg = 0, Avi = 1, Unknown = 2 };

class TMovieSplitter
{
public:
    // Stores both names, takes the size (0 when it cannot be read) and classifies by extension.
    MovieKind Open(const QString &source, const QString &destination);
    QString FormatLabel() const { return m_label; }
    quint64 MovieSize() const { return m_movieSize; }
    QString SourceName() const { return m_source; }
    QString DestinationName() const { return m_destination; }

    // Kind and label ("DVD", "VCD", "MPEG", "AVI", "???") by the extension after the last "."
    // that follows the last "\", "/" or ":".
    static MovieKind Classify(const QString &fileName, QString *label = nullptr);

private:
    QString m_label = QStringLiteral("???");
    quint64 m_movieSize = 0;
    QString m_source;
    QString m_destination;
};

constexpr int MinSegments = 1;
constexpr int MaxSegments = 99;
constexpr int MaxSegmentMinutes = 999;

// 1024 to the power of the unit index (0 Byte, 1 KByte, 2 MByte); other indexes are clamped.
qint64 UnitOfMode(int modeIndex);
// The calculator's movie length in seconds, never negative.
qint64 MovieLengthSeconds(int minutes, int seconds);

// What the size and duration fields show for a segment of `bytes`.
struct SegmentView
{
    qint64 size = 0;   // in the unit, truncated
    int minutes = 0;   // within the field's 0..999
    int seconds = 0;   // 0..59
};
// Duration is length × bytes / movieSize, rounded half to even; 0 when either is 0.
SegmentView SegmentBytesView(qint64 bytes, qint64 movieSize, qint64 unit, qint64 lengthSeconds);

// Segments for a segment of `bytes` (rounded up), within the count field's 1..99; 1 for no size.
int SegmentsFor(qint64 movieSize, qint64 bytes);

// A typed size: only its digits count; none gives the text "1". The number is capped at the
// movie size in the unit and raised to at least 1.
struct TypedSize
{
    QString text;       // what the field should show
    bool changed = false;
    bool reset = false; // no digits: the field becomes "1" and is handled again
    qint64 bytes = 0;
};
TypedSize SegmentSizeTyped(const QString &text, qint64 movieSize, qint64 unit);

// Bytes per segment for `count` segments, rounded up to a whole unit.
qint64 BytesForCount(qint64 movieSize, int count, qint64 unit);
// Bytes for a duration, capped at the movie length; 0 when the length or size is 0.
qint64 BytesForDuration(int minutes, int seconds, qint64 lengthSeconds, qint64 movieSize);
// The size field's number in the previous unit, as bytes.
qint64 BytesForUnitChange(const QString &sizeText, qint64 previousUnit);
// The number at the start of a preset caption ("702 MB [80 min CD-R]" gives 702), first "&" removed.
qint64 PresetNumber(const QString &caption);
// Preset number times the unit, saturating.
qint64 BytesForPreset(const QString &caption, qint64 unit);

} // namespace kbx
