// The copy engine under real-world faults: outputs that are inputs under another name, inputs that
// change, fail or are not files at all, locks, and names that are not valid UTF-8.
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "engine/crc32.h"
#include "engine/filehandle.h"
#include "engine/filejob.h"
#include "engine/hugefile.h"
#include "enginetestutil.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <future>
#include <memory>

using namespace kbx;
using namespace testutil;

namespace {

// What the fault hook does: fail calls on files whose name ends with `target`, or run `onFirstWrite`
// once when the first output byte is about to be written.
std::string g_target;
int g_code = 0;
bool g_failLock = false;
std::atomic<bool> g_firstWriteDone{false};
std::string g_changeInput;   // overwritten with other bytes at the first write or kernel copy

bool EndsWith(const std::string &name, const std::string &tail)
{
    return !tail.empty() && name.size() >= tail.size() && name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
}

int Faults(FileCall call, const std::string &name)
{
    if (!g_changeInput.empty() && (call == FileCall::Write || call == FileCall::Copy)
        && !g_firstWriteDone.exchange(true)) {
        // The input changes after the reader saw it and before its bytes reach the output.
        const int fd = ::open(g_changeInput.c_str(), O_WRONLY);
        const QByteArray other(1 << 20, 'X');
        if (fd >= 0) {
            (void)::pwrite(fd, other.constData(), size_t(other.size()), 0);
            ::close(fd);
        }
    }
    if (call == FileCall::Lock)
        return g_failLock ? EOPNOTSUPP : 0;
    return EndsWith(name, g_target) ? g_code : 0;
}

struct FaultScope
{
    FaultScope() { SetFileFaultHook(Faults); }
    ~FaultScope()
    {
        SetFileFaultHook(nullptr);
        g_target.clear();
        g_code = 0;
        g_failLock = false;
        g_changeInput.clear();
        g_firstWriteDone = false;
    }
};

} // namespace

class TestFileSafety : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_temp;
    std::string Path(const char *name) const { return m_temp->filePath(name).toStdString(); }
    static QString Q(const std::string &s) { return QString::fromStdString(s); }

    static std::string Run(TFileJob &job, const FileJobSettings &s, const std::string &in, const std::string &out,
                           int64_t length)
    {
        job.StartFileJob(s, in, out, length, 0);
        job.WaitUntilParked();
        return job.ErrorText();
    }
    // The message StartFileJob refuses with, or "" when it starts.
    static std::string Refusal(const FileJobSettings &s, const std::string &in, const std::string &out, int64_t length)
    {
        TFileJob job;
        try {
            job.StartFileJob(s, in, out, length, 0);
        } catch (const EJobRefused &e) {
            return e.what();
        }
        job.WaitUntilParked();
        return {};
    }

