// A disc made by real authoring tools (ffmpeg encodes, dvdauthor builds VIDEO_TS), because files
// written byte by byte only show what their writer believed: dvdauthor pads its PES headers, so
// the sequence header is not where a hand-made pack puts it.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "dvd/dvdnames.h"
#include "dvd/dvdscan.h"
#include "dvd/packprobe.h"
#include "dvd/titleinfo.h"
#include "ifoedit/editlist.h"
#include "ifoedit/ifofiles.h"
#include "support/fakeplatform.h"

using namespace kbx;

namespace {

// Runs a tool without a shell; the environment gets `extraEnv` (NAME=value).
bool Run(const QString &program, const QStringList &arguments, const QString &workDir,
         const QStringList &extraEnv = {})
{
    QProcess process;
    process.setWorkingDirectory(workDir);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &pair : extraEnv)
        env.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(60000)) {
        process.kill();
        qWarning() << program << "did not finish";
        return false;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning().noquote() << program << "failed:" << process.readAll();
        return false;
    }
    return true;
}

// Encodes `seconds` of a test picture with a tone as a PAL DVD program stream.
bool Encode(const QString &dir, const QString &name, int seconds, const QString &aspect)
{
    return Run(QStringLiteral("ffmpeg"),
               {"-v", "error", "-nostdin", "-y",
                "-f", "lavfi", "-i", "testsrc=size=720x576:rate=25",
                "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000",
                "-t", QString::number(seconds), "-target", "pal-dvd", "-aspect", aspect, name},
               dir);
}

} // namespace

class TestAuthoredDisc : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_videoTs;
    FakePlatform m_platform;

