#pragma once
// What a movie split is asked to do, and the handles through which another thread watches,
// pauses and stops it. No Qt: the splitters run on a worker thread.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace kbx {

enum class SplitBy : uint8_t { Size, Count, Duration };

struct SplitRequest
{
    SplitBy by = SplitBy::Count;
    int64_t size = 0;       // bytes, the most a segment may hold
    int count = 1;          // segments wanted
    double seconds = 0;     // playing time of a segment
};

// Thrown by a splitter; the message names the file and the reason.
class ESplit : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Shared between the splitting thread and whoever watches it.
// The cut point nearest to `target` among `cuts`, which `value` orders (a tie goes to the earlier one);
// how a split by count picks each cut. `cuts` must not be empty.
template <class Value>
int64_t NearestCut(const std::vector<int64_t> &cuts, int64_t target, Value value)
{
    auto it = std::lower_bound(cuts.begin(), cuts.end(), target,
                               [&](int64_t cut, int64_t t) { return value(cut) < t; });
    if (it == cuts.end())
        return cuts.back();
    if (it != cuts.begin() && target - value(*(it - 1)) <= value(*it) - target)
        return *(it - 1);
    return *it;
}

struct SplitControl
{
    std::atomic<int64_t> done{0};     // work units done (bytes read plus bytes written)
    std::atomic<int64_t> total{0};
    std::atomic<int32_t> segment{0};  // segment being written, from 1; 0 while the movie is examined
    std::atomic<int32_t> segments{0}; // planned segments
    std::atomic<bool> paused{false};
    std::atomic<bool> abort{false};

    // Waits while paused; false once the split is to stop.
    bool Proceed() const
    {
        while (paused.load(std::memory_order_acquire) && !abort.load(std::memory_order_acquire))
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return !abort.load(std::memory_order_acquire);
    }
};

// Names the splitters write to, and the check run before each is created.
class SegmentSink
{
public:
    virtual ~SegmentSink() = default;
    // The name of segment `index` (from 0); throws ESplit when it may not be written.
    virtual std::string Open(int index) = 0;
};

} // namespace kbx
