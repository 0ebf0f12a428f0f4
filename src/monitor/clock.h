#pragma once
#include "common/seam.h"

#include <QtGlobal>

namespace kbx {

/// The monitor's clock seam: the idle span and the countdown are measured with it. Wall-clock
/// milliseconds, so that a countdown also counts the time a laptop spent suspended.
class TMonitorClock : public Seam<TMonitorClock>
{
public:
    virtual ~TMonitorClock();
    /// Milliseconds since 1970-01-01 UTC.
    virtual qint64 now() const = 0;

    /// The installed clock, or the system's when none is installed.
    static TMonitorClock &instance();
};

class TSystemClock : public TMonitorClock
{
public:
    qint64 now() const override;
};

} // namespace kbx
