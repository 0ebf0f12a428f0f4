#include "moviesplit/avsplitter.h"
#include "moviesplit/psplitter.h"
#include "moviesplit/splitjob.h"
#include "moviefixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

using namespace kbx;
using namespace moviefixtures;

Q_DECLARE_METATYPE(kbx::SplitRequest)

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// An MPEG-2 pack header for `clock`, as a multiplexer writes it.
QByteArray packHeader(uint64_t clock)
{
    QByteArray h("\0\0\1\xBA", 4);
    h += char(0x44 | ((clock >> 30) & 7) << 3 | ((clock >> 28) & 3));
    h += char((clock >> 20) & 0xFF);
    h += char(((clock >> 15) & 0x1F) << 3 | 0x04 | ((clock >> 13) & 3));
    h += char((clock >> 5) & 0xFF);
    h += char((clock & 0x1F) << 3 | 0x04);
    h += QByteArray("\x01\x89\xC3\xF8\xF8", 5);   // clock extension, mux rate, no stuffing
    return h;
}

QByteArray packet(uint8_t stream, int length)
{
    QByteArray p("\0\0\1", 3);
    p += char(stream);
    p += char(length >> 8);
    p += char(length & 0xFF);
    return p + QByteArray(length, char(0xFF));
}

// One split through the job, every name approved.
struct Run
{
    std::string error;
    std::vector<std::string> names;
};

Run split(const QString &source, const QString &output, const SplitRequest &request)
{
    TMovieSplitJob job;
    job.Start(source.toStdString(), output.toStdString(), request);
    while (job.CurrentState() != TMovieSplitJob::State::Finished) {
        if (job.CurrentState() == TMovieSplitJob::State::Planned)
            job.Approve(true);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    job.Wait();
    return {job.ErrorText(), job.Outcome().names};
}

SplitRequest bySize(int64_t bytes) { SplitRequest r; r.by = SplitBy::Size; r.size = bytes; return r; }
SplitRequest byCount(int count) { SplitRequest r; r.by = SplitBy::Count; r.count = count; return r; }
SplitRequest byDuration(double s) { SplitRequest r; r.by = SplitBy::Duration; r.seconds = s; return r; }

// Stops the split as soon as the second segment is opened.
class StopAtSecond : public SegmentSink
{
public:
    StopAtSecond(QString folder, SplitControl &control) : m_folder(std::move(folder)), m_control(control) {}
    std::string Open(int index) override
    {
        if (index == 1)
            m_control.abort.store(true);
        return QDir(m_folder).filePath(QStringLiteral("part%1.%2").arg(index).arg(extension)).toStdString();
    }
    QString extension = QStringLiteral("mkv");

private:
    QString m_folder;
    SplitControl &m_control;
};

} // namespace

