// The Edit page's logic: edit numbers and lists, masks, the folder listing and the patching of files
// the test writes itself.

#include "engine/hugefile.h"
#include "ifoedit/editlist.h"
#include "ifoedit/ifofiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <unistd.h>

using namespace kbx;

namespace {

// Bytes that differ from their neighbours, so a byte written one place off shows.
QByteArray patterned(qsizetype size)
{
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + 3) % 251);
    return bytes;
}

// A VOB start: two packs, a sequence header at `header` (none when negative) whose aspect byte is 0x23.
QByteArray vobBytes(qsizetype size, qsizetype header)
{
    QByteArray bytes = patterned(size);
    // The pattern must not hold a header of its own.
    for (qsizetype i = 0; i + 4 <= size; ++i) {
        if (bytes.mid(i, 4) == QByteArray("\x00\x00\x01\xB3", 4))
            bytes[i] = 'x';
    }
    if (header >= 0) {
        bytes.replace(header, 4, QByteArray("\x00\x00\x01\xB3", 4));
        bytes[header + 4] = char(0x2D);   // width 720 ...
        bytes[header + 5] = char(0x02);
        bytes[header + 6] = char(0x40);   // ... height 576
        bytes[header + 7] = char(0x23);   // 4:3, 25 fps
    }
    return bytes;
}

QString write(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return file.readAll();
}

QList<TEditEntry> edits(const TIFOAction &action)
{
    return ParseEditList(QLatin1String(action.edits)).entries;
}

const TIFOAction &bitrate() { return IFOActions()[0]; }
const TIFOAction &mpegAspect() { return IFOActions()[1]; }
const TIFOAction &ifoAspect() { return IFOActions()[2]; }

QStringList shownNames(const QList<TIFOListedFile> &files)
{
    QStringList names;
    for (const TIFOListedFile &file : files)
        names.append(file.shown);
    return names;
}

} // namespace

class TestIFOEdit : public QObject
{
    Q_OBJECT
private slots:
    void editNumbers_data();
    void editNumbers();
    void badEditNumbers_data();
    void badEditNumbers();
    void editLists();
    void badEditLists_data();
    void badEditLists();
    void actionTable();
    void masks();
    void listingWithAndWithoutBackups();
    void listingFindsAnyCase();
    void titleNumbers();
    void fullFileNames();
    void toggleMpegAspectTwice();
    void bitrateBytes();
    void headerMovedFollowsIt_data();
    void headerMovedFollowsIt();
    void noHeaderLeavesFileAlone_data();
    void noHeaderLeavesFileAlone();
    void shortFilesLeftAlone_data();
    void shortFilesLeftAlone();
    void ifoToggleAtByte512();
    void decimalEditAndValueWrap();
    void unopenableFilesThrow();
};

void TestIFOEdit::editNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("hex offset") << "$82B" << 2091;
    QTest::newRow("negative hex") << "-$10" << -16;
    QTest::newRow("leading zero") << "$0C" << 12;
    QTest::newRow("lower case") << " $0c " << 12;
    QTest::newRow("decimal") << "100" << 100;
    QTest::newRow("negative decimal") << "-5" << -5;
    QTest::newRow("plus sign") << "+7" << 7;
    QTest::newRow("other characters skipped") << "$1_0" << 16;
    QTest::newRow("only other characters") << "$xyz" << 0;
    QTest::newRow("no digits") << "$" << 0;
    QTest::newRow("many leading zeros") << "$00000000000012" << 18;
    QTest::newRow("largest hex") << "$7FFFFFFF" << std::numeric_limits<int>::max();
    QTest::newRow("smallest hex") << "-$80000000" << std::numeric_limits<int>::min();
    QTest::newRow("largest decimal") << "2147483647" << std::numeric_limits<int>::max();
    QTest::newRow("smallest decimal") << "-2147483648" << std::numeric_limits<int>::min();
}

