#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "engine/checksums.h"
#include "engine/crc32.h"
#include "engine/mappedchecksum.h"
#include "enginetestutil.h"

#include <thread>

#include <fcntl.h>
#include <unistd.h>

using namespace testutil;

namespace {

// Sums of `data` by Python's zlib and hashlib: references that share no code with ours.
QStringList PythonSums(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("python3"), {QStringLiteral("-c"), QStringLiteral(
        "import sys, zlib, hashlib\n"
        "d = open(sys.argv[1], 'rb').read()\n"
        "print('%08X' % zlib.crc32(d), hashlib.sha256(d).hexdigest(), hashlib.md5(d).hexdigest())"), path});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return QString::fromLatin1(p.readAllStandardOutput()).trimmed().split(QLatin1Char(' '));
}

} // namespace

class TestChecksums : public QObject
{
    Q_OBJECT

private slots:
    void knownVectors()
    {
        kbx::ChecksumSet all(kbx::HashKinbox | kbx::HashCrc32 | kbx::HashSha256 | kbx::HashMd5);
        all.Update("123456789", 9);
        QCOMPARE(kbx::Hex32(all.Crc32()), std::string("CBF43926"));
        QCOMPARE(all.KinboxCrc(), TableCrc(0, QByteArray("123456789")));
        QCOMPARE(all.Sha256Hex(), std::string("15e2b0d3c33891ebb0f1ef609ec419420c20e320ce94c65fbc8c3312448eb225"));
        QCOMPARE(all.Md5Hex(), std::string("25f9e794323b453885f5181f1b624d0b"));
        // Finished digests stay as they are.
        QCOMPARE(all.Sha256Hex(), std::string("15e2b0d3c33891ebb0f1ef609ec419420c20e320ce94c65fbc8c3312448eb225"));

        kbx::ChecksumSet kinbox;
        kinbox.Update("abc", 3);
        QCOMPARE(kinbox.KinboxCrc(), 0xCA6598D0u);
        QCOMPARE(kinbox.Crc32(), 0x352441C2u);
        kbx::ChecksumSet empty(kbx::HashCrc32 | kbx::HashSha256);
        QCOMPARE(empty.Crc32(), 0u);
        QCOMPARE(empty.Sha256Hex(), std::string("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"));

        std::string bad;
        QCOMPARE(kbx::ParseHashKinds("kinbox,sha256"), unsigned(kbx::HashKinbox | kbx::HashSha256));
        QCOMPARE(kbx::ParseHashKinds("crc32,sha1", &bad), 0u);
        QCOMPARE(bad, std::string("sha1"));
    }

