#include "dirlisting.h"
#include "fileproc/joinlist.h"
#include "ui/outputname.h"
#include "support/fakeplatform.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <limits>


using namespace kbx;

namespace {

bool writeBytes(const QString &path, qsizetype size)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(QByteArray(size, 'k')) == size;
}


} // namespace

class TestJoinList : public QObject
{
    Q_OBJECT
private slots:
    void entriesBuildAndParse();
    void sizesOfAllOrSelected();
    void hintText();
    void readableSizes();
    void defaultOutputName_data();
    void defaultOutputName();
    void folderWalkKeepsDirectoryOrder();
    void folderWalkOfNothing();
    void sortedOrderCountsNumbers();
};

void TestJoinList::entriesBuildAndParse()
{
    const QString entry = JoinEntryText("/video/movie.vob", 1073709056);
    QCOMPARE(entry, QString("\"/video/movie.vob\"=1073709056"));
    QCOMPARE(JoinEntryPath(entry), QString("/video/movie.vob"));
    QCOMPARE(JoinEntrySize(entry), 1073709056);

    const QString odd = JoinEntryText("/v/a=b \"c\".vob", -1);
    QCOMPARE(JoinEntryPath(odd), QString("/v/a=b \"c\".vob"));
    QCOMPARE(JoinEntrySize(odd), -1);

    QCOMPARE(JoinEntryPath("/v/plain.vob=100"), QString("/v/plain.vob"));
    QCOMPARE(JoinEntrySize("/v/plain.vob=100"), 100);
    QCOMPARE(JoinEntryPath("/v/no size.vob"), QString("/v/no size.vob"));
    QCOMPARE(JoinEntrySize("/v/no size.vob"), 0);
    QCOMPARE(JoinEntrySize("\"/v/x\"=abc"), 0);
    QCOMPARE(JoinEntrySize(JoinEntryText("/v/big", 5368709120)), 5368709120);
}

void TestJoinList::sizesOfAllOrSelected()
{
    const QStringList entries{JoinEntryText("/a", 100), JoinEntryText("/unreadable", -1),
                              JoinEntryText("/b", 2147483648)};
    int count = -1;
    QCOMPARE(JoinSizeOf(entries, {}, false, &count), 2147483747);
    QCOMPARE(count, 3);
    // The unreadable entry lowers the total by one.
    QCOMPARE(JoinSizeOf(entries.mid(0, 1) + entries.mid(2), {}, false) - 1, JoinSizeOf(entries, {}, false));

    QCOMPARE(JoinSizeOf(entries, {true, false}, true, &count), 100);
    QCOMPARE(count, 1);
    QCOMPARE(JoinSizeOf(entries, {false, false, false}, true, &count), 0);
    QCOMPARE(count, 0);
    QCOMPARE(JoinSizeOf(entries, {true, false, true}, true, &count), 2147483748);
    QCOMPARE(count, 2);
    QCOMPARE(JoinSizeOf({}, {}, false, &count), 0);
    QCOMPARE(count, 0);
}

void TestJoinList::hintText()
{
    const QStringList entries{JoinEntryText("/a", 1073741824), JoinEntryText("/b", 1073741824),
                              JoinEntryText("/c", 1572864), JoinEntryText("/d", 262144)};
    const QLocale c(QLocale::C);
    const QLocale german(QLocale::German, QLocale::Germany);
    QCOMPARE(JoinHintText(entries, {true, true}, c), QString("2147483648 Bytes (2048 MB) in 2 files selected"));
    QCOMPARE(JoinHintText(entries, {false, false, true}, german), QString("1572864 Bytes (1,5 MB) in 1 files selected"));
    QCOMPARE(JoinHintText(entries, {false, false, true}, c), QString("1572864 Bytes (1.5 MB) in 1 files selected"));
    // 2.5 tenths go to the even neighbour.
    QCOMPARE(JoinHintText(entries, {false, false, false, true}, c), QString("262144 Bytes (0.2 MB) in 1 files selected"));
    QCOMPARE(JoinHintText(entries, {}, c), QString("select files to compute their concatenated size"));
    const TextLookup tr = [](const QString &s) { return "[" + s + "]"; };
    QCOMPARE(JoinHintText(entries, {true}, c, tr), QString("1073741824 Bytes (1024 MB) in 1 [files selected]"));
    QCOMPARE(JoinHintText(entries, {}, c, tr), QString("[select files to compute their concatenated size]"));
}

