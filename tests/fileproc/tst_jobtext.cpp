#include "fileproc/jobtext.h"
#include "fileproc/offsets.h"
#include "support/fakeplatform.h"

#include <QTest>

using namespace kbx;

Q_DECLARE_METATYPE(kbx::FileFunction)

namespace {

constexpr qint64 GiB = qint64(1) << 30;

// Records every lookup and marks the texts it returns.
struct RecordingTranslator
{
    QStringList lookups;
    TextLookup function()
    {
        return [this](const QString &text) {
            lookups << text;
            return text + QLatin1Char('*');
        };
    }
};

JobFacts sampleFacts()
{
    JobFacts facts;
    facts.input = "/rip/movie.vob";
    facts.output = "/out/clips??.vob";
    facts.start = 100;
    facts.end = 199;
    facts.length = 100;
    facts.total = 1000;
    facts.parts = 12;
    facts.entries = 3;
    return facts;
}

} // namespace

class TestJobText : public QObject
{
    Q_OBJECT
private slots:
    void partCountAndMask_data();
    void partCountAndMask();
    void startButton();
    void outputNameRule_data();
    void outputNameRule();
    void fourGiBQuestionOnlyForLargeMergesOnFat();
    void descriptions_data();
    void descriptions();
    void wordByWordTranslation();
    void missingParameters();
    void progressFigures();
    void progressTexts();
    void summaries();
    void summarySpeedIsTheMeasuredOne();
};

void TestJobText::partCountAndMask_data()
{
    QTest::addColumn<qint64>("maxSize");
    QTest::addColumn<qint64>("partLength");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<QString>("mask");
    QTest::newRow("exactly whole 10 GiB") << 10 * GiB << GiB << qint64(10) << "??";
    QTest::newRow("one byte more") << 10 * GiB + 1 << GiB << qint64(11) << "??";
    QTest::newRow("12 parts") << qint64(1150) << qint64(100) << qint64(12) << "??";
    QTest::newRow("smaller than a part") << qint64(5) << qint64(10) << qint64(1) << "?";
    QTest::newRow("10") << qint64(10) << qint64(1) << qint64(10) << "??";
    QTest::newRow("100") << qint64(100) << qint64(1) << qint64(100) << "???";
    QTest::newRow("999") << qint64(999) << qint64(1) << qint64(999) << "???";
    QTest::newRow("1000") << qint64(1000) << qint64(1) << qint64(1000) << "????";
    QTest::newRow("no input") << qint64(0) << qint64(1) << qint64(0) << "?";
    QTest::newRow("no length") << qint64(1000) << qint64(0) << qint64(0) << "?";
}

void TestJobText::partCountAndMask()
{
    QFETCH(qint64, maxSize);
    QFETCH(qint64, partLength);
    QFETCH(qint64, count);
    QFETCH(QString, mask);
    QCOMPARE(PartCount(maxSize, partLength), count);
    QCOMPARE(PartsMask(count), mask);
}

void TestJobText::startButton()
{
    QVERIFY(CanStart(FileFunction::Crc, "", "/v/a.vob", 0));
    QVERIFY(!CanStart(FileFunction::Crc, "", "", 0));
    QVERIFY(!CanStart(FileFunction::Clone, "", "/v/a.vob", 0));
    QVERIFY(CanStart(FileFunction::Clone, "/v/b.vob", "/v/a.vob", 0));
    QVERIFY(!CanStart(FileFunction::Split, "/v/b.vob", "/v/a.vob", 0));
    QVERIFY(CanStart(FileFunction::Split, "/v/b??.vob", "/v/a.vob", 0));
    QVERIFY(!CanStart(FileFunction::Merge, "/v/b.vob", "", 0));
    QVERIFY(CanStart(FileFunction::Merge, "/v/b.vob", "", 1));
    QVERIFY(!CanStart(FileFunction::MergeSplit, "/v/b.vob", "", 2));
    QVERIFY(CanStart(FileFunction::MergeSplit, "/v/b?.vob", "", 2));
}

