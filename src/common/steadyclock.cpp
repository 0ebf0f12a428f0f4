#include "common/steadyclock.h"

#include <chrono>

namespace kbx {

namespace {

class SystemSteadyClock : public TSteadyClock
{
public:
    qint64 nanoseconds() const override
    {
        const auto since = std::chrono::steady_clock::now().time_since_epoch();
        return qint64(std::chrono::duration_cast<std::chrono::nanoseconds>(since).count());
    }
};

} // namespace

TSteadyClock::~TSteadyClock() = default;

TSteadyClock &TSteadyClock::instance()
{
    return InstanceOr<SystemSteadyClock>();
}

} // namespace kbx
