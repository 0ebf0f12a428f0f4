#include "calc/bitrate.h"

#include <QTest>

using namespace kbx;

Q_DECLARE_METATYPE(kbx::CalcColour)

namespace {

// The piece each highlight marks, after checking that its offset counts two-character line breaks.
QStringList MarkedPieces(const CalcResult &r)
{
    QStringList pieces;
    for (const CalcHighlight &h : r.highlights) {
        int offset = 0;
        for (int i = 0; i < h.line; ++i)
            offset += int(r.lines.at(i).size()) + 2;
        if (offset + h.column != h.start)
            return {QStringLiteral("bad offset")};
        pieces << r.lines.at(h.line).mid(h.column, h.length);
    }
    return pieces;
}

// One second of movie on a 1 MB medium: 8192 Kbit/s in all, so the compressed audio rate sets the
// video rate exactly (AVI).
CalcInputs OneSecond(int audioKbit)
{
    CalcInputs in;
    in.minutes = 0;
    in.seconds = 1;
    in.mediumText = QStringLiteral("1 MB");
    in.audioText = QString::number(audioKbit) + QStringLiteral("Kb");
    return in;
}

} // namespace

class TestBitrate : public QObject
{
    Q_OBJECT
private slots:
    void numberTexts();
    void workedExample();
    void workedExampleHighlights();
    void workedExampleWithMpeg();
    void units();
    void stopsWithoutChange_data();
    void stopsWithoutChange();
    void pcmWithTwoTracks();
    void audioKindFromText();
    void compressedRateCutNotRounded();
    void multipleVideos();
    void mpegNtscTwoVideos();
    void autoUnitSwitch();
    void colours_data();
    void colours();
    void audioDoesNotFit();
    void lessThan17KbitLeft();
    void translatedTexts();
};

void TestBitrate::numberTexts()
{
    QCOMPARE(CenterStr("Length", 11), QString("   Length  "));
    QCOMPARE(CenterStr("per frame", 16), QString("    per frame   "));
    QCOMPARE(CenterStr("much too long", 5), QString("much too long"));
    QCOMPARE(CenterStr("", 1), QString(" "));

    QCOMPARE(IntToStr2(7), QString("07"));
    QCOMPARE(IntToStr2(123), QString("123"));

    QCOMPARE(IntToStrSep(0), QString("0"));
    QCOMPARE(IntToStrSep(1000), QString("1,000"));
    QCOMPARE(IntToStrSep(736100352), QString("736,100,352"));
    QCOMPARE(IntToStrSep(1234567890), QString("1,234,567,890"));
    QCOMPARE(IntToStrSep(-1234567), QString("-1,234,567"));
    QCOMPARE(IntToStrSep(1234567890123456LL), QString("1,234,567,890,123,456"));

    QCOMPARE(FloatToStr1(1065.0), QString("1065.0"));
    QCOMPARE(FloatToStr1(0.6), QString("0.6"));
    QCOMPARE(FloatToStr1(0.0), QString("0.0"));
    QCOMPARE(FloatToStr1(0.049), QString("0.0"));
    // Halves go to the even neighbour.
    QCOMPARE(FloatToStr1(0.05), QString("0.0"));
    QCOMPARE(FloatToStr1(0.15), QString("0.2"));
    QCOMPARE(FloatToStr1(0.25), QString("0.2"));
    QCOMPARE(FloatToStr1(-0.4), QString("-0.4"));
    QCOMPARE(FloatToStr1(-12.34), QString("-12.3"));

    QCOMPARE(FloatToStr2(45.0 / 25), QString("1.80"));
    QCOMPARE(FloatToStr2(16.0 / 9), QString("1.78"));
    QCOMPARE(FloatToStr2(0.125), QString("0.12"));

    QCOMPARE(LeadingNumber("702 MB [80 min CD-R]").value_or(-1), qint64(702));
    QCOMPARE(LeadingNumber("  88 KB (22 kHz stereo)").value_or(-1), qint64(88));
    QCOMPARE(LeadingNumber("150 min").value_or(-1), qint64(150));
    QVERIFY(!LeadingNumber("MB 702"));
    QVERIFY(!LeadingNumber(""));
    QVERIFY(!LeadingNumber("99999999999999999999"));
}

