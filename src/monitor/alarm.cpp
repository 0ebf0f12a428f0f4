#include "monitor/alarm.h"

#include <QDateTime>
#include <QLocale>
#include <QTime>

namespace kbx {

namespace {

constexpr qint64 MinuteMs = 60 * 1000;

// The locale's long time format without the zone, which a span or a clock on this page does not need.
QString LongTimeFormat()
{
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return format.trimmed();
}

} // namespace

TIdleVerdict IdleTest(int load, int thresholdPercent, qint64 idleStartMs, qint64 nowMs, int timeoutMinutes,
                      bool alarmEnabled, bool fileJobRunning)
{
    TIdleVerdict verdict;
    if (fileJobRunning) {
        verdict.state = TIdleVerdict::FileJob;
        return verdict;
    }
    if (load >= thresholdPercent)
        return verdict;
    verdict.state = TIdleVerdict::Idle;
    // A clock set back makes no negative idle time.
    verdict.spanMs = qMax<qint64>(0, nowMs - idleStartMs);
    verdict.fire = alarmEnabled && verdict.spanMs / MinuteMs >= timeoutMinutes;
    return verdict;
}

qint64 CountdownRemaining(int minutes, qint64 startMs, qint64 nowMs)
{
    return qint64(minutes) * MinuteMs + startMs - nowMs;
}

TAlarmAction AlarmAction(bool executeChosen, int itemIndex)
{
    if (!executeChosen)
        return TAlarmAction::Run;
    switch (itemIndex) {
    case 0: return TAlarmAction::Shutdown;
    case 1: return TAlarmAction::ForcedShutdown;
    case 3: return TAlarmAction::Beep;
    default: return TAlarmAction::Message;
    }
}

bool WaitsForFileJob(TAlarmAction action)
{
    return action == TAlarmAction::Shutdown || action == TAlarmAction::ForcedShutdown;
}

QString SpanText(qint64 ms)
{
    const qint64 seconds = qMax<qint64>(0, ms) / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString LongTimeText(qint64 msSinceEpoch)
{
    return QLocale().toString(QDateTime::fromMSecsSinceEpoch(msSinceEpoch).time(), LongTimeFormat());
}

} // namespace kbx
