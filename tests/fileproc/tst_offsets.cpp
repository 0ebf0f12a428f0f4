#include "fileproc/offsets.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace kbx;

constexpr qint64 Int64Max = std::numeric_limits<qint64>::max();

class TestOffsets : public QObject
{
    Q_OBJECT
private slots:
    void nearestRoundsHalvesToEven();
    void textFunctions();
    void speedTextTruncatesHundredths_data();
    void speedTextTruncatesHundredths();
    void readOffsetValue_data();
    void readOffsetValue();
    void startAndLengthKeepRangeInside();
    void slidersAndSteps();
    void unitsBySize();
    void alignUnitWithDvdButton();
    void alignRoundsAndFallsBack_data();
    void alignRoundsAndFallsBack();
    void offsetText_data();
    void offsetText();
    void partsMenu();
    void inputKindAndCaption();
};

void TestOffsets::nearestRoundsHalvesToEven()
{
    QCOMPARE(Nearest(0.5), 0);
    QCOMPARE(Nearest(1.5), 2);
    QCOMPARE(Nearest(2.5), 2);
    QCOMPARE(Nearest(-0.5), 0);
    QCOMPARE(Nearest(-1.5), -2);
    QCOMPARE(Nearest(std::nan("")), 0);
    QCOMPARE(Nearest(HUGE_VAL), 0);
    QCOMPARE(Nearest(1e30), Int64Max);
    QCOMPARE(IntegerPart(-2.7), -2);
}

void TestOffsets::textFunctions()
{
    QCOMPARE(PadLeft("5", 3, '0'), QString("005"));
    QCOMPARE(PadLeft("1234", 3, '0'), QString("1234"));
    QCOMPARE(RightAlign("1", 4), QString("   1"));

    QCOMPARE(MinSecText(59), QString("00:59"));
    QCOMPARE(MinSecText(125), QString("02:05"));
    QCOMPARE(MinSecText(3725), QString("62:05"));
    QCOMPARE(MinSecText(6000), QString("100:00"));

    QCOMPARE(HexText(0), QString("0"));
    QCOMPARE(HexText(0x1A2B3C), QString("1A2B3C"));
    QCOMPARE(PadLeft(HexText(0x1A2B3C), 8, '0'), QString("001A2B3C"));
    QCOMPARE(HexText(std::numeric_limits<quint64>::max()), QString("FFFFFFFFFFFFFFFF"));
}

void TestOffsets::speedTextTruncatesHundredths_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("nothing") << qint64(0) << 1.0 << "0.00";
    QTest::newRow("1234 hundredths") << qint64(12939428) << 1.0 << "12.34";
    QTest::newRow("just below one hundredth") << qint64(10485) << 1.0 << "0.00";
    QTest::newRow("just above one hundredth") << qint64(10486) << 1.0 << "0.01";
    QTest::newRow("one MiB per second") << qint64(1048576) << 1.0 << "1.00";
    QTest::newRow("over 100 MiB/s") << qint64(1294467072) << 10.0 << "123.45";
    QTest::newRow("no time yet") << qint64(5000) << 0.0 << "0.00";
}

void TestOffsets::speedTextTruncatesHundredths()
{
    QFETCH(qint64, bytes);
    QFETCH(double, seconds);
    QFETCH(QString, text);
    QCOMPARE(SpeedText(bytes, seconds), text);
}

