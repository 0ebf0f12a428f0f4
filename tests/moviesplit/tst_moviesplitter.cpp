#include "moviesplit/moviesplitter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kbx;

constexpr qint64 MB = 1048576;
constexpr qint64 Billion = 1000000000;

class TestMovieSplitter : public QObject
{
    Q_OBJECT
private slots:
    void classify_data();
    void classify();
    void openTakesSizeAndNames();
    void units();
    void segmentBytesView();
    void zeroLengthOrSizeShowsZero();
    void segmentsFor();
    void typedSize();
    void countToBytes();
    void durationToBytes();
    void unitChangeAndPresets();
};

void TestMovieSplitter::classify_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("label");
    QTest::newRow("vob") << "movie.VOB" << 0 << "DVD";
    QTest::newRow("avi") << "clip.avi" << 1 << "AVI";
    QTest::newRow("txt") << "notes.txt" << 2 << "???";
    QTest::newRow("dat") << "AVSEQ01.DAT" << 0 << "VCD";
    QTest::newRow("mpg") << "a.mpg" << 0 << "MPEG";
    QTest::newRow("m2v") << "a.M2V" << 0 << "MPEG";
    QTest::newRow("mpeg") << "a.b.mpeg" << 0 << "MPEG";
    QTest::newRow("no ext") << "movie" << 2 << "???";
    QTest::newRow("dot in folder") << "C:\\films.avi\\movie" << 2 << "???";
    QTest::newRow("dot in unix folder") << "/home/x.vob/movie" << 2 << "???";
    QTest::newRow("drive only") << "C:.avi" << 1 << "AVI";
    QTest::newRow("trailing dot") << "movie.avi." << 2 << "???";
    QTest::newRow("empty") << "" << 2 << "???";
}

void TestMovieSplitter::classify()
{
    QFETCH(QString, name);
    QFETCH(int, kind);
    QFETCH(QString, label);
    QString got;
    QCOMPARE(int(TMovieSplitter::Classify(name, &got)), kind);
    QCOMPARE(got, label);
}

void TestMovieSplitter::openTakesSizeAndNames()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString source = dir.filePath(QStringLiteral("movie.VOB"));
    QFile f(source);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(QByteArray(5000, 'x')), 5000);
    f.close();

    TMovieSplitter s;
    QCOMPARE(s.FormatLabel(), QStringLiteral("???"));
    QCOMPARE(s.Open(source, QStringLiteral("out?.vob")), MovieKind::Mpeg);
    QCOMPARE(s.FormatLabel(), QStringLiteral("DVD"));
    QCOMPARE(s.MovieSize(), 5000u);
    QCOMPARE(s.SourceName(), source);
    QCOMPARE(s.DestinationName(), QStringLiteral("out?.vob"));

    QCOMPARE(s.Open(dir.filePath(QStringLiteral("gone.avi")), QString()), MovieKind::Avi);
    QCOMPARE(s.MovieSize(), 0u);
    QCOMPARE(s.FormatLabel(), QStringLiteral("AVI"));
}

void TestMovieSplitter::units()
{
    QCOMPARE(UnitOfMode(0), 1);
    QCOMPARE(UnitOfMode(1), 1024);
    QCOMPARE(UnitOfMode(2), MB);
    QCOMPARE(UnitOfMode(-1), 1);
    QCOMPARE(UnitOfMode(7), MB);
    QCOMPARE(MovieLengthSeconds(90, 30), 5430);
    QCOMPARE(MovieLengthSeconds(-5, 0), 0);
}

void TestMovieSplitter::segmentBytesView()
{
    // A 1,000,000,000-byte movie of 90 minutes, whole in MByte: 953, the full length.
    SegmentView v = SegmentBytesView(Billion, Billion, MB, 5400);
    QCOMPARE(v.size, 953);
    QCOMPARE(v.minutes, 90);
    QCOMPARE(v.seconds, 0);
    // A third: 1800 s exactly.
    v = SegmentBytesView(Billion / 3, Billion, 1, 5400);
    QCOMPARE(v.size, Billion / 3);
    QCOMPARE(v.minutes, 30);
    QCOMPARE(v.seconds, 0);
    // Halves go to the even neighbour: 1 s × 1/2 is 0, 3 s × 1/2 is 2.
    QCOMPARE(SegmentBytesView(50, 100, 1, 1).seconds, 0);
    QCOMPARE(SegmentBytesView(50, 100, 1, 3).seconds, 2);
    QCOMPARE(SegmentBytesView(50, 100, 1, 5).seconds, 2);
    QCOMPARE(SegmentBytesView(50, 100, 1, 7).seconds, 4);
    // Beyond the minutes field: held at 999:59.
    v = SegmentBytesView(1000, 1, 1, 100000);
    QCOMPARE(v.minutes, 999);
    QCOMPARE(v.seconds, 59);
}

void TestMovieSplitter::zeroLengthOrSizeShowsZero()
{
    SegmentView v = SegmentBytesView(Billion, Billion, MB, 0);
    QCOMPARE(v.size, 953);
    QCOMPARE(v.minutes, 0);
    QCOMPARE(v.seconds, 0);
    v = SegmentBytesView(0, 0, MB, 5400);
    QCOMPARE(v.size, 0);
    QCOMPARE(v.minutes, 0);
    QCOMPARE(v.seconds, 0);
    QCOMPARE(BytesForDuration(10, 0, 0, Billion), 0);
    QCOMPARE(BytesForDuration(10, 0, 5400, 0), 0);
    QCOMPARE(SegmentsFor(Billion, 0), 1);
    QCOMPARE(SegmentsFor(0, 100), 1);
    QCOMPARE(BytesForCount(0, 3, MB), 0);
}

