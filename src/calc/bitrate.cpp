#include "calc/bitrate.h"

#include <cmath>
#include <limits>

namespace kbx {

namespace {

// Collects the lines and records where each marked piece lands.
class ReportWriter
{
public:
    explicit ReportWriter(CalcResult &result)
        : m_result(result)
    {
    }

    ReportWriter &operator<<(const QString &piece)
    {
        m_line += piece;
        return *this;
    }

    ReportWriter &marked(const QString &piece)
    {
        // The report keeps at most 100 ranges.
        if (m_result.highlights.size() < 100) {
            CalcHighlight h;
            h.line = int(m_result.lines.size());
            h.column = int(m_line.size());
            h.start = m_offset + h.column;
            h.length = int(piece.size());
            m_result.highlights << h;
        }
        m_line += piece;
        return *this;
    }

    void endLine()
    {
        m_offset += int(m_line.size()) + 2;
        m_result.lines << m_line;
        m_line.clear();
    }

private:
    CalcResult &m_result;
    QString m_line;
    int m_offset = 0;
};

QString I(qint64 value)
{
    return QString::number(value);
}

QString R(const QString &text, int width)
{
    return RightAlign(text, width);
}

QString D1(double value)
{
    return FloatToStr1(value);
}

QString Preset(double audioKB)
{
    if (audioKB == 22)
        return QStringLiteral("11 kHz mono, ");
    if (audioKB == 44)
        return QStringLiteral("22k mono / 11k st, ");
    if (audioKB == 88)
        return QStringLiteral("44k mono / 22k st, ");
    if (audioKB == 176)
        return QStringLiteral("44 kHz stereo, ");
    if (audioKB == 192)
        return QStringLiteral("48 kHz stereo, ");
    return {};
}

CalcColour RateColour(int videoRate)
{
    if (videoRate < 600)
        return {160, 0, 64};
    if (videoRate < 900)
        return {160, 128, 0};
    if (videoRate < 1200)
        return {96, 160, 96};
    if (videoRate < 1500)
        return {0, 160, 128};
    return {64, 160, 64};
}

} // namespace

const QStringList &MediaPresets()
{
    static const QStringList media = {
        "128 MB [FlashCard]",   "256 MB [FlashCard]",   "512 MB [FlashCard]",   "650 MB [74 min CD-R]",
        "652 MB [74 min CD-R]", "700 MB [80 min CD-R]", "702 MB [80 min CD-R]", "790 MB [90 min CD-R]",
        "740 MB [74 min VCD]",  "795 MB [80 min VCD]",  "900 MB [90 min VCD]",  "2048 MB [2 GB limit]",
        "4096 MB [4 GB limit]", "4489 MB [DVD-R]",
    };
    return media;
}

const QStringList &PcmAudioPresets()
{
    static const QStringList pcm = {
        "192 KB (48 kHz stereo, DVD)", "176 KB (44 kHz stereo, CD)", "  88 KB (22 kHz stereo)",
        "  44 KB (22 kHz mono)",       "  22 KB (11 kHz mono)",      "    0 KB (no audio)",
    };
    return pcm;
}

const QStringList &CompressedAudioPresets()
{
    static const QStringList compressed = {
        "768Kb (DTS Surround)",      "448Kb (Dolby Digital 5.1)", "384Kb (Dolby Digital 5.1)",
        "224Kb (MPEG1, VideoCD)",    "192Kb (MP3, optimal)",      "160Kb (MP3, very good)",
        "128Kb (MP3, CD quality)",   "112Kb (MP3, good quality)", "  96Kb (MP3, low quality)",
        "  64Kb (MP3, mono)",        "  56Kb (MP3, mono)",        "  32Kb (MP3, mono)",
        "  24Kb (MP3, mono)",        "    0Kb (no audio)",
    };
    return compressed;
}

QString CenterStr(const QString &text, int width)
{
    QString result = text;
    while (result.size() < width - 1)
        result = QLatin1Char(' ') + result + QLatin1Char(' ');
    if (result.size() < width)
        result.prepend(QLatin1Char(' '));
    return result;
}

QString IntToStr2(qint64 value)
{
    return PadLeft(QString::number(value), 2, QLatin1Char('0'));
}

QString IntToStrSep(qint64 value)
{
    QString digits = QString::number(value);
    const int first = digits.startsWith(QLatin1Char('-')) ? 1 : 0;
    for (qsizetype at = digits.size() - 3; at > first; at -= 3)
        digits.insert(at, QLatin1Char(','));
    return digits;
}

QString FloatToStr1(double value)
{
    const qint64 tenths = Nearest(value * 10);
    // The sign goes in front of a whole "0.": -0.4, not "-.4".
    QString text = PadLeft(QString::number(tenths < 0 ? -tenths : tenths), 2, QLatin1Char('0'));
    text.insert(text.size() - 1, QLatin1Char('.'));
    return tenths < 0 ? QLatin1Char('-') + text : text;
}

QString FloatToStr2(double value)
{
    const qint64 hundredths = Nearest(value * 100);
    QString text = PadLeft(QString::number(hundredths < 0 ? -hundredths : hundredths), 3, QLatin1Char('0'));
    text.insert(text.size() - 2, QLatin1Char('.'));
    return hundredths < 0 ? QLatin1Char('-') + text : text;
}

std::optional<qint64> LeadingNumber(const QString &text)
{
    const QString trimmed = text.trimmed();
    qsizetype end = 0;
    while (end < trimmed.size() && trimmed.at(end) >= QLatin1Char('0') && trimmed.at(end) <= QLatin1Char('9'))
        ++end;
    bool ok = false;
    const qint64 value = trimmed.left(end).toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

std::optional<CalcResult> CalculateBitrate(const CalcInputs &in, const TextLookup &translate)
{
    const auto T = [&translate](const char *text) { return Translated(translate, QString::fromLatin1(text)); };

    if (in.mediumText.trimmed().isEmpty())
        return std::nullopt;
    const std::optional<qint64> medium = LeadingNumber(in.mediumText);
    if (!medium)
        return std::nullopt;
    const qint64 mediumMB = *medium;
    const int mediaCount = qMax(1, in.mediaCount);
    qint64 availableMB = 0;
    qint64 availableBytes = 0;
    if (in.multipleVideos)
        availableMB = mediumMB / mediaCount;
    else if (__builtin_mul_overflow(mediumMB, qint64(mediaCount), &availableMB))
        return std::nullopt;
    // A capacity whose byte count does not fit 64 bits cannot be shown; treat it as unreadable.
    if (__builtin_mul_overflow(availableMB, qint64(1048576), &availableBytes))
        return std::nullopt;

    if (in.audioText.trimmed().isEmpty())
        return std::nullopt;
    const std::optional<qint64> audio = LeadingNumber(in.audioText);
    if (!audio || *audio > std::numeric_limits<qint32>::max() / 8)
        return std::nullopt;
    const double audioValue = double(*audio);

    bool compressed;
    if (in.audioBoxShown)
        compressed = !in.pcm;
    else if (in.audioText.contains(QLatin1Char('B')))
        compressed = false;
    else if (in.audioText.contains(QLatin1Char('b')))
        compressed = true;
    else
        // The uncompressed presets 22, 44, 88 and 176 are all multiples of 11.
        compressed = *audio % 11 != 0;
    qint32 audioKbit = compressed ? qint32(audioValue) : qint32(audioValue * 8);
    double audioKB = compressed ? std::trunc(audioKbit / 8.0 * 10) / 10 : audioValue;

    const int hours = in.minutes / 60;
    const int minutes = in.minutes % 60;
    const double totalSeconds = hours * 3600.0 + minutes * 60.0 + in.seconds;
    if (totalSeconds == 0)
        return std::nullopt;
    const qint32 s = qint32(totalSeconds);
    const qint64 f = in.pal ? 25 : 30;
    const int tracks = qMax(1, in.audioTracks);

    CalcResult result;
    ReportWriter w(result);

    w << QStringLiteral("[ ") << T("Movie data") << QStringLiteral(" ]");
    w.endLine();
    w << CenterStr(T("Length"), 11) << IntToStr2(hours) << QStringLiteral(":") << IntToStr2(minutes)
      << QStringLiteral(":") << IntToStr2(in.seconds) << QStringLiteral(" h = ") << R(MinSecText(s), 6)
      << QStringLiteral(" min  =  ") << R(I(s), 5) << QStringLiteral(" s (");
    w.marked(IntToStrSep(s * f) + QStringLiteral(" frames")) << QStringLiteral(")");
    w.endLine();
    if (in.pal) {
        const qint64 ntsc = Nearest(s / 24.0 * 25);
        const qint64 cinema = Nearest(s / 24.0 * 25 / 23.976 * 24);
        w << QStringLiteral("          ") << R(MinSecText(s), 6) << QStringLiteral(" PAL  = ");
        w.marked(R(MinSecText(qint32(ntsc)), 6) + QStringLiteral(" NTSC"));
        w << QStringLiteral(" = ") << R(MinSecText(qint32(cinema)), 6) << QStringLiteral(" ") << T("min in Cinema");
    } else {
        const qint64 pal = Nearest(s / 25.0 * 24);
        const qint64 cinema = Nearest(s / 23.976 * 24);
        w << QStringLiteral("          ") << R(MinSecText(s), 6) << QStringLiteral(" NTSC = ");
        w.marked(R(MinSecText(qint32(pal)), 6) + QStringLiteral(" PAL"));
        w << QStringLiteral(" ") << QStringLiteral(" = ") << R(MinSecText(qint32(cinema)), 6) << QStringLiteral(" ")
          << T("min in Cinema");
    }
    w.endLine();
    w << CenterStr(T("Storage"), 10) << R(I(mediumMB), 4)
      << (in.multipleVideos ? QStringLiteral(" MB / ") : QStringLiteral(" MB * ")) << I(mediaCount)
      << QStringLiteral(" =  ") << R(I(availableMB), 5) << QStringLiteral(" MB   =  ") << IntToStrSep(availableBytes)
      << QStringLiteral(" Bytes");
    w.endLine();

    const double totalKB = availableMB * 1024.0 / totalSeconds;
    qint32 videoRate = 0;

    if (tracks * audioKB > totalKB) {
        w.endLine();
        w << D1(totalKB) << QStringLiteral(" ") << T("KByte/s system bandwidth are not enough.");
        w.endLine();
        w << T("You must lower audio data rate or use more storage space.");
        w.endLine();
        audioKbit *= tracks;
        audioKB *= tracks;
    } else {
        w << CenterStr(T("Audio"), 11);
        if (compressed) {
            w << I(audioKbit) << QStringLiteral(" KBit/s = ") << R(D1(audioKB), 6) << QStringLiteral(" KByte/s, ")
              << T("compressed");
        } else {
            const QString preset = Preset(audioKB);
            if (!preset.isEmpty())
                w << QStringLiteral("16 bit, ") << preset;
            w << QStringLiteral("PCM, ") << I(qint64(audioKB)) << QStringLiteral(" KByte/s");
        }
        if (tracks > 1)
            w << QStringLiteral(", ") << I(tracks) << QStringLiteral(" ") << T("tracks");
        w.endLine();
        audioKbit *= tracks;
        audioKB *= tracks;

        const double fd = double(f);
        w.endLine();
        w << QStringLiteral("[ ") << T("Data rates") << QStringLiteral(" ]");
        w.endLine();
        w << CenterStr(T("per second"), 16) << QStringLiteral("Video   +  Audio  =  ") << T("System data rate");
        w.endLine();
        w << QStringLiteral("    Kbit      ");
        w.marked(R(D1(totalKB * 8 - audioKbit), 8));
        w << QStringLiteral("  +") << R(D1(audioKbit), 7) << QStringLiteral("  =") << R(D1(totalKB * 8), 8)
          << QStringLiteral(" KBit ") << T("per sec");
        w.endLine();
        w << QStringLiteral("    KByte     ") << R(D1(totalKB - audioKB), 8) << QStringLiteral("  +")
          << R(D1(audioKB), 7) << QStringLiteral("  =") << R(D1(totalKB), 8) << QStringLiteral(" KByte ")
          << T("per sec");
        w.endLine();
        w.endLine();
        w << CenterStr(T("per frame"), 16) << QStringLiteral("Video   +  Audio  =  ") << T("System data rate");
        w.endLine();
        w << QStringLiteral("    Kbit      ") << R(D1((totalKB * 8 - audioKbit) / fd), 8) << QStringLiteral("  +")
          << R(D1(audioKbit / fd), 7) << QStringLiteral("  =") << R(D1(totalKB * 8 / fd), 8)
          << QStringLiteral(" KBit ") << T("per frame");
        w.endLine();
        w << QStringLiteral("    KByte     ");
        w.marked(R(D1((totalKB - audioKB) / fd), 8));
        w << QStringLiteral("  +") << R(D1(audioKB / fd), 7) << QStringLiteral("  =") << R(D1(totalKB / fd), 8)
          << QStringLiteral(" KByte ") << T("per frame");
        w.endLine();
        w.endLine();
        w << CenterStr(T("total size"), 16) << QStringLiteral("Video   +  Audio  =  ") << T("System data rate");
        w.endLine();
        w << QStringLiteral("    MByte     ");
        w.marked(R(D1((totalKB - audioKB) * s / 1024), 8) + QStringLiteral("  +") + R(D1(s * audioKB / 1024), 7));
        w << QStringLiteral("  =") << R(D1(s * totalKB / 1024), 8) << QStringLiteral(" MByte");
        w.endLine();
        w.endLine();
        w << QStringLiteral("[ ") << T("Recommended (safe) video data rates") << QStringLiteral(" ]");
        w.endLine();
        // 17 Kbit/s stay free; the rest is cut to a multiple of 8.
        videoRate = qint32(IntegerPart((totalKB * 8 - audioKbit - 17) / 8) * 8);
        w.marked(QStringLiteral("  ") + I(videoRate) + QStringLiteral(" Kb/s  =  ") + I(videoRate / 8)
                 + QStringLiteral(" KB/s  =  ") + I(videoRate / f) + QStringLiteral(" Kb/") + T("frame")
                 + QStringLiteral("  =  ") + I(videoRate / (f * 8)) + QStringLiteral(" KB/") + T("frame"));
        w.endLine();
    }

    if (in.aviOutput)
        videoRate = qint32(IntegerPart(totalKB * 8 - audioKbit));

    result.videoRate = videoRate;
    if (videoRate < 1) {
        result.error = true;
        result.bitrateText = T("Error");
        result.spaceLabel = T("out of space");
        result.colour = {255, 0, 0};
        result.perFrame = in.perFrame;
        result.inBytes = in.inBytes;
        return result;
    }

    const double dimX = in.dimXText.trimmed().toInt();
    const double dimY = in.dimYText.trimmed().toInt();
    const double rawKB = dimX * dimY * 2 * double(f) / 1024;
    const double videoKB = videoRate / 8.0;
    w.endLine();
    w << QStringLiteral("[ ") << T("Compression ratio") << QStringLiteral(" ]");
    w.endLine();
    w << QStringLiteral("  ") << R(in.dimXText, 3) << QStringLiteral(" x ") << R(in.dimYText, 3)
      << QStringLiteral(", 16 bpp, ") << I(f) << QStringLiteral(" fps   => ") << R(D1(rawKB), 8)
      << QStringLiteral(" KB/s");
    w.endLine();
    if (totalKB >= audioKB) {
        w << CenterStr(T("compressed video data rate"), 30) << QStringLiteral("=> ") << R(D1(videoKB), 8)
          << QStringLiteral(" KB/s  (1:") << I(IntegerPart(rawKB / videoKB)) << QStringLiteral(")");
        w.endLine();
        w << CenterStr(T("system data rate (w/audio)"), 30) << QStringLiteral("=> ") << R(D1(videoKB + audioKB), 8)
          << QStringLiteral(" KB/s");
        w.endLine();
    }

    result.perFrame = in.autoUnit ? false : in.perFrame;
    result.inBytes = in.autoUnit ? videoRate > 9999 : in.inBytes;
    if (!result.perFrame && !result.inBytes) {
        result.bitrateText = I(videoRate);
        result.boxCaption = QStringLiteral("Kbit ") + T("per second") + QStringLiteral(" -> DIVX / DVD");
    } else if (!result.perFrame) {
        result.bitrateText = I(videoRate / 8);
        result.boxCaption = QStringLiteral("KByte ") + T("per second");
    } else if (!result.inBytes) {
        result.bitrateText = I(videoRate / f);
        result.boxCaption = QStringLiteral("Kbit ") + T("per frame");
    } else {
        result.bitrateText = I(IntegerPart(videoRate / 8.0 / double(f)));
        result.boxCaption = QStringLiteral("KByte ") + T("per frame") + QStringLiteral(" -> MJPEG");
    }
    result.colour = RateColour(videoRate);
    result.videoMB = (totalKB - audioKB) * s / 1024;
    result.audioMB = s * audioKB / 1024;
    result.totalMB = s * totalKB / 1024;
    result.spaceLabel = D1(result.videoMB) + QStringLiteral(" + ") + D1(result.audioMB);
    return result;
}

QString ReportText(const CalcResult &result)
{
    return result.lines.join(QLatin1Char('\n'));
}

} // namespace kbx
