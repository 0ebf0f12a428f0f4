#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "dvd/dvdnames.h"
#include "dvd/dvdscan.h"
#include "discfixtures.h"
#include "dvdfixtures.h"
#include "support/fakeplatform.h"

using namespace kbx;
using namespace dvdtest;

namespace {

constexpr qint64 GiB = qint64(1) << 30;
constexpr qint64 MiB = qint64(1) << 20;

} // namespace

class TestDvdScan : public QObject
{
    Q_OBJECT

private slots:
    void naming()
    {
        QCOMPARE(TitleNumberText(1), QStringLiteral("01"));
        QCOMPARE(TitleNumberText(12), QStringLiteral("12"));
        QCOMPARE(TitleNumberText(99), QStringLiteral("99"));
        QCOMPARE(TitleVobName(3, 0), QStringLiteral("VTS_03_0.VOB"));
        QCOMPARE(TitleVobName(12, 4), QStringLiteral("VTS_12_4.VOB"));
        QCOMPARE(TitleIfoName(1), QStringLiteral("VTS_01_0.IFO"));
        QCOMPARE(TitleBupName(1), QStringLiteral("VTS_01_0.BUP"));
    }

    void wildcards()
    {
        QVERIFY(WildcardMatch("vts_01*.vob", "VTS_01_1.VOB"));
        QVERIFY(WildcardMatch("vts_01_?.vob", "Vts_01_9.Vob"));
        QVERIFY(!WildcardMatch("vts_01_?.vob", "VTS_01_10.VOB"));
        QVERIFY(!WildcardMatch("vts_01*.vob", "VTS_02_1.VOB"));
        QVERIFY(!WildcardMatch("vts_01*.vob", "VTS_01_1.VOB.part"));
        // Regular-expression characters in a name are literal.
        QVERIFY(!WildcardMatch("a.b", "axb"));
        QVERIFY(WildcardMatch("*.*", "VIDEO_TS"));
    }

    void sumFileSizes()
    {
        QTemporaryDir dir;
        const QString d = dir.path();
        QVERIFY(WriteFile(d + "/VTS_01_1.VOB", QByteArray(1000, 'x')));
        QVERIFY(WriteFile(d + "/vts_01_2.vob", QByteArray(24, 'x')));
        QVERIFY(WriteFile(d + "/VTS_01_0.VOB", QByteArray(7, 'x')));
        QVERIFY(WriteFile(d + "/.hidden", QByteArray(3, 'x')));
        QVERIFY(WriteFile(d + "/NODOT", QByteArray(5, 'x')));
        QVERIFY(QDir(d).mkdir("VTS_01_9.VOB"));   // a folder never counts
        QCOMPARE(SumFileSizes(d, "vts_01_1.vob"), qint64(1000));
        QCOMPARE(SumFileSizes(d, "vts_01*.vob"), qint64(1031));
        QCOMPARE(SumFileSizes(d, "vts_01_0.vob"), qint64(7));
        QCOMPARE(SumFileSizes(d, "*.*"), qint64(1039));
        QCOMPARE(SumFileSizes(d, "vts_02*.vob"), qint64(0));
        QCOMPARE(SumFileSizes(d + "/missing", "*.*"), qint64(0));
        QCOMPARE(SumFileSizes(QString(), "*.*"), qint64(0));
        // Sizes beyond 32 bits add up in 64 bits.
        QVERIFY(WriteFile(d + "/VTS_01_3.VOB", QByteArray(), 5 * GiB));
        QCOMPARE(SumFileSizes(d, "vts_01*.vob"), 5 * GiB + 1031);

        QCOMPARE(FindEntryNoCase(d, "vts_01_1.vob"), d + "/VTS_01_1.VOB");
        QCOMPARE(FindEntryNoCase(d, "vts_01_0.VOB"), d + "/VTS_01_0.VOB");
        QCOMPARE(FindEntryNoCase(d, "vts_05_1.vob"), QString());
        QCOMPARE(WithTrailingSlash("/a/b//"), QStringLiteral("/a/b/"));
        QCOMPARE(WithTrailingSlash("/"), QStringLiteral("/"));
    }

