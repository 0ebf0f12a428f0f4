#include "support/fakeplatform.h"
#include "platform/jobactivity.h"
#include "platform/systempower.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace kbx;

class TestPlatform : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void mountTableDecodesEscapesInOrder();
    void sortFollowsMountTable();
    void volumeForTakesLongestRootAtFolderBoundary_data();
    void volumeForTakesLongestRootAtFolderBoundary();
    void volumeForResolvesLinksOfExistingFolders();
    void fourGiBLimitOnlyForFatFamily_data();
    void fourGiBLimitOnlyForFatFamily();
    void opticalByFileSystemOrDevice();
    void systemVolumesHoldTheRoot();
    void systemUserFoldersUnsetWhenMissing();
    void fakesInstallAndRestore();
    void scopedInstallsRestoreWhatWasBefore();
    void fakeShellRecordsAndAnswersFromQueue();
    void documentUrlKeepsNamesIntact();
    void powerUnderTestReachesNoBus();
    void desktopToolIsFirstInstalledCandidate();
    void jobActivityHoldsInhibitorAndReportsProgress();
    void jobActivityNotifiesOnlyLongJobsInBackground();
};

void TestPlatform::cleanup()
{
    Volumes::install(nullptr);
    UserFolders::install(nullptr);
    Shell::install(nullptr);
    Power::install(nullptr);
    Desktop::install(nullptr);
    JobActivity::setProgressListener(nullptr);
    JobActivity::setActiveQuery(nullptr);
}

void TestPlatform::mountTableDecodesEscapesInOrder()
{
    const QByteArray table = "sysfs /sys sysfs rw 0 0\n"
                             "/dev/sda1 / ext4 rw,relatime 0 0\n"
                             "/dev/sdb1 /media/My\\040Stick vfat rw 0 0\n"
                             "/dev/sr0 /media/cd\\134rom iso9660 ro 0 0\n"
                             "broken\n"
                             "\n"
                             "/dev/sdc1 /mnt/x\\04 ext4 rw 0 0\n";
    const QStringList expected{"/sys", "/", "/media/My Stick", "/media/cd\\rom", "/mnt/x\\04"};
    QCOMPARE(MountTablePoints(table), expected);
}

void TestPlatform::sortFollowsMountTable()
{
    FakeVolumes fake;
    fake.add("/media/cd", "iso9660");
    fake.add("/unknown", "ext4");
    fake.add("/", "ext4");
    fake.add("/home", "xfs");
    QList<Volume> volumes = fake.volumes;
    SortByMountTable(volumes, {"/", "/home", "/media/cd"});
    QStringList roots;
    for (const Volume &v : volumes)
        roots << v.rootPath;
    QCOMPARE(roots, QStringList({"/", "/home", "/media/cd", "/unknown"}));

    QList<Volume> unchanged = fake.volumes;
    SortByMountTable(unchanged, {});
    QCOMPARE(unchanged.first().rootPath, QString("/media/cd"));
}

void TestPlatform::volumeForTakesLongestRootAtFolderBoundary_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("root");
    QTest::addColumn<QString>("type");
    QTest::newRow("root") << "/zz_kbx/file.vob" << "/" << "ext4";
    QTest::newRow("nested mount") << "/zz_kbx/mnt/stick/a/b.vob" << "/zz_kbx/mnt/stick" << "vfat";
    QTest::newRow("mount point itself") << "/zz_kbx/mnt/stick" << "/zz_kbx/mnt/stick" << "vfat";
    QTest::newRow("name sharing a prefix") << "/zz_kbx/mnt/stickers/x" << "/zz_kbx/mnt" << "xfs";
    QTest::newRow("root given with slash") << "/zz_kbx/cd/VIDEO_TS/VTS_01_1.VOB" << "/zz_kbx/cd" << "udf";
    QTest::newRow("dots cleaned") << "/zz_kbx/mnt/stick/../other/x" << "/zz_kbx/mnt" << "xfs";
    QTest::newRow("stacked: later mount wins") << "/zz_kbx/stack/x" << "/zz_kbx/stack" << "btrfs";
}

