// The system's load source against a real busy loop.

#include "monitor/cpusampler.h"

#include <QElapsedTimer>
#include <QTest>
#include <QThread>

#include <atomic>

using namespace kbx;

class TestProcStatLoad : public QObject
{
    Q_OBJECT
private slots:
    void oneBusyCore();
};

void TestProcStatLoad::oneBusyCore()
{
    const int processors = QThread::idealThreadCount();
    if (processors < 2)
        QSKIP("needs two processors");
    TCPUSampler sampler;
    sampler.CollectCPUData();
    QCOMPARE(sampler.ProcessorCount(), processors + 1);

    std::atomic<bool> stop = false;
    std::atomic<quint64> spins = 0;
    QThread *spinner = QThread::create([&] {
        while (!stop.load(std::memory_order_relaxed))
            spins.fetch_add(1, std::memory_order_relaxed);
    });
    spinner->start();
    // Not a timing assertion: the busy loop only has to run for long enough to be measured.
    QThread::msleep(200);
    sampler.CollectCPUData();
    QThread::sleep(3);
    sampler.CollectCPUData();
    stop = true;
    spinner->wait();
    delete spinner;

    const double usage = sampler.GetCPUUsage(0);
    const double share = 1.0 / processors;
    qInfo("whole machine %.1f%% with one of %d processors busy", usage * 100, processors);
    // One core busy is its share of the machine; whatever else runs on it only adds to that.
    QVERIFY2(usage >= share - 0.08, qPrintable(QString::number(usage)));
    QVERIFY(usage <= 1.0);
    QVERIFY(spins.load() > 0);
}

QTEST_GUILESS_MAIN(TestProcStatLoad)
#include "tst_procstatload.moc"
