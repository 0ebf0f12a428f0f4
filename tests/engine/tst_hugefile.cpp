#include <QFile>
#include <QDateTime>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include "engine/hugefile.h"

using namespace kbx;

namespace {

constexpr int64_t GiB = int64_t(1) << 30;

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    for (auto &byte : data)
        byte = char(generator.generate() & 0xFF);
    return data;
}

void writeFile(const std::string &name, const QByteArray &data)
{
    QFile file(QString::fromStdString(name));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(data), data.size());
}

QByteArray readFile(const std::string &name)
{
    QFile file(QString::fromStdString(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Runs body and returns the help context of the EQsHugeFile it raised, or 0 (message in *message).
template<typename Body>
int raisedHelp(Body body, std::string *message = nullptr)
{
    try {
        body();
    } catch (const EQsHugeFile &error) {
        if (message)
            *message = error.what();
        return error.helpContext();
    }
    return 0;
}

// Caps the process's file size so writes fail with EFBIG instead of killing the process.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved {};
    void (*m_handler)(int) = nullptr;
};

} // namespace

class TestHugeFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::string path(const char *name) const { return m_dir.filePath(name).toStdString(); }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void openResults()
    {
        const std::string missing = path("missing.bin");
        TQsHugeFile reader(missing, AttributeNormal, GenericRead, 0);
        QCOMPARE(reader.Reset(1, 0, Buffered), int(OpenFailed));
        QCOMPARE(reader.LastError(), uint32_t(ENOENT));
        QVERIFY(!reader.IsOpen());
        std::string message;
        QCOMPARE(raisedHelp([&] { reader.Reset(1); }, &message), int(HelpSystemError));
        QVERIFY(QString::fromStdString(message).startsWith(
            QString::fromStdString("TQsHugeFile.Reset(" + missing + ") failed. System error.  Code: 2.\r\n")));
        QVERIFY(!QFile::exists(QString::fromStdString(missing)));

        QCOMPARE(reader.Reset(1, 0, Buffered | CanCreate), int(OpenOk));
        reader.Close();
        QCOMPARE(readFile(missing), QByteArray());

        const std::string existing = path("existing.bin");
        writeFile(existing, "old content");
        TQsHugeFile writer(existing);
        writer.Rewrite(1);
        QCOMPARE(writer.FileSize(), 0);
        writer.Close();
        QCOMPARE(readFile(existing), QByteArray());

        TQsHugeFile folder(m_dir.path().toStdString(), AttributeNormal, GenericRead, 0);
        QCOMPARE(folder.Reset(1, 0, Buffered), int(OpenFailed));
    }

    void misuseErrors()
    {
        const std::string name = path("misuse.bin");
        writeFile(name, QByteArray(100, 'x'));
        TQsHugeFile file(name);
        std::string message;
        QCOMPARE(raisedHelp([&] { file.Reset(0, 0, Buffered); }, &message), int(HelpBlockSize));
        QCOMPARE(message, "TQsHugeFile(" + name + "):BlockSize must be greater than zero!");

        char byte[16] = {};
        int64_t done = 0;
        for (int round = 0; round < 2; ++round) {   // never opened, then opened and closed
            QCOMPARE(raisedHelp([&] { file.BlockRead(byte, 1, done); }, &message), int(HelpNotOpen));
            QCOMPARE(message, "TQsHugeFile(" + name + "):File not open!");
            QCOMPARE(raisedHelp([&] { file.BlockWrite(byte, 1, done); }), int(HelpNotOpen));
            QCOMPARE(raisedHelp([&] { file.Seek(0); }), int(HelpNotOpen));
            QCOMPARE(raisedHelp([&] { file.FilePos(); }), int(HelpNotOpen));
            QCOMPARE(raisedHelp([&] { file.FileSize(); }), int(HelpNotOpen));
            QCOMPARE(raisedHelp([&] { file.Truncate(); }), int(HelpNotOpen));
            file.Reset(1);
            file.Close();
            file.Close();
        }

        // Buffered writes only at the end of a file opened for reading.
        file.Reset(1);
        file.Seek(50);
        QCOMPARE(raisedHelp([&] { file.BlockWrite("abc", 3, done); }, &message), int(HelpWriteWhileReading));
        QCOMPARE(message, "TQsHugeFile(" + name + "):Write while in buffered read mode!");
        file.Seek(100);
        file.BlockWrite("abc", 3, done);
        QCOMPARE(done, 3);
        QCOMPARE(raisedHelp([&] { file.BlockRead(byte, 1, done); }, &message), int(HelpReadWhileWriting));
        QCOMPARE(message, "TQsHugeFile(" + name + "):Read while in buffered write mode!");
        file.Close();
        QCOMPARE(readFile(name), QByteArray(100, 'x') + "abc");
    }

    void readPastEndAndUnflushedSize()
    {
        const std::string name = path("short.bin");
        const QByteArray data = randomBytes(100, 1);
        writeFile(name, data);
        TQsHugeFile file(name, AttributeNormal, GenericRead, 0);
        QCOMPARE(file.Reset(7, 0, Buffered), int(OpenOk));
        QByteArray got(140, 0);
        int64_t done = -1;
        file.BlockRead(got.data(), 20, done);
        QCOMPARE(done, 14);
        QCOMPARE(got.left(100), data);
        file.BlockRead(got.data(), 20, done);
        QCOMPARE(done, 0);
        QCOMPARE(file.FileSize(), 14);

        TQsHugeFile writer(path("unflushed.bin"));
        writer.Rewrite(1);
        writer.BlockWrite(data.constData(), 100, done);
        QCOMPARE(QFileInfo(QString::fromStdString(path("unflushed.bin"))).size(), 0);
        QCOMPARE(writer.FileSize(), 100);
        QCOMPARE(writer.FilePos(), 100);
        writer.Close();
        QCOMPARE(readFile(path("unflushed.bin")), data);
    }

    void seekInsideBufferIsFree()
    {
        const std::string name = path("seek.bin");
        const QByteArray data = randomBytes(200000, 2);
        writeFile(name, data);
        TQsHugeFile file(name, AttributeNormal, GenericRead, 0);
        file.Reset(1);
        QByteArray got(100, 0);
        int64_t done = 0;
        file.BlockRead(got.data(), 10, done);
        const uint64_t calls = file.SystemCalls();
        file.Seek(30000);
        QCOMPARE(file.SystemCalls(), calls);
        file.BlockRead(got.data(), 16, done);
        QCOMPARE(got.left(16), data.mid(30000, 16));
        QCOMPARE(file.FilePos(), 30016);
        QCOMPARE(file.SystemCalls(), calls);

        for (int64_t target : {int64_t(150000), int64_t(5), int64_t(65536), int64_t(199990)}) {
            file.Seek(target);
            file.BlockRead(got.data(), 100, done);
            QCOMPARE(done, std::min<int64_t>(100, 200000 - target));
            QCOMPARE(got.left(int(done)), data.mid(target, done));
        }
        QVERIFY(file.SystemCalls() > calls);
    }

    void roundTrip_data()
    {
        QTest::addColumn<uint32_t>("recordSize");
        QTest::addColumn<unsigned>("options");
        QTest::addColumn<uint32_t>("bufferSize");
        QTest::newRow("bytes") << 1u << unsigned(Buffered) << 0u;
        QTest::newRow("records of 7") << 7u << unsigned(Buffered) << 0u;
        QTest::newRow("odd buffer, locked") << 1u << unsigned(Buffered | LockBuffer) << 5000u;
        QTest::newRow("unbuffered") << 7u << 0u << 0u;
    }

    void roundTrip()
    {
        QFETCH(uint32_t, recordSize);
        QFETCH(unsigned, options);
        QFETCH(uint32_t, bufferSize);
        const std::string name = path("roundtrip.bin");
        // Pieces below, at and across the buffer size, and one large direct transfer.
        const int64_t writes[] = {1, 65535, 3, 65536, 70001, 9, 2 * 1024 * 1024 + 5, 131071, 2};
        const int64_t reads[] = {65537, 2, 8 * 1024 * 1024, 1};
        int64_t total = 0;
        for (int64_t piece : writes)
            total += piece;
        const QByteArray data = randomBytes(total * recordSize, 3);

        TQsHugeFile writer(name);
        QCOMPARE(writer.Rewrite(recordSize, bufferSize, options), int(OpenOk));
        QCOMPARE(writer.BufferLocked(), (options & LockBuffer) != 0);
        int64_t at = 0;
        for (int64_t piece : writes) {
            int64_t done = 0;
            writer.BlockWrite(data.constData() + at * recordSize, piece, done);
            QCOMPARE(done, piece);
            at += piece;
            QCOMPARE(writer.FilePos(), at);
        }
        writer.Close();
        QCOMPARE(readFile(name), data);

        TQsHugeFile reader(name, AttributeNormal, GenericRead, ShareFromAccess);
        QCOMPARE(reader.Reset(recordSize, bufferSize, options), int(OpenOk));
        QByteArray got(data.size(), 0);
        at = 0;
        for (int64_t piece : reads) {
            int64_t done = 0;
            reader.BlockRead(got.data() + at * recordSize, std::min(piece, total - at), done);
            QCOMPARE(done, std::min(piece, total - at));
            at += done;
        }
        QCOMPARE(at, total);
        QCOMPARE(got, data);
    }

    void reopenAndTruncate()
    {
        const std::string name = path("truncate.bin");
        const QByteArray data = randomBytes(1000, 4);
        TQsHugeFile file(name);
        file.Rewrite(1);
        int64_t done = 0;
        file.BlockWrite(data.constData(), 500, done);
        // Re-opening an open object flushes the writes and starts reading at 0.
        QCOMPARE(file.Reset(1, 0, Buffered), int(OpenOk));
        QCOMPARE(file.FilePos(), 0);
        QByteArray got(1000, 0);
        file.BlockRead(got.data(), 1000, done);
        QCOMPARE(got.left(int(done)), data.left(500));
        file.Seek(300);
        file.Truncate();
        QCOMPARE(file.FileSize(), 300);
        file.Close();
        QCOMPARE(readFile(name), data.left(300));

        file.Rewrite(1);
        file.BlockWrite(data.constData(), 1000, done);
        file.Seek(200);   // flushes the buffer before cutting
        file.Truncate();
        file.Close();
        QCOMPARE(readFile(name), data.left(200));

        file.Reset(1, 0, 0);
        file.Seek(50);
        file.Truncate();
        QCOMPARE(file.Rewrite(1, 0, Buffered), int(OpenOk));   // a re-open that empties the file
        file.Close();
        QCOMPARE(readFile(name), QByteArray());
    }

    void sharing()
    {
        const std::string name = path("shared.bin");
        writeFile(name, "keep me");
        QCOMPARE(HugeFileSize(name), 7);
        QCOMPARE(HugeFileSize(path("nothing.bin")), -1);

        TQsHugeFile holder(name, AttributeNormal, GenericRead, 0);
        holder.Reset(1);
        TQsHugeFile second(name, AttributeNormal, GenericRead, 0);
        QCOMPARE(second.Reset(1, 0, Buffered), int(OpenInUse));
        QCOMPARE(second.LastError(), ErrorSharingViolation);
        std::string message;
        QCOMPARE(raisedHelp([&] { second.Reset(1); }, &message), int(HelpSystemError));
        QVERIFY(message.find("Code: 32.") != std::string::npos);
        TQsHugeFile writer(name);
        QCOMPARE(writer.Rewrite(1, 0, Buffered), int(OpenInUse));
        QCOMPARE(HugeFileSize(name), -1);
        QCOMPARE(readFile(name), QByteArray("keep me"));
        TQsHugeFile sharesAll(name, AttributeNormal, GenericRead, ShareRead | ShareWrite);
        QCOMPARE(sharesAll.Reset(1, 0, Buffered), int(OpenOk));
        holder.Close();

        // Readers that share reading coexist and keep a writer out.
        TQsHugeFile readerA(name, AttributeNormal, GenericRead, ShareRead);
        TQsHugeFile readerB(name, AttributeNormal, GenericRead, ShareFromAccess);
        QCOMPARE(readerA.Reset(1, 0, Buffered), int(OpenOk));
        QCOMPARE(readerB.Reset(1, 0, Buffered), int(OpenOk));
        QCOMPARE(writer.Rewrite(1, 0, Buffered), int(OpenInUse));
        readerA.Close();
        readerB.Close();

        holder.Reset(1);
        QCOMPARE(second.Reset(1, 0, Buffered, 30, 5), int(OpenInUse));
        std::thread release([&holder] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            holder.Close();
        });
        const int result = second.Reset(1, 0, Buffered, 20000, 5);
        release.join();
        QCOMPARE(result, int(OpenOk));
        QCOMPARE(second.FileSize(), 7);
    }

    void beyondFourGiB()
    {
        const std::string name = path("sparse.bin");
        const int64_t size = 5 * GiB + 3;
        {
            QFile file(QString::fromStdString(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(size));
        }
        TQsHugeFile file(name);
        QCOMPARE(file.Reset(1, 0, 0), int(OpenOk));
        QCOMPARE(file.FileSize(), size);
        int64_t done = 0;
        file.Seek(4 * GiB - 2);
        file.BlockWrite("ABCD", 4, done);
        QCOMPARE(file.FilePos(), 4 * GiB + 2);
        file.Seek(size - 2);
        file.BlockWrite("YZ", 2, done);
        QCOMPARE(file.FilePos(), size);

        QCOMPARE(file.Reset(1, 0, Buffered), int(OpenOk));
        char got[16] = {};
        file.Seek(4 * GiB - 3);
        file.BlockRead(got, 6, done);
        QCOMPARE(QByteArray(got, 6), QByteArray("\0ABCD\0", 6));
        QCOMPARE(file.FilePos(), 4 * GiB + 3);
        file.Seek(size - 2);
        file.BlockRead(got, 10, done);
        QCOMPARE(QByteArray(got, int(done)), QByteArray("YZ"));
        file.BlockWrite("tail", 4, done);   // at the end: allowed, still buffered
        QCOMPARE(file.FileSize(), size + 4);
        file.Close();
        QCOMPARE(HugeFileSize(name), size + 4);

        file.Reset(1);
        file.Seek(4 * GiB + 1);
        file.Truncate();
        file.Close();
        QCOMPARE(QFileInfo(QString::fromStdString(name)).size(), 4 * GiB + 1);
    }

    void closeAtEnd()
    {
        const std::string name = path("closeatend.bin");
        const QByteArray data = randomBytes(200000, 5);
        writeFile(name, data);
        TQsHugeFile file(name, AttributeNormal, GenericRead, 0);
        QCOMPARE(file.Reset(1, 0, Buffered | CloseAtEnd), int(OpenOk));
        QByteArray got(data.size(), 0);
        int64_t at = 0;
        int64_t done = 0;
        while (!file.HalfClosed()) {
            QVERIFY(at < data.size());
            file.BlockRead(got.data() + at, 1000, done);
            at += done;
        }
        // The handle is gone, so others may open the file; the tail still comes from the buffer.
        QCOMPARE(file.Handle(), -1);
        QCOMPARE(HugeFileSize(name), data.size());
        QCOMPARE(file.FileSize(), data.size());
        char tail[10] = {};
        file.Seek(data.size() - 5);
        file.BlockRead(tail, 4, done);   // short of the end: the buffer stays
        QCOMPARE(QByteArray(tail, int(done)), data.right(5).left(4));
        file.Seek(at);   // back inside the buffer: no handle needed
        while (at < data.size()) {
            file.BlockRead(got.data() + at, 1000, done);
            QVERIFY(done > 0);
            at += done;
        }
        QCOMPARE(got, data);
        file.BlockRead(tail, 10, done);
        QCOMPARE(done, 0);
        file.Seek(data.size());
        QCOMPARE(raisedHelp([&] { file.Seek(0); }), int(HelpNotOpen));
        QCOMPARE(raisedHelp([&] { file.BlockWrite("x", 1, done); }), int(HelpNotOpen));
        file.Close();
        QVERIFY(!file.IsOpen());
    }

    void dates()
    {
        const std::string name = path("dated.bin");
        const auto when = std::chrono::system_clock::time_point(std::chrono::seconds(981173106))
                          + std::chrono::nanoseconds(789000000);
        TQsHugeFile file(name);
        file.Rewrite(1);
        int64_t done = 0;
        file.BlockWrite("pending", 7, done);
        file.SetDate(when);   // the pending bytes are written first, so Close keeps the date
        file.Close();
        QCOMPARE(readFile(name), QByteArray("pending"));
        file.Reset(1);
        QVERIFY(file.FileDate() == when);
        QCOMPARE(QFileInfo(QString::fromStdString(name)).lastModified().toMSecsSinceEpoch(),
                 qint64(981173106789));
    }

    void writeFailuresAreReported()
    {
        int64_t done = 0;
        const QByteArray data = randomBytes(300000, 6);
        {
            FileSizeLimit limit(100000);
            TQsHugeFile direct(path("limited-direct.bin"));
            direct.Rewrite(1);
            direct.BlockWrite(data.constData(), data.size(), done);
            QCOMPARE(done, 100000);
            QCOMPARE(direct.LastError(), uint32_t(EFBIG));
            direct.Close();

            TQsHugeFile unbuffered(path("limited-plain.bin"));
            unbuffered.Rewrite(1, 0, 0);
            std::string message;
            QCOMPARE(raisedHelp([&] { unbuffered.BlockWrite(data.constData(), 200000, done); }, &message),
                     int(HelpSystemError));
            QCOMPARE(done, 100000);
            QVERIFY(message.find("TQsHugeFile.BlockWrite(") == 0);
        }
        {
            FileSizeLimit limit(1000);
            TQsHugeFile buffered(path("limited-close.bin"));
            buffered.Rewrite(1);
            buffered.BlockWrite(data.constData(), 5000, done);
            QCOMPARE(done, 5000);
            std::string message;
            QCOMPARE(raisedHelp([&] { buffered.Close(); }, &message), int(HelpSystemError));
            QVERIFY(message.find("TQsHugeFile.FreeBuffer(") == 0);
            QVERIFY(message.find("Code: 27.") != std::string::npos);
            QVERIFY(!buffered.IsOpen());

            buffered.Rewrite(1);
            buffered.BlockWrite(data.constData(), 5000, done);
            QCOMPARE(raisedHelp([&] { buffered.Seek(0); }), int(HelpSystemError));
        }
    }

    void compressStillOpens()
    {
        const std::string name = path("compressed.bin");
        TQsHugeFile file(name);
        QCOMPARE(file.Rewrite(1, 0, Buffered | Compress), int(OpenOk));
        int flags = 0;
        const bool compressed = ioctl(file.Handle(), FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_COMPR_FL);
        QVERIFY2(compressed || file.LastError() != 0, "neither compressed nor a reason recorded");
        int64_t done = 0;
        file.BlockWrite("data", 4, done);
        file.Close();
        QCOMPARE(readFile(name), QByteArray("data"));
    }
};

QTEST_GUILESS_MAIN(TestHugeFile)
#include "tst_hugefile.moc"
