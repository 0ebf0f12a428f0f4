#pragma once
// The monitor's clock, advanced by the test: idle times and countdowns without waiting.

#include "monitor/clock.h"

namespace kbx {

class ManualClock : public TMonitorClock
{
public:
    qint64 now() const override { return m_now; }
    void advance(qint64 ms) { m_now += ms; }

private:
    ScopedInstall<TMonitorClock> m_installed{this};
    // Some fixed day, so that time-of-day texts do not depend on when the test runs.
    qint64 m_now = 1'700'000'000'000;
};

} // namespace kbx
