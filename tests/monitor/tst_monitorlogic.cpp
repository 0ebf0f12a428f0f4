// The sampler, the display arithmetic and the alarm rules, without widgets.

#include "monitor/alarm.h"
#include "monitor/cpusampler.h"
#include "monitortestutil.h"

#include <QTest>

using namespace kbx;

class TestMonitorLogic : public QObject
{
    Q_OBJECT
private slots:
    void sampler();
    void samplerFailures();
    void procStatParsing();
    void tickPercent();
    void smoothingUsesStoredSamples();
    void graphRows();
    void idleTest();
    void countdown();
    void actionChoice();
    void spanText();
};

void TestMonitorLogic::sampler()
{
    FakeCpuLoad load;
    load.loads = {30, 75};
    TCPUSampler sampler;
    QCOMPARE(sampler.ProcessorCount(), -1);
    // The first load samples by itself; against the zero counters before it, it reads the first period.
    QCOMPARE(qRound(sampler.GetCPUUsage(0) * 100), 30);
    QCOMPARE(sampler.ProcessorCount(), 2);
    sampler.CollectCPUData();
    QCOMPARE(qRound(sampler.GetCPUUsage(0) * 100), 75);
    QCOMPARE(qRound(sampler.GetCPUUsage(1) * 100), 75);

    // Two samples with the same time stamp.
    load.sameStamp = true;
    sampler.CollectCPUData();
    QCOMPARE(sampler.GetCPUUsage(0), 0.0);

    // Counters that run backwards (a processor brought back online) never give more than 100%.
    load.machine.idle -= 5000;
    load.loads = {0};
    sampler.CollectCPUData();
    const double usage = sampler.GetCPUUsage(0);
    QVERIFY(usage >= 0.0 && usage <= 1.0);
}

void TestMonitorLogic::samplerFailures()
{
    FakeCpuLoad load;
    TCPUSampler sampler;
    sampler.CollectCPUData();
    try {
        sampler.GetCPUUsage(2);
        QFAIL("no error for index 2");
    } catch (const ECPUData &error) {
        QCOMPARE(error.message(), QString("CPU index out of bounds"));
    }
    QVERIFY_THROWS_EXCEPTION(ECPUData, sampler.GetCPUUsage(-1));
    load.fail = true;
    try {
        sampler.CollectCPUData();
        QFAIL("no error for an unreadable source");
    } catch (const ECPUData &error) {
        QCOMPARE(error.message(), QString("Unable to read performance data"));
    }
}

void TestMonitorLogic::procStatParsing()
{
    const QByteArray text = "cpu  100 5 50 800 40 3 2 0 7 0\n"
                            "cpu0 60 5 20 400 10 3 2 0 7 0\n"
                            "cpu1 40 0 30 400 30 0 0 0 0 0\n"
                            "intr 123 4 5\n"
                            "ctxt 99\n";
    const QList<CpuTimes> times = ParseProcStat(text);
    QCOMPARE(times.size(), 3);
    // Idle is idle plus I/O wait; guest time is part of user time already and not counted twice.
    QCOMPARE(times.at(0).idle, quint64(840));
    QCOMPARE(times.at(0).total, quint64(1000));
    QCOMPARE(times.at(1).total, quint64(500));
    QCOMPARE(times.at(2).idle, quint64(430));
    QVERIFY(ParseProcStat("intr 1\n").isEmpty());
}

void TestMonitorLogic::tickPercent()
{
    QCOMPARE(TickPercent(0.123456), 12.35);
    QCOMPARE(TickPercent(-0.2), 0.0);
    QCOMPARE(TickPercent(1.0), 100.0);
    // Whole percent: halves go to the even neighbour.
    QCOMPARE(WholePercent(12.5), 12);
    QCOMPARE(WholePercent(13.5), 14);
    QCOMPARE(WholePercent(19.49), 19);
}

void TestMonitorLogic::smoothingUsesStoredSamples()
{
    TLoadHistory history;
    QCOMPARE(SmoothedPercent(50, history), 10.0);
    history.clear();
    QCOMPARE(SmoothedPercent(50, history), 9.2);
    history.push(40);
    history.push(60);
    QCOMPARE(history.at(0), 60);
    QCOMPARE(history.at(1), 40);
    QCOMPARE(history.at(2), -1);
    QCOMPARE(SmoothedPercent(50, history), (60 + 50 + 40 - 1 - 1) / 5.0);
    // The oldest sample falls out at the end.
    for (int i = 0; i < TLoadHistory::Size; ++i)
        history.push(i % 100);
    QCOMPARE(history.at(TLoadHistory::Size - 1), 0);
    QCOMPARE(history.at(0), (TLoadHistory::Size - 1) % 100);
}

