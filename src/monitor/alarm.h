#pragma once
// The idle test, the countdown and the choice of the alarm action, apart from the controls.

#include <QString>
#include <QtGlobal>

namespace kbx {

enum class TAlarmAction : quint8 { Shutdown = 0, ForcedShutdown = 1, Message = 2, Beep = 3, Run = 4 };

struct TIdleVerdict {
    enum State { Busy, FileJob, Idle };
    State state = Busy;
    // Idle: how long the load has stayed below the threshold.
    qint64 spanMs = 0;
    bool fire = false;
};

// One processor-mode tick: a load at or above the threshold, or any load while a file job runs,
// is busy (a copy limited by the disk keeps the processor quiet, but the machine is not idle).
TIdleVerdict IdleTest(int load, int thresholdPercent, qint64 idleStartMs, qint64 nowMs, int timeoutMinutes,
                      bool alarmEnabled, bool fileJobRunning);

// What is left of a countdown of `minutes` started at `startMs`; zero or less once it is due.
qint64 CountdownRemaining(int minutes, qint64 startMs, qint64 nowMs);
// Due on the first tick at or after the deadline, however late that tick comes.
inline bool CountdownDue(qint64 remainingMs) { return remainingMs <= 0; }

// The item of the action list when "execute" is chosen, "run" otherwise. No item selected (-1)
// falls through to the message, as every value the list does not have.
TAlarmAction AlarmAction(bool executeChosen, int itemIndex);
// The shutdowns wait for a running file job; a half-written file is worse than a late power-off.
bool WaitsForFileJob(TAlarmAction action);

// A span as "h:mm:ss" ("0:05:00"); hours go past 24 rather than wrapping.
QString SpanText(qint64 ms);
// A time of day in the locale's long time format, without the time zone.
QString LongTimeText(qint64 msSinceEpoch);

} // namespace kbx
