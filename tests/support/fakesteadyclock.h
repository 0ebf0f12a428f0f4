#pragma once
// The steady clock, advanced by the test: job durations without waiting.

#include "common/steadyclock.h"

namespace kbx {

class ManualSteadyClock : public TSteadyClock
{
public:
    qint64 nanoseconds() const override { return m_now; }
    void advance(qint64 ns) { m_now += ns; }

private:
    ScopedInstall<TSteadyClock> m_installed{this};
    qint64 m_now = 1'000'000'000;
};

} // namespace kbx