void TestPlatform::volumeForTakesLongestRootAtFolderBoundary()
{
    QFETCH(QString, path);
    QFETCH(QString, root);
    QFETCH(QString, type);
    FakeVolumes fake;
    fake.add("/", "ext4");
    fake.add("/zz_kbx/mnt", "xfs");
    fake.add("/zz_kbx/mnt/stick", "vfat");
    fake.add("/zz_kbx/cd/", "udf");
    fake.add("/zz_kbx/stack", "ext4");
    fake.add("/zz_kbx/stack", "btrfs");
    Volumes::install(&fake);

    const std::optional<Volume> volume = VolumeFor(path);
    QVERIFY(volume);
    QCOMPARE(volume->rootPath, root);
    QCOMPARE(volume->fileSystemType, type);
}

void TestPlatform::volumeForResolvesLinksOfExistingFolders()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString target = QDir(dir.path()).canonicalPath() + "/stick";
    QVERIFY(QDir().mkpath(target));
    QVERIFY(QFile::link(target, dir.path() + "/link"));

    FakeVolumes fake;
    fake.add("/", "ext4");
    fake.add(target, "vfat");
    Volumes::install(&fake);

    // The output does not exist yet; its folder is a link onto the FAT volume.
    const QString output = dir.path() + "/link/new/out.vob";
    QVERIFY(VolumeFor(output));
    QCOMPARE(VolumeFor(output)->rootPath, target);
    QVERIFY(HasFourGiBLimit(output));
    QVERIFY(!HasFourGiBLimit(dir.path() + "/out.vob"));

    FakeVolumes none;
    Volumes::install(&none);
    QVERIFY(!VolumeFor(output));
    QVERIFY(!VolumeFor(QString()));
    QVERIFY(!HasFourGiBLimit(output));
    QVERIFY(!IsOptical(output));
}

void TestPlatform::fourGiBLimitOnlyForFatFamily_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("limited");
    QTest::newRow("vfat") << "vfat" << true;
    QTest::newRow("msdos") << "msdos" << true;
    QTest::newRow("umsdos") << "umsdos" << true;
    QTest::newRow("upper case") << "VFAT" << true;
    QTest::newRow("exfat has no limit") << "exfat" << false;
    QTest::newRow("ext4") << "ext4" << false;
}

void TestPlatform::fourGiBLimitOnlyForFatFamily()
{
    QFETCH(QString, type);
    QFETCH(bool, limited);
    FakeVolumes fake;
    fake.add("/", "ext4");
    fake.add("/zz_kbx/out", type);
    Volumes::install(&fake);
    QCOMPARE(HasFourGiBLimit("/zz_kbx/out/merged.vob"), limited);
    QVERIFY(!HasFourGiBLimit("/zz_kbx/merged.vob"));
}

void TestPlatform::opticalByFileSystemOrDevice()
{
    QVERIFY(IsOpticalVolume("/dev/sdb1", "iso9660"));
    QVERIFY(IsOpticalVolume("", "UDF"));
    QVERIFY(IsOpticalVolume("/dev/sr0", "auto"));
    QVERIFY(!IsOpticalVolume("/dev/sda1", "ext4"));

    FakeVolumes fake;
    fake.add("/", "ext4", "/dev/sda1");
    fake.add("/media/cdrom", "iso9660", "/dev/sr0");
    Volumes::install(&fake);
    QVERIFY(IsOptical("/media/cdrom/VIDEO_TS/VTS_01_1.VOB"));
    QVERIFY(!IsOptical("/media/cdrom2/x"));
}

void TestPlatform::systemVolumesHoldTheRoot()
{
    QTemporaryDir dir;
    const std::optional<Volume> volume = VolumeFor(dir.path());
    QVERIFY(volume);
    QVERIFY(dir.path().startsWith(volume->rootPath) || volume->rootPath == "/");
    QVERIFY(volume->bytesTotal > 0);
    QVERIFY(!Volumes::instance().mountedVolumes().isEmpty());
}