void TestMonitorLogic::graphRows()
{
    QCOMPARE(CpuGraphY(0, 100), 99);
    QCOMPARE(CpuGraphY(100, 100), 0);
    QCOMPARE(CpuGraphY(-1, 100), 100);
    QCOMPARE(CpuGraphY(50, 101), 50);
    QCOMPARE(CpuGraphY(99, 100), 1);
    QCOMPARE(CpuGraphY(100, 1), 0);
}

void TestMonitorLogic::idleTest()
{
    const qint64 start = 1'000'000;
    const qint64 minute = 60'000;
    // The threshold itself is busy.
    QCOMPARE(IdleTest(20, 20, start, start + minute, 5, true, false).state, TIdleVerdict::Busy);
    TIdleVerdict idle = IdleTest(19, 20, start, start + minute, 5, true, false);
    QCOMPARE(idle.state, TIdleVerdict::Idle);
    QCOMPARE(idle.spanMs, minute);
    QVERIFY(!idle.fire);

    // "At least" the timeout: fires at exactly five minutes, not a millisecond before.
    QVERIFY(!IdleTest(0, 20, start, start + 5 * minute - 1, 5, true, false).fire);
    QVERIFY(IdleTest(0, 20, start, start + 5 * minute, 5, true, false).fire);
    QVERIFY(!IdleTest(0, 20, start, start + 5 * minute, 5, false, false).fire);
    // A day and more of idle time still counts in full.
    QVERIFY(IdleTest(0, 20, start, start + 24 * 60 * minute + 1, 5, true, false).fire);
    // A clock set back gives no negative span.
    QCOMPARE(IdleTest(0, 20, start, start - minute, 5, true, false).spanMs, qint64(0));

    // A file job keeps the machine busy whatever the load.
    const TIdleVerdict job = IdleTest(0, 20, start, start + 60 * minute, 5, true, true);
    QCOMPARE(job.state, TIdleVerdict::FileJob);
    QVERIFY(!job.fire);
}

void TestMonitorLogic::countdown()
{
    const qint64 start = 5'000'000;
    QCOMPARE(CountdownRemaining(10, start, start), qint64(600000));
    QVERIFY(!CountdownDue(CountdownRemaining(10, start, start + 599'999)));
    QVERIFY(CountdownDue(CountdownRemaining(10, start, start + 600'000)));
    // A tick seconds, hours or a suspended night late still fires.
    QVERIFY(CountdownDue(CountdownRemaining(10, start, start + 603'000)));
    QVERIFY(CountdownDue(CountdownRemaining(10, start, start + 600'000 + 86'400'000)));
}

void TestMonitorLogic::actionChoice()
{
    QCOMPARE(AlarmAction(true, 0), TAlarmAction::Shutdown);
    QCOMPARE(AlarmAction(true, 1), TAlarmAction::ForcedShutdown);
    QCOMPARE(AlarmAction(true, 2), TAlarmAction::Message);
    QCOMPARE(AlarmAction(true, 3), TAlarmAction::Beep);
    QCOMPARE(AlarmAction(true, -1), TAlarmAction::Message);
    QCOMPARE(AlarmAction(false, 0), TAlarmAction::Run);
    QVERIFY(WaitsForFileJob(TAlarmAction::Shutdown));
    QVERIFY(WaitsForFileJob(TAlarmAction::ForcedShutdown));
    QVERIFY(!WaitsForFileJob(TAlarmAction::Beep));
    QVERIFY(!WaitsForFileJob(TAlarmAction::Run));
}

void TestMonitorLogic::spanText()
{
    QCOMPARE(SpanText(0), QString("0:00:00"));
    QCOMPARE(SpanText(5 * 60'000 + 999), QString("0:05:00"));
    QCOMPARE(SpanText(25 * 3'600'000 + 61'000), QString("25:01:01"));
    QCOMPARE(SpanText(-5000), QString("0:00:00"));
}

QTEST_GUILESS_MAIN(TestMonitorLogic)
#include "tst_monitorlogic.moc"
