#pragma once
// The texts of one row of the Backup page's title list: a size against the chosen medium.

#include <QString>

#include <optional>

namespace kbx {

constexpr qint64 BytesPerMB = 1048576;
// Sizes below 102 MB leave the GB cell empty.
constexpr qint64 SizeRowGBFrom = 106954752;
constexpr int CDBarMedia = 13;
constexpr int CDBarWidth = 364;

// Decimal text with "," before groups of three digits from the right; at most three separators,
// so 13 or more digits keep their leading digits together ("1234,567,890,123").
QString BytesWithSeparators(qint64 value);
// One decimal, halves rounded to even: 1234.6, 0.0, 0.2 for 0.25.
QString OneDecimal(double value);

// The medium size in MB from the combo's text; nothing unless it is a whole number above 0.
std::optional<qint64> MediumMB(const QString &text);

struct SizeRowTexts
{
    QString bytes;
    QString mb;
    QString gb;
    QString cds;    // empty without a usable medium size
    QString free;
};

SizeRowTexts SizeRow(qint64 size, std::optional<qint64> mediumMB);

// Width in pixels of the coloured part of the 13-CD bar for `size`; 0 without a usable medium.
// Titles beyond 13 media give more than the bar's 364 pixels.
int CDBarPixels(qint64 size, std::optional<qint64> mediumMB);

} // namespace kbx