void TestOffsets::readOffsetValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("field");
    QTest::addColumn<qint64>("maxSize");
    QTest::addColumn<qint64>("value");
    QTest::addColumn<QString>("written");
    QTest::addColumn<bool>("changed");
    const int length = int(OffsetField::Length);
    const int start = int(OffsetField::StartOrEnd);
    const int other = int(OffsetField::Other);
    QTest::newRow("letter removed") << "12a3" << start << qint64(1000) << qint64(123) << "123" << true;
    QTest::newRow("leading zeros stay") << "007" << start << qint64(1000) << qint64(7) << "007" << false;
    QTest::newRow("empty start stays empty") << "" << start << qint64(1000) << qint64(0) << "" << false;
    QTest::newRow("empty length is 1") << "" << length << qint64(1000) << qint64(1) << "1" << true;
    QTest::newRow("letters only length") << "abc" << length << qint64(1000) << qint64(1) << "1" << true;
    QTest::newRow("start above limit") << "5000" << start << qint64(1000) << qint64(999) << "999" << true;
    QTest::newRow("start at limit rewrites") << "999" << start << qint64(1000) << qint64(999) << "999" << true;
    QTest::newRow("start below limit") << "998" << start << qint64(1000) << qint64(998) << "998" << false;
    QTest::newRow("length at limit rewrites") << "1000" << length << qint64(1000) << qint64(1000) << "1000" << true;
    QTest::newRow("blanks removed") << " 1 000" << length << qint64(5000) << qint64(1000) << "1000" << true;
    QTest::newRow("other digits ignored") << QString::fromUtf8("\u0661\u0662") << start << qint64(1000)
                                          << qint64(0) << "0" << true;
    QTest::newRow("too many digits saturate") << "99999999999999999999999" << length << qint64(6000000000)
                                              << qint64(6000000000) << "6000000000" << true;
    QTest::newRow("other field unlimited") << "99999999999" << other << qint64(1000) << qint64(99999999999)
                                           << "99999999999" << false;
    QTest::newRow("no input: start limit -1") << "5" << start << qint64(0) << qint64(-1) << "-1" << true;
    QTest::newRow("no input: length limit 0") << "" << length << qint64(0) << qint64(0) << "0" << true;
}

void TestOffsets::readOffsetValue()
{
    QFETCH(QString, text);
    QFETCH(int, field);
    QFETCH(qint64, maxSize);
    QFETCH(qint64, value);
    QFETCH(QString, written);
    QFETCH(bool, changed);
    const OffsetRead read = ReadOffsetValue(text, OffsetField(field), maxSize);
    QCOMPARE(read.value, value);
    QCOMPARE(read.text, written);
    QCOMPARE(read.changed, changed);
    QCOMPARE(read.caretShift, changed ? -1 : 0);
}

void TestOffsets::startAndLengthKeepRangeInside()
{
    const qint64 max = 1000;
    OffsetRange r = StartChanged(100, 200, max);
    QCOMPARE(r.start, 100);
    QCOMPARE(r.length, 200);
    QCOMPARE(r.end, 299);
    QCOMPARE(r.sliderPosition, 10);

    r = StartChanged(100, 1000, max);
    QCOMPARE(r.length, 900);
    QCOMPARE(r.end, 999);

    // A start typed beyond the end is limited to the last byte, leaving one byte.
    const qint64 start = ReadOffsetValue("5000", OffsetField::StartOrEnd, max).value;
    r = StartChanged(start, 1000, max);
    QCOMPARE(r.start, 999);
    QCOMPARE(r.length, 1);
    QCOMPARE(r.end, 999);
    QCOMPARE(r.sliderPosition, 100);

    // Length set to MaxSize while start is 100: the range moves left.
    r = LengthChanged(100, 1000, max);
    QCOMPARE(r.start, 0);
    QCOMPARE(r.length, 1000);
    QCOMPARE(r.end, 999);
    QCOMPARE(r.sliderPosition, 100);

    // The second pass of the change chain gives the same values.
    const OffsetRange again = StartChanged(r.start, r.length, max);
    QCOMPARE(again.start, r.start);
    QCOMPARE(again.length, r.length);
    QCOMPARE(again.end, r.end);

    // Slider positions round halves to even.
    QCOMPARE(StartChanged(1, 1, 8).sliderPosition, 12);
    QCOMPARE(StartChanged(3, 1, 8).sliderPosition, 38);
    QCOMPARE(LengthChanged(0, 1, 8).sliderPosition, 12);

    // Beyond 32 bits.
    r = LengthChanged(6000000000, 4000000000, 8000000000);
    QCOMPARE(r.start, 4000000000);
    QCOMPARE(r.end, 7999999999);

    // No input: no division fault, the slider stays at 0.
    QCOMPARE(StartChanged(0, 1, 0).sliderPosition, 0);
}