    void probeDrive()
    {
        QTemporaryDir dir;
        const QString root = Canonical(dir);
        QVERIFY(WriteVob(root + "/disc/VIDEO_TS/VTS_01_1.VOB", 8192));
        QVERIFY(WriteVob(root + "/empty/video_ts/VTS_01_1.VOB", 0));
        QVERIFY(WriteVob(root + "/menu/VIDEO_TS/VTS_01_0.VOB", 8192));
        FakeVolumes volumes;
        Volume disc = AddDisc(volumes, root + "/disc");
        QCOMPARE(ProbeDrive(disc, false), root + "/disc/VIDEO_TS/");

        Volume hdd = disc;
        hdd.readOnly = false;
        hdd.bytesFree = 1;
        hdd.optical = false;
        QCOMPARE(ProbeDrive(hdd, false), QString());
        QCOMPARE(ProbeDrive(hdd, true), root + "/disc/VIDEO_TS/");
        // An optical drive counts as a disc even when it reports free space.
        hdd.optical = true;
        QCOMPARE(ProbeDrive(hdd, false), root + "/disc/VIDEO_TS/");

        Volume noSize = disc;
        noSize.bytesTotal = 0;
        QCOMPARE(ProbeDrive(noSize, true), QString());
        Volume empty = disc;
        empty.rootPath = root + "/empty";
        QCOMPARE(ProbeDrive(empty, true), QString());
        Volume menuOnly = disc;
        menuOnly.rootPath = root + "/menu";
        QCOMPARE(ProbeDrive(menuOnly, true), QString());
        Volume missing = disc;
        missing.rootPath = root + "/missing";
        QCOMPARE(ProbeDrive(missing, true), QString());
    }

    void locate()
    {
        QTemporaryDir dir;
        const QString root = Canonical(dir);
        QVERIFY(WriteVob(root + "/hdd/Movies/VIDEO_TS/VTS_01_1.VOB", 8192));
        QVERIFY(WriteVob(root + "/hdd/dotted.name/VIDEO_TS/vts_01_1.vob", 8192));
        QVERIFY(WriteVob(root + "/hdd/Movies/film.mpg", 8192));
        QVERIFY(QDir(root).mkpath("hdd/Other"));
        QVERIFY(WriteVob(root + "/disc/Video_TS/VTS_01_1.VOB", 8192));
        FakePlatform platform;
        Volume &hdd = platform.volumes.add(root + "/hdd", "ext4");
        hdd.bytesTotal = 1000 * GiB;

        // A folder on a hard disk is found through the location only.
        QCOMPARE(LocateDVD(QString(), true, false).dvdPath, QString());
        DvdLocation found = LocateDVD(root + "/hdd/Movies/VIDEO_TS", true, false);
        QCOMPARE(found.dvdPath, root + "/hdd/Movies/VIDEO_TS/");
        QVERIFY(!found.locationIsFile);
        QCOMPARE(LocateDVD(root + "/hdd/Movies/VIDEO_TS/", true, false).dvdPath, root + "/hdd/Movies/VIDEO_TS/");
        found = LocateDVD(root + "/hdd/dotted.name/VIDEO_TS", true, false);
        QCOMPARE(found.dvdPath, root + "/hdd/dotted.name/VIDEO_TS/");
        QVERIFY(!found.locationIsFile);
        QCOMPARE(LocateDVD(root + "/hdd/Movies/VIDEO_TS", false, false).dvdPath, QString());

        // A folder without VTS_01_1.VOB falls through to the volumes.
        QCOMPARE(LocateDVD(root + "/hdd/Other", true, false).dvdPath, QString());
        AddDisc(platform.volumes, root + "/disc");
        found = LocateDVD(root + "/hdd/Other", true, false);
        QCOMPARE(found.dvdPath, root + "/disc/Video_TS/");
        QVERIFY(!found.locationIsFile);

        // A file's folder is taken as it is; a file in a missing folder stays a file location.
        found = LocateDVD(root + "/hdd/Movies/film.mpg", true, false);
        QCOMPARE(found.dvdPath, root + "/hdd/Movies/");
        QVERIFY(found.locationIsFile);
        found = LocateDVD(root + "/nowhere/film.mpg", true, false);
        QCOMPARE(found.dvdPath, root + "/disc/Video_TS/");
        QVERIFY(found.locationIsFile);

        // A relative location never resolves against the current folder.
        found = LocateDVD("film.mpg", true, false);
        QCOMPARE(found.dvdPath, root + "/disc/Video_TS/");
        QVERIFY(found.locationIsFile);

        // With hard disks searched, the first volume in mount order wins.
        QVERIFY(WriteVob(root + "/hdd/VIDEO_TS/VTS_01_1.VOB", 8192));
        QCOMPARE(LocateDVD(QString(), true, false).dvdPath, root + "/disc/Video_TS/");
        QCOMPARE(LocateDVD(QString(), true, true).dvdPath, root + "/hdd/VIDEO_TS/");
    }

