#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "engine/filejob.h"
#include "engine/sidecar.h"
#include "enginetestutil.h"

using namespace testutil;

namespace {

std::string S(const QString &text)
{
    return text.toStdString();
}

// Runs a tool in `folder`; its exit code, or -1 when it is not installed.
int RunIn(const QString &folder, const QString &program, const QStringList &arguments, QByteArray *output = nullptr)
{
    if (QStandardPaths::findExecutable(program).isEmpty())
        return -1;
    QProcess p;
    p.setWorkingDirectory(folder);
    p.start(program, arguments);
    p.waitForFinished(60000);
    if (output)
        *output = p.readAllStandardOutput();
    return p.exitCode();
}

// Splits `data` into parts of `part` bytes under `mask` with every sum, and returns the job.
std::unique_ptr<kbx::TFileJob> Split(const QString &input, const QString &mask, qint64 size, qint64 part)
{
    kbx::FileJobSettings s;
    s.split = true;
    s.partSize = part;
    s.computeCrc = true;
    s.hashKinds = kbx::HashKinbox | kbx::HashCrc32 | kbx::HashSha256;
    auto job = std::make_unique<kbx::TFileJob>();
    job->StartFileJob(s, S(input), S(mask), size, 0);
    job->WaitUntilParked();
    return job;
}

} // namespace

class TestSidecar : public QObject
{
    Q_OBJECT

private slots:
    void names()
    {
        using kbx::SidecarKind;
        QCOMPARE(kbx::SidecarName("/v/movie??.bin", SidecarKind::Sfv), std::string("/v/movie.sfv"));
        QCOMPARE(kbx::SidecarName("/v/movie??.bin", SidecarKind::Sha256), std::string("/v/movie.sha256"));
        QCOMPARE(kbx::SidecarName("/v/name.ext??", SidecarKind::Sfv), std::string("/v/name.sfv"));
        QCOMPARE(kbx::SidecarName("/v/clip", SidecarKind::Sfv), std::string("/v/clip.sfv"));
        QCOMPARE(kbx::SidecarName("/v/.hidden", SidecarKind::Sfv), std::string("/v/.hidden.sfv"));
        QCOMPARE(kbx::SidecarName("/v/???", SidecarKind::Md5), std::string("/v/checksums.md5"));
        QVERIFY(kbx::SidecarKindOf("/a/B.SFV") == SidecarKind::Sfv);
        QVERIFY(!kbx::SidecarKindOf("/a/b.txt"));
    }

    // What is written reads back the same, names with spaces, backslashes and line breaks included.
    void textRoundTrip()
    {
        const std::vector<kbx::SidecarEntry> sfv{{"part 01.bin", "0A1B2C3D"}, {"sub/p2", "FFFFFFFF"}};
        const std::string text = kbx::SidecarText(kbx::SidecarKind::Sfv, sfv);
        QVERIFY(text.rfind(";", 0) == 0);
        QVERIFY(text.find("part 01.bin 0A1B2C3D\n") != std::string::npos);
        const kbx::ParsedSidecar back = kbx::ParseSidecar(kbx::SidecarKind::Sfv, text);
        QCOMPARE(back.entries.size(), size_t(2));
        QCOMPARE(back.entries[0].name, std::string("part 01.bin"));

        const std::string hex(64, 'a');
        const std::vector<kbx::SidecarEntry> sha{{"odd\\na\nme", hex}};
        const std::string shaText = kbx::SidecarText(kbx::SidecarKind::Sha256, sha);
        QCOMPARE(shaText, "\\" + hex + "  odd\\\\na\\nme\n");
        const kbx::ParsedSidecar shaBack = kbx::ParseSidecar(kbx::SidecarKind::Sha256, shaText);
        QCOMPARE(shaBack.entries.size(), size_t(1));
        QCOMPARE(shaBack.entries[0].name, std::string("odd\\na\nme"));

        // Lists from elsewhere: CR LF, upper-case digits, the binary-mode star, and lines that are not sums.
        const kbx::ParsedSidecar foreign = kbx::ParseSidecar(
            kbx::SidecarKind::Md5, "D41D8CD98F00B204E9800998ECF8427E *a.bin\r\nnot a sum\r\n\r\n"
                                   "d41d8cd98f00b204e9800998ecf8427  short.bin\n");
        QCOMPARE(foreign.entries.size(), size_t(1));
        QCOMPARE(foreign.entries[0].sum, std::string("d41d8cd98f00b204e9800998ecf8427e"));
        QCOMPARE(foreign.badLines.size(), size_t(2));
        QVERIFY(foreign.badLines[0].rfind("line 2:", 0) == 0);
    }

