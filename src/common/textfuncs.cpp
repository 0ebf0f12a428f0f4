#include "common/textfuncs.h"

#include <cmath>
#include <limits>

namespace kbx {

namespace {

// 2^63 is exactly representable; every double below it fits a qint64.
constexpr double Int64Bound = 9223372036854775808.0;

qint64 clampedToInt64(double whole)
{
    if (!std::isfinite(whole))
        return 0;
    if (whole >= Int64Bound)
        return std::numeric_limits<qint64>::max();
    if (whole < -Int64Bound)
        return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(whole);
}

} // namespace

QString Translated(const TextLookup &translate, const QString &text)
{
    return translate ? translate(text) : text;
}

qint64 Nearest(double x)
{
    // std::nearbyint under the default rounding mode rounds halves to even, unlike std::round.
    return clampedToInt64(std::nearbyint(x));
}

qint64 IntegerPart(double x)
{
    return clampedToInt64(std::trunc(x));
}

QString PadLeft(const QString &text, int width, QChar character)
{
    if (text.size() >= width)
        return text;
    return QString(width - text.size(), character) + text;
}

QString RightAlign(const QString &text, int width)
{
    return PadLeft(text, width, QLatin1Char(' '));
}

QString MinSecText(qint32 seconds)
{
    const QChar zero = QLatin1Char('0');
    return PadLeft(QString::number(seconds / 60), 2, zero) + QLatin1Char(':')
        + PadLeft(QString::number(seconds % 60), 2, zero);
}

QString HexText(quint64 value)
{
    return QString::number(value, 16).toUpper();
}

QString SpeedText(qint64 bytes, double seconds)
{
    const qint64 hundredths = IntegerPart(double(bytes) / seconds / 10485.76);
    QString text = PadLeft(QString::number(hundredths), 3, QLatin1Char('0'));
    text.insert(text.size() - 2, QLatin1Char('.'));
    return RightAlign(text, 4);
}

} // namespace kbx
