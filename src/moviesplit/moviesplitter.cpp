#include "moviesplit/moviesplitter.h"

#include "engine/hugefile.h"
#include "common/textfuncs.h"

#include <QFile>
#include <QtNumeric>

#include <limits>

namespace kbx {

namespace {

constexpr qint64 Int64Max = std::numeric_limits<qint64>::max();

qint64 SaturatingMul(qint64 a, qint64 b)
{
    qint64 r = 0;
    if (a < 0 || b < 0 || qMulOverflow(a, b, &r))
        return a < 0 || b < 0 ? 0 : Int64Max;
    return r;
}

// Digits as a number, saturating instead of overflowing.
qint64 DigitsValue(const QString &digits)
{
    qint64 n = 0;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        const int d = c.unicode() - '0';
        if (n > (Int64Max - d) / 10)
            return Int64Max;
        n = n * 10 + d;
    }
    return n;
}

} // namespace

MovieKind TMovieSplitter::Classify(const QString &fileName, QString *label)
{
    qsizetype cut = -1;
    for (const char sep : {'\\', '/', ':'})
        cut = qMax(cut, fileName.lastIndexOf(QLatin1Char(sep)));
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString ext = dot > cut ? fileName.mid(dot + 1).toLower() : QString();
    MovieKind kind = MovieKind::Unknown;
    QString text = QStringLiteral("???");
    if (ext == QLatin1String("avi")) {
        kind = MovieKind::Avi;
        text = QStringLiteral("AVI");
    } else if (ext == QLatin1String("vob")) {
        kind = MovieKind::Mpeg;
        text = QStringLiteral("DVD");
    } else if (ext == QLatin1String("dat")) {
        kind = MovieKind::Mpeg;
        text = QStringLiteral("VCD");
    } else if (ext == QLatin1String("mpg") || ext == QLatin1String("m2v") || ext == QLatin1String("mpeg")) {
        kind = MovieKind::Mpeg;
        text = QStringLiteral("MPEG");
    }
    if (label)
        *label = text;
    return kind;
}

MovieKind TMovieSplitter::Open(const QString &source, const QString &destination)
{
    m_source = source;
    m_destination = destination;
    const int64_t size = HugeFileSize(QFile::encodeName(source).toStdString());
    m_movieSize = size > 0 ? quint64(size) : 0;
    return Classify(source, &m_label);
}

qint64 UnitOfMode(int modeIndex)
{
    const int i = qBound(0, modeIndex, 2);
    return qint64(1) << (10 * i);
}

qint64 MovieLengthSeconds(int minutes, int seconds)
{
    return qMax<qint64>(0, qint64(minutes) * 60 + seconds);
}

SegmentView SegmentBytesView(qint64 bytes, qint64 movieSize, qint64 unit, qint64 lengthSeconds)
{
    SegmentView v;
    v.size = unit > 0 ? qMax<qint64>(0, bytes) / unit : 0;
    qint64 seconds = 0;
    if (movieSize > 0 && lengthSeconds > 0 && bytes > 0)
        seconds = Nearest(double(lengthSeconds) * (double(bytes) / double(movieSize)));
    seconds = qBound<qint64>(0, seconds, qint64(MaxSegmentMinutes) * 60 + 59);
    v.minutes = int(seconds / 60);
    v.seconds = int(seconds % 60);
    return v;
}

int SegmentsFor(qint64 movieSize, qint64 bytes)
{
    if (bytes <= 0 || movieSize <= 0)
        return MinSegments;
    const qint64 n = movieSize / bytes + (movieSize % bytes ? 1 : 0);
    return int(qBound(qint64(MinSegments), n, qint64(MaxSegments)));
}

TypedSize SegmentSizeTyped(const QString &text, qint64 movieSize, qint64 unit)
{
    TypedSize r;
    QString digits;
    for (const QChar c : text) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits += c;
    }
    if (digits.isEmpty()) {
        r.text = QStringLiteral("1");
        r.changed = true;
        r.reset = true;
        return r;
    }
    const qint64 u = qMax<qint64>(1, unit);
    const qint64 n = qMax<qint64>(1, qMin(DigitsValue(digits), qMax<qint64>(0, movieSize) / u));
    r.text = QString::number(n);
    r.changed = r.text != text;
    r.bytes = SaturatingMul(n, u);
    return r;
}

qint64 BytesForCount(qint64 movieSize, int count, qint64 unit)
{
    const qint64 u = qMax<qint64>(1, unit);
    qint64 per = Nearest(double(qMax<qint64>(0, movieSize)) / double(qMax(1, count)));
    if (per % u != 0)
        per = SaturatingMul(per / u + 1, u);
    return per;
}

qint64 BytesForDuration(int minutes, int seconds, qint64 lengthSeconds, qint64 movieSize)
{
    if (lengthSeconds <= 0 || movieSize <= 0)
        return 0;
    const qint64 t = qBound<qint64>(0, qint64(minutes) * 60 + seconds, lengthSeconds);
    return Nearest(double(t) / double(lengthSeconds) * double(movieSize));
}

qint64 BytesForUnitChange(const QString &sizeText, qint64 previousUnit)
{
    return SaturatingMul(DigitsValue(sizeText.trimmed()), qMax<qint64>(1, previousUnit));
}

qint64 PresetNumber(const QString &caption)
{
    QString c = caption;
    const qsizetype amp = c.indexOf(QLatin1Char('&'));
    if (amp >= 0)
        c.remove(amp, 1);
    return DigitsValue(c);
}

qint64 BytesForPreset(const QString &caption, qint64 unit)
{
    return SaturatingMul(PresetNumber(caption), qMax<qint64>(1, unit));
}

} // namespace kbx
