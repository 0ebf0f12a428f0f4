#include "monitor/clock.h"

#include <QDateTime>

namespace kbx {

namespace {

TMonitorClock *installedClock = nullptr;

} // namespace

TMonitorClock::~TMonitorClock() = default;

TMonitorClock &TMonitorClock::instance()
{
    static TSystemClock system;
    return installedClock ? *installedClock : system;
}

void TMonitorClock::install(TMonitorClock *clock)
{
    installedClock = clock;
}

qint64 TSystemClock::now() const
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace kbx
