// Copies without a checksum go through the kernel a large chunk at a time, not one ring slot at a
// time, and through memory where the kernel cannot copy.
#include <QTemporaryDir>
#include <QTest>

#include "engine/filehandle.h"
#include "engine/filejob.h"
#include "enginetestutil.h"

#include <atomic>
#include <cerrno>
#include <memory>

using namespace kbx;
using namespace testutil;

namespace {

std::atomic<int> g_copies{0};    // kernel copies asked for into an output
std::atomic<int> g_refuse{0};    // the code every kernel copy fails with, 0 for none
std::atomic<int> g_readsLeft{-1}; // reads of an output that succeed before the next fails with EIO

int CountCopies(FileCall call, const std::string &name)
{
    if (call == FileCall::Read && name.find(".out") != std::string::npos && g_readsLeft.load() >= 0)
        return g_readsLeft.fetch_sub(1) == 0 ? EIO : 0;
    if (call != FileCall::Copy || name.find(".out") == std::string::npos)
        return 0;
    ++g_copies;
    return g_refuse.load();
}

struct Counting
{
    Counting() { SetFileFaultHook(CountCopies); }
    ~Counting()
    {
        SetFileFaultHook(nullptr);
        g_copies = 0;
        g_refuse = 0;
        g_readsLeft = -1;
    }
};

} // namespace

class TestKernelCopy : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_temp;
    QString Path(const QString &name) const { return m_temp->filePath(name); }
    std::string Std(const QString &name) const { return Path(name).toStdString(); }

    std::string Run(const FileJobSettings &s, const QString &in, const QString &out, int64_t length)
    {
        TFileJob job;
        job.StartFileJob(s, in.isEmpty() ? std::string() : Std(in), Std(out), length, 0);
        job.WaitUntilParked();
        return job.ErrorText();
    }

private slots:
    void init()
    {
        m_temp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_temp->isValid());
    }
    void cleanup() { m_temp.reset(); }

    // 40 MiB with 2 slots of 4 MiB: one kernel copy per output file or input run.
    void oneCopyPerRun()
    {
        const QByteArray src = RandomBytes(40 << 20, 1);
        QVERIFY(WriteFile(Path("a"), src.left(15 << 20)));
        QVERIFY(WriteFile(Path("b"), src.mid(15 << 20, 20 << 20)));
        QVERIFY(WriteFile(Path("c"), src.mid(35 << 20)));
        QVERIFY(WriteFile(Path("all"), src));
        Counting counting;
        FileJobSettings s;
        QCOMPARE(Run(s, "all", "clone.out", src.size()), std::string());
        QCOMPARE(g_copies.load(), 1);
        QCOMPARE(ReadFile(Path("clone.out")), src);

        g_copies = 0;
        FileJobSettings merge;
        merge.merge = true;
        merge.joinList = {Std("a"), Std("b"), Std("c")};
        QCOMPARE(Run(merge, {}, "merge.out", src.size()), std::string());
        QCOMPARE(g_copies.load(), 3);
        QCOMPARE(ReadFile(Path("merge.out")), src);

        // Parts of 16 MiB: one copy each, also across the merge's file ends.
        g_copies = 0;
        merge.split = true;
        merge.partSize = 16 << 20;
        QCOMPARE(Run(merge, {}, "part?.out", src.size()), std::string());
        QCOMPARE(ReadFile(Path("part1.out")) + ReadFile(Path("part2.out")) + ReadFile(Path("part3.out")), src);
        QCOMPARE(ReadFile(Path("part3.out")).size(), 8 << 20);
        QCOMPARE(g_copies.load(), 5);   // a|b in part 1, b|c in part 2, c in part 3
    }

    // With a checksum the kernel copies in stretches, each read back and folded while the next is
    // copied: the sum still covers every byte in order, and a failing read-back fails the job.
    void checksumOfKernelCopy()
    {
        const QByteArray src = RandomBytes((70 << 20) + 3, 3);
        QVERIFY(WriteFile(Path("in"), src));
        Counting counting;
        FileJobSettings s;
        s.computeCrc = true;
        TFileJob job;
        job.StartFileJob(s, Std("in"), Std("copy.out"), src.size(), 0);
        job.WaitUntilParked();
        QCOMPARE(job.ErrorText(), std::string());
        QCOMPARE(ReadFile(Path("copy.out")), src);
        QCOMPARE(job.Checksum().Crc.load(), TableCrc(0, src));
        QCOMPARE(g_copies.load(), 3);   // 32 + 32 + 6 MiB

        g_readsLeft = 1;
        const std::string error = Run(s, "in", "bad.out", src.size());
        QVERIFY2(error.find("bad.out") != std::string::npos, error.c_str());
    }

    // Where the kernel refuses, the bytes pass through the ring a ring's worth at a time.
    void refusedCopyGoesThroughMemory()
    {
        const QByteArray src = RandomBytes((20 << 20) + 12345, 2);
        QVERIFY(WriteFile(Path("in"), src));
        Counting counting;
        g_refuse = EXDEV;
        FileJobSettings s;
        s.split = true;
        s.partSize = 7 << 20;
        s.duplicate = true;
        QCOMPARE(Run(s, "in", "p?.out", src.size()), std::string());
        QCOMPARE(g_copies.load(), 1);   // asked once, then never again in this job
        const QByteArray p1 = ReadFile(Path("p1.out")), p2 = ReadFile(Path("p2.out"));
        QCOMPARE(p1, src.left(7 << 20));
        QVERIFY(p2.endsWith(src.mid(7 << 20, 7 << 20)));
        QVERIFY(ReadFile(Path("p3.out")).endsWith(src.mid(14 << 20)));

        g_refuse = 0;
        QCOMPARE(Run(FileJobSettings(), "in", "clone.out", src.size()), std::string());
        QCOMPARE(ReadFile(Path("clone.out")), src);
    }
};

QTEST_GUILESS_MAIN(TestKernelCopy)
#include "tst_kernelcopy.moc"