void TestPlatform::systemUserFoldersUnsetWhenMissing()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + "/config"));
    qunsetenv("XDG_DATA_HOME");

    SystemUserFolders folders;
    const QString videos = folders.path(UserFolder::Videos);
    const QString desktop = folders.path(UserFolder::Desktop);
    const QString applications = folders.path(UserFolder::Applications);
    const QString homeFolder = folders.path(UserFolder::Home);
    QVERIFY(QDir().mkpath(home.path() + "/Videos"));
    const QString videosAfter = folders.path(UserFolder::Videos);

    qputenv("HOME", oldHome);
    if (oldConfig.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", oldConfig);
    if (!oldData.isNull())
        qputenv("XDG_DATA_HOME", oldData);

    QCOMPARE(homeFolder, home.path());
    QCOMPARE(videos, QString());
    QCOMPARE(desktop, QString());
    QCOMPARE(videosAfter, home.path() + "/Videos");
    // The menu folder is given before it exists: the first shortcut creates it.
    QVERIFY(applications.startsWith(home.path()));
}

void TestPlatform::fakesInstallAndRestore()
{
    Volumes *systemVolumes = &Volumes::instance();
    {
        FakePlatform platform;
        QCOMPARE(&Volumes::instance(), static_cast<Volumes *>(&platform.volumes));
        QCOMPARE(&UserFolders::instance(), static_cast<UserFolders *>(&platform.folders));
        QCOMPARE(&Shell::instance(), static_cast<Shell *>(&platform.shell));
        QCOMPARE(&Power::instance(), static_cast<Power *>(&platform.power));
        platform.folders.set(UserFolder::Videos, "/tmp/v");
        QCOMPARE(UserFolderPath(UserFolder::Videos), QString("/tmp/v"));
        QCOMPARE(UserFolderPath(UserFolder::Home), QString());
    }
    QCOMPARE(&Volumes::instance(), systemVolumes);
    QVERIFY(dynamic_cast<SystemUserFolders *>(&UserFolders::instance()));
    QVERIFY(dynamic_cast<SystemShell *>(&Shell::instance()));
    QVERIFY(dynamic_cast<SystemPower *>(&Power::instance()));
}

void TestPlatform::scopedInstallsRestoreWhatWasBefore()
{
    FakeShell outer, inner;
    Shell *system = &Shell::instance();
    {
        ScopedInstall<Shell> first(&outer);
        {
            ScopedInstall<Shell> second(&inner);
            QCOMPARE(&Shell::instance(), static_cast<Shell *>(&inner));
            // A guard for nothing shows the system's, and gives the stand-in back afterwards.
            ScopedInstall<Shell> none(nullptr);
            QCOMPARE(&Shell::instance(), system);
        }
        QCOMPARE(&Shell::instance(), static_cast<Shell *>(&outer));
        // Each seam keeps its own stand-in.
        QVERIFY(dynamic_cast<SystemVolumes *>(&Volumes::instance()));
    }
    QCOMPARE(&Shell::instance(), system);
}

void TestPlatform::fakeShellRecordsAndAnswersFromQueue()
{
    FakePlatform platform;
    platform.shell.answers << false << true;
    QVERIFY(!Shell::instance().startProgram("kcalc", {}));
    QVERIFY(OpenDocumentTarget("https://example.org/a?b=1"));
    platform.shell.defaultAnswer = false;
    QVERIFY(!Shell::instance().startProgram("xdg-open", {"a b.txt", "x\";rm -rf ~"}));
    QVERIFY(!OpenDocumentTarget(QString()));

    QCOMPARE(platform.shell.calls.size(), 3);
    QCOMPARE(platform.shell.calls.at(0).program, QString("kcalc"));
    QCOMPARE(platform.shell.calls.at(1).url, QUrl("https://example.org/a?b=1"));
    QCOMPARE(platform.shell.calls.at(2).arguments, QStringList({"a b.txt", "x\";rm -rf ~"}));
}

void TestPlatform::documentUrlKeepsNamesIntact()
{
    QCOMPARE(DocumentUrl("mailto:someone@example.org").scheme(), QString("mailto"));
    QCOMPARE(DocumentUrl("/data/my film; \"x\".html"), QUrl::fromLocalFile("/data/my film; \"x\".html"));
    QCOMPARE(DocumentUrl("/data/50%.html").toLocalFile(), QString("/data/50%.html"));
    // One letter before a colon is a drive, not a scheme.
    QVERIFY(DocumentUrl("C:/x.html").isLocalFile());
    QCOMPARE(DocumentUrl("file_id.diz"), QUrl::fromLocalFile(QDir::current().absoluteFilePath("file_id.diz")));
}