void TestJoinList::readableSizes()
{
    const QLocale c(QLocale::C);
    const QLocale german(QLocale::German, QLocale::Germany);
    QCOMPARE(ReadableSizeText(0, c), QString("0 B"));
    QCOMPARE(ReadableSizeText(1023, c), QString("1023 B"));
    QCOMPARE(ReadableSizeText(1024, c), QString("1 KB"));
    QCOMPARE(ReadableSizeText(1536, german), QString("1,5 KB"));
    // The unit follows the rounded value: just below 1 MiB is "1 MB", not "1024 KB".
    QCOMPARE(ReadableSizeText(1048575, c), QString("1 MB"));
    QCOMPARE(ReadableSizeText(1048575 - 52, c), QString("1023.9 KB"));
    QCOMPARE(ReadableSizeText(1503238553, c), QString("1.4 GB"));
    QCOMPARE(ReadableSizeText(qint64(4700000000), german), QString("4,4 GB"));
    QCOMPARE(ReadableSizeText(std::numeric_limits<qint64>::max(), c), QString("8 EB"));
    QCOMPARE(ReadableSizeText(-1, c), QString());

    QCOMPARE(JoinEntryCaption(JoinEntryText("/dvd/VIDEO_TS/VTS_01_1.VOB", 1073709056), c),
             QString::fromUtf8("VTS_01_1.VOB \u2014 1 GB"));
    QCOMPARE(JoinEntryCaption(JoinEntryText("/v/a=b.vob", -1), c,
                              [](const QString &text) { return text + '*'; }),
             QString::fromUtf8("a=b.vob \u2014 unreadable*"));
}

void TestJoinList::defaultOutputName_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("videos");
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("result");
    const QString videos = "/home/u/Videos";
    const QString home = "/home/u";
    QTest::newRow("empty output") << "" << "/rip/movie.vob" << videos << home << "/rip/KBX_movie.vob";
    QTest::newRow("other output folder") << "/out/x.vob" << "/rip/movie.vob" << videos << home << "/out/movie.vob";
    QTest::newRow("output in input's folder") << "/rip/x.vob" << "/rip/movie.vob" << videos << home
                                              << "/rip/KBX_movie.vob";
    QTest::newRow("whole entry line") << "" << "\"/rip/movie.vob\"=1234" << videos << home << "/rip/KBX_movie.vob";
    QTest::newRow("dotted folder") << "" << "/r.i.p/movie.vob" << videos << home << "/r.i.p/KBX_movie.vob";
    QTest::newRow("optical input") << "" << "/media/cdrom/VIDEO_TS/VTS_01_1.VOB" << videos << home
                                   << "/home/u/Videos/VTS_01_1.VOB";
    QTest::newRow("optical, folder with slash") << "" << "/media/cdrom/a.vob" << videos + "/" << home
                                                << "/home/u/Videos/a.vob";
    QTest::newRow("optical output") << "/media/cdrom/x.vob" << "/rip/movie.vob" << videos << home
                                    << "/home/u/Videos/movie.vob";
    QTest::newRow("optical, no videos folder") << "" << "/media/cdrom/a.vob" << "" << home << "/home/u/a.vob";
    QTest::newRow("optical, no folders") << "" << "/media/cdrom/a.vob" << "" << "" << "/a.vob";
    QTest::newRow("bare name") << "" << "movie.vob" << videos << home << "KBX_movie.vob";
}

void TestJoinList::defaultOutputName()
{
    QFETCH(QString, output);
    QFETCH(QString, input);
    QFETCH(QString, videos);
    QFETCH(QString, home);
    QFETCH(QString, result);
    FakePlatform platform;
    platform.volumes.add("/", "ext4", "/dev/sda1");
    platform.volumes.add("/media/cdrom", "iso9660", "/dev/sr0");
    platform.folders.set(UserFolder::Videos, videos);
    platform.folders.set(UserFolder::Home, home);
    QCOMPARE(DefaultOutputName(output, input), result);
}