void TestIFOEdit::editNumbers()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QString error;
    const auto parsed = ParseEditNumber(text, &error);
    QVERIFY2(parsed.has_value(), qPrintable(error));
    QCOMPARE(*parsed, value);
}

void TestIFOEdit::badEditNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("spaces") << "   ";
    QTest::newRow("minus only") << "-";
    QTest::newRow("letters after digits") << "12a";
    QTest::newRow("inner space") << "1 2";
    QTest::newRow("C hex") << "0x10";
    QTest::newRow("dollar later") << "1$2";
    QTest::newRow("hex too large") << "$80000000";
    QTest::newRow("hex past 32 bits") << "$100000000";
    QTest::newRow("decimal too large") << "2147483648";
    QTest::newRow("decimal too small") << "-2147483649";
    QTest::newRow("double minus of the smallest") << "--2147483648";
    QTest::newRow("very long") << QString(400, QLatin1Char('9'));
}

void TestIFOEdit::badEditNumbers()
{
    QFETCH(QString, text);
    QString error;
    QVERIFY(!ParseEditNumber(text, &error).has_value());
    QVERIFY(!error.isEmpty());
}

void TestIFOEdit::editLists()
{
    QCOMPARE(ParseEditList("$82B,-$10").entries, (QList<TEditEntry>{{2091, -16}}));
    QCOMPARE(ParseEditList(QLatin1String(bitrate().edits)).entries,
             (QList<TEditEntry>{{2092, 0x13}, {2093, 0x88}, {2094, 0x23}}));
    QCOMPARE(ParseEditList(QLatin1String(ifoAspect().edits)).entries, (QList<TEditEntry>{{512, -12}}));
    QCOMPARE(ParseEditList("100,5").entries, (QList<TEditEntry>{{100, 5}}));
    QCOMPARE(ParseEditList("100,5;").entries, (QList<TEditEntry>{{100, 5}}));
    QCOMPARE(ParseEditList(" 1 , 2 ; 3,-4 ;  ").entries, (QList<TEditEntry>{{1, 2}, {3, -4}}));
    const TEditList empty = ParseEditList("  ");
    QVERIFY(empty.ok());
    QVERIFY(empty.entries.isEmpty());
}

void TestIFOEdit::badEditLists_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("no comma") << "100";
    QTest::newRow("empty entry") << "1,2;;3,4";
    QTest::newRow("empty offset") << ",5";
    QTest::newRow("empty value") << "1,";
    QTest::newRow("bad offset") << "a,1";
    QTest::newRow("bad value in second entry") << "1,2;3,x";
    QTest::newRow("semicolon before comma") << "1;2,3";
    QTest::newRow("negative offset") << "-1,5";
    QTest::newRow("offset too large") << "$100000000,1";
}

void TestIFOEdit::badEditLists()
{
    QFETCH(QString, text);
    const TEditList list = ParseEditList(text);
    QVERIFY(!list.ok());
    QVERIFY(list.entries.isEmpty());
}