void TestBitrate::workedExample()
{
    const std::optional<CalcResult> r = CalculateBitrate(CalcInputs());
    QVERIFY(r);
    const QStringList expected = {
        "[ Movie data ]",
        "   Length  01:30:00 h =  90:00 min  =   5400 s (135,000 frames)",
        "           90:00 PAL  =  93:45 NTSC =  93:51 min in Cinema",
        "  Storage  702 MB * 1 =    702 MB   =  736,100,352 Bytes",
        "   Audio   128 KBit/s =   16.0 KByte/s, compressed",
        "",
        "[ Data rates ]",
        "   per second   Video   +  Audio  =  System data rate",
        "    Kbit         937.0  +  128.0  =  1065.0 KBit per sec",
        "    KByte        117.1  +   16.0  =   133.1 KByte per sec",
        "",
        "    per frame   Video   +  Audio  =  System data rate",
        "    Kbit          37.5  +    5.1  =    42.6 KBit per frame",
        "    KByte          4.7  +    0.6  =     5.3 KByte per frame",
        "",
        "   total size   Video   +  Audio  =  System data rate",
        "    MByte        617.6  +   84.4  =   702.0 MByte",
        "",
        "[ Recommended (safe) video data rates ]",
        "  912 Kb/s  =  114 KB/s  =  36 Kb/frame  =  4 KB/frame",
        "",
        "[ Compression ratio ]",
        "  720 x 400, 16 bpp, 25 fps   =>  14062.5 KB/s",
        "  compressed video data rate  =>    117.0 KB/s  (1:120)",
        "  system data rate (w/audio)  =>    133.0 KB/s",
    };
    for (int i = 0; i < qMin(expected.size(), r->lines.size()); ++i)
        QCOMPARE(r->lines.at(i), expected.at(i));
    QCOMPARE(r->lines.size(), expected.size());

    QCOMPARE(r->videoRate, 936);
    QVERIFY(!r->error);
    QCOMPARE(r->bitrateText, QString("936"));
    QCOMPARE(r->boxCaption, QString("Kbit per second -> DIVX / DVD"));
    QCOMPARE(r->colour, (CalcColour{96, 160, 96}));
    QCOMPARE(r->spaceLabel, QString("617.6 + 84.4"));
    QCOMPARE(r->totalMB, 702.0);
    QVERIFY(!r->perFrame && !r->inBytes);
}

void TestBitrate::workedExampleHighlights()
{
    const CalcResult r = *CalculateBitrate(CalcInputs());
    QCOMPARE(MarkedPieces(r), (QStringList{
                                  "135,000 frames",
                                  " 93:45 NTSC",
                                  "   937.0",
                                  "     4.7",
                                  "   617.6  +   84.4",
                                  "  912 Kb/s  =  114 KB/s  =  36 Kb/frame  =  4 KB/frame",
                              }));
    // "[ Movie data ]" and its line break come first: 14 + 2 + 48.
    QCOMPARE(r.highlights.first().start, 64);
    QCOMPARE(r.highlights.first().length, 14);
}

void TestBitrate::workedExampleWithMpeg()
{
    CalcInputs in;
    in.aviOutput = false;
    const CalcResult r = *CalculateBitrate(in);
    QCOMPARE(r.videoRate, 912);
    QCOMPARE(r.bitrateText, QString("912"));
    QCOMPARE(r.lines.at(23), QString("  compressed video data rate  =>    114.0 KB/s  (1:123)"));
    QCOMPARE(r.colour, (CalcColour{96, 160, 96}));
}