void TestJoinList::folderWalkKeepsDirectoryOrder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString root = dir.path() + "/rip";
    QVERIFY(QDir().mkpath(root + "/sub/deeper"));
    QVERIFY(QDir().mkpath(root + "/empty"));
    QVERIFY(QDir().mkpath(root + "/b-sub"));
    QVERIFY(writeBytes(root + "/a.vob", 3));
    QVERIFY(writeBytes(root + "/z.vob", 2));
    QVERIFY(writeBytes(root + "/.hidden", 1));
    QVERIFY(writeBytes(root + "/sub/b.vob", 5));
    QVERIFY(writeBytes(root + "/sub/deeper/c.vob", 0));
    QVERIFY(writeBytes(root + "/b-sub/d.vob", 7));
    QVERIFY(QFile::link(root + "/gone.vob", root + "/dangling.vob"));
    QVERIFY(QFile::link(root + "/sub", root + "/linked-folder"));
    QCOMPARE(::mkfifo(QFile::encodeName(root + "/pipe").constData(), 0600), 0);

    const QString currentBefore = QDir::currentPath();
    const QList<FolderFile> files = CollectFolderFiles(root);
    QCOMPARE(QDir::currentPath(), currentBefore);

    QStringList expected;
    listLikeTheFileSystem(root, expected);
    QCOMPARE(expected.size(), 8);
    QStringList paths;
    QStringList entries;
    for (const FolderFile &file : files) {
        paths << file.path;
        entries << JoinEntryText(file.path, file.size);
    }
    QCOMPARE(paths, expected);

    const QHash<QString, qint64> sizes{{"/a.vob", 3}, {"/z.vob", 2}, {"/.hidden", 1}, {"/sub/b.vob", 5},
                                       {"/sub/deeper/c.vob", 0}, {"/b-sub/d.vob", 7}, {"/dangling.vob", -1},
                                       {"/pipe", -1}};
    for (const FolderFile &file : files) {
        const QString relative = file.path.mid(root.size());
        QVERIFY2(sizes.contains(relative), qPrintable(relative));
        QCOMPARE(file.size, sizes.value(relative));
    }
    QCOMPARE(JoinSizeOf(entries, {}, false), 3 + 2 + 1 + 5 + 0 + 7 - 1 - 1);
}

void TestJoinList::folderWalkOfNothing()
{
    QTemporaryDir dir;
    QVERIFY(CollectFolderFiles(QString()).isEmpty());
    QVERIFY(CollectFolderFiles(dir.path() + "/missing").isEmpty());
    QVERIFY(writeBytes(dir.path() + "/file.vob", 4));
    // A file given as the folder lists nothing: only folders are walked.
    QVERIFY(CollectFolderFiles(dir.path() + "/file.vob").isEmpty());
}

void TestJoinList::sortedOrderCountsNumbers()
{
    // The parts of a title arrive in any order; merged alphabetically, part 10 would land before 2.
    QStringList entries{JoinEntryText("/d/VTS_01_10.VOB", 1), JoinEntryText("/d/VTS_01_2.VOB", 1),
                        JoinEntryText("/d/VTS_01_1.VOB", 1), JoinEntryText("/d/VTS_01_9.VOB", 1)};
    std::sort(entries.begin(), entries.end(), JoinEntryLess);
    QCOMPARE(entries, QStringList({JoinEntryText("/d/VTS_01_1.VOB", 1), JoinEntryText("/d/VTS_01_2.VOB", 1),
                                   JoinEntryText("/d/VTS_01_9.VOB", 1), JoinEntryText("/d/VTS_01_10.VOB", 1)}));
    // Zero-padded parts keep their order; the same value with more zeros comes after.
    QVERIFY(JoinEntryLess("film.009", "film.010"));
    QVERIFY(JoinEntryLess("a7", "a007"));
    QVERIFY(!JoinEntryLess("a007", "a7"));
    // Text still compares as text, and a prefix comes first.
    QVERIFY(JoinEntryLess("B1", "a1"));
    QVERIFY(JoinEntryLess("part", "part1"));
    QVERIFY(!JoinEntryLess("x", "x"));
    // Runs longer than any integer type compare by their digits.
    QVERIFY(JoinEntryLess("n99999999999999999999999", "n100000000000000000000000"));
}

QTEST_GUILESS_MAIN(TestJoinList)
#include "tst_joinlist.moc"
