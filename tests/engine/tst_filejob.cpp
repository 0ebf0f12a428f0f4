#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "engine/crc32.h"
#include "engine/filejob.h"
#include "enginetestutil.h"

#include <sys/resource.h>

#include <memory>
#include <vector>

using namespace kbx;
using namespace testutil;

namespace {

constexpr int Block16 = RingBytes / 16;  // slot size with 16 slots

// A DVD-like stream of 2048-byte packs: filler packs that start like packs but are not navigation
// packs, and navigation packs at the given pack indices.
struct PackStream
{
    QByteArray data;
    explicit PackStream(int packs) : data(qint64(packs) * 2048, char(0xFF))
    {
        for (int i = 0; i < packs; ++i)
            SetPackStart(qint64(i) * 2048);
    }
    void SetPackStart(qint64 at)
    {
        data[at] = 0;
        data[at + 1] = 0;
        data[at + 2] = 1;
        data[at + 3] = char(0xBA);
    }
    // A navigation pack at a byte offset that passes every mode unless changed afterwards.
    void Nav(qint64 at)
    {
        SetPackStart(at);
        data[at + 16] = 1;
        data[at + 17] = char(0xBB);
        data[at + 69] = data[at + 70] = data[at + 71] = 0;
        data[at + 72] = 0x20;
        data[at + 1433] = 0x10;
    }
};

} // namespace

class TestFileJob : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_temp;  // fresh for every test function
    QString Path(const QString &name) const { return m_temp->filePath(name); }
    static std::string Std(const QString &s) { return s.toStdString(); }

    // Runs a job to its end and returns its error text (empty on success).
    static std::string Run(TFileJob &job, const FileJobSettings &s, const QString &in, const QString &out,
                           int64_t length, int64_t start = 0)
    {
        job.StartFileJob(s, Std(in), Std(out), length, start);
        job.WaitUntilParked();
        return job.ErrorText();
    }

    // The ways bytes reach an output: from the ring (a checksum read them), copied inside the
    // kernel with or without a checksum on the side, or read back into the ring when the kernel
    // cannot copy.
    static void AddPaths()
    {
        QTest::addColumn<bool>("crc");
        QTest::addColumn<bool>("kernel");
        QTest::newRow("ring") << true << false;
        QTest::newRow("kernel copy") << false << true;
        QTest::newRow("kernel copy, checksum") << true << true;
        QTest::newRow("read back") << false << false;
    }
    static void ApplyPath(FileJobSettings &s)
    {
        QFETCH(bool, crc);
        QFETCH(bool, kernel);
        s.computeCrc = crc;
        s.kernelCopy = kernel;
    }

