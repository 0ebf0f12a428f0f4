#include "moviesplit/psplitter.h"

#include "engine/hugefile.h"

#include <algorithm>
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
    Window(TQsHugeFile &file, SplitControl &control) : m_file(file), m_control(control), m_data(2 * ReadChunk) {}

    // False when fewer than n bytes are left from pos.
    bool Ensure(int64_t pos, int64_t n)
    {
        if (pos >= m_start && pos + n <= m_start + m_length)
            return true;
        if (pos < m_start || pos > m_start + m_length) {
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
            m_length += got;
            m_control.done.fetch_add(got, std::memory_order_relaxed);
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
    int64_t m_start = 0, m_length = 0;
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

PsIndex ScanProgramStream(const std::string &file, SplitControl &control)
{
    PsIndex index;
    try {
        TQsHugeFile in(file);
        in.Reset(1);
        index.size = in.FileSize();
        Window w(in, control);
        std::vector<PsCut> navs, pictures;
        int64_t pos = 0;
        bool haveClock = false;
        uint64_t firstClock = 0, lastClock = 0;
        int64_t packs = 0;
        while (w.Ensure(pos, 14)) {
            if ((++packs & 0xFFF) == 0 && !control.Proceed())
                break;
            const uint8_t *p = w.At(pos);
            if (!(StartCode(p) && p[3] == 0xBA)) {
                pos = w.FindPack(pos + 1);
                if (pos < 0)
                    break;
                continue;
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
                    break;
                continue;
            }
            if (!haveClock) {
                firstClock = clock;
                haveClock = true;
            }
            lastClock = std::max(lastClock, clock);
            const PsCut here{pos, double(int64_t(clock - std::min(clock, firstClock))) / ClockRate};
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
                if (navs.empty() && q[3] >= 0xE0 && q[3] <= 0xEF && !picture) {
                    if (w.Ensure(pos, length))
                        picture = HoldsPictureStart(w.At(pos) + 6, length - 6);
                }
                pos += length;
            }
            if (nav)
                navs.push_back(here);
            else if (picture && navs.empty())
                pictures.push_back(here);
        }
        index.navPacks = !navs.empty();
        index.cuts = index.navPacks ? std::move(navs) : std::move(pictures);
        index.duration = haveClock ? double(lastClock - firstClock) / ClockRate : 0;
        if (!haveClock && !control.abort.load())
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
            auto it = std::lower_bound(points.begin(), points.end(), target);
            int64_t best = it == points.end() ? points.back() : *it;
            if (it != points.begin() && (it == points.end() || target - *(it - 1) <= *it - target))
                best = *(it - 1);
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

void WriteProgramStream(const std::string &file, const PsIndex &index, const std::vector<int64_t> &starts,
                        SegmentSink &sink, SplitControl &control, SplitOutcome &outcome)
{
    std::string current;
    try {
        TQsHugeFile in(file);
        in.Reset(1);
        std::vector<uint8_t> buffer;
        control.segments.store(int32_t(starts.size()));
        for (size_t i = 0; i < starts.size(); ++i) {
            const int64_t from = starts[i];
            const int64_t to = i + 1 < starts.size() ? starts[i + 1] : index.size;
            if (!control.Proceed()) {
                outcome.aborted = true;
                return;
            }
            current = sink.Open(int(i));
            control.segment.store(int32_t(i + 1));
            TQsHugeFile out(current);
            out.Rewrite(1);
            outcome.names.push_back(current);
            outcome.partial = {current};
            int64_t at = from;
            while (at < to) {
                if (!control.Proceed()) {
                    outcome.aborted = true;
                    out.Close();
                    return;
                }
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
                    if (read <= 0 || written != read)
                        got = written;
                    else
                        got = read;
                }
                if (got <= 0) {
                    const uint32_t code = out.LastError() ? out.LastError() : in.LastError();
                    throw ESplit(current + ": " + (code ? std::strerror(int(code)) : "the source ended early"));
                }
                at += got;
                control.done.fetch_add(got, std::memory_order_relaxed);
            }
            out.Close();
            outcome.partial.clear();
        }
    } catch (const EQsHugeFile &error) {
        throw ESplit(error.what());
    }
}

} // namespace kbx