void TestIFOEdit::actionTable()
{
    // The MPEG edits belong to the header they expect; the IFO edit is a fixed offset.
    QCOMPARE(bitrate().anchor, qint64(2084));
    QCOMPARE(mpegAspect().anchor, qint64(2084));
    QCOMPARE(ifoAspect().anchor, qint64(-1));
    QCOMPARE(QLatin1String(mpegAspect().masks), QLatin1String("*.mpg;*.mpeg;*.vob"));
    QCOMPARE(QLatin1String(ifoAspect().masks), QLatin1String("*.ifo"));
}
void TestIFOEdit::masks()
{
    QVERIFY(MaskMatch("*.vob", "vts_01_1.vob"));
    QVERIFY(!MaskMatch("*.ifo", "video_ts.bup"));
    QVERIFY(MaskMatch("video_ts.ifo", "video_ts.ifo"));
    QVERIFY(!MaskMatch("video_ts.ifo", "video_ts.ifo2"));
    QVERIFY(MaskMatch("vts_*.vob", "vts_01_1.vob"));
    QVERIFY(!MaskMatch("vts_*.vob", "video_ts.vob"));
    QVERIFY(MaskMatch("*", ""));
    // Prefix and suffix may not share characters of the name.
    QVERIFY(!MaskMatch("ab*ba", "aba"));
    QVERIFY(MaskMatch("ab*ba", "abba"));
    QVERIFY(MatchesAnyMask(QLatin1String(mpegAspect().masks), "VTS_01_1.VOB"));
    QVERIFY(MatchesAnyMask(QLatin1String(mpegAspect().masks), "Clip.MPEG"));
    QVERIFY(!MatchesAnyMask(QLatin1String(mpegAspect().masks), "clip.mpeg.bak"));
    QVERIFY(!MatchesAnyMask(QLatin1String(mpegAspect().masks), "VTS_01_0.IFO"));
    QVERIFY(MatchesAnyMask(QLatin1String(ifoAspect().masks), "VTS_01_0.IFO"));
}

void TestIFOEdit::listingWithAndWithoutBackups()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const char *name : {"VTS_01_1.VOB", "VTS_01_0.BUP", "VTS_01_0.IFO", "VIDEO_TS.IFO", "notes.txt"})
        write(dir, QLatin1String(name), "x");
    QVERIFY(QDir(dir.path()).mkdir("FOLDER.VOB"));

    QCOMPARE(shownNames(ListIFOFolder(dir.path(), false)),
             (QStringList{"VIDEO_TS.IFO", "VTS_01_0.IFO", "VTS_01_1.VOB"}));
    QCOMPARE(shownNames(ListIFOFolder(dir.path() + "/", true)),
             (QStringList{"VIDEO_TS.IFO", "VTS_01_0.IFO", "VTS_01_0.BUP", "VTS_01_1.VOB"}));
    QVERIFY(ListIFOFolder(dir.filePath("missing"), true).isEmpty());
    QVERIFY(ListIFOFolder(QString(), true).isEmpty());
}

void TestIFOEdit::listingFindsAnyCase()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const char *name : {"vts_01_0.ifo", "Vts_01_0.Bup", "vts_01_1.vob", "b.mpeg", "a.Mpg", "c.m2v"})
        write(dir, QLatin1String(name), "x");
    const QList<TIFOListedFile> listed = ListIFOFolder(dir.path(), true);
    // IFO and BUP names as found, VOB and MPEG ones upper-cased, group by group.
    QCOMPARE(listed, (QList<TIFOListedFile>{{"vts_01_0.ifo", "vts_01_0.ifo"},
                                            {"Vts_01_0.Bup", "Vts_01_0.Bup"},
                                            {"VTS_01_1.VOB", "vts_01_1.vob"},
                                            {"A.MPG", "a.Mpg"},
                                            {"B.MPEG", "b.mpeg"}}));
}

void TestIFOEdit::titleNumbers()
{
    QCOMPARE(TitleNumbers({"VTS_01_1.VOB"}), QStringList{"01"});
    QCOMPARE(TitleNumbers({"VTS_02_1.VOB", "VTS_01_2.VOB", "VTS_01_1.VOB", "VTS_04_1.VOB"}),
             (QStringList{"01", "02"}));
    QVERIFY(TitleNumbers({"VTS_02_1.VOB", "VTS_01_0.VOB", "VIDEO_TS.IFO"}).isEmpty());
    QVERIFY(TitleNumbers({"vts_01_1.vob"}).isEmpty());
}