    void titleSizes()
    {
        QTemporaryDir dir;
        const QString root = Canonical(dir);
        const QString ts = root + "/VIDEO_TS";
        QVERIFY(WriteFile(ts + "/VIDEO_TS.IFO", QByteArray(12288, 'i')));
        QVERIFY(WriteFile(ts + "/VIDEO_TS.BUP", QByteArray(12288, 'b')));
        QVERIFY(WriteVob(ts + "/VTS_01_0.VOB", 65536));
        QVERIFY(WriteFile(ts + "/VTS_01_0.IFO", QByteArray(4096, 'i')));
        QVERIFY(WriteFile(ts + "/VTS_01_0.BUP", QByteArray(4096, 'b')));
        for (int part = 1; part <= 3; ++part) {
            QVERIFY(WriteVob(ts + QStringLiteral("/VTS_01_%1.VOB").arg(part), GiB));
            QVERIFY(WriteVob(ts + QStringLiteral("/vts_03_%1.vob").arg(part), GiB));
        }
        QVERIFY(WriteVob(ts + "/VTS_02_1.VOB", GiB / 2));
        FakePlatform platform;
        AddDisc(platform.volumes, root);

        DvdScanResult scan = ScanDVD({});
        QCOMPARE(scan.location.dvdPath, ts + "/");
        QCOMPARE(scan.probedFile, ts + "/VTS_01_1.VOB");
        QCOMPARE(int(scan.probe.MpegKind), int(MpegDvd));
        QVERIFY(!scan.readMessage);
        QVERIFY(scan.titlesReplaced);
        QCOMPARE(scan.titleItems, QStringList({"01", "02", "03"}));
        QCOMPARE(scan.titleSizes, QList<qint64>({3 * GiB, GiB / 2, 3 * GiB}));
        QCOMPARE(scan.largestTitle, 1);
        QCOMPARE(scan.selectedIndex(), 0);
        QCOMPARE(scan.status0, QStringLiteral("3 titles found"));
        QCOMPARE(scan.status1, QStringLiteral("DVD5 disc found in \"%1\".").arg(ts));
        QCOMPARE(scan.badge, DvdBadge::Dvd5);
        // Capacity counts every file: information files, backups and menus too.
        QVERIFY(scan.hasCapacity);
        QCOMPARE(scan.capacity, 6 * GiB + GiB / 2 + 65536 + 2 * 12288 + 2 * 4096);

        // The selected title's first part is the one probed.
        scan = ScanDVD({QString(), true, false, "02"});
        QCOMPARE(scan.probedFile, ts + "/VTS_02_1.VOB");
        QCOMPARE(int(scan.probe.MpegKind), int(MpegDvd));
    }

    void discTypes()
    {
        QTemporaryDir dir;
        const QString root = Canonical(dir);
        QVERIFY(WriteVob(root + "/VIDEO_TS/VTS_01_1.VOB", 8192));
        QVERIFY(WriteVob(root + "/VIDEO_TS/VTS_02_1.VOB", 16384));
        FakePlatform platform;
        Volume &disc = AddDisc(platform.volumes, root, Dvd9Threshold);
        DvdScanResult scan = ScanDVD({});
        QCOMPARE(scan.discType, QStringLiteral("DVD5"));
        QCOMPARE(scan.largestTitle, 2);
        QCOMPARE(scan.selectedIndex(), 1);
        disc.bytesTotal = Dvd9Threshold + 1;
        scan = ScanDVD({});
        QCOMPARE(scan.discType, QStringLiteral("DVD9"));
        QCOMPARE(scan.badge, DvdBadge::Dvd9);
        // A folder on a disk with free space, found through the location.
        disc.readOnly = false;
        disc.optical = false;
        disc.bytesFree = 1;
        const auto translate = [](const char *text) { return QStringLiteral("<%1>").arg(text); };
        scan = ScanDVD({root + "/VIDEO_TS"}, translate);
        QCOMPARE(scan.discType, QStringLiteral("<Unknown>"));
        QCOMPARE(scan.badge, DvdBadge::None);
        QCOMPARE(scan.status1, QStringLiteral("<Unknown> <disc found in> \"%1/VIDEO_TS\".").arg(root));
        QCOMPARE(scan.status0, QStringLiteral("2 <titles found>"));
    }

    void titleListEnds()
    {
        QTemporaryDir dir;
        const QString root = Canonical(dir);
        const QString ts = root + "/VIDEO_TS";
        QVERIFY(WriteVob(ts + "/VTS_01_1.VOB", 8192));
        QVERIFY(WriteVob(ts + "/VTS_02_0.VOB", 8192));   // a menu only: the list stops here
        QVERIFY(WriteVob(ts + "/VTS_03_1.VOB", 8192));
        FakePlatform platform;
        AddDisc(platform.volumes, root);
        const DvdScanResult scan = ScanDVD({});
        QCOMPARE(scan.titleItems, QStringList({"01"}));
        QCOMPARE(scan.titleSizes, QList<qint64>({8192}));
        QCOMPARE(scan.status0, QStringLiteral("1 titles found"));
    }