private slots:
    void initTestCase()
    {
        for (const char *tool : {"ffmpeg", "dvdauthor"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QFAIL(qPrintable(QStringLiteral("%1 is missing: run scripts/install-deps.sh").arg(tool)));
        }
        QVERIFY(m_dir.isValid());
        const QString work = m_dir.path();
        // Title set 1: 2 s in 16:9; title set 2: 4 s in 4:3, the larger one.
        QVERIFY(Encode(work, "wide.mpg", 2, "16:9"));
        QVERIFY(Encode(work, "narrow.mpg", 4, "4:3"));
        const QStringList pal{QStringLiteral("VIDEO_FORMAT=PAL")};
        QVERIFY(Run("dvdauthor", {"-o", "disc", "-t", "wide.mpg"}, work, pal));
        QVERIFY(Run("dvdauthor", {"-o", "disc", "-t", "narrow.mpg"}, work, pal));
        QVERIFY(Run("dvdauthor", {"-o", "disc", "-T"}, work, pal));
        m_videoTs = FindEntryNoCase(work + QStringLiteral("/disc"), QStringLiteral("VIDEO_TS"));
        QVERIFY(!m_videoTs.isEmpty());
    }

    void titleSizesAreTheVobSums()
    {
        DvdScanInput input;
        input.locationText = m_videoTs;
        const DvdScanResult scan = ScanDVD(input);
        QCOMPARE(scan.location.dvdPath, WithTrailingSlash(m_videoTs));
        QVERIFY(!scan.location.locationIsFile);
        QCOMPARE(int(scan.probe.MpegKind), int(MpegDvd));
        QCOMPARE(scan.probe.PackSize, qint64(2048));
        QCOMPARE(scan.titleItems, QStringList({"01", "02"}));
        QCOMPARE(scan.status0, QStringLiteral("2 titles found"));

        const QDir dir(m_videoTs);
        qint64 all = 0;
        for (const QFileInfo &info : dir.entryInfoList(QDir::Files))
            all += info.size();
        QVERIFY(scan.hasCapacity);
        QCOMPARE(scan.capacity, all);
        for (int title = 1; title <= 2; ++title) {
            qint64 vobs = 0;
            for (const QFileInfo &info : dir.entryInfoList(QDir::Files)) {
                const QString name = info.fileName().toUpper();
                if (name.startsWith(QStringLiteral("VTS_0%1_").arg(title)) && name.endsWith(".VOB")
                    && !name.endsWith("_0.VOB"))
                    vobs += info.size();
            }
            QVERIFY(vobs > 0);
            QCOMPARE(scan.titleSizes.at(title - 1), vobs);
        }
        QCOMPARE(scan.largestTitle, 2);
    }

    void pictureAndStreams_data()
    {
        QTest::addColumn<int>("title");
        QTest::addColumn<QString>("aspect");
        QTest::newRow("16:9") << 1 << QStringLiteral("16:9, 25 fps, PAL");
        QTest::newRow("4:3") << 2 << QStringLiteral("4:3, 25 fps, PAL");
    }

    void pictureAndStreams()
    {
        QFETCH(int, title);
        QFETCH(QString, aspect);
        const QString vob = FindEntryNoCase(m_videoTs, TitleVobName(title, 1));
        QVERIFY(!vob.isEmpty());
        const int regionByte = ReadRegionByte(FindEntryNoCase(m_videoTs, "VIDEO_TS.IFO"));
        const TitleInfo info = ShowTitleInfo({vob, 2048, MpegDvd, regionByte});
        QVERIFY(!info.readFailed);
        QVERIFY(info.sequenceHeaderFound);
        QCOMPARE(int(info.mpegKind), int(MpegDvd));
        QCOMPARE(info.width, 720);
        QCOMPARE(info.height, 576);
        QCOMPARE(info.widthText.value_or(QString()), QStringLiteral("720"));
        QCOMPARE(info.heightText.value_or(QString()), QStringLiteral("576"));
        QCOMPARE(info.aspectText.value_or(QString()), aspect);
        // dvdauthor leaves every region allowed and the content unscrambled.
        QCOMPARE(info.regionText.value_or(QString()), QStringLiteral("region free"));
        QCOMPARE(info.css.value_or(true), false);
        QCOMPARE(info.streams, QStringList({"80 (Audiostream)", "E0 (Videostream)"}));
    }

    // dvdauthor's sequence header starts a byte later than the edit list expects; the aspect toggle
    // must follow it, and a second run must give back the original bytes.
    void aspectToggleFollowsTheRealHeader()
    {
        const QString original = FindEntryNoCase(m_videoTs, TitleVobName(1, 1));
        const QString copy = m_dir.filePath(QStringLiteral("toggled.vob"));
        QVERIFY(QFile::copy(original, copy));
        QFile file(copy);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();
        QVERIFY(before.mid(2084, 4) != QByteArray::fromHex("000001B3"));

        const TIFOAction &toggle = IFOActions()[1];
        const TEditList edits = ParseEditList(QLatin1String(toggle.edits));
        QVERIFY(edits.ok());
        QCOMPARE(PatchFile(copy, edits.entries, toggle.anchor).outcome, PatchOutcome::Patched);
        QCOMPARE(ShowTitleInfo({copy, 2048, MpegDvd, 1}).aspectText.value_or(QString()),
                 QStringLiteral("4:3, 25 fps, PAL"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray after = file.readAll();
        file.close();
        // One byte changed, and it is not the height byte where the header was expected.
        int changed = 0;
        for (qsizetype i = 0; i < before.size(); ++i)
            changed += before.at(i) != after.at(i);
        QCOMPARE(changed, 1);
        QCOMPARE(after.at(2091), before.at(2091));

        QCOMPARE(PatchFile(copy, edits.entries, toggle.anchor).outcome, PatchOutcome::Patched);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    }

    // Loose video CD files have 2,324-byte packs but no navigation pack and no scrambling: nothing
    // in them may read as a region or a protection mark, and the MPEG-1 ones are told by their packs.
    void looseVideoCdFiles_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("mpeg1");
        QTest::newRow("pal-svcd") << "pal-svcd" << false;
        QTest::newRow("pal-vcd") << "pal-vcd" << true;
        QTest::newRow("ntsc-vcd") << "ntsc-vcd" << true;
    }
    void looseVideoCdFiles()
    {
        QFETCH(QString, target);
        QFETCH(bool, mpeg1);
        const QString name = target + QStringLiteral(".mpg");
        QVERIFY(Run(QStringLiteral("ffmpeg"),
                    {"-v", "error", "-nostdin", "-y", "-f", "lavfi", "-i", "testsrc=size=352x288:rate=25",
                     "-f", "lavfi", "-i", "sine=frequency=440", "-t", "0.5", "-target", target, name},
                    m_dir.path()));
        const QString path = m_dir.filePath(name);
        PackProbeState probe;
        QVERIFY(ProbeMpegPacks(path.toStdString(), probe));
        QCOMPARE(probe.PackSize, 2324);

        const TitleInfo info = ShowTitleInfo({path, probe.PackSize, probe.MpegKind, 1});
        QVERIFY(!info.readFailed);
        QCOMPARE(int(info.protectionByte), 0);
        QCOMPARE(info.regionText.value_or(QString()), QStringLiteral("not applicable"));
        QCOMPARE(info.css.value_or(true), false);
        QCOMPARE(info.macrovision.value_or(true), false);
        if (mpeg1) {
            QCOMPARE(int(info.mpegKind), int(MpegOne));
            QCOMPARE(info.aspectText.value_or(QString()), QStringLiteral("MPEG1 stream"));
        } else {
            QCOMPARE(int(info.mpegKind), int(MpegSvcd));
            QCOMPARE(info.width, 480);
            QCOMPARE(info.height, 576);
        }
    }
};

QTEST_GUILESS_MAIN(TestAuthoredDisc)
#include "tst_authoreddisc.moc"