void TestIFOEdit::fullFileNames()
{
    QCOMPARE(FullFileName(QString(), "VTS_01_0.IFO"), QString("VTS_01_0.IFO"));
    QCOMPARE(FullFileName("/media/dvd", "VTS_01_0.IFO"), QString("/media/dvd/VTS_01_0.IFO"));
    QCOMPARE(FullFileName("/media/dvd/", "VTS_01_0.IFO"), QString("/media/dvd/VTS_01_0.IFO"));
    QCOMPARE(FullFileName("/media/dvd/sub/..", "x.vob"), QString("/media/dvd/x.vob"));
}

void TestIFOEdit::toggleMpegAspectTwice()
{
    QTemporaryDir dir;
    const QByteArray original = vobBytes(3 * 2048, SequenceHeaderOffset);
    const QString path = write(dir, "VTS_01_1.VOB", original);

    QCOMPARE(PatchFile(path, edits(mpegAspect()), mpegAspect().anchor).outcome, PatchOutcome::Patched);
    QByteArray expected = original;
    expected[2091] = char(0x33);
    QCOMPARE(read(path), expected);

    QCOMPARE(PatchFile(path, edits(mpegAspect()), mpegAspect().anchor).outcome, PatchOutcome::Patched);
    QCOMPARE(read(path), original);
}

void TestIFOEdit::bitrateBytes()
{
    QTemporaryDir dir;
    const QByteArray original = vobBytes(2 * 2048, SequenceHeaderOffset);
    const QString path = write(dir, "dvb.mpg", original);
    QByteArray expected = original;
    expected.replace(2092, 3, QByteArray("\x13\x88\x23", 3));
    for (int run = 0; run < 2; ++run) {
        QCOMPARE(PatchFile(path, edits(bitrate()), bitrate().anchor).outcome, PatchOutcome::Patched);
        QCOMPARE(read(path), expected);
    }
}

void TestIFOEdit::headerMovedFollowsIt_data()
{
    QTest::addColumn<int>("header");
    QTest::newRow("one byte later") << 2085;
    QTest::newRow("one byte earlier") << 2083;
    QTest::newRow("start of the second pack") << 2048;
    QTest::newRow("last place in the second pack") << 4092;
}

void TestIFOEdit::headerMovedFollowsIt()
{
    QFETCH(int, header);
    QTemporaryDir dir;
    const QByteArray original = vobBytes(3 * 2048, header);
    const QString path = write(dir, "VTS_01_1.VOB", original);
    const PatchResult result = PatchFile(path, edits(mpegAspect()), mpegAspect().anchor);
    QCOMPARE(result.outcome, PatchOutcome::Patched);
    QCOMPARE(result.shift, qint64(header - 2084));
    // Only the aspect byte of the header found changes: never its height byte at 2091.
    QByteArray expected = original;
    expected[header + 7] = char(0x33);
    QCOMPARE(read(path), expected);
}

void TestIFOEdit::noHeaderLeavesFileAlone_data()
{
    QTest::addColumn<int>("header");
    QTest::newRow("none at all") << -1;
    QTest::newRow("only in the first pack") << 36;
    QTest::newRow("across the end of the second pack") << 4094;
    QTest::newRow("in the third pack") << 4096 + 36;
}

void TestIFOEdit::noHeaderLeavesFileAlone()
{
    QFETCH(int, header);
    QTemporaryDir dir;
    const QByteArray original = vobBytes(3 * 2048, header);
    const QString path = write(dir, "VTS_01_1.VOB", original);
    for (const TIFOAction *action : {&bitrate(), &mpegAspect()})
        QCOMPARE(PatchFile(path, edits(*action), action->anchor).outcome, PatchOutcome::NoSequenceHeader);
    QCOMPARE(read(path), original);
}