void TestJobText::outputNameRule_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");
    QTest::addColumn<bool>("split");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("result");
    QTest::addColumn<int>("newCaret");
    const QString input = "/v/movie.vob";
    QTest::newRow("equal to input") << input << 12 << false << "?" << "/v/movie1.vob" << 11;
    QTest::newRow("marks removed, then equal") << "/v/movie??.vob" << 10 << false << "?" << "/v/movie1.vob" << 9;
    QTest::newRow("marks removed") << "/v/out??.vob" << 6 << false << "?" << "/v/out.vob" << 5;
    QTest::newRow("case differs: another file") << "/v/Movie.vob" << 3 << false << "?" << "/v/Movie.vob" << 3;
    QTest::newRow("empty stays") << "" << 0 << true << "??" << "" << 0;
    QTest::newRow("mask before the dot") << "/d/clips.vob" << 12 << true << "??" << "/d/clips??.vob" << 11;
    QTest::newRow("mask appended") << "/d/clips" << 0 << true << "???" << "/d/clips???" << 0;
    QTest::newRow("mask before first dot") << "/d/a.b.vob" << 5 << true << "?" << "/d/a?.b.vob" << 4;
    QTest::newRow("mask kept") << "/d/c?.vob" << 5 << true << "??" << "/d/c?.vob" << 5;
    QTest::newRow("dotted folder left alone") << "/home/u/my.videos/clips" << 20 << true << "??"
                                              << "/home/u/my.videos/clips??" << 19;
    QTest::newRow("dotted folder, named file") << "/home/u/my.videos/clips.vob" << 20 << true << "?"
                                               << "/home/u/my.videos/clips?.vob" << 19;
}

void TestJobText::outputNameRule()
{
    QFETCH(QString, text);
    QFETCH(int, caret);
    QFETCH(bool, split);
    QFETCH(QString, mask);
    QFETCH(QString, result);
    QFETCH(int, newCaret);
    const OutputNameResult r = ApplyOutputNameRule(text, caret, split, "/v/movie.vob", mask);
    QCOMPARE(r.text, result);
    QCOMPARE(r.caret, newCaret);
    QCOMPARE(r.changed, text != result);

    // Equal input names in dotted folders get the "1" in the file name.
    QCOMPARE(ApplyOutputNameRule("/a.b/movie", 3, false, "/a.b/movie", "?").text, QString("/a.b/movie1"));
    QCOMPARE(ApplyOutputNameRule("/a.b/m.x.vob", 3, false, "/a.b/m.x.vob", "?").text, QString("/a.b/m1.x.vob"));
}

void TestJobText::fourGiBQuestionOnlyForLargeMergesOnFat()
{
    FakePlatform platform;
    platform.volumes.add("/", "ext4");
    platform.volumes.add("/zz_kbx/stick", "vfat");
    const QString onFat = "/zz_kbx/stick/merged.vob";
    QVERIFY(NeedsFourGiBQuestion(FileFunction::Merge, onFat, 4294967296));
    QVERIFY(NeedsFourGiBQuestion(FileFunction::MergeSplit, onFat, 5 * GiB));
    QVERIFY(!NeedsFourGiBQuestion(FileFunction::Merge, onFat, 4294967295));
    QVERIFY(!NeedsFourGiBQuestion(FileFunction::Split, onFat, 5 * GiB));
    QVERIFY(!NeedsFourGiBQuestion(FileFunction::Merge, "/zz_kbx/merged.vob", 5 * GiB));
}

void TestJobText::descriptions_data()
{
    QTest::addColumn<FileFunction>("function");
    QTest::addColumn<QString>("text");
    QTest::newRow("truncate") << FileFunction::Truncate << "Truncate \"movie.vob\" at 199 B. ";
    QTest::newRow("clone") << FileFunction::Clone
                           << "Clone 100 B - 199 B from \"movie.vob\" to \"clips??.vob\" (length is 100 B).";
    QTest::newRow("split") << FileFunction::Split
                           << "Split \"movie.vob\" into 12 parts named \"clips??.vob\", each 100 B long.";
    QTest::newRow("merge") << FileFunction::Merge << "Merge 3 files into \"clips??.vob\" (length is 1000 B).";
    QTest::newRow("merge and split") << FileFunction::MergeSplit
                                     << "Merge 3 files (1000 B) and split into 12 parts named \"clips??.vob\", "
                                        "each 100 B long.";
    QTest::newRow("crc") << FileFunction::Crc << "Compute CRC checksum from file \"movie.vob\".";
}

