#pragma once
// The bitrate calculator's arithmetic: from the page's inputs to the report lines, the marked figures
// and the result it shows. No widgets here; the page copies values in and paints what comes out.

#include "common/textfuncs.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace kbx {

// Spaces around `text` until it is `width` long, one more in front when the difference is odd.
QString CenterStr(const QString &text, int width);
// Decimal text with a leading "0" when it has only one character.
QString IntToStr2(qint64 value);
// Decimal text with "," between groups of three digits.
QString IntToStrSep(qint64 value);
// One decimal, rounded half to even: 1065.0, 0.6, 0.0, -0.4.
QString FloatToStr1(double value);
// Two decimals, rounded half to even: 1.80.
QString FloatToStr2(double value);

// The storage media, and the uncompressed and compressed audio rates, as the lists offer them.
const QStringList &MediaPresets();
const QStringList &PcmAudioPresets();
const QStringList &CompressedAudioPresets();

// The leading run of decimal digits of the trimmed text; nothing when it does not start with a digit
// or the number does not fit 64 bits.
std::optional<qint64> LeadingNumber(const QString &text);

struct CalcInputs
{
    int minutes = 90;          // all of the movie's minutes; hours are split off
    int seconds = 0;
    bool pal = true;           // 25 fps, otherwise 30
    int audioTracks = 1;
    QString mediumText = QStringLiteral("702 MB [80 min CD-R]");
    int mediaCount = 1;
    bool multipleVideos = false;  // several videos share one medium
    QString audioText = QStringLiteral("128Kb (MP3, CD quality)");
    bool aviOutput = true;
    // With the audio group shown, the radio decides; otherwise the audio text does.
    bool audioBoxShown = false;
    bool pcm = false;
    QString dimXText = QStringLiteral("720");
    QString dimYText = QStringLiteral("400");
    bool perFrame = false;
    bool inBytes = false;
    bool autoUnit = true;
};

struct CalcHighlight
{
    // Into the report text with two-character line breaks, as the report is described.
    int start = 0;
    int length = 0;
    int line = 0;
    int column = 0;
};

struct CalcColour
{
    int red = 0;
    int green = 0;
    int blue = 0;
    friend bool operator==(const CalcColour &, const CalcColour &) = default;
};

struct CalcResult
{
    QStringList lines;
    QList<CalcHighlight> highlights;
    int videoRate = 0;  // Kbit/s
    bool error = false;
    // The unit shown, after the automatic choice.
    bool perFrame = false;
    bool inBytes = false;
    QString bitrateText;
    QString boxCaption;
    QString spaceLabel;
    CalcColour colour;
    // Set only when the bars are drawn (no error).
    double videoMB = 0;
    double audioMB = 0;
    double totalMB = 0;
};

// The whole calculation. Nothing when the run stops before anything visible changes: an empty medium
// or audio text, one that does not begin with a digit, or a total length of 0.
std::optional<CalcResult> CalculateBitrate(const CalcInputs &in, const TextLookup &translate = {});

// The report as the memo shows it.
QString ReportText(const CalcResult &result);

} // namespace kbx
