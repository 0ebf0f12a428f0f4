#include "fileproc/offsets.h"

#include <QStringList>

#include <limits>

namespace kbx {

namespace {

constexpr qint64 Int64Max = std::numeric_limits<qint64>::max();

// A digit string of any length as a number; too many digits saturate rather than wrap, and the
// field limit then applies as usual.
qint64 digitValue(const QString &digits)
{
    qint64 value = 0;
    for (const QChar c : digits) {
        const int digit = c.unicode() - '0';
        if (value > (Int64Max - digit) / 10)
            return Int64Max;
        value = value * 10 + digit;
    }
    return value;
}

} // namespace

OffsetRead ReadOffsetValue(const QString &text, OffsetField field, qint64 maxSize)
{
    QString digits;
    for (const QChar c : text) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits += c;
    }
    qint64 value = digitValue(digits);

    const bool limited = field != OffsetField::Other;
    const qint64 limit = field == OffsetField::Length ? maxSize : maxSize - 1;
    if (field == OffsetField::Length && value <= 0) {
        value = 1;
        digits = QStringLiteral("1");
    }
    if (limited && value > limit)
        value = limit;

    OffsetRead read;
    read.value = value;
    read.changed = text != digits || (limited && value >= limit);
    read.text = read.changed ? QString::number(value) : text;
    read.caretShift = read.changed ? -1 : 0;
    return read;
}

OffsetRange StartChanged(qint64 start, qint64 length, qint64 maxSize)
{
    OffsetRange range{start, length, start + length - 1, 0};
    range.sliderPosition = int(Nearest(double(start) / double(maxSize) * 100));
    if (range.end > maxSize - 1) {
        range.end = maxSize - 1;
        range.length = range.end - range.start + 1;
    }
    return range;
}

OffsetRange LengthChanged(qint64 start, qint64 length, qint64 maxSize)
{
    OffsetRange range{start, length, start + length - 1, 0};
    range.sliderPosition = int(Nearest(double(length) / double(maxSize) * 100));
    if (range.end > maxSize - 1) {
        range.end = maxSize - 1;
        range.start = range.end - range.length + 1;
    }
    return range;
}

qint64 SliderValue(qint64 maxSize, int position)
{
    return Nearest(double(maxSize) * position / 100);
}

qint64 StepSize(int pair, qint64 alignUnit)
{
    switch (pair) {
    case 1:
        return 100 * alignUnit;
    case 2:
        return 10 * alignUnit;
    case 3:
        return alignUnit;
    default:
        return 0;
    }
}

qint64 StepOffset(qint64 value, qint64 step)
{
    qint64 result = 0;
    if (__builtin_add_overflow(value, step, &result))
        return step > 0 ? Int64Max : 0;
    return result < 0 ? 0 : result;
}

qint64 MultiplyOffset(qint64 value, qint64 alignUnit)
{
    qint64 result = 0;
    if (__builtin_mul_overflow(value, alignUnit, &result))
        return Int64Max;
    return result;
}

QString UnitBySize(qint64 size)
{
    if (size >= 10 * MegaByte)
        return QStringLiteral("MB");
    if (size >= 10 * KiloByte)
        return QStringLiteral("KB");
    return QStringLiteral("B");
}

qint64 AlignUnitOf(const QString &unitText)
{
    if (unitText == QLatin1String("MB"))
        return MegaByte;
    if (unitText == QLatin1String("KB"))
        return KiloByte;
    return 1;
}

qint64 AlignActionUnit(qint64 alignUnit, bool dvdButtonDown, qint64 packSize)
{
    if (!dvdButtonDown || packSize <= 0)
        return alignUnit;
    return alignUnit >= packSize && alignUnit % packSize == 0 ? alignUnit : packSize;
}

qint64 AlignOffset(qint64 value, qint64 unit, qint64 maxSize)
{
    if (unit <= 0)
        return value;
    const qint64 aligned = MultiplyOffset(Nearest(double(value) / double(unit)), unit);
    if (aligned > maxSize)
        return value / unit * unit;
    return aligned;
}

QString AlignHintText(qint64 unit, const TextLookup &translate)
{
    return Translated(translate, QStringLiteral("current alignment setting")) + QStringLiteral(": ")
        + QString::number(unit) + QStringLiteral(" Byte");
}

QString OffsetText(qint64 value, qint64 alignUnit, bool hex, const QString &unitText)
{
    const bool bytes = alignUnit == 1;
    const qint64 shown = bytes ? value : Nearest(double(value) / double(alignUnit) * (hex ? 16 : 10));
    QString text = hex ? HexText(quint64(shown)) + QLatin1Char('h') : QString::number(shown);
    if (text.size() < (hex ? 3 : 2))
        text.prepend(QLatin1Char('0'));
    if (!bytes)
        text.insert(text.size() - (hex ? 2 : 1), QLatin1Char('.'));
    return text + QLatin1Char(' ') + unitText;
}

int PartsMenuNumber(const QString &caption)
{
    int number = 0;
    bool inNumber = false;
    for (const QChar c : caption) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            number = number * 10 + (c.unicode() - '0');
            inNumber = true;
            if (number > 999)
                break;
        } else if (inNumber) {
            break;
        }
    }
    return number;
}

qint64 PartsMenuLength(int parts, qint64 maxSize)
{
    if (parts < 2)
        return maxSize;
    return Nearest(double(maxSize) / parts + 0.5);
}

InputKind InputKindOf(const QString &fileName)
{
    static const QStringList mpeg = {QStringLiteral(".mp3"), QStringLiteral(".m2v"), QStringLiteral(".vob"),
                                     QStringLiteral(".mpg"), QStringLiteral(".dat"), QStringLiteral(".mp2")};
    const QString lower = fileName.toLower();
    const QString last4 = lower.right(4);
    if (last4 == QLatin1String(".avi"))
        return InputKind::Avi;
    if (mpeg.contains(last4) || lower.endsWith(QLatin1String(".mpeg")))
        return InputKind::Mpeg;
    return InputKind::Other;
}

QString FileTypeCaption(InputKind kind, int mpegKind)
{
    switch (kind) {
    case InputKind::Avi:
        return QStringLiteral("AVI");
    case InputKind::Mpeg:
        return mpegKind == 1 ? QStringLiteral("DVD") : mpegKind == 2 ? QStringLiteral("VCD") : QStringLiteral("MPG");
    case InputKind::Other:
        break;
    }
    return QStringLiteral("???");
}

} // namespace kbx