void TestJobText::descriptions()
{
    QFETCH(FileFunction, function);
    QFETCH(QString, text);
    QCOMPARE(JobDescription(function, sampleFacts()), text);

    JobFacts inMegabytes = sampleFacts();
    inMegabytes.alignUnit = MegaByte;
    inMegabytes.unitText = "MB";
    inMegabytes.length = 5767168;
    inMegabytes.total = 5 * GiB;
    inMegabytes.hex = true;
    if (function == FileFunction::MergeSplit)
        QCOMPARE(JobDescription(function, inMegabytes),
                 QString("Merge 3 files (1400.0h MB) and split into 12 parts named \"clips??.vob\", each 5.8h MB long."));

    JobFacts single = sampleFacts();
    single.parts = 1;
    single.entries = 1;
    if (function == FileFunction::MergeSplit)
        QCOMPARE(JobDescription(function, single),
                 QString("Merge 1 file (1000 B) and split into 1 part named \"clips??.vob\", each 100 B long."));
}

void TestJobText::wordByWordTranslation()
{
    RecordingTranslator words;
    QCOMPARE(JobDescription(FileFunction::Truncate, sampleFacts(), words.function()),
             QString("Truncate* \"movie.vob\" at* 199 B. "));
    QCOMPARE(words.lookups, QStringList({"Truncate", "at"}));

    words.lookups.clear();
    JobDescription(FileFunction::Clone, sampleFacts(), words.function());
    QCOMPARE(words.lookups, QStringList({"Clone", "from", "to", "length is"}));

    RecordingTranslator whole;
    QCOMPARE(JobDescription(FileFunction::Crc, sampleFacts(), whole.function()),
             QString("Compute CRC checksum from file \"movie.vob\".*"));
    QCOMPARE(whole.lookups.size(), 1);
}

void TestJobText::missingParameters()
{
    QCOMPARE(MissingParametersText(FileFunction::MergeSplit),
             QString("Required parameters for merge&split: input files, output file name with wildcards (?), "
                     "part length"));
    RecordingTranslator tr;
    QCOMPARE(MissingParametersText(FileFunction::Crc, tr.function()),
             QString("Required parameters for CRC computation: input file name*"));
}

void TestJobText::progressFigures()
{
    JobCounters c;
    c.readerTotal = c.writerTotal = 1048576000;
    c.readerRemaining = 419430400;  // 600 MiB read
    c.writerRemaining = 734003200;  // 300 MiB written
    ProgressFigures p = ComputeProgress(FileFunction::Split, c, 100);
    QCOMPARE(p.read, 629145600);
    QCOMPARE(p.done, 314572800);
    QCOMPARE(p.mark, 450);
    QCOMPARE(p.percent, 45);
    QCOMPARE(p.elapsed, 33);
    QCOMPARE(p.left, 77);
    QCOMPARE(p.barWidth, 95);

    // A CRC-only job counts the checksum thread, not the idle writer.
    JobCounters crc;
    crc.readerTotal = crc.writerTotal = 1000;
    crc.readerRemaining = 0;
    crc.checksumRemaining = 500;
    crc.writerRemaining = 1000;
    QCOMPARE(ComputeProgress(FileFunction::Crc, crc, 1).mark, 750);
    QCOMPARE(ComputeProgress(FileFunction::Clone, crc, 1).mark, 500); // 500.5 goes to even

    // Nothing written yet counts as one byte; below 1 % no time is estimated.
    JobCounters start;
    start.readerTotal = start.writerTotal = 1000;
    start.readerRemaining = 999;
    start.writerRemaining = 1000;
    p = ComputeProgress(FileFunction::Split, start, 3);
    QCOMPARE(p.done, 1);
    QCOMPARE(p.mark, 1);
    QCOMPARE(p.percent, 0);
    QCOMPARE(p.left, 0);
    QCOMPARE(ReadBytes(JobCounters{}), 0);
}