void TestOffsets::slidersAndSteps()
{
    QCOMPARE(SliderValue(1000, 33), 330);
    QCOMPARE(SliderValue(5, 50), 2);
    QCOMPARE(SliderValue(7, 50), 4);
    QCOMPARE(SliderValue(8000000000, 100), 8000000000);

    QCOMPARE(StepSize(1, MegaByte), 100 * MegaByte);
    QCOMPARE(StepSize(4, 1), 0);
    QCOMPARE(StepOffset(5, 10), 15);
    QCOMPARE(StepOffset(5, -10), 0);
    QCOMPARE(StepOffset(Int64Max - 1, 100), Int64Max);

    QCOMPARE(MultiplyOffset(700, MegaByte), 734003200);
    QCOMPARE(MultiplyOffset(Int64Max / 2, 1024), Int64Max);
}

void TestOffsets::unitsBySize()
{
    QCOMPARE(UnitBySize(10485760), QString("MB"));
    QCOMPARE(UnitBySize(10485759), QString("KB"));
    QCOMPARE(UnitBySize(10240), QString("KB"));
    QCOMPARE(UnitBySize(10239), QString("B"));
    QCOMPARE(UnitBySize(-1), QString("B"));
    QCOMPARE(AlignUnitOf("KB"), KiloByte);
    QCOMPARE(AlignUnitOf("mb"), 1);
}

void TestOffsets::alignUnitWithDvdButton()
{
    QCOMPARE(AlignActionUnit(MegaByte, true, 2048), MegaByte);
    QCOMPARE(AlignActionUnit(KiloByte, true, 2048), 2048);
    QCOMPARE(AlignActionUnit(1, true, 2048), 2048);
    QCOMPARE(AlignActionUnit(MegaByte, true, 2324), 2324);
    QCOMPARE(AlignActionUnit(MegaByte, false, 2048), MegaByte);
    QCOMPARE(AlignActionUnit(KiloByte, false, 2048), KiloByte);
    QCOMPARE(AlignActionUnit(KiloByte, true, 0), KiloByte);

    QCOMPARE(AlignHintText(2048), QString("current alignment setting: 2048 Byte"));
    const TextLookup upper = [](const QString &s) { return s.toUpper(); };
    QCOMPARE(AlignHintText(1, upper), QString("CURRENT ALIGNMENT SETTING: 1 Byte"));
}

void TestOffsets::alignRoundsAndFallsBack_data()
{
    QTest::addColumn<qint64>("value");
    QTest::addColumn<qint64>("unit");
    QTest::addColumn<qint64>("maxSize");
    QTest::addColumn<qint64>("aligned");
    QTest::newRow("MB past the size rounds down") << qint64(2900000) << MegaByte << qint64(3000000) << qint64(2097152);
    QTest::newRow("MB on a DVD file") << qint64(5483000) << AlignActionUnit(MegaByte, true, 2048)
                                      << qint64(100000000) << qint64(5242880);
    QTest::newRow("DVD file in B mode") << qint64(5000) << AlignActionUnit(1, true, 2048) << qint64(1000000)
                                        << qint64(4096);
    QTest::newRow("half goes to even, down") << qint64(5120) << qint64(2048) << qint64(1000000) << qint64(4096);
    QTest::newRow("half goes to even, up") << qint64(3072) << qint64(2048) << qint64(1000000) << qint64(4096);
    QTest::newRow("half of a unit to 0") << qint64(1024) << qint64(2048) << qint64(1000000) << qint64(0);
    QTest::newRow("equal to the size stays") << qint64(4000) << qint64(2000) << qint64(4000) << qint64(4000);
    QTest::newRow("tie past the size") << qint64(3072) << qint64(2048) << qint64(4000) << qint64(2048);
    QTest::newRow("beyond 32 bits") << qint64(5000000000) << MegaByte << qint64(6000000000) << qint64(4999610368);
}