private slots:
    void init()
    {
        m_temp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_temp->isValid());
    }
    void cleanup() { m_temp.reset(); }

    void cloneRange()
    {
        const QByteArray src = RandomBytes(10'000'000, 1);
        QVERIFY(WriteFile(Path("in.bin"), src));
        FileJobSettings s;
        s.computeCrc = true;
        TFileJob job;
        QCOMPARE(Run(job, s, Path("in.bin"), Path("out.bin"), 5'000'001, 1'234'567), std::string());
        const QByteArray expected = src.mid(1'234'567, 5'000'001);
        QCOMPARE(ReadFile(Path("out.bin")), expected);
        QCOMPARE(job.Checksum().Crc.load(), TableCrc(0, expected));
        QCOMPARE(job.Reader().Remaining.load(), 0);
        QCOMPARE(job.Writer().Remaining.load(), 0);
        QCOMPARE(job.Writer().PartsWritten.load(), 1);
    }

    // Every slot count gives the same bytes and checksum; 3 slots leave a remainder of the ring unused.
    void parallelPositions_data()
    {
        QTest::addColumn<int>("parallel");
        QTest::addColumn<int>("blockSize");
        QTest::newRow("0 counts as 1") << 0 << 8'388'608;
        QTest::newRow("1") << 1 << 8'388'608;
        QTest::newRow("2") << 2 << 4'194'304;
        QTest::newRow("3") << 3 << 2'796'202;
        QTest::newRow("16") << 16 << 524'288;
    }
    void parallelPositions()
    {
        QFETCH(int, parallel);
        QFETCH(int, blockSize);
        const QByteArray src = RandomBytes(20'000'003, 2);
        QVERIFY(WriteFile(Path("p.bin"), src));
        FileJobSettings s;
        s.parallel = parallel;
        s.computeCrc = true;
        TFileJob job;
        QCOMPARE(Run(job, s, Path("p.bin"), Path("p.out"), src.size()), std::string());
        QCOMPARE(job.BlockSize(), blockSize);
        QCOMPARE(job.SlotCount(), parallel == 0 ? 1 : parallel);
        QCOMPARE(ReadFile(Path("p.out")), src);
        QCOMPARE(job.Checksum().Crc.load(), TableCrc(0, src));
    }

    void jobShorterThanOneSlot()
    {
        const QByteArray src = RandomBytes(1000, 3);
        QVERIFY(WriteFile(Path("small.bin"), src));
        FileJobSettings s;
        s.computeCrc = true;
        TFileJob job;
        QCOMPARE(Run(job, s, Path("small.bin"), Path("small.out"), 1000), std::string());
        QCOMPARE(ReadFile(Path("small.out")), src);
        QCOMPARE(job.Checksum().Crc.load(), TableCrc(0, src));
        // An empty job still creates its (empty) output and ends.
        QCOMPARE(Run(job, s, Path("small.bin"), Path("empty.out"), 0), std::string());
        QVERIFY(QFileInfo::exists(Path("empty.out")));
        QCOMPARE(QFileInfo(Path("empty.out")).size(), 0);
    }

    void crcOnly()
    {
        QVERIFY(WriteFile(Path("abc.bin"), "abc"));
        FileJobSettings s;
        s.crcOnly = true;
        TFileJob job;
        QCOMPARE(Run(job, s, Path("abc.bin"), QString(), 3), std::string());
        QCOMPARE(job.Checksum().Crc.load(), 0xCA6598D0u);
        QCOMPARE(job.Writer().PartsWritten.load(), 0);
        QCOMPARE(job.Writer().Remaining.load(), 0);
        QCOMPARE(QDir(m_temp->path()).entryList(QDir::Files).size(), 1);

        const QByteArray src = RandomBytes(9'000'001, 4);
        QVERIFY(WriteFile(Path("c.bin"), src));
        s.parallel = 3;
        QCOMPARE(Run(job, s, Path("c.bin"), QString(), src.size()), std::string());
        QCOMPARE(job.Checksum().Crc.load(), TableCrc(0, src));
    }

    void splitMasks_data()
    {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("partSize");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("part???.bin") << "part???.bin" << 2'500'000 << 1'000'000
                                     << QStringList{"part001.bin", "part002.bin", "part003.bin"};
        QTest::newRow("a?b") << "a?b" << 25 << 10 << QStringList{"a1b", "a2b", "a3b"};
        QTest::newRow("no mask") << "name.ext" << 30 << 10 << QStringList{"name.ext01", "name.ext02", "name.ext03"};
        QStringList hundred;
        for (int i = 1; i <= 100; ++i)
            hundred << QStringLiteral("x%1").arg(i, 2, 10, QLatin1Char('0'));
        QTest::newRow("x?? to 100") << "x??" << 100 * 1000 << 1000 << hundred;
    }
    void splitMasks()
    {
        QFETCH(QString, mask);
        QFETCH(int, total);
        QFETCH(int, partSize);
        QFETCH(QStringList, names);
        const QByteArray src = RandomBytes(total, 5);
        QVERIFY(WriteFile(Path("src.bin"), src));
        FileJobSettings s;
        s.split = true;
        s.partSize = partSize;
        s.parallel = 16;
        TFileJob job;
        QCOMPARE(Run(job, s, Path("src.bin"), Path(mask), total), std::string());
        QCOMPARE(job.Writer().PartsWritten.load(), names.size());
        QByteArray joined;
        for (int i = 0; i < names.size(); ++i) {
            const QByteArray part = ReadFile(Path(names[i]));
            QCOMPARE(part.size(), qMin<qint64>(partSize, total - qint64(i) * partSize));
            joined += part;
        }
        QCOMPARE(joined, src);
        // No empty trailing part.
        QCOMPARE(QDir(m_temp->path()).entryList(QDir::Files).size(), names.size() + 1);
    }

    void mergeCrossesFileEnds_data() { AddPaths(); }
    void mergeCrossesFileEnds()
    {
        // The first file is not a multiple of the slot size, so one slot holds the end of the first
        // and the start of the second; the third is shorter than a slot.
        const QByteArray a = RandomBytes(4'194'304 + 777, 6), b = RandomBytes(5'000'000, 7), c = RandomBytes(10, 8);
        QVERIFY(WriteFile(Path("a"), a) && WriteFile(Path("b"), b) && WriteFile(Path("c"), c));
        FileJobSettings s;
        s.merge = true;
        s.joinList = {Std(Path("a")), Std(Path("b")), Std(Path("c"))};
        ApplyPath(s);
        TFileJob job;
        const QByteArray all = a + b + c;
        QCOMPARE(Run(job, s, QString(), Path("merged"), all.size()), std::string());
        QCOMPARE(ReadFile(Path("merged")), all);
        QCOMPARE(job.Reader().FileIndex.load(), 3);
        if (s.computeCrc)
            QCOMPARE(job.Checksum().Crc.load(), TableCrc(0, all));
    }

    void mergeAndSplit_data() { AddPaths(); }
    void mergeAndSplit()
    {
        const QByteArray a = RandomBytes(1'500'000, 9), b = RandomBytes(1'700'001, 10);
        QVERIFY(WriteFile(Path("a"), a) && WriteFile(Path("b"), b));
        FileJobSettings s;
        s.merge = true;
        s.split = true;
        s.partSize = 1'000'000;
        s.joinList = {Std(Path("a")), Std(Path("b"))};
        ApplyPath(s);
        TFileJob job;
        QCOMPARE(Run(job, s, Path("a"), Path("ms??.bin"), a.size() + b.size()), std::string());
        const QByteArray all = a + b;
        for (int i = 0; i < 4; ++i)
            QCOMPARE(ReadFile(Path(QStringLiteral("ms%1.bin").arg(i + 1, 2, 10, QLatin1Char('0')))),
                     all.mid(i * 1'000'000, 1'000'000));
        QCOMPARE(job.Writer().PartsWritten.load(), 4);
    }

    void headerCopy_data() { AddPaths(); }
    void headerCopy()
    {
        const QByteArray src = RandomBytes(25'000, 11);
        QVERIFY(WriteFile(Path("h.vob"), src));
        FileJobSettings s;
        s.split = true;
        s.partSize = 10'000;
        s.copyHeader = true;
        s.packSize = 2048;
        ApplyPath(s);
        TFileJob job;
        QCOMPARE(Run(job, s, Path("h.vob"), Path("h?.vob"), src.size()), std::string());
        const QByteArray header = src.left(4096);
        QCOMPARE(ReadFile(Path("h1.vob")), src.left(10'000));  // the first part gets no header
        QCOMPARE(ReadFile(Path("h2.vob")), header + src.mid(10'000, 10'000));
        QCOMPARE(ReadFile(Path("h3.vob")), header + src.mid(20'000));

        // A pack size whose double passes the header buffer is capped; the cut still follows the part size.
        s.packSize = 5000;
        QCOMPARE(Run(job, s, Path("h.vob"), Path("k?.vob"), src.size()), std::string());
        QCOMPARE(ReadFile(Path("k2.vob")), src.left(HeaderCopyBytes) + src.mid(10'000, 10'000));
    }

    void duplicateAtSlotEnd_data() { AddPaths(); }
    void duplicateAtSlotEnd()
    {
        const QByteArray src = RandomBytes(3 * Block16 + 1000, 12);
        QVERIFY(WriteFile(Path("d.bin"), src));
        FileJobSettings s;
        s.split = true;
        s.partSize = Block16;
        s.parallel = 16;
        s.duplicate = true;
        ApplyPath(s);
        TFileJob job;
        QCOMPARE(Run(job, s, Path("d.bin"), Path("d?"), src.size()), std::string());
        const QByteArray s0 = src.mid(0, Block16), s1 = src.mid(Block16, Block16), s2 = src.mid(2 * Block16, Block16);
        QCOMPARE(ReadFile(Path("d1")), s0);
        QCOMPARE(ReadFile(Path("d2")), s0 + s1);  // the whole slot that ended part 1 comes again
        QCOMPARE(ReadFile(Path("d3")), s1 + s2);
        QCOMPARE(ReadFile(Path("d4")), s2 + src.mid(3 * Block16));
        QCOMPARE(job.Writer().PartsWritten.load(), 4);
    }

    void advancedSkipsPackInSlotTail()
    {
        // Slot 0 is bytes [0, 524288). A navigation pack starting 1000 bytes before its end is no
        // candidate there, and the next slot's search starts after it: the cut lands on the next one.
        PackStream st(2 * Block16 / 2048 + 4);
        const qint64 tailNav = Block16 - 1000, nextNav = Block16 + 4096;
        st.Nav(0);
        st.Nav(tailNav);
        st.Nav(nextNav);
        QVERIFY(WriteFile(Path("nav.vob"), st.data));
        for (SplitMode mode : {SplitMode::Everywhere, SplitMode::AVSync, SplitMode::CellHeader}) {
            FileJobSettings s;
            s.split = true;
            s.partSize = 100'000;
            s.parallel = 16;
            s.advanced = true;
            s.splitMode = mode;
            TFileJob job;
            const QString mask = Path(QStringLiteral("t%1_?.vob").arg(int(mode)));
            QCOMPARE(Run(job, s, Path("nav.vob"), mask, st.data.size()), std::string());
            QCOMPARE(job.Writer().PartsWritten.load(), 2);
            const QString first = QString(mask).replace('?', '1'), second = QString(mask).replace('?', '2');
            QCOMPARE(ReadFile(first), st.data.left(nextNav));
            QCOMPARE(ReadFile(second), st.data.mid(nextNav));
        }
    }

    void advancedModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("cutPack");
        // Packs 60, 70 and 80 are navigation packs; 60 fails the a/v test, 60 and 70 the chapter test.
        QTest::newRow("everywhere") << 0 << 60;
        QTest::newRow("a/v sync") << 1 << 70;
        QTest::newRow("chapters") << 2 << 80;
    }
    void advancedModes()
    {
        QFETCH(int, mode);
        QFETCH(int, cutPack);
        PackStream st(200);
        st.Nav(0);
        for (int p : {60, 70, 80})
            st.Nav(qint64(p) * 2048);
        st.data[60 * 2048 + 1433] = char(0x80);  // audio lies before this pack
        st.data[60 * 2048 + 70] = 1;             // one minute into the cell
        st.data[70 * 2048 + 72] = 65;            // frame byte past the first frames
        QVERIFY(WriteFile(Path("m.vob"), st.data));
        FileJobSettings s;
        s.split = true;
        s.partSize = 50 * 2048;
        s.advanced = true;
        s.splitMode = SplitMode(mode);
        TFileJob job;
        QCOMPARE(Run(job, s, Path("m.vob"), Path("m??.vob"), st.data.size()), std::string());
        QCOMPARE(ReadFile(Path("m01.vob")), st.data.left(cutPack * 2048));
        // No navigation pack after the last cut within reach of a part: the last part takes the rest.
        const QByteArray rest = ReadFile(Path("m02.vob"));
        QCOMPARE(rest, st.data.mid(cutPack * 2048));
        QVERIFY(!QFileInfo::exists(Path("m03.vob")));
    }

    void advancedNoPackLeft()
    {
        PackStream st(100);
        st.Nav(0);
        QVERIFY(WriteFile(Path("n.vob"), st.data));
        FileJobSettings s;
        s.split = true;
        s.partSize = 10'000;
        s.advanced = true;
        s.splitMode = SplitMode::Everywhere;
        TFileJob job;
        QCOMPARE(Run(job, s, Path("n.vob"), Path("n?.vob"), st.data.size()), std::string());
        QCOMPARE(ReadFile(Path("n1.vob")), st.data);
        QCOMPARE(job.Writer().PartsWritten.load(), 1);
    }

    // The a/v test looks 1433 bytes past a candidate, further than the 1024 bytes candidates keep
    // from the end: such a candidate is rejected rather than read past the data.
    void splitPointStaysInsideData()
    {
        // Exactly sized buffers, so that a read past the end is caught by the address sanitizer.
        PackStream st(1);
        st.Nav(0);
        for (int length : {1023, 1024, 1433, 1434}) {
            const std::vector<uint8_t> buf(st.data.begin(), st.data.begin() + length);
            const int64_t all = length >= 1024 ? 0 : -1;
            QCOMPARE(TFileJob::FindSplitPoint(buf.data(), length, SplitMode::Everywhere), all);
            QCOMPARE(TFileJob::FindSplitPoint(buf.data(), length, SplitMode::CellHeader), all);
            QCOMPARE(TFileJob::FindSplitPoint(buf.data(), length, SplitMode::AVSync), length > 1433 ? 0 : -1);
        }
    }

    void abortKeepsWhatWasWritten()
    {
        const QByteArray src = RandomBytes(96 * 1024 * 1024, 13);
        QVERIFY(WriteFile(Path("big.bin"), src));
        FileJobSettings s;
        s.parallel = 16;
        TFileJob job;
        job.SetPaused(true);
        job.StartFileJob(s, Std(Path("big.bin")), Std(Path("big.out")), src.size(), 0);
        job.SetPaused(false);
        QTRY_VERIFY_WITH_TIMEOUT(job.Writer().Remaining.load() < src.size() || job.AllParked(), 20000);
        job.SetPaused(true);
        job.AbortFileJob();
        job.WaitUntilParked();
        QCOMPARE(job.ErrorText(), std::string());
        QCOMPARE(job.Reader().Remaining.load(), 0);
        const QByteArray out = ReadFile(Path("big.out"));
        QVERIFY(out.size() > 0);
        // Each worker finishes the slot it holds, so the output is whole slots of the input.
        QCOMPARE(out.size() % Block16 == 0 || out.size() == src.size(), true);
        QVERIFY(out == src.left(out.size()));
    }

    void writeFailureEndsJob()
    {
        const QByteArray src = RandomBytes(6'000'000, 14);
        QVERIFY(WriteFile(Path("w.bin"), src));
        FileJobSettings s;
        s.computeCrc = true;
        s.parallel = 4;
        TFileJob job;
        rlimit old{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit low = old;
        low.rlim_cur = 1'000'000;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &low), 0);
        const std::string error = Run(job, s, Path("w.bin"), Path("w.out"), src.size());
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &old), 0);
        QVERIFY2(error.find("w.out") != std::string::npos, error.c_str());
        QVERIFY(job.Failed());
        QVERIFY(job.AllParked());
        QVERIFY(QFileInfo(Path("w.out")).size() <= 1'000'000);

        // An output folder that does not exist.
        const std::string error2 = Run(job, s, Path("w.bin"), Path("no/such/dir/out"), src.size());
        QVERIFY2(error2.find("no/such/dir/out") != std::string::npos, error2.c_str());
    }

    void shrunkenInputEndsJob()
    {
        const QByteArray src = RandomBytes(3'000'000, 15);
        QVERIFY(WriteFile(Path("s.bin"), src));
        FileJobSettings s;
        TFileJob job;
        job.SetPaused(true);
        job.StartFileJob(s, Std(Path("s.bin")), Std(Path("s.out")), src.size(), 0);
        QVERIFY(QFile::resize(Path("s.bin"), 1'000'000));
        job.SetPaused(false);
        job.WaitUntilParked();
        QVERIFY2(job.ErrorText().find("s.bin") != std::string::npos, job.ErrorText().c_str());
        const QByteArray written = ReadFile(Path("s.out"));
        QVERIFY(written.size() <= 1'000'000 && written == src.left(written.size()));

        // A merge list that runs out before the length is reached.
        QVERIFY(WriteFile(Path("s.bin"), src));
        s.merge = true;
        s.joinList = {Std(Path("s.bin")), Std(Path("s.bin"))};
        QVERIFY(!Run(job, s, QString(), Path("s2.out"), 2 * src.size() + 5).empty());
        // A start offset past the end.
        FileJobSettings plain;
        const std::string past = Run(job, plain, Path("s.bin"), Path("s3.out"), 10, src.size() + 100);
        QVERIFY2(past.find("s.bin") != std::string::npos, past.c_str());
        // A missing input.
        QVERIFY(!Run(job, plain, Path("missing.bin"), Path("s4.out"), 10).empty());
    }

    // Offsets, lengths and counters beyond 32 bits, on a sparse file.
    void beyondFourGiB()
    {
        const qint64 four = qint64(4) << 30;
        QFile f(Path("sparse.bin"));
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.resize(four + 70'000));
        const QByteArray marker = RandomBytes(50'000, 16);
        QVERIFY(f.seek(four + 12'000));
        QCOMPARE(f.write(marker), marker.size());
        f.close();

        FileJobSettings s;
        TFileJob job;
        QCOMPARE(Run(job, s, Path("sparse.bin"), Path("far.out"), 60'000, four + 10'000), std::string());
        QCOMPARE(ReadFile(Path("far.out")), QByteArray(2000, '\0') + marker + QByteArray(8000, '\0'));

        // A checksum over more than 4 GiB counts every byte.
        FileJobSettings c;
        c.crcOnly = true;
        const int64_t total = four + 70'000;
        QCOMPARE(Run(job, c, Path("sparse.bin"), QString(), total), std::string());
        QCOMPARE(job.Reader().Remaining.load(), 0);
        const QByteArray zeros(1 << 20, '\0');
        uint32_t expected = 0;
        for (qint64 i = 0; i < four / zeros.size(); ++i)
            expected = CrcUpdate(expected, zeros.constData(), size_t(zeros.size()));
        QByteArray tail(70'000, '\0');
        tail.replace(12'000, marker.size(), marker);
        expected = CrcUpdate(expected, tail.constData(), size_t(tail.size()));
        QCOMPARE(job.Checksum().Crc.load(), expected);
    }
};

QTEST_GUILESS_MAIN(TestFileJob)
#include "tst_filejob.moc"
