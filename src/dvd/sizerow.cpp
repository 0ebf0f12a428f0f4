#include "dvd/sizerow.h"

#include <QWidget>

#include <algorithm>
#include <cmath>

namespace kbx {

namespace {

// std::nearbyint rounds halves to even in the default rounding mode.
double Nearest(double value)
{
    return std::nearbyint(value);
}

} // namespace

QString BytesWithSeparators(qint64 value)
{
    QString digits = QString::number(value);
    const int first = digits.startsWith(QLatin1Char('-')) ? 1 : 0;
    int inserted = 0;
    for (qsizetype at = digits.size() - 3; at > first && inserted < 3; at -= 3, ++inserted)
        digits.insert(at, QLatin1Char(','));
    return digits;
}

QString OneDecimal(double value)
{
    const double tenths = Nearest(value * 10);
    QString text = QString::number(std::fabs(tenths), 'f', 0);
    if (text.size() < 2)
        text.prepend(QLatin1Char('0'));
    text.insert(text.size() - 1, QLatin1Char('.'));
    return tenths < 0 ? QLatin1Char('-') + text : text;
}

std::optional<qint64> MediumMB(const QString &text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    if (!ok || value <= 0)
        return std::nullopt;
    return value;
}

SizeRowTexts SizeRow(qint64 size, std::optional<qint64> mediumMB)
{
    SizeRowTexts row;
    row.bytes = BytesWithSeparators(size);
    row.mb = OneDecimal(double(size) / BytesPerMB);
    if (size >= SizeRowGBFrom)
        row.gb = OneDecimal(double(size) / BytesPerMB / 1024);
    if (!mediumMB)
        return row;
    const double medium = double(*mediumMB);
    const double q = double(size) / medium / BytesPerMB;
    const double t = std::trunc(q);
    if (t == q) {
        row.cds = QString::number(t, 'f', 0);
        row.free = QStringLiteral("0");
    } else {
        const double cds = t + 1;
        row.cds = QString::number(cds, 'f', 0);
        const double free = Nearest((cds * BytesPerMB * medium - double(size)) / BytesPerMB);
        row.free = QString::number(free == 0 ? 0.0 : free, 'f', 0);
    }
    return row;
}

int CDBarPixels(qint64 size, std::optional<qint64> mediumMB)
{
    if (!mediumMB)
        return 0;
    const double bytesOnBar = double(*mediumMB) * CDBarMedia * BytesPerMB;
    const double pixels = Nearest(double(size) / bytesOnBar * CDBarWidth);
    // A widget cannot be wider than this; such a title fills the bar many times over anyway.
    return int(std::clamp(pixels, 0.0, double(QWIDGETSIZE_MAX)));
}

} // namespace kbx