    // Each part's line is what the system's own tools compute for that part.
    void splitSidecarsCheckedByTheTools()
    {
        QTemporaryDir dir;
        const QString input = dir.filePath(QStringLiteral("in.bin"));
        const QByteArray data = RandomBytes(2500000, 21);
        QVERIFY(WriteFile(input, data));
        auto job = Split(input, dir.filePath(QStringLiteral("movie??.bin")), data.size(), 1000000);
        QVERIFY2(!job->Failed(), job->ErrorText().c_str());
        const std::vector<std::string> files = kbx::JobFiles(*job);
        QCOMPARE(files.size(), size_t(3));
        QCOMPARE(files[2], S(dir.filePath(QStringLiteral("movie03.bin"))));

        const std::string sha = kbx::WriteJobSidecar(*job, kbx::SidecarKind::Sha256, false);
        QCOMPARE(sha, S(dir.filePath(QStringLiteral("movie.sha256"))));
        const std::string sfv = kbx::WriteJobSidecar(*job, kbx::SidecarKind::Sfv, false);
        QCOMPARE(sfv, S(dir.filePath(QStringLiteral("movie.sfv"))));

        QByteArray out;
        const int rc = RunIn(dir.path(), QStringLiteral("sha256sum"), {QStringLiteral("-c"), QStringLiteral("movie.sha256")}, &out);
        if (rc >= 0) {
            QCOMPARE(rc, 0);
            QCOMPARE(out, QByteArray("movie01.bin: OK\nmovie02.bin: OK\nmovie03.bin: OK\n"));
        }
        // SFV lines against Python's zlib.
        const int py = RunIn(dir.path(), QStringLiteral("python3"),
                             {QStringLiteral("-c"), QStringLiteral(
                                 "import zlib\n"
                                 "for l in open('movie.sfv'):\n"
                                 "    if l.startswith(';'): continue\n"
                                 "    n, c = l.rsplit(' ', 1)\n"
                                 "    assert '%08X' % zlib.crc32(open(n, 'rb').read()) == c.strip(), n\n"
                                 "print('sfv ok')")},
                             &out);
        if (py >= 0) {
            QCOMPARE(py, 0);
            QCOMPARE(out, QByteArray("sfv ok\n"));
        }
        const kbx::VerifyReport report = kbx::VerifySidecar(sfv);
        QVERIFY(report.Passed());
        QCOMPARE(report.ok, 3);

        // A second run never replaces the list without being told to.
        const QByteArray before = ReadFile(QString::fromStdString(sha));
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, kbx::WriteJobSidecar(*job, kbx::SidecarKind::Sha256, false));
        QCOMPARE(ReadFile(QString::fromStdString(sha)), before);
        QCOMPARE(kbx::WriteJobSidecar(*job, kbx::SidecarKind::Sha256, true), sha);
    }

    // One damaged and one missing part are found and named; the others pass.
    void verifyFindsDamageAndLoss()
    {
        QTemporaryDir dir;
        const QString input = dir.filePath(QStringLiteral("in.bin"));
        const QByteArray data = RandomBytes(3000000, 8);
        QVERIFY(WriteFile(input, data));
        auto job = Split(input, dir.filePath(QStringLiteral("p?.bin")), data.size(), 1000000);
        const std::string list = kbx::WriteJobSidecar(*job, kbx::SidecarKind::Sha256, false);
        QByteArray part2 = ReadFile(dir.filePath(QStringLiteral("p2.bin")));
        part2[500000] = char(part2[500000] ^ 1);
        QVERIFY(WriteFile(dir.filePath(QStringLiteral("p2.bin")), part2));
        QVERIFY(QFile::remove(dir.filePath(QStringLiteral("p3.bin"))));

        std::vector<std::string> told;
        const kbx::VerifyReport report =
            kbx::VerifySidecar(list, {}, [&](const kbx::VerifyItem &item) { told.push_back(item.name); });
        QVERIFY(!report.Passed());
        QCOMPARE(report.ok, 1);
        QCOMPARE(report.damaged, 1);
        QCOMPARE(report.missing, 1);
        QCOMPARE(report.items[1].name, std::string("p2.bin"));
        QVERIFY(report.items[1].status == kbx::VerifyStatus::Damaged);
        QVERIFY(report.items[2].status == kbx::VerifyStatus::Missing);
        QCOMPARE(told.size(), size_t(3));
    }

    // Lists made by the MD5 tool are checked too; an unknown kind or an empty list is an error.
    void md5ListsAndBadLists()
    {
        QTemporaryDir dir;
        QVERIFY(WriteFile(dir.filePath(QStringLiteral("a b.bin")), RandomBytes(70000, 2)));
        QByteArray out;
        if (RunIn(dir.path(), QStringLiteral("md5sum"), {QStringLiteral("a b.bin")}, &out) < 0)
            QSKIP("md5sum is not installed");
        QVERIFY(WriteFile(dir.filePath(QStringLiteral("list.md5")), out));
        QVERIFY(kbx::VerifySidecar(S(dir.filePath(QStringLiteral("list.md5")))).Passed());

        QVERIFY(WriteFile(dir.filePath(QStringLiteral("list.txt")), out));
        QVERIFY(!kbx::VerifySidecar(S(dir.filePath(QStringLiteral("list.txt")))).error.empty());
        QVERIFY(WriteFile(dir.filePath(QStringLiteral("empty.sfv")), "; nothing\n"));
        QVERIFY(!kbx::VerifySidecar(S(dir.filePath(QStringLiteral("empty.sfv")))).Passed());
    }

    // A checksum-only job gives the same sums folded in place as through the ring.
    void checksumOnlyRoutesAgree()
    {
        QTemporaryDir dir;
        const QString input = dir.filePath(QStringLiteral("in.bin"));
        const QByteArray data = RandomBytes(9 * 1024 * 1024 + 3, 4);
        QVERIFY(WriteFile(input, data));
        std::vector<uint32_t> raw, standard;
        for (bool mapped : {true, false}) {
            kbx::FileJobSettings s;
            s.crcOnly = true;
            s.computeCrc = true;
            s.mappedChecksum = mapped;
            s.hashKinds = kbx::HashKinbox | kbx::HashCrc32;
            kbx::TFileJob job;
            job.StartFileJob(s, S(input), {}, data.size() - 1, 0);
            job.WaitUntilParked();
            QVERIFY(!job.Failed());
            QCOMPARE(job.Reader().Remaining.load(), qint64(0));
            raw.push_back(job.Checksum().Crc.load());
            standard.push_back(job.Checksum().Sums.Crc32());
        }
        QCOMPARE(raw[0], TableCrc(0, data.left(data.size() - 1)));
        QCOMPARE(raw[1], raw[0]);
        QCOMPARE(standard[1], standard[0]);
    }
};

QTEST_GUILESS_MAIN(TestSidecar)
#include "tst_sidecar.moc"
