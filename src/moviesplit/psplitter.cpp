#include "moviesplit/psplitter.h"

#include "engine/hugefile.h"

#include <algorithm>
#include <climits>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <cstring>
#include <memory>

namespace kbx {

namespace {

constexpr int64_t ReadChunk = 4 << 20;
constexpr int64_t CopyChunk = 64 << 20;
constexpr double ClockRate = 90000.0;

// A sliding window over the file: Ensure keeps [pos, pos + n) in memory.
class Window
{
public:
    // Bytes read at or after `countUntil` are not counted as done: the next stretch's walk counts them.
    Window(TQsHugeFile &file, SplitControl &control, int64_t countUntil = INT64_MAX)
        : m_file(file), m_control(control), m_data(2 * ReadChunk), m_countUntil(countUntil)
    {
    }

    // False when fewer than n bytes are left from pos.
    bool Ensure(int64_t pos, int64_t n)
    {
        if (pos >= m_start && pos + n <= m_start + m_length)
            return true;
        if (pos < m_start || pos > m_start + m_length) {
            // Bytes jumped over inside the walk (the rest of a long packet) were walked all the same.
            const int64_t end = m_start + m_length;
            if (m_filled && pos > end)
                m_control.done.fetch_add(std::max<int64_t>(0, std::min(pos, m_countUntil) - end),
                                         std::memory_order_relaxed);
            m_start = pos;
            m_length = 0;
            m_file.Seek(pos);
        } else {
            const int64_t keep = m_start + m_length - pos;
            std::memmove(m_data.data(), m_data.data() + (pos - m_start), size_t(keep));
            m_start = pos;
            m_length = keep;
        }
        while (m_length < n) {
            int64_t got = 0;
            const int64_t want = std::min<int64_t>(ReadChunk, int64_t(m_data.size()) - m_length);
            m_file.BlockRead(m_data.data() + m_length, want, got);
            if (got <= 0)
                return false;
            const int64_t at = m_start + m_length;
            m_length += got;
            m_filled = true;
            m_control.done.fetch_add(std::clamp<int64_t>(m_countUntil - at, 0, got), std::memory_order_relaxed);
        }
        return true;
    }
    const uint8_t *At(int64_t pos) const { return m_data.data() + (pos - m_start); }
    // Offset of the next 00 00 01 BA at or after pos, or -1.
    int64_t FindPack(int64_t pos)
    {
        static const uint8_t code[4] = {0, 0, 1, 0xBA};
        while (Ensure(pos, 4)) {
            const int64_t avail = m_start + m_length - pos;
            const auto *begin = At(pos);
            const auto *hit = static_cast<const uint8_t *>(memmem(begin, size_t(avail), code, 4));
            if (hit)
                return pos + (hit - begin);
            pos += avail - 3;
            if (!Ensure(pos, std::min<int64_t>(avail, ReadChunk)))
                if (!Ensure(pos, 4))
                    return -1;
        }
        return -1;
    }

private:
    TQsHugeFile &m_file;
    SplitControl &m_control;
    std::vector<uint8_t> m_data;
    int64_t m_countUntil;
    int64_t m_start = 0, m_length = 0;
    bool m_filled = false;
};

bool StartCode(const uint8_t *p) { return p[0] == 0 && p[1] == 0 && p[2] == 1; }

// A sequence header or a group start inside the bytes.
bool HoldsPictureStart(const uint8_t *p, int64_t n)
{
    for (int64_t i = 0; i + 3 < n; ++i) {
        const auto *hit = static_cast<const uint8_t *>(std::memchr(p + i, 1, size_t(n - i - 1)));
        if (!hit)
            return false;
        i = hit - p;
        if (i >= 2 && p[i - 1] == 0 && p[i - 2] == 0 && i + 1 < n && (p[i + 1] == 0xB3 || p[i + 1] == 0xB8))
            return true;
    }
    return false;
}

} // namespace

bool LooksLikeProgramStream(const uint8_t *data, int64_t length)
{
    return length >= 4 && StartCode(data) && data[3] == 0xBA;
}

namespace {

// What one walk over a stretch of packs found. The cuts' `seconds` hold the raw clock reference
// until the walks are joined and the first clock of the whole stream is known.
struct PackWalk
{
    int64_t start = -1;  // the first pack walked, -1 when there was none
    int64_t end = -1;    // the first pack at or after the stop, -1 when the walk reached the end
    std::vector<PsCut> navs, pictures;
    bool haveClock = false;
    uint64_t firstClock = 0, lastClock = 0;
};

// Walks the chain of packs from `pos` until a pack starts at or after `stop`, appending to `walk`.
void WalkPacks(Window &w, SplitControl &control, int64_t pos, int64_t stop, PackWalk &walk)
{
    int64_t packs = 0;
    walk.end = -1;
    while (w.Ensure(pos, 14)) {
        if ((++packs & 0xFFF) == 0 && !control.Proceed())
            return;
        const uint8_t *p = w.At(pos);
        if (!(StartCode(p) && p[3] == 0xBA)) {
            pos = w.FindPack(pos + 1);
            if (pos < 0)
                return;
            continue;
        }
        if (pos >= stop) {
            walk.end = pos;
            return;
        }
        uint64_t clock = 0;
        int64_t header = 0;
        if ((p[4] & 0xC0) == 0x40) {
            clock = (uint64_t(p[4] >> 3) & 7) << 30 | uint64_t(p[4] & 3) << 28 | uint64_t(p[5]) << 20
                    | (uint64_t(p[6] >> 3) & 0x1F) << 15 | uint64_t(p[6] & 3) << 13 | uint64_t(p[7]) << 5
                    | uint64_t(p[8] >> 3);
            header = 14 + (p[13] & 7);
        } else if ((p[4] & 0xF0) == 0x20) {
            clock = (uint64_t(p[4] >> 1) & 7) << 30 | uint64_t(p[5]) << 22 | uint64_t(p[6] >> 1) << 15
                    | uint64_t(p[7]) << 7 | uint64_t(p[8] >> 1);
            header = 12;
        } else {
            pos = w.FindPack(pos + 1);
            if (pos < 0)
                return;
            continue;
        }
        if (!walk.haveClock) {
            walk.firstClock = clock;
            walk.haveClock = true;
        }
        walk.lastClock = std::max(walk.lastClock, clock);
        const PsCut here{pos, double(clock)};
        pos += header;
        int packet = 0;
        bool nav = false, picture = false;
        while (w.Ensure(pos, 6)) {
            const uint8_t *q = w.At(pos);
            if (!StartCode(q) || q[3] < 0xBB)
                break;
            const int64_t length = 6 + (int64_t(q[4]) << 8 | q[5]);
            if (packet == 0 && q[3] != 0xBB)
                packet = 2;  // no system header first: not a navigation pack
            else if (packet == 1 && q[3] == 0xBF)
                nav = true;
            ++packet;
            // Only a stream without navigation packs needs the picture starts.
            if (walk.navs.empty() && q[3] >= 0xE0 && q[3] <= 0xEF && !picture) {
                if (w.Ensure(pos, length))
                    picture = HoldsPictureStart(w.At(pos) + 6, length - 6);
            }
            pos += length;
        }
        if (nav)
            walk.navs.push_back(here);
        else if (picture && walk.navs.empty())
            walk.pictures.push_back(here);
    }
}

void Append(PackWalk &to, PackWalk &&from)
{
    to.navs.insert(to.navs.end(), from.navs.begin(), from.navs.end());
    // Pictures only count in a stream without navigation packs, as one walk over it would keep them.
    if (to.navs.empty())
        to.pictures.insert(to.pictures.end(), from.pictures.begin(), from.pictures.end());
    if (!to.haveClock) {
        to.haveClock = from.haveClock;
        to.firstClock = from.firstClock;
    }
    to.lastClock = std::max(to.lastClock, from.lastClock);
    to.end = from.end;
}

// Below this one walk is quicker than starting more.
constexpr int64_t ParallelWalkBytes = 64 << 20;

} // namespace

PsIndex ScanProgramStream(const std::string &file, SplitControl &control)
{
    PsIndex index;
    try {
        TQsHugeFile in(file, AttributeNormal, GenericRead, ShareRead);
        in.Reset(1);
        index.size = in.FileSize();
        // The file is cut into stretches walked at once, each from the first pack start code in it.
        // A stretch counts only if the walk before it arrives exactly at that pack: a start code
        // found by searching may lie inside a packet. Otherwise that walk goes on to the end.
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        const int stretches = index.size >= ParallelWalkBytes ? int(std::min(cores, 4u)) : 1;
        std::vector<int64_t> bounds;
        for (int k = 0; k <= stretches; ++k)
            bounds.push_back(k == stretches ? INT64_MAX : index.size / stretches * k);
        Window w(in, control, bounds[1]);
        std::vector<PackWalk> walks(static_cast<size_t>(stretches));
        std::vector<std::exception_ptr> errors(static_cast<size_t>(stretches));
        std::vector<std::thread> helpers;
        for (int k = 1; k < stretches; ++k) {
            helpers.emplace_back([&, k] {
                try {
                    TQsHugeFile own(file, AttributeNormal, GenericRead, ShareRead);
                    own.Reset(1);
                    Window ow(own, control, bounds[size_t(k) + 1]);
                    PackWalk &walk = walks[size_t(k)];
                    walk.start = ow.FindPack(bounds[size_t(k)]);
                    if (walk.start >= 0)
                        WalkPacks(ow, control, walk.start, bounds[size_t(k) + 1], walk);
                } catch (...) {
                    errors[size_t(k)] = std::current_exception();
                }
            });
        }
        try {
            WalkPacks(w, control, 0, bounds[1], walks[0]);
        } catch (...) {
            errors[0] = std::current_exception();
        }
        for (std::thread &t : helpers)
            t.join();
        PackWalk all = std::move(walks[0]);
        for (int k = 1; k < stretches && !errors[0]; ++k) {
            if (control.abort.load())
                break;
            if (all.end == walks[size_t(k)].start && !errors[size_t(k)]) {
                Append(all, std::move(walks[size_t(k)]));
                continue;
            }
            if (all.end >= 0) {
                PackWalk rest;
                WalkPacks(w, control, all.end, INT64_MAX, rest);
                Append(all, std::move(rest));
            }
            break;
        }
        for (const std::exception_ptr &e : errors)
            if (e && !control.abort.load())
                std::rethrow_exception(e);

        index.navPacks = !all.navs.empty();
        index.cuts = index.navPacks ? std::move(all.navs) : std::move(all.pictures);
        for (PsCut &cut : index.cuts) {
            const uint64_t clock = uint64_t(cut.seconds);
            cut.seconds = double(int64_t(clock - std::min(clock, all.firstClock))) / ClockRate;
        }
        index.duration = all.haveClock ? double(all.lastClock - all.firstClock) / ClockRate : 0;
        if (!all.haveClock && !control.abort.load())
            throw ESplit(file + ": not an MPEG program stream (no pack header found)");
    } catch (const EQsHugeFile &error) {
        throw ESplit(error.what());
    }
    return index;
}

std::vector<int64_t> PlanProgramStream(const PsIndex &index, const SplitRequest &request,
                                       const std::string &file)
{
    std::vector<int64_t> starts{0};
    std::vector<int64_t> points;
    for (const PsCut &c : index.cuts)
        if (c.offset > 0 && c.offset < index.size && (points.empty() || c.offset > points.back()))
            points.push_back(c.offset);
    switch (request.by) {
    case SplitBy::Size: {
        if (request.size <= 0)
            throw ESplit(file + ": the segment size must be at least one byte");
        int64_t s = 0;
        while (index.size - s > request.size) {
            // The last cut point that keeps this segment within the size.
            auto it = std::upper_bound(points.begin(), points.end(), s + request.size);
            if (it == points.begin() || *(it - 1) <= s) {
                const int64_t next = it == points.end() ? index.size : *it;
                throw ESplit(file + ": the stretch from byte " + std::to_string(s) + " to the next cut point at byte "
                             + std::to_string(next) + " is larger than the segment size of "
                             + std::to_string(request.size) + " bytes");
            }
            s = *(it - 1);
            starts.push_back(s);
        }
        break;
    }
    case SplitBy::Count:
        for (int i = 1; i < request.count && !points.empty(); ++i) {
            const int64_t target = int64_t(double(index.size) * i / request.count);
            const int64_t best = NearestCut(points, target, [](int64_t offset) { return offset; });
            if (best > starts.back())
                starts.push_back(best);
        }
        break;
    case SplitBy::Duration: {
        if (!(request.seconds > 0))
            throw ESplit(file + ": the segment duration must be above zero");
        for (int k = 1; k * request.seconds < index.duration; ++k) {
            const double t = k * request.seconds;
            // Cut points come in clock order; take the last one at or before t.
            auto it = std::upper_bound(index.cuts.begin(), index.cuts.end(), t,
                                       [](double v, const PsCut &c) { return v < c.seconds; });
            if (it == index.cuts.begin())
                continue;
            const int64_t at = (it - 1)->offset;
            if (at > starts.back() && at < index.size)
                starts.push_back(at);
        }
        break;
    }
    }
    return starts;
}

namespace {

// Copies [from, to) of `in` into `out`, inside the kernel where it can. False when `stop` said so first.
bool CopySegment(TQsHugeFile &in, TQsHugeFile &out, int64_t from, int64_t to, const std::string &name,
                 std::vector<uint8_t> &buffer, SplitControl &control, const std::function<bool()> &stop)
{
    for (int64_t at = from; at < to;) {
        if (stop() || !control.Proceed())
            return false;
        const int64_t want = std::min(CopyChunk, to - at);
        int64_t got = buffer.empty() ? out.CopyRange(in, at, want) : -1;
        if (got < 0) {
            // No copy inside the kernel between these files: through memory.
            if (buffer.empty())
                buffer.resize(size_t(ReadChunk));
            in.Seek(at);
            int64_t read = 0, written = 0;
            in.BlockRead(buffer.data(), std::min<int64_t>(want, ReadChunk), read);
            if (read > 0)
                out.BlockWrite(buffer.data(), read, written);
            got = read <= 0 || written != read ? written : read;
        }
        if (got <= 0) {
            const uint32_t code = out.LastError() ? out.LastError() : in.LastError();
            throw ESplit(name + ": " + (code ? std::strerror(int(code)) : "the source ended early"));
        }
        at += got;
        control.done.fetch_add(got, std::memory_order_relaxed);
    }
    return true;
}

} // namespace

void WriteProgramStream(const std::string &file, const PsIndex &index, const std::vector<int64_t> &starts,
                        SegmentSink &sink, SplitControl &control, SplitOutcome &outcome)
{
    // Segments are files of their own, so two are written at once where there are cores for it;
    // what the outcome lists is still in segment order.
    const size_t count = starts.size();
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t writers = std::min<size_t>(count, std::min(cores, 2u));
    control.segments.store(int32_t(count));

    std::mutex mutex;  // guards everything below and the sink
    size_t next = 0;
    std::vector<std::string> names(count);
    std::vector<bool> finished(count, false);
    bool aborted = false;
    std::exception_ptr failure;
    size_t failedSegment = count;
    std::atomic<bool> stopAll{false};
    auto stop = [&stopAll] { return stopAll.load(std::memory_order_relaxed); };

    auto writer = [&] {
        size_t i = count;
        try {
            TQsHugeFile in(file, AttributeNormal, GenericRead, ShareRead);
            in.Reset(1);
            std::vector<uint8_t> buffer;
            for (;;) {
                std::string name;
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    if (failure || aborted || next >= count)
                        return;
                    if (!control.Proceed()) {
                        aborted = true;
                        return;
                    }
                    i = next++;
                    name = sink.Open(int(i));
                    control.segment.store(int32_t(i + 1));
                }
                const int64_t to = i + 1 < count ? starts[i + 1] : index.size;
                TQsHugeFile out(name);
                out.Rewrite(1);
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    names[i] = name;  // created: from now on it is written or partial
                }
                const bool complete = CopySegment(in, out, starts[i], to, name, buffer, control, stop);
                out.Close();
                std::lock_guard<std::mutex> lock(mutex);
                if (!complete) {
                    aborted = aborted || !stop();
                    return;
                }
                finished[i] = true;
            }
        } catch (...) {
            // The failure of the earliest segment is the one reported; one before any segment (the
            // movie would not open) counts too.
            std::lock_guard<std::mutex> lock(mutex);
            if (!failure || i < failedSegment) {
                failedSegment = i;
                failure = std::current_exception();
            }
            stopAll.store(true);
        }
    };
    std::vector<std::thread> helpers;
    for (size_t k = 1; k < writers; ++k)
        helpers.emplace_back(writer);
    writer();
    for (std::thread &t : helpers)
        t.join();

    outcome.aborted = aborted && !failure;
    outcome.partial.clear();
    for (size_t i = 0; i < count; ++i) {
        if (names[i].empty())
            continue;
        outcome.names.push_back(names[i]);
        if (!finished[i])
            outcome.partial.push_back(names[i]);
    }
    if (failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const EQsHugeFile &error) {
            throw ESplit(error.what());
        }
    }
}

} // namespace kbx