void TestBitrate::units()
{
    CalcInputs in;
    in.autoUnit = false;
    in.inBytes = true;
    CalcResult r = *CalculateBitrate(in);
    QCOMPARE(r.bitrateText, QString("117"));
    QCOMPARE(r.boxCaption, QString("KByte per second"));

    in.perFrame = true;
    r = *CalculateBitrate(in);
    QCOMPARE(r.bitrateText, QString("4"));  // 936 / 8 / 25 = 4.68, cut
    QCOMPARE(r.boxCaption, QString("KByte per frame -> MJPEG"));

    in.inBytes = false;
    r = *CalculateBitrate(in);
    QCOMPARE(r.bitrateText, QString("37"));
    QCOMPARE(r.boxCaption, QString("Kbit per frame"));

    // The automatic choice overrides a unit chosen by hand.
    in.autoUnit = true;
    r = *CalculateBitrate(in);
    QVERIFY(!r.perFrame && !r.inBytes);
    QCOMPARE(r.bitrateText, QString("936"));
}

void TestBitrate::stopsWithoutChange_data()
{
    QTest::addColumn<int>("minutes");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("medium");
    QTest::addColumn<QString>("audio");
    QTest::newRow("0:00") << 0 << 0 << "702 MB" << "128Kb";
    QTest::newRow("empty medium") << 90 << 0 << "   " << "128Kb";
    QTest::newRow("empty audio") << 90 << 0 << "702 MB" << "";
    QTest::newRow("medium without digits") << 90 << 0 << "DVD" << "128Kb";
    QTest::newRow("audio without digits") << 90 << 0 << "702 MB" << "MP3 128Kb";
    QTest::newRow("medium beyond 64 bits") << 90 << 0 << "9999999999999999 MB" << "128Kb";
}

void TestBitrate::stopsWithoutChange()
{
    QFETCH(int, minutes);
    QFETCH(int, seconds);
    QFETCH(QString, medium);
    QFETCH(QString, audio);
    CalcInputs in;
    in.minutes = minutes;
    in.seconds = seconds;
    in.mediumText = medium;
    in.audioText = audio;
    QVERIFY(!CalculateBitrate(in));
}

void TestBitrate::pcmWithTwoTracks()
{
    CalcInputs in;
    in.audioText = QStringLiteral("  44 KB (22 kHz mono)");
    in.audioTracks = 2;
    const CalcResult r = *CalculateBitrate(in);
    QCOMPARE(r.lines.at(4), QString("   Audio   16 bit, 22k mono / 11k st, PCM, 44 KByte/s, 2 tracks"));
    QCOMPARE(r.lines.at(8).mid(25, 7), QString("  704.0"));
    QCOMPARE(r.lines.at(9).mid(25, 7), QString("   88.0"));

    // A rate that is no preset has no name, and no "16 bit" either.
    in.audioText = QStringLiteral("50 KB");
    in.audioTracks = 1;
    QCOMPARE(CalculateBitrate(in)->lines.at(4), QString("   Audio   PCM, 50 KByte/s"));
}

void TestBitrate::audioKindFromText()
{
    CalcInputs in;
    in.audioText = QStringLiteral("100");
    CalcResult r = *CalculateBitrate(in);
    QCOMPARE(r.lines.at(4), QString("   Audio   100 KBit/s =   12.5 KByte/s, compressed"));

    in.audioText = QStringLiteral("88");
    r = *CalculateBitrate(in);
    QCOMPARE(r.lines.at(4), QString("   Audio   16 bit, 44k mono / 22k st, PCM, 88 KByte/s"));
    QCOMPARE(r.lines.at(8).mid(25, 7), QString("  704.0"));

    // With the audio group shown the radio decides, whatever the text says.
    in.audioBoxShown = true;
    in.pcm = false;
    r = *CalculateBitrate(in);
    QCOMPARE(r.lines.at(4), QString("   Audio   88 KBit/s =   11.0 KByte/s, compressed"));
    in.pcm = true;
    in.audioText = QStringLiteral("128Kb");
    r = *CalculateBitrate(in);
    QCOMPARE(r.lines.at(4), QString("   Audio   PCM, 128 KByte/s"));
}