private slots:
    void init()
    {
        m_temp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_temp->isValid());
    }
    void cleanup() { m_temp.reset(); }

    // Hard links, symbolic links and the same name are one file: refused before any output exists.
    void outputThatIsAnInputIsRefused()
    {
        const QByteArray a = RandomBytes(300'000, 1), b = RandomBytes(5'000, 2);
        QVERIFY(WriteFile(Q(Path("a.bin")), a));
        QVERIFY(WriteFile(Q(Path("b.bin")), b));
        QCOMPARE(::link(Path("b.bin").c_str(), Path("hl.bin").c_str()), 0);
        QCOMPARE(::symlink(Path("a.bin").c_str(), Path("sl.bin").c_str()), 0);

        FileJobSettings merge;
        merge.merge = true;
        merge.joinList = {Path("a.bin"), Path("b.bin")};
        std::string why = Refusal(merge, {}, Path("hl.bin"), a.size() + b.size());
        QVERIFY2(why.find("hl.bin") != std::string::npos && why.find("b.bin\"") != std::string::npos, why.c_str());
        FileJobSettings single;
        QVERIFY(!Refusal(single, Path("a.bin"), Path("a.bin"), a.size()).empty());
        QVERIFY(!Refusal(single, Path("a.bin"), Path("sl.bin"), a.size()).empty());
        single.crcOnly = true;   // no output, nothing to collide with
        QCOMPARE(Refusal(single, Path("a.bin"), Path("a.bin"), a.size()), std::string());

        // A split whose third part would be an input; the first two parts are never created.
        QVERIFY(WriteFile(Q(Path("p03.bin")), b));
        FileJobSettings split;
        split.split = true;
        split.partSize = 100'000;
        merge.split = true;
        merge.partSize = 100'000;
        merge.joinList = {Path("a.bin"), Path("p03.bin")};
        why = Refusal(merge, {}, Path("p??.bin"), a.size() + b.size());
        QVERIFY2(why.find("output part \"" + Path("p03.bin")) != std::string::npos, why.c_str());
        QVERIFY(!QFileInfo::exists(Q(Path("p01.bin"))));
        // A part past the last one the job can write is no collision.
        QCOMPARE(Refusal(split, Path("p03.bin"), Path("p??.bin"), 150'000), std::string());
        // Millions of possible parts: the existing ones are found by listing the folder.
        split.partSize = 1;
        QVERIFY(!Refusal(split, Path("p03.bin"), Path("p??.bin"), 5'000).empty());

        QCOMPARE(ReadFile(Q(Path("a.bin"))), a);
        QCOMPARE(ReadFile(Q(Path("b.bin"))), b);
        QCOMPARE(ReadFile(Q(Path("p03.bin"))), b);
    }

    // The checksum describes the bytes in the output, even when the input changes under the job.
    void checksumDescribesTheOutput_data()
    {
        QTest::addColumn<bool>("kernel");
        QTest::newRow("kernel copy allowed") << true;
        QTest::newRow("through the ring") << false;
    }
    void checksumDescribesTheOutput()
    {
        QFETCH(bool, kernel);
        const QByteArray src = RandomBytes(3'000'000, 3);
        QVERIFY(WriteFile(Q(Path("in.bin")), src));
        FaultScope faults;
        g_changeInput = Path("in.bin");
        FileJobSettings s;
        s.computeCrc = true;
        s.kernelCopy = kernel;
        TFileJob job;
        QCOMPARE(Run(job, s, Path("in.bin"), Path("out.bin"), src.size()), std::string());
        QVERIFY(g_firstWriteDone);
        QCOMPARE(job.Checksum().Crc.load(), TableCrc(0, ReadFile(Q(Path("out.bin")))));
    }

    // A failing read is blamed on the input, a failing write on the output, each with the reason.
    void errorsNameTheirFile_data()
    {
        QTest::addColumn<bool>("crc");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("wrong");
        QTest::newRow("read, checksum") << true << "in.bin" << "out.bin";
        QTest::newRow("read, kernel copy") << false << "in.bin" << "out.bin";
        QTest::newRow("write, checksum") << true << "out.bin" << "in.bin";
        QTest::newRow("write") << false << "out.bin" << "in.bin";
    }
    void errorsNameTheirFile()
    {
        QFETCH(bool, crc);
        QFETCH(QString, target);
        QFETCH(QString, wrong);
        QVERIFY(WriteFile(Q(Path("in.bin")), RandomBytes(2'000'000, 4)));
        FaultScope faults;
        g_target = target.toStdString();
        g_code = EIO;
        FileJobSettings s;
        s.computeCrc = crc;
        TFileJob job;
        const std::string error = Run(job, s, Path("in.bin"), Path("out.bin"), 2'000'000);
        QVERIFY2(error.find(target.toStdString() + ")") != std::string::npos, error.c_str());
        QVERIFY2(error.find(wrong.toStdString()) == std::string::npos, error.c_str());
        QVERIFY2(error.find(SystemMessage(EIO)) != std::string::npos, error.c_str());
    }

    // An input whose size is not the listed one ends the job, also when it grows after the start.
    void listedSizesAreChecked()
    {
        const QByteArray a = RandomBytes(100'000, 5), b = RandomBytes(9'000'000, 6);
        QVERIFY(WriteFile(Q(Path("a.bin")), a));
        QVERIFY(WriteFile(Q(Path("b.bin")), b));
        FileJobSettings s;
        s.merge = true;
        s.joinList = {Path("a.bin"), Path("b.bin")};
        s.joinSizes = {a.size(), b.size() - 1};
        const std::string why = Refusal(s, {}, Path("out.bin"), a.size() + b.size() - 1);
        QVERIFY2(why.find("\"" + Path("b.bin") + "\"") != std::string::npos, why.c_str());
        FileJobSettings single;
        single.expectedInputSize = a.size() + 1;
        QVERIFY(!Refusal(single, Path("a.bin"), Path("out.bin"), a.size()).empty());

        // The second file grows while the first is being copied.
        s.joinSizes = {a.size(), b.size()};
        s.parallel = 16;
        TFileJob job;
        job.SetPaused(true);
        job.StartFileJob(s, {}, Path("out.bin"), a.size() + b.size(), 0);
        QFile grow(Q(Path("b.bin")));
        QVERIFY(grow.open(QIODevice::Append));
        QCOMPARE(grow.write("tail"), 4);
        grow.close();
        job.SetPaused(false);
        job.WaitUntilParked();
        QVERIFY2(job.ErrorText().find("b.bin\" changed") != std::string::npos, job.ErrorText().c_str());
        QVERIFY(QFileInfo(Q(Path("out.bin"))).size() < a.size() + b.size());
    }

    // FIFOs, sockets and character devices are refused by name, without blocking on them.
    void notFilesAreRefused()
    {
        QCOMPARE(::mkfifo(Path("fifo").c_str(), 0600), 0);
        QVERIFY(WriteFile(Q(Path("a.bin")), RandomBytes(1000, 7)));
        auto within = [](auto call) {
            auto result = std::async(std::launch::async, call);
            return result.wait_for(std::chrono::seconds(20)) == std::future_status::ready ? result.get()
                                                                                       : std::string("hung");
        };
        FileJobSettings s;
        const std::string fifo = Path("fifo");
        const std::string in = within([&] { return Refusal(s, fifo, Path("out.bin"), 10); });
        QCOMPARE(in, "\"" + fifo + "\" is a FIFO (named pipe): only regular files and block devices can be read.");
        const std::string out = within([&] { return Refusal(s, Path("a.bin"), fifo, 1000); });
        QCOMPARE(out, "\"" + fifo + "\" is a FIFO (named pipe): only regular files can be written.");
        QCOMPARE(within([&] { return std::to_string(HugeFileSize(fifo)); }), std::string("-1"));
        const std::string opened = within([&] {
            TQsHugeFile file(fifo, AttributeNormal, GenericRead, ShareRead);
            return std::to_string(file.Reset(1, 0, Buffered)) + " " + file.Refusal();
        });
        QVERIFY2(opened.rfind("2 \"", 0) == 0, opened.c_str());
        QVERIFY(Refusal(s, "/dev/zero", Path("out.bin"), 10).find("a character device") != std::string::npos);
        QVERIFY(Refusal(s, Path("a.bin"), "/dev/null", 1000).find("a character device") != std::string::npos);
        QVERIFY(!QFileInfo::exists(Q(Path("out.bin"))));
    }

    // Readers share: a merge of "a a" is "a" twice, also while another reader holds the file, and a
    // file system that refuses locks leaves the file readable.
    void readersShareLocks()
    {
        const QByteArray a = RandomBytes(5'000'000, 9);
        QVERIFY(WriteFile(Q(Path("a.bin")), a));
        TQsHugeFile other(Path("a.bin"), AttributeNormal, GenericRead, ShareRead);
        other.Reset(1);
        FileJobSettings s;
        s.merge = true;
        s.joinList = {Path("a.bin"), Path("a.bin")};
        TFileJob job;
        QCOMPARE(Run(job, s, {}, Path("aa.bin"), 2 * a.size()), std::string());
        QCOMPARE(ReadFile(Q(Path("aa.bin"))), a + a);
        other.Close();

        FaultScope faults;
        g_failLock = true;
        QCOMPARE(HugeFileSize(Path("a.bin")), int64_t(a.size()));
        TQsHugeFile writer(Path("w.bin"));
        QCOMPARE(writer.Rewrite(1, 0, Buffered), int(OpenOk));
    }

    // Names are bytes: one that is not valid UTF-8 is read and written exactly.
    void namesAreBytes()
    {
        const std::string in = Path("p") + "\xff.bin", out = Path("o") + "\xfe\xff.bin";
        const QByteArray data = RandomBytes(70'000, 10);
        {
            const int fd = ::open(in.c_str(), O_WRONLY | O_CREAT, 0600);
            QVERIFY(fd >= 0);
            QCOMPARE(::write(fd, data.constData(), size_t(data.size())), ssize_t(data.size()));
            ::close(fd);
        }
        FileJobSettings s;
        s.expectedInputSize = data.size();
        TFileJob job;
        QCOMPARE(Run(job, s, in, out, data.size()), std::string());
        QCOMPARE(HugeFileSize(out), int64_t(data.size()));
        TQsHugeFile check(out, AttributeNormal, GenericRead, ShareRead);
        check.Reset(1);
        QByteArray got(data.size(), 0);
        int64_t done = 0;
        check.BlockRead(got.data(), got.size(), done);
        QCOMPARE(got, data);
        check.Close();
        // The temporary folder is removed by decoded names, which these do not survive.
        QCOMPARE(::unlink(in.c_str()), 0);
        QCOMPARE(::unlink(out.c_str()), 0);
    }
};

QTEST_GUILESS_MAIN(TestFileSafety)
#include "tst_filesafety.moc"