class TestMovieSplitJob : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    bool m_ffmpeg = false;

    QString movie(const QString &kind) const { return m_dir.filePath(QStringLiteral("movie.") + kind); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_ffmpeg = HaveFfmpeg();
        if (!m_ffmpeg)
            return;
        for (const char *kind : {"mkv", "mp4", "ts", "avi", "vob"})
            QVERIFY2(MakeMovie(movie(QLatin1String(kind)), QLatin1String(kind)), kind);
    }

    void segmentNames()
    {
        QCOMPARE(SegmentNames("seg??.mkv", 3), (std::vector<std::string>{"seg01.mkv", "seg02.mkv", "seg03.mkv"}));
        // A number longer than its mask is kept whole.
        QCOMPARE(SegmentNames("s?.ts", 11).back(), std::string("s11.ts"));
        // Without a mask one goes before the name's first dot, as wide as the count; a dot in a
        // folder name is not the name's.
        QCOMPARE(SegmentNames("/a.b/movie.part.vob", 12).front(), std::string("/a.b/movie01.part.vob"));
        QCOMPARE(SegmentNames("/a.b/movie", 2).back(), std::string("/a.b/movie2"));
    }

    void everyContainerAndMode_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<SplitRequest>("request");
        QTest::addColumn<int>("segments");  // 0: at least the movie's size over the segment size
        for (const QString kind : {"mkv", "mp4", "ts", "avi", "vob"}) {
            QTest::newRow(qPrintable(kind + " by count")) << kind << byCount(3) << 3;
            QTest::newRow(qPrintable(kind + " by duration")) << kind << byDuration(3) << 3;
            const int64_t size = kind == QLatin1String("avi") ? 250000 : 120000;
            QTest::newRow(qPrintable(kind + " by size")) << kind << bySize(size) << 0;
        }
    }

    void everyContainerAndMode()
    {
        if (!m_ffmpeg)
            QSKIP("ffmpeg is not installed");
        QFETCH(QString, kind);
        QFETCH(SplitRequest, request);
        QFETCH(int, segments);
        QTemporaryDir out;
        const QString source = movie(kind);
        const Run run = split(source, out.filePath(QStringLiteral("seg??.") + kind), request);
        QVERIFY2(run.error.empty(), run.error.c_str());
        const qint64 sourceSize = QFileInfo(source).size();
        if (segments)
            QCOMPARE(int(run.names.size()), segments);
        else
            QVERIFY(int64_t(run.names.size()) * request.size >= sourceSize);

        const Probe whole = ProbeMovie(source);
        std::vector<int> packets(size_t(whole.streams), 0);
        double duration = 0;
        QByteArray joined;
        for (const std::string &name : run.names) {
            const QString path = QString::fromStdString(name);
            const Probe p = ProbeMovie(path);
            QVERIFY2(p.opened, name.c_str());
            QCOMPARE(p.streams, whole.streams);
            QVERIFY2(p.startsWithKeyFrame, name.c_str());
            if (request.by == SplitBy::Size)
                QVERIFY2(QFileInfo(path).size() <= request.size, name.c_str());
            for (int s = 0; s < p.streams; ++s)
                packets[size_t(s)] += p.packets[size_t(s)];
            duration += p.duration;
            const QByteArray bytes = readAll(path);
            if (kind == QLatin1String("vob")) {
                // Each segment begins with a navigation pack: a pack header, then a system header.
                QVERIFY(bytes.startsWith(QByteArray("\0\0\1\xBA", 4)));
                QCOMPARE(bytes.mid(14, 4), QByteArray("\0\0\1\xBB", 4));
            } else {
                QVERIFY2(p.start < 0.05, name.c_str());
            }
            joined += bytes;
        }
        if (kind == QLatin1String("vob")) {
            QVERIFY(joined == readAll(source));
        } else {
            // Every packet went into exactly one segment, and the playing times add up.
            QCOMPARE(packets, whole.packets);
            QVERIFY2(qAbs(duration - whole.duration) <= 0.05 * double(run.names.size()),
                     qPrintable(QStringLiteral("%1 against %2").arg(duration).arg(whole.duration)));
        }
    }

    // A long stream is walked in stretches at once. Each padding packet holds pack headers that are
    // not packs, so a stretch's walk starts on one of them: its findings, a clock far in the future
    // among them, must not count, and the navigation packs and duration are those of one walk.
    void longStreamWalkedInStretches()
    {
        QTemporaryDir dir;
        const QString vob = dir.filePath(QStringLiteral("long.vob"));
        QFile f(vob);
        QVERIFY(f.open(QIODevice::WriteOnly));
        const int packs = 33001;   // 66 MiB, the stretch bounds inside packs
        QByteArray decoy = packHeader(uint64_t(1) << 32) + QByteArray(50, char(0xFF));
        for (int j = 0; j < packs; ++j) {
            QByteArray pack = packHeader(uint64_t(j) * 1800);
            if (j % 100 == 0) {
                pack += packet(0xBB, 18) + packet(0xBF, 2048 - 14 - 24 - 6);
            } else {
                QByteArray padding = packet(0xBE, 2048 - 14 - 6);
                for (int at : {500, 1100, 1700})
                    padding.replace(at, decoy.size(), decoy);
                pack += padding;
            }
            QCOMPARE(pack.size(), 2048);
            QCOMPARE(f.write(pack), qint64(2048));
        }
        f.close();
        SplitControl control;
        const PsIndex index = ScanProgramStream(vob.toStdString(), control);
        QVERIFY(index.navPacks);
        QCOMPARE(index.cuts.size(), size_t(331));
        for (size_t k = 0; k < index.cuts.size(); ++k) {
            QCOMPARE(index.cuts[k].offset, int64_t(k) * 100 * 2048);
            QCOMPARE(index.cuts[k].seconds, double(k) * 2.0);
        }
        QCOMPARE(index.duration, double(packs - 1) * 1800 / 90000);
        QCOMPARE(control.done.load(), index.size);
    }

    // A movie that cannot be opened for writing the segments fails the split; it does not end as a
    // split that wrote nothing.
    void writingFailsWhenTheMovieIsGone()
    {
        QTemporaryDir dir;
        SplitControl control;
        StopAtSecond sink(dir.path(), control);
        PsIndex index;
        index.size = 8192;
        SplitOutcome outcome;
        const std::string gone = dir.filePath(QStringLiteral("gone.vob")).toStdString();
        std::string error;
        try {
            WriteProgramStream(gone, index, {0, 4096}, sink, control, outcome);
        } catch (const ESplit &e) {
            error = e.what();
        }
        QVERIFY2(error.find("gone.vob") != std::string::npos, error.c_str());
        QVERIFY(outcome.names.empty());
    }

    void durationCutsAtNavigationPackBefore()
    {
        if (!m_ffmpeg)
            QSKIP("ffmpeg is not installed");
        SplitControl control;
        const PsIndex index = ScanProgramStream(movie(QStringLiteral("vob")).toStdString(), control);
        QVERIFY(index.navPacks);
        QVERIFY(index.cuts.size() > 8);
        QCOMPARE(control.done.load(), index.size);
        const std::vector<int64_t> starts = PlanProgramStream(index, byDuration(2.5), "movie.vob");
        for (size_t k = 1; k < starts.size(); ++k) {
            const double t = 2.5 * double(k);
            size_t i = 0;
            while (index.cuts[i].offset != starts[k])
                ++i;
            QVERIFY(index.cuts[i].seconds <= t);
            QVERIFY(i + 1 == index.cuts.size() || index.cuts[i + 1].seconds > t);
        }
    }

    void refusals()
    {
        if (!m_ffmpeg)
            QSKIP("ffmpeg is not installed");
        QTemporaryDir out;
        const QString source = movie(QStringLiteral("mkv"));
        const QByteArray original = readAll(source);
        // Not a movie.
        const QString text = out.filePath(QStringLiteral("notes.mkv"));
        QFile f(text);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("just some text\n") > 0);
        f.close();
        Run run = split(text, out.filePath(QStringLiteral("a??.mkv")), byCount(2));
        QVERIFY(QString::fromStdString(run.error).contains(text));
        QVERIFY(run.names.empty());
        run = split(out.filePath(QStringLiteral("missing.mkv")), out.filePath(QStringLiteral("a??.mkv")), byCount(2));
        QVERIFY(QString::fromStdString(run.error).contains(QStringLiteral("missing.mkv")));
        // A segment size below one group of pictures cannot be kept.
        run = split(source, out.filePath(QStringLiteral("b??.mkv")), bySize(2000));
        QVERIFY(!run.error.empty());
        QVERIFY(run.names.empty());
        run = split(movie(QStringLiteral("vob")), out.filePath(QStringLiteral("b??.vob")), bySize(2000));
        QVERIFY(!run.error.empty());
        QVERIFY(run.names.empty());
        // A container that cannot take the streams.
        run = split(source, out.filePath(QStringLiteral("c?.wav")), byCount(2));
        QVERIFY2(QString::fromStdString(run.error).contains(QStringLiteral("cannot hold")), run.error.c_str());
        // An output that is the source, by name or through a second link.
        const QString link = out.filePath(QStringLiteral("alias1.mkv"));
        QVERIFY(QFile::link(source, link));
        run = split(source, out.filePath(QStringLiteral("alias?.mkv")), byCount(1));
        QVERIFY2(QString::fromStdString(run.error).contains(QStringLiteral("alias1.mkv")), run.error.c_str());
        QVERIFY(readAll(source) == original);
    }

    void stopKeepsWhatWasWritten()
    {
        if (!m_ffmpeg)
            QSKIP("ffmpeg is not installed");
        QTemporaryDir out;
        {
            SplitControl control;
            const std::string vob = movie(QStringLiteral("vob")).toStdString();
            const PsIndex index = ScanProgramStream(vob, control);
            const std::vector<int64_t> starts = PlanProgramStream(index, byCount(3), vob);
            StopAtSecond sink(out.path(), control);
            sink.extension = QStringLiteral("vob");
            SplitOutcome outcome;
            WriteProgramStream(vob, index, starts, sink, control, outcome);
            QVERIFY(outcome.aborted);
            QCOMPARE(outcome.names.size(), size_t(2));
            QCOMPARE(outcome.partial, std::vector<std::string>{outcome.names[1]});
            QVERIFY(readAll(QString::fromStdString(outcome.names[0]))
                    == readAll(movie(QStringLiteral("vob"))).left(int(starts[1])));
        }
        {
            SplitControl control;
            const std::string mkv = movie(QStringLiteral("mkv")).toStdString();
            const AvIndex index = IndexMovie(mkv, control);
            const std::vector<int64_t> starts = PlanMovie(index, byCount(3), MuxOverhead{}, mkv);
            StopAtSecond sink(out.path(), control);
            SplitOutcome outcome;
            WriteMovie(mkv, index, starts, sink, control, outcome);
            QVERIFY(outcome.aborted);
            QVERIFY(!outcome.names.empty());
            // The segments left behind are closed properly and play.
            for (const std::string &name : outcome.names)
                QVERIFY2(ProbeMovie(QString::fromStdString(name)).opened, name.c_str());
            QVERIFY(!outcome.partial.empty());
        }
    }
};

QTEST_GUILESS_MAIN(TestMovieSplitJob)
#include "tst_moviesplitjob.moc"