    void matchPythonReferences()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty())
            QSKIP("python3 is not installed");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("data"));
        const QByteArray data = RandomBytes(5 * 1024 * 1024 + 77, 3);
        QVERIFY(WriteFile(path, data));
        const QStringList ref = PythonSums(path);
        QCOMPARE(ref.size(), 3);
        // Fed in uneven pieces, as slots of a job cut it.
        kbx::ChecksumSet sums(kbx::HashCrc32 | kbx::HashSha256 | kbx::HashMd5);
        for (qint64 at = 0, step = 1; at < data.size(); at += step, step = step * 7 + 13)
            sums.Update(data.constData() + at, size_t(std::min<qint64>(step, data.size() - at)));
        QCOMPARE(QString::fromStdString(kbx::Hex32(sums.Crc32())), ref[0]);
        QCOMPARE(QString::fromStdString(sums.Sha256Hex()), ref[1]);
        QCOMPARE(QString::fromStdString(sums.Md5Hex()), ref[2]);
        // And folded from the file on several cores, by either route.
        for (bool read : {false, true}) {
            kbx::FoldOptions options;
            options.threads = 3;
            options.forceRead = read;
            options.forceMap = !read;
            options.window = 1 << 20;
            kbx::ChecksumSet folded(kbx::HashCrc32 | kbx::HashSha256);
            const kbx::FoldResult result = kbx::FoldFile(path.toStdString(), folded, options);
            QCOMPARE(result.mapped, !read);
            QCOMPARE(QString::fromStdString(kbx::Hex32(folded.Crc32())), ref[0]);
            QCOMPARE(QString::fromStdString(folded.Sha256Hex()), ref[1]);
        }
    }

    // Partial registers joined by the combine rule equal the serial register, wherever the cuts fall.
    void combinedEqualsSerial()
    {
        const QByteArray data = RandomBytes(3 * 4 * 1024 * 1024 + 4099, 11);
        const auto *bytes = reinterpret_cast<const uint8_t *>(data.constData());
        const uint32_t serial = kbx::CrcUpdate(0, bytes, size_t(data.size()));
        for (int threads : {1, 2, 3, 5, 64})
            QCOMPARE(kbx::ParallelRawCrc(bytes, size_t(data.size()), threads), serial);
        for (int cut : {0, 1, 4096, 5000001, int(data.size())}) {
            const uint32_t a = kbx::CrcUpdate(0, bytes, size_t(cut));
            const uint32_t b = kbx::CrcUpdate(0, bytes + cut, size_t(data.size() - cut));
            QCOMPARE(kbx::CrcCombine(a, b, uint64_t(data.size() - cut)), serial);
        }
        kbx::ChecksumSet joined(kbx::HashKinbox | kbx::HashCrc32);
        joined.AppendCrc(kbx::CrcUpdate(0, bytes, 1000), 1000);
        joined.UpdateCrc(bytes + 1000, size_t(data.size() - 1000));
        QCOMPARE(joined.KinboxCrc(), serial);
        QCOMPARE(joined.Crc32(), ~kbx::CrcUpdate(0xFFFFFFFFu, bytes, size_t(data.size())));
    }

    void foldSizeClasses_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::newRow("empty") << qint64(0);
        QTest::newRow("one byte") << qint64(1);
        QTest::newRow("a slot") << qint64(4194304);
        QTest::newRow("not a multiple of the window") << qint64(3 * 4194304 + 12345);
    }

    // Mapped and read folds equal the bytewise register; small windows make every size cross them.
    void foldSizeClasses()
    {
        QFETCH(qint64, size);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("f"));
        const QByteArray data = RandomBytes(size, 5);
        QVERIFY(WriteFile(path, data));
        const uint32_t expected = TableCrc(0, data);
        for (int route = 0; route < 3; ++route) {
            kbx::FoldOptions options;
            options.window = 1024 * 1024 + 4096;
            options.threads = 2;
            options.forceMap = route == 0;
            options.forceRead = route == 1;
            kbx::ChecksumSet sums(kbx::HashKinbox);
            const kbx::FoldResult result = kbx::FoldFile(path.toStdString(), sums, options);
            QCOMPARE(result.folded, size);
            QCOMPARE(sums.KinboxCrc(), expected);
        }
        // A range inside the file, starting off a page boundary.
        if (size > 10000) {
            const int fd = ::open(path.toLocal8Bit().constData(), O_RDONLY);
            kbx::ChecksumSet sums(kbx::HashKinbox);
            kbx::FoldOptions options;
            options.forceMap = true;
            options.window = 65536;
            kbx::FoldFileRange(fd, "f", 4097, size - 5000, sums, options);
            ::close(fd);
            QCOMPARE(sums.KinboxCrc(), TableCrc(0, data.mid(4097, size - 5000)));
        }
    }

    // Above 4 GiB: positions and lengths are 64-bit and windows never map the whole file.
    void foldAboveFourGiB()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sparse"));
        const qint64 gap = (qint64(1) << 32) + 5;
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QCOMPARE(f.write("abc", 3), qint64(3));
            QVERIFY(f.seek(3 + gap));
            QCOMPARE(f.write("xyz", 3), qint64(3));
        }
        // Zero bytes leave a register of 0 at 0, so the expected value needs no pass over them.
        const uint32_t expected =
            kbx::CrcUpdate(kbx::CrcShift(kbx::CrcUpdate(0, "abc", 3), uint64_t(gap)), "xyz", 3);
        for (bool read : {false, true}) {
            kbx::FoldOptions options;
            options.forceMap = !read;
            options.forceRead = read;
            options.window = 256 * 1024 * 1024;
            kbx::ChecksumSet sums(kbx::HashKinbox | kbx::HashCrc32);
            QCOMPARE(kbx::FoldFile(path.toStdString(), sums, options).folded, gap + 6);
            QCOMPARE(sums.KinboxCrc(), expected);
            QCOMPARE(sums.Crc32(), kbx::StandardFromRaw(expected, uint64_t(gap + 6)));
        }
    }

    // Where mapping is not possible (a pipe has no pages to map) the bytes are read.
    void fallsBackToReading()
    {
        QTemporaryDir dir;
        const QByteArray data = RandomBytes(300000, 9);
        int fds[2];
        QCOMPARE(::pipe(fds), 0);
        const QString fifo = QStringLiteral("/dev/fd/%1").arg(fds[0]);
        std::thread writer([&] {
            for (qint64 at = 0; at < data.size();) {
                const ssize_t put = ::write(fds[1], data.constData() + at, size_t(data.size() - at));
                if (put <= 0)
                    break;
                at += put;
            }
            ::close(fds[1]);
        });
        kbx::ChecksumSet sums(kbx::HashKinbox);
        const kbx::FoldResult result = kbx::FoldFile(fifo.toStdString(), sums, {});
        writer.join();
        ::close(fds[0]);
        QCOMPARE(result.mapped, false);
        QCOMPARE(sums.KinboxCrc(), TableCrc(0, data));

        // A file shorter than the range asked for is an error naming it, not a crash.
        const QString path = dir.filePath(QStringLiteral("short"));
        QVERIFY(WriteFile(path, data.left(1000)));
        const int fd = ::open(path.toLocal8Bit().constData(), O_RDONLY);
        kbx::ChecksumSet more;
        try {
            kbx::FoldFileRange(fd, path.toStdString(), 0, 2000, more, {});
            QFAIL("no error for a short file");
        } catch (const std::runtime_error &e) {
            QVERIFY(QString::fromLocal8Bit(e.what()).contains(path));
        }
        ::close(fd);
    }
};

QTEST_GUILESS_MAIN(TestChecksums)
#include "tst_checksums.moc"