void TestMovieSplitter::segmentsFor()
{
    QCOMPARE(SegmentsFor(Billion, Billion), 1);
    QCOMPARE(SegmentsFor(Billion, Billion - 1), 2);
    QCOMPARE(SegmentsFor(Billion, 333447168), 3);
    QCOMPARE(SegmentsFor(Billion, Billion / 4), 4);
    QCOMPARE(SegmentsFor(Billion, 2 * Billion), 1);
    QCOMPARE(SegmentsFor(Billion, 1), 99); // the count field stops at 99
}

void TestMovieSplitter::typedSize()
{
    TypedSize t = SegmentSizeTyped(QStringLiteral("12a3"), Billion, MB);
    QCOMPARE(t.text, QStringLiteral("123"));
    QVERIFY(t.changed);
    QVERIFY(!t.reset);
    QCOMPARE(t.bytes, 123 * MB);

    t = SegmentSizeTyped(QStringLiteral("123"), Billion, MB);
    QVERIFY(!t.changed);

    // Larger than the movie: capped at the movie size in the unit.
    t = SegmentSizeTyped(QStringLiteral("5000"), Billion, MB);
    QCOMPARE(t.text, QStringLiteral("953"));
    QCOMPARE(t.bytes, 953 * MB);
    t = SegmentSizeTyped(QStringLiteral("99999999999999999999999999"), Billion, 1);
    QCOMPARE(t.text, QStringLiteral("1000000000"));

    // Zero is raised to one unit; no digits at all resets the field to "1".
    t = SegmentSizeTyped(QStringLiteral("0"), Billion, 1024);
    QCOMPARE(t.text, QStringLiteral("1"));
    QCOMPARE(t.bytes, 1024);
    t = SegmentSizeTyped(QStringLiteral("abc"), Billion, MB);
    QVERIFY(t.reset);
    QCOMPARE(t.text, QStringLiteral("1"));
    t = SegmentSizeTyped(QString(), Billion, MB);
    QVERIFY(t.reset);

    // A movie smaller than one unit still gives one unit.
    t = SegmentSizeTyped(QStringLiteral("7"), 1000, MB);
    QCOMPARE(t.text, QStringLiteral("1"));
    QCOMPARE(t.bytes, MB);
}

void TestMovieSplitter::countToBytes()
{
    const qint64 per = BytesForCount(Billion, 3, MB);
    QCOMPARE(per, 333447168);
    QCOMPARE(SegmentBytesView(per, Billion, MB, 5400).size, 318);
    QCOMPARE(BytesForCount(Billion, 3, 1), 333333333);
    QCOMPARE(BytesForCount(Billion, 1, MB), 954 * MB);
    QCOMPARE(BytesForCount(4 * MB, 2, MB), 2 * MB); // already whole
    QCOMPARE(BytesForCount(Billion, 0, 1), Billion); // a count below 1 counts as 1
    // Halves to even: 5 / 2 is 2, 7 / 2 is 4.
    QCOMPARE(BytesForCount(5, 2, 1), 2);
    QCOMPARE(BytesForCount(7, 2, 1), 4);
}

void TestMovieSplitter::durationToBytes()
{
    // Longer than the movie: capped at the movie length, one segment.
    qint64 b = BytesForDuration(120, 0, 5400, Billion);
    QCOMPARE(b, Billion);
    QCOMPARE(SegmentsFor(Billion, b), 1);
    b = BytesForDuration(30, 0, 5400, Billion);
    QCOMPARE(b, 333333333);
    QCOMPARE(SegmentsFor(Billion, b), 4);
    QCOMPARE(BytesForDuration(0, 1, 2, 5), 2); // 2.5 to even
    QCOMPARE(BytesForDuration(0, 0, 5400, Billion), 0);
    QCOMPARE(BytesForDuration(-3, 0, 5400, Billion), 0);
}

void TestMovieSplitter::unitChangeAndPresets()
{
    QCOMPARE(BytesForUnitChange(QStringLiteral("953"), MB), 953 * MB);
    QCOMPARE(BytesForUnitChange(QStringLiteral(""), MB), 0);
    QCOMPARE(BytesForUnitChange(QStringLiteral("99999999999999999999"), MB), std::numeric_limits<qint64>::max());
    QCOMPARE(SegmentBytesView(BytesForUnitChange(QStringLiteral("953"), MB), Billion, 1024, 5400).size, 975872);

    QCOMPARE(PresetNumber(QStringLiteral("702 MB [80 min CD-R]")), 702);
    QCOMPARE(PresetNumber(QStringLiteral("&4482 MB [DVD-R]")), 4482);
    QCOMPARE(PresetNumber(QStringLiteral("6&50 MB")), 650);
    QCOMPARE(PresetNumber(QStringLiteral("CD")), 0);
    QCOMPARE(BytesForPreset(QStringLiteral("702 MB [80 min CD-R]"), MB), 702 * MB);
    QCOMPARE(BytesForPreset(QStringLiteral("702 MB"), 1024), 702 * 1024);
}

QTEST_GUILESS_MAIN(TestMovieSplitter)
#include "tst_moviesplitter.moc"