void TestBitrate::compressedRateCutNotRounded()
{
    CalcInputs in;
    in.audioText = QStringLiteral("130Kb");
    const CalcResult r = *CalculateBitrate(in);
    QCOMPARE(r.lines.at(4), QString("   Audio   130 KBit/s =   16.2 KByte/s, compressed"));
    QCOMPARE(r.lines.at(8).mid(25, 7), QString("  130.0"));
    QCOMPARE(r.lines.at(9).mid(25, 7), QString("   16.2"));
}

void TestBitrate::multipleVideos()
{
    CalcInputs in;
    in.mediumText = QStringLiteral("4489 MB [DVD-R]");
    in.mediaCount = 2;
    in.multipleVideos = true;
    QCOMPARE(CalculateBitrate(in)->lines.at(3), QString("  Storage 4489 MB / 2 =   2244 MB   =  2,353,004,544 Bytes"));
    in.multipleVideos = false;
    QCOMPARE(CalculateBitrate(in)->lines.at(3), QString("  Storage 4489 MB * 2 =   8978 MB   =  9,414,115,328 Bytes"));
}

void TestBitrate::mpegNtscTwoVideos()
{
    CalcInputs in;
    in.minutes = 100;
    in.seconds = 30;
    in.pal = false;
    in.mediumText = QStringLiteral("4489 MB [DVD-R]");
    in.mediaCount = 2;
    in.multipleVideos = true;
    in.audioText = QStringLiteral("  44 KB (22 kHz mono)");
    in.audioBoxShown = true;
    in.pcm = true;
    in.audioTracks = 2;
    in.aviOutput = false;
    const CalcResult r = *CalculateBitrate(in);
    QCOMPARE(r.lines.at(1), QString("   Length  01:40:30 h = 100:30 min  =   6030 s (180,900 frames)"));
    QCOMPARE(r.lines.at(2), QString("          100:30 NTSC =  96:29 PAL  = 100:36 min in Cinema"));
    QCOMPARE(r.lines.at(19), QString("  2320 Kb/s  =  290 KB/s  =  77 Kb/frame  =  9 KB/frame"));
    QCOMPARE(r.lines.at(22), QString("  720 x 400, 16 bpp, 30 fps   =>  16875.0 KB/s"));
    QCOMPARE(r.bitrateText, QString("2320"));
    QCOMPARE(r.colour, (CalcColour{64, 160, 64}));
    QCOMPARE(MarkedPieces(r).at(1), QString(" 96:29 PAL"));
}

void TestBitrate::autoUnitSwitch()
{
    // 2 MB in one second: 16384 Kbit/s in all.
    CalcInputs in = OneSecond(6384);
    in.mediumText = QStringLiteral("2 MB");
    CalcResult r = *CalculateBitrate(in);
    QCOMPARE(r.videoRate, 10000);
    QVERIFY(r.inBytes && !r.perFrame);
    QCOMPARE(r.bitrateText, QString("1250"));
    QCOMPARE(r.boxCaption, QString("KByte per second"));

    in.audioText = QStringLiteral("6385Kb");
    r = *CalculateBitrate(in);
    QCOMPARE(r.videoRate, 9999);
    QVERIFY(!r.inBytes);
    QCOMPARE(r.bitrateText, QString("9999"));
}

void TestBitrate::colours_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<CalcColour>("colour");
    QTest::newRow("599") << 599 << CalcColour{160, 0, 64};
    QTest::newRow("600") << 600 << CalcColour{160, 128, 0};
    QTest::newRow("899") << 899 << CalcColour{160, 128, 0};
    QTest::newRow("900") << 900 << CalcColour{96, 160, 96};
    QTest::newRow("1199") << 1199 << CalcColour{96, 160, 96};
    QTest::newRow("1200") << 1200 << CalcColour{0, 160, 128};
    QTest::newRow("1499") << 1499 << CalcColour{0, 160, 128};
    QTest::newRow("1500") << 1500 << CalcColour{64, 160, 64};
}

