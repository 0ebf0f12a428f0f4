#pragma once
// The monotonic clock jobs are timed with: it never jumps when the system time is set, and a test
// can put its own in place.

#include "common/seam.h"

#include <QtGlobal>

namespace kbx {

class TSteadyClock : public Seam<TSteadyClock>
{
public:
    virtual ~TSteadyClock();
    // Nanoseconds since some fixed moment; only differences mean anything.
    virtual qint64 nanoseconds() const = 0;

    // The installed clock, or the system's when none is installed.
    static TSteadyClock &instance();
};

} // namespace kbx