void TestJobText::progressTexts()
{
    JobCounters c;
    c.readerTotal = c.writerTotal = 1048576000;
    c.readerRemaining = 419430400;
    c.writerRemaining = 734003200;
    c.fileIndex = 3;
    c.partNumber = 3;
    const ProgressFigures p = ComputeProgress(FileFunction::Split, c, 100);
    QCOMPARE(ProgressText(FileFunction::Split, c, p),
             QString("45% done, 2 files written, speed is 18.18 MB/s, 00:33 min passed, 01:17 min left"));
    QCOMPARE(ProgressText(FileFunction::Clone, c, p),
             QString("45% done, speed is 18.18 MB/s, 00:33 min passed, 01:17 min left"));
    RecordingTranslator tr;
    QCOMPARE(ProgressText(FileFunction::MergeSplit, c, p, tr.function()),
             QString("45% done*, 3 files read*, 2 files written*, speed is* 18.18 MB/s, 00:33 min passed*, "
                     "01:17 min left*"));
    QCOMPARE(CountersText(FileFunction::Merge, 3, 3), QString("3 files read"));
    QCOMPARE(CountersText(FileFunction::Crc, 3, 3), QString());
    // One of a kind is singular, in both languages.
    QCOMPARE(CountersText(FileFunction::MergeSplit, 1, 2), QString("1 file read, 1 file written"));

    QCOMPARE(InitializingText(), QString("Initializing..."));
    QCOMPARE(PausedText(), QString("Process paused..."));
    QCOMPARE(WorkingText(tr.function()), QString("Working*..."));
}

void TestJobText::summaries()
{
    using std::chrono::milliseconds;
    JobCounters c;
    c.readerTotal = 671500000;
    c.fileIndex = 3;
    c.partNumber = 3;
    QCOMPARE(SummaryText(FileFunction::MergeSplit, c, milliseconds(65010), true, 0x0A1B2C3D),
             QString("3 files read, 2 files written, completed in 01:05 min (9.85 MB/s), CRC32: 0A1B2C3D"));

    // The speed comes from the whole 64-bit length: 5 GiB, not its low 32 bits.
    JobCounters big;
    big.readerTotal = 5 * GiB;
    QCOMPARE(SummaryText(FileFunction::Clone, big, milliseconds(65010), false, 0),
             QString("completed in 01:05 min (78.75 MB/s)"));
    QCOMPARE(SummaryText(FileFunction::Crc, big, milliseconds(65010), true, 0x1A2B3C),
             QString("completed in 01:05 min (78.75 MB/s), CRC32: 001A2B3C"));
}

void TestJobText::summarySpeedIsTheMeasuredOne()
{
    using std::chrono::milliseconds;
    using std::chrono::nanoseconds;
    // 60 MB jobs that each ended within one 330 ms progress tick used to show the same 173.39 MB/s.
    JobCounters c;
    c.readerTotal = 60000000;
    QCOMPARE(SummaryText(FileFunction::Clone, c, milliseconds(100), false, 0),
             QString("completed in 00:00 min (572.20 MB/s)"));
    QCOMPARE(SummaryText(FileFunction::Clone, c, milliseconds(250), false, 0),
             QString("completed in 00:00 min (228.88 MB/s)"));
    QCOMPARE(SummaryText(FileFunction::Clone, c, milliseconds(1234), false, 0),
             QString("completed in 00:01 min (46.36 MB/s)"));
    // Whole seconds and hundredths, cut rather than rounded up.
    QCOMPARE(SummaryText(FileFunction::Clone, c, nanoseconds(59999999999), false, 0),
             QString("completed in 00:59 min (0.95 MB/s)"));
    QCOMPARE(WholeSeconds(milliseconds(3725999)), 3725);
    // A job too short to measure shows no speed rather than a division by zero.
    QCOMPARE(SummaryText(FileFunction::Clone, c, nanoseconds(0), false, 0),
             QString("completed in 00:00 min (0.00 MB/s)"));
}

QTEST_GUILESS_MAIN(TestJobText)
#include "tst_jobtext.moc"