void TestIFOEdit::shortFilesLeftAlone_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("action");
    QTest::addColumn<bool>("patched");
    QTest::newRow("empty") << 0 << 1 << false;
    QTest::newRow("one pack") << 2048 << 1 << false;
    QTest::newRow("ends inside the header") << 2087 << 1 << false;
    QTest::newRow("ends before the aspect byte") << 2091 << 1 << false;
    QTest::newRow("ends just after the aspect byte") << 2092 << 1 << true;
    QTest::newRow("bitrate: ends before its last byte") << 2094 << 0 << false;
    QTest::newRow("bitrate: ends just after it") << 2095 << 0 << true;
    QTest::newRow("IFO of 512 bytes") << 512 << 2 << false;
    QTest::newRow("IFO of 513 bytes") << 513 << 2 << true;
}

void TestIFOEdit::shortFilesLeftAlone()
{
    QFETCH(int, size);
    QFETCH(int, action);
    QFETCH(bool, patched);
    QTemporaryDir dir;
    const TIFOAction &a = IFOActions()[size_t(action)];
    const QByteArray full = vobBytes(3 * 2048, SequenceHeaderOffset);
    const QByteArray original = full.left(size);
    const QString path = write(dir, "short.vob", original);
    const PatchResult result = PatchFile(path, edits(a), a.anchor);
    QCOMPARE(result.outcome, patched ? PatchOutcome::Patched : PatchOutcome::TooShort);
    const QByteArray after = read(path);
    QCOMPARE(after.size(), original.size());
    QCOMPARE(after == original, !patched);
}

void TestIFOEdit::ifoToggleAtByte512()
{
    QTemporaryDir dir;
    // A header code in the file changes nothing: IFO edits are fixed offsets.
    QByteArray original = vobBytes(3 * 2048, 2085);
    original[512] = char(0x4D);
    const QString path = write(dir, "VTS_01_0.IFO", original);
    const PatchResult result = PatchFile(path, edits(ifoAspect()), ifoAspect().anchor);
    QCOMPARE(result.outcome, PatchOutcome::Patched);
    QCOMPARE(result.shift, qint64(0));
    QByteArray expected = original;
    expected[512] = char(0x41);
    QCOMPARE(read(path), expected);
}

void TestIFOEdit::decimalEditAndValueWrap()
{
    QTemporaryDir dir;
    const QByteArray original = patterned(300);
    const QString path = write(dir, "plain.bin", original);
    const TEditList list = ParseEditList("100,5;101,261;102,-256;103,-$1FF;299,0");
    QVERIFY2(list.ok(), qPrintable(list.error));
    QCOMPARE(PatchFile(path, list.entries, -1).outcome, PatchOutcome::Patched);
    QByteArray expected = original;
    expected[100] = 5;
    expected[101] = 5;                               // 261 mod 256
    expected[103] = char(original[103] ^ 0xFF);      // -$1FF toggles with $FF; -256 toggles nothing
    expected[299] = 0;
    QCOMPARE(read(path), expected);

    // One edit past the end keeps every edit from being made.
    const TEditList past = ParseEditList("0,1;300,1");
    QCOMPARE(PatchFile(path, past.entries, -1).outcome, PatchOutcome::TooShort);
    QCOMPARE(read(path), expected);
}

void TestIFOEdit::unopenableFilesThrow()
{
    QTemporaryDir dir;
    QVERIFY_THROWS_EXCEPTION(EQsHugeFile, PatchFile(dir.filePath("gone.ifo"), edits(ifoAspect()), -1));
    QVERIFY(!QFile::exists(dir.filePath("gone.ifo")));
    QVERIFY_THROWS_EXCEPTION(EQsHugeFile, PatchFile(dir.path(), edits(ifoAspect()), -1));

    if (::geteuid() == 0)
        QSKIP("file modes do not bind the superuser");
    const QByteArray original = patterned(1024);
    const QString path = write(dir, "locked.ifo", original);
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QVERIFY_THROWS_EXCEPTION(EQsHugeFile, PatchFile(path, edits(ifoAspect()), -1));
    QCOMPARE(read(path), original);
}

QTEST_GUILESS_MAIN(TestIFOEdit)
#include "tst_ifoedit.moc"