void TestBitrate::colours()
{
    QFETCH(int, rate);
    QFETCH(CalcColour, colour);
    CalcInputs in = OneSecond(8192 - rate);
    in.mediumText = QStringLiteral("1");
    const CalcResult r = *CalculateBitrate(in);
    QCOMPARE(r.videoRate, rate);
    QCOMPARE(r.colour, colour);
}

void TestBitrate::audioDoesNotFit()
{
    CalcInputs in;
    in.mediumText = QStringLiteral("1 MB");
    const CalcResult r = *CalculateBitrate(in);
    QCOMPARE(r.lines.size(), 7);
    QCOMPARE(r.lines.at(3), QString("  Storage    1 MB * 1 =      1 MB   =  1,048,576 Bytes"));
    QCOMPARE(r.lines.at(4), QString());
    QCOMPARE(r.lines.at(5), QString("0.2 KByte/s system bandwidth are not enough."));
    QCOMPARE(r.lines.at(6), QString("You must lower audio data rate or use more storage space."));
    QVERIFY(r.error);
    QCOMPARE(r.bitrateText, QString("Error"));
    QCOMPARE(r.spaceLabel, QString("out of space"));
    QCOMPARE(r.colour, (CalcColour{255, 0, 0}));
    QVERIFY(r.boxCaption.isEmpty());
    QCOMPARE(r.highlights.size(), 2);

    // Two tracks that together exceed the medium do not fit either.
    in.mediumText = QStringLiteral("1");
    in.minutes = 0;
    in.seconds = 1;
    in.audioText = QStringLiteral("600 KB");
    QVERIFY(!CalculateBitrate(in)->error);
    in.audioTracks = 2;
    QVERIFY(CalculateBitrate(in)->error);
}

void TestBitrate::lessThan17KbitLeft()
{
    // 8 seconds on 1 MB: 1024 Kbit/s in all; 1014 Kbit of audio leave 10.
    CalcInputs in = OneSecond(1014);
    in.seconds = 8;
    in.aviOutput = false;
    CalcResult r = *CalculateBitrate(in);
    QVERIFY(r.error);
    QCOMPARE(r.lines.size(), 20);
    QCOMPARE(r.lines.at(19), QString("  0 Kb/s  =  0 KB/s  =  0 Kb/frame  =  0 KB/frame"));
    QCOMPARE(r.bitrateText, QString("Error"));

    in.audioText = QStringLiteral("1020Kb");
    r = *CalculateBitrate(in);
    QCOMPARE(r.lines.at(19), QString("  -8 Kb/s  =  -1 KB/s  =  0 Kb/frame  =  0 KB/frame"));
    QVERIFY(r.error);

    in.aviOutput = true;
    r = *CalculateBitrate(in);
    QVERIFY(!r.error);
    QCOMPARE(r.videoRate, 4);
    QCOMPARE(r.bitrateText, QString("4"));
    QCOMPARE(r.lines.size(), 25);
    QCOMPARE(r.lines.at(23), QString("  compressed video data rate  =>      0.5 KB/s  (1:28125)"));
    QCOMPARE(r.colour, (CalcColour{160, 0, 64}));
}

void TestBitrate::translatedTexts()
{
    QStringList lookups;
    const TextLookup marker = [&lookups](const QString &text) {
        lookups << text;
        return text.toUpper();
    };
    const CalcResult r = *CalculateBitrate(CalcInputs(), marker);
    QCOMPARE(r.lines.at(0), QString("[ MOVIE DATA ]"));
    QCOMPARE(r.boxCaption, QString("Kbit PER SECOND -> DIVX / DVD"));
    QVERIFY(lookups.contains("min in Cinema"));
    QVERIFY(lookups.contains("system data rate (w/audio)"));
    // Units and the fixed words of the figures stay as they are.
    QVERIFY(!lookups.contains("frames"));
    QVERIFY(r.lines.at(1).endsWith("135,000 frames)"));
}

QTEST_GUILESS_MAIN(TestBitrate)
#include "tst_bitrate.moc"