void TestOffsets::alignRoundsAndFallsBack()
{
    QFETCH(qint64, value);
    QFETCH(qint64, unit);
    QFETCH(qint64, maxSize);
    QFETCH(qint64, aligned);
    QCOMPARE(AlignOffset(value, unit, maxSize), aligned);
}

void TestOffsets::offsetText_data()
{
    QTest::addColumn<qint64>("value");
    QTest::addColumn<qint64>("unit");
    QTest::addColumn<bool>("hex");
    QTest::addColumn<QString>("unitText");
    QTest::addColumn<QString>("text");
    QTest::newRow("5.5 MB") << qint64(5767168) << MegaByte << false << "MB" << "5.5 MB";
    QTest::newRow("5.8h MB") << qint64(5767168) << MegaByte << true << "MB" << "5.8h MB";
    QTest::newRow("0.5 MB") << qint64(524288) << MegaByte << false << "MB" << "0.5 MB";
    QTest::newRow("07 B") << qint64(7) << qint64(1) << false << "B" << "07 B";
    QTest::newRow("07h B") << qint64(7) << qint64(1) << true << "B" << "07h B";
    QTest::newRow("FFh B") << qint64(255) << qint64(1) << true << "B" << "FFh B";
    QTest::newRow("zero MB hex") << qint64(0) << MegaByte << true << "MB" << "0.0h MB";
    QTest::newRow("rounds up to a whole KB") << qint64(1023) << KiloByte << false << "KB" << "1.0 KB";
    QTest::newRow("tenth tie to even") << qint64(262144) << MegaByte << false << "MB" << "0.2 MB";
    QTest::newRow("sixteenth tie to even") << qint64(98304) << MegaByte << true << "MB" << "0.2h MB";
    QTest::newRow("5 GiB hex") << qint64(5368709120) << MegaByte << true << "MB" << "1400.0h MB";
}

void TestOffsets::offsetText()
{
    QFETCH(qint64, value);
    QFETCH(qint64, unit);
    QFETCH(bool, hex);
    QFETCH(QString, unitText);
    QFETCH(QString, text);
    QCOMPARE(OffsetText(value, unit, hex, unitText), text);
}

void TestOffsets::partsMenu()
{
    QCOMPARE(PartsMenuNumber("1 part"), 1);
    QCOMPARE(PartsMenuNumber("&9 parts"), 9);
    QCOMPARE(PartsMenuNumber("Teil 3"), 3);
    QCOMPARE(PartsMenuNumber("parts"), 0);

    QCOMPARE(PartsMenuLength(1, 1000), 1000);
    QCOMPARE(PartsMenuLength(2, 1000), 500);  // 500.5 goes to even
    QCOMPARE(PartsMenuLength(2, 1001), 501);
    QCOMPARE(PartsMenuLength(3, 1000), 334);
    QCOMPARE(PartsMenuLength(2, 9), 5);
    QCOMPARE(PartsMenuLength(2, 10737418240), 5368709120);
}

void TestOffsets::inputKindAndCaption()
{
    QCOMPARE(InputKindOf("/v/film.AVI"), InputKind::Avi);
    QCOMPARE(InputKindOf("/v/VTS_01_1.VOB"), InputKind::Mpeg);
    QCOMPARE(InputKindOf("/v/a.Mpeg"), InputKind::Mpeg);
    QCOMPARE(InputKindOf("/v/a.m1v"), InputKind::Other);
    QCOMPARE(InputKindOf("/v/a.mpeg4"), InputKind::Other);
    QCOMPARE(InputKindOf("vob"), InputKind::Other);

    QCOMPARE(FileTypeCaption(InputKind::Mpeg, 1), QString("DVD"));
    QCOMPARE(FileTypeCaption(InputKind::Mpeg, 2), QString("VCD"));
    QCOMPARE(FileTypeCaption(InputKind::Mpeg, 0), QString("MPG"));
    QCOMPARE(FileTypeCaption(InputKind::Other, 1), QString("???"));
}

QTEST_GUILESS_MAIN(TestOffsets)
#include "tst_offsets.moc"