void TestPlatform::powerUnderTestReachesNoBus()
{
    // Without a private bus declared, the system's power answers at once with a refusal, and an
    // inhibitor is a token that holds nothing.
    QStandardPaths::setTestModeEnabled(true);
    qunsetenv("KINBOX_PRIVATE_BUSES");
    QVERIFY(!MessageBusAllowed(true));
    QVERIFY(!MessageBusAllowed(false));
    SystemPower power;
    QStringList answers;
    power.forcedShutdown([&](const QString &refusal) { answers << refusal; });
    power.shutdown([&](const QString &refusal) { answers << refusal; });
    QCOMPARE(answers.size(), 2);
    QVERIFY(answers.at(0).contains("under test"));
    const quint64 first = power.inhibitSleep("copy"), second = power.inhibitSleep("copy");
    QVERIFY(first != second);
    QCOMPARE(power.sleepDescriptor(first), -1);
    power.releaseSleep(first);
    power.releaseSleep(first);
}

void TestPlatform::desktopToolIsFirstInstalledCandidate()
{
    FakePlatform platform;
    QCOMPARE(FindDesktopTool(DesktopTool::Calculator), QString());
    platform.shell.installed = {"xcalc", "kcalc"};
    QCOMPARE(FindDesktopTool(DesktopTool::Calculator), QString("/usr/bin/kcalc"));
    QCOMPARE(FindDesktopTool(DesktopTool::MediaPlayer), QString());
    platform.shell.installed = {"pavucontrol-qt"};
    QCOMPARE(FindDesktopTool(DesktopTool::VolumeControl), QString("/usr/bin/pavucontrol-qt"));
    // No candidate names a program of another system.
    for (DesktopTool tool : {DesktopTool::Calculator, DesktopTool::MediaPlayer, DesktopTool::VolumeControl})
        for (const QString &name : DesktopToolCandidates(tool))
            QVERIFY2(!name.contains('.'), qPrintable(name));
}

void TestPlatform::jobActivityHoldsInhibitorAndReportsProgress()
{
    FakePlatform platform;
    QList<int> titles;
    JobActivity::setProgressListener([&](int percent) { titles << percent; });
    {
        JobActivity job("Copying film.vob", 0);
        QCOMPARE(platform.power.heldInhibitors(), QStringList{"Copying film.vob"});
        job.setProgress(42);
        job.setProgress(42);
        job.setProgress(140);
        JobActivity::setActiveQuery([] { return true; });
        job.finish("3 files written");
        job.finish("3 files written");
        QVERIFY(platform.power.heldInhibitors().isEmpty() == false);
    }
    // Released however the job ends, and the progress is taken down once.
    QVERIFY(platform.power.heldInhibitors().isEmpty());
    QCOMPARE(titles, QList<int>({0, 42, 100, -1}));
    QCOMPARE(platform.desktop.progress, titles);
    QVERIFY(platform.desktop.notices.isEmpty());
    {
        JobActivity aborted("Analyzing");
    }
    QVERIFY(platform.power.heldInhibitors().isEmpty());
    QCOMPARE(platform.power.inhibitorsTaken, QStringList({"Copying film.vob", "Analyzing"}));
    QCOMPARE(ProgressTitle(42, "Kinbox"), QString::fromUtf8("42% \u2014 Kinbox"));
    QCOMPARE(ProgressTitle(-1, "Kinbox"), QString("Kinbox"));
}

void TestPlatform::jobActivityNotifiesOnlyLongJobsInBackground()
{
    FakePlatform platform;
    bool active = false;
    JobActivity::setActiveQuery([&] { return active; });
    JobActivity(QString(), 0).finish("3 files written, completed in 0:01 min");
    JobActivity(QString(), 3600 * 1000).finish("too short to tell");
    active = true;
    JobActivity(QString(), 0).finish("seen in the window");
    QCOMPARE(platform.desktop.notices, QStringList{"Kinbox: 3 files written, completed in 0:01 min"});
}

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