    void manyTitleSets()
    {
        QTemporaryDir dir;
        const QString root = Canonical(dir);
        for (int k = 1; k <= 40; ++k)
            QVERIFY(WriteVob(root + "/VIDEO_TS/" + TitleVobName(k, 1), 4096 + k));
        FakePlatform platform;
        AddDisc(platform.volumes, root);
        const DvdScanResult scan = ScanDVD({});
        QCOMPARE(scan.titleItems.size(), 40);
        QCOMPARE(scan.titleItems.last(), QStringLiteral("40"));
        QCOMPARE(scan.titleSizes.at(31), qint64(4096 + 32));
        QCOMPARE(scan.largestTitle, 40);
        QCOMPARE(scan.selectedIndex(), 39);
    }

    void fileMode_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("readMessage");
        QTest::newRow("dvd") << NavPack() + VideoPack(720, 576, 3, 3) << int(MpegDvd)
                             << QStringLiteral("DVD backup found as \"%1\".") << false;
        QTest::newRow("svcd") << Pack(PackHeader(), 2324) + Pack(PackHeader(), 2324) << int(MpegSvcd)
                              << QStringLiteral("SVCD video found as \"%1\".") << false;
        QTest::newRow("2324+8") << Pack(PackHeader(), 2332) + Pack(PackHeader(), 2332) << int(MpegNone)
                                << QStringLiteral("MPEG file read error!") << false;
        QTest::newRow("one header") << Pack(PackHeader(), 8192) << int(MpegNone)
                                    << QStringLiteral("MPEG file read error!") << false;
        QTest::newRow("truncated") << NavPack() + VideoPack(720, 576, 3, 3).left(2047) << int(MpegNone)
                                   << QStringLiteral("MPEG file read error!") << true;
        QTest::newRow("empty") << QByteArray() << int(MpegNone) << QStringLiteral("MPEG file read error!")
                               << true;
    }
    void fileMode()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, kind);
        QFETCH(QString, status);
        QFETCH(bool, readMessage);
        QTemporaryDir dir;
        const QString file = Canonical(dir) + "/Movies/film.mpg";
        QVERIFY(WriteFile(file, data));
        FakePlatform platform;
        const DvdScanResult scan = ScanDVD({file});
        QVERIFY(scan.location.locationIsFile);
        QCOMPARE(scan.location.dvdPath, Canonical(dir) + "/Movies/");
        QCOMPARE(scan.probedFile, file);
        QCOMPARE(int(scan.probe.MpegKind), kind);
        QCOMPARE(scan.readMessage, readMessage);
        QCOMPARE(scan.status1, status.contains("%1") ? status.arg(file) : status);
        if (kind == MpegNone) {
            QVERIFY(!scan.hasCapacity);
            QVERIFY(!scan.titlesReplaced);
            QVERIFY(scan.titleItems.isEmpty());
        } else {
            QVERIFY(scan.hasCapacity);
            QCOMPARE(scan.capacity, qint64(data.size()));
            QCOMPARE(scan.titleItems, QStringList({"01"}));
            QCOMPARE(scan.titleSizes, QList<qint64>({data.size()}));
            QCOMPARE(scan.selectedIndex(), 0);
            QCOMPARE(scan.status0, QString());
        }
    }

    void nothingFound()
    {
        QTemporaryDir dir;
        FakePlatform platform;
        AddDisc(platform.volumes, Canonical(dir));   // a disc without video data
        const DvdScanResult scan = ScanDVD({dir.path() + "/VIDEO_TS"});
        QCOMPARE(scan.status1, QStringLiteral("Please insert a DVD and retry!"));
        QCOMPARE(scan.probedFile, QString());
        QVERIFY(!scan.titlesReplaced);
        QVERIFY(!scan.hasCapacity);
        QVERIFY(!scan.readMessage);
    }

    void dvdReadError()
    {
        // The first part of title set 01 is too short to probe: an error, the titles stay as they were.
        QTemporaryDir dir;
        const QString root = Canonical(dir);
        QVERIFY(WriteFile(root + "/VIDEO_TS/VTS_01_1.VOB", NavPack()));
        FakePlatform platform;
        AddDisc(platform.volumes, root);
        const DvdScanResult scan = ScanDVD({});
        QVERIFY(scan.readMessage);
        QCOMPARE(scan.status1, QStringLiteral("MPEG file read error!"));
        QVERIFY(!scan.titlesReplaced);
        QVERIFY(!scan.hasCapacity);
        QCOMPARE(scan.status0, QString());
    }
};

QTEST_GUILESS_MAIN(TestDvdScan)
#include "tst_dvdscan.moc"
