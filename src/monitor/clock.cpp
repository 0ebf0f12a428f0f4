#include "monitor/clock.h"

#include <QDateTime>

namespace kbx {

TMonitorClock::~TMonitorClock() = default;

TMonitorClock &TMonitorClock::instance()
{
    return InstanceOr<TSystemClock>();
}

qint64 TSystemClock::now() const
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace kbx
