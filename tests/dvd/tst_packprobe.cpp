#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "dvd/packprobe.h"

using namespace kbx;

namespace {
QByteArray WithPacksAt(std::initializer_list<int> offsets, int size = 8192)
{
    QByteArray data(size, char(0xFF));
    for (int at : offsets) {
        data[at] = 0;
        data[at + 1] = 0;
        data[at + 2] = 1;
        data[at + 3] = char(0xBA);
    }
    return data;
}
} // namespace

class TestPackProbe : public QObject
{
    Q_OBJECT

private slots:
    void kinds_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("kind");
        QTest::addColumn<qint64>("packSize");
        QTest::newRow("dvd") << WithPacksAt({0, 2048, 4096}) << int(MpegDvd) << qint64(2048);
        QTest::newRow("svcd") << WithPacksAt({0, 2324}) << int(MpegSvcd) << qint64(2324);
        QTest::newRow("svcd+8") << WithPacksAt({0, 2332}) << int(MpegNone) << qint64(2332);
        QTest::newRow("one header") << WithPacksAt({0}) << int(MpegNone) << qint64(1);
        QTest::newRow("none") << WithPacksAt({}) << int(MpegNone) << qint64(0);
        // A header starting at 4092 is the last one inside the block; one at 4093 is not seen.
        QTest::newRow("last position") << WithPacksAt({0, 4092}) << int(MpegNone) << qint64(4092);
        QTest::newRow("past the block") << WithPacksAt({0, 4093}) << int(MpegNone) << qint64(1);
    }
    void kinds()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, kind);
        QFETCH(qint64, packSize);
        QTemporaryDir dir;
        const QString path = dir.filePath("probe.vob");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(data) == data.size());
        f.close();
        PackProbeState state{MpegOne, 99};
        QVERIFY(ProbeMpegPacks(path.toStdString(), state));
        QCOMPARE(int(state.MpegKind), kind);
        QCOMPARE(state.PackSize, packSize);
    }

    void unreadable()
    {
        QTemporaryDir dir;
        PackProbeState state{MpegDvd, 2048};
        QVERIFY(!ProbeMpegPacks(dir.filePath("missing.vob").toStdString(), state));
        QCOMPARE(int(state.MpegKind), int(MpegNone));
        QCOMPARE(state.PackSize, 0);
        // Fewer than 4096 bytes is a read error even when the packs are there.
        const QString shortFile = dir.filePath("short.vob");
        QFile f(shortFile);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(WithPacksAt({0, 2048}, 4095));
        f.close();
        state = {MpegDvd, 2048};
        QVERIFY(!ProbeMpegPacks(shortFile.toStdString(), state));
        QCOMPARE(int(state.MpegKind), int(MpegNone));
    }
};

QTEST_GUILESS_MAIN(TestPackProbe)
#include "tst_packprobe.moc"
