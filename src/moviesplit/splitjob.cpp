#include "moviesplit/splitjob.h"

#include "moviesplit/avsplitter.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <set>

namespace kbx {

std::vector<std::string> SegmentNames(const std::string &output, int count)
{
    std::string mask = output;
    if (mask.find('?') == std::string::npos) {
        const std::string marks(std::to_string(std::max(1, count)).size(), '?');
        const size_t slash = mask.find_last_of('/');
        const size_t dot = mask.find('.', slash == std::string::npos ? 0 : slash + 1);
        mask.insert(dot == std::string::npos ? mask.size() : dot, marks);
    }
    const size_t p = mask.find('?');
    const size_t end = std::min(mask.size(), mask.find_first_not_of('?', p));
    const std::string prefix = mask.substr(0, p), suffix = mask.substr(end);
    const size_t digits = end - p;
    std::vector<std::string> names;
    for (int i = 1; i <= count; ++i) {
        std::string number = std::to_string(i);
        if (number.size() < digits)
            number.insert(0, digits - number.size(), '0');
        names.push_back(prefix + number + suffix);
    }
    return names;
}

bool SameFile(const std::string &a, const std::string &b)
{
    struct stat sa {}, sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev
           && sa.st_ino == sb.st_ino;
}

namespace {

bool Exists(const std::string &name)
{
    struct stat st {};
    return ::stat(name.c_str(), &st) == 0;
}

// Hands out the approved names; refuses the source and any existing file nobody agreed to.
class NameSink : public SegmentSink
{
public:
    NameSink(std::string source, std::string output, std::vector<std::string> approved)
        : m_source(std::move(source)), m_output(std::move(output)), m_names(std::move(approved))
    {
        m_approved.insert(m_names.begin(), m_names.end());
    }
    std::string Open(int index) override
    {
        if (index >= int(m_names.size())) {
            m_names = SegmentNames(m_output, index + 1);
            if (Exists(m_names[size_t(index)]) && !m_approved.count(m_names[size_t(index)]))
                throw ESplit(m_names[size_t(index)] + ": exists and was not to be overwritten");
        }
        const std::string &name = m_names[size_t(index)];
        if (SameFile(name, m_source))
            throw ESplit(name + ": is the movie being split; choose another output name");
        m_approved.insert(name);
        return name;
    }

private:
    std::string m_source, m_output;
    std::vector<std::string> m_names;
    std::set<std::string> m_approved;
};

bool IsProgramStream(const std::string &file)
{
    uint8_t head[4] = {};
    FILE *f = std::fopen(file.c_str(), "rb");
    if (!f)
        return false;
    const size_t got = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    return LooksLikeProgramStream(head, int64_t(got));
}

} // namespace

TMovieSplitJob::~TMovieSplitJob()
{
    Abort();
    Wait();
}

void TMovieSplitJob::Start(const std::string &source, const std::string &output, const SplitRequest &request)
{
    Wait();
    m_control.done.store(0);
    m_control.total.store(0);
    m_control.segment.store(0);
    m_control.segments.store(0);
    m_control.abort.store(false);
    // A run stopped while paused must not leave the next one paused.
    m_control.paused.store(false);
    m_approval.store(0);
    m_error.clear();
    m_outcome = SplitOutcome{};
    m_declined = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_planned.clear();
    }
    m_state.store(State::Examining, std::memory_order_release);
    m_thread = std::thread(&TMovieSplitJob::Run, this, source, output, request);
}

std::vector<std::string> TMovieSplitJob::PlannedNames() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_planned;
}

std::vector<std::string> TMovieSplitJob::ExistingNames() const
{
    std::vector<std::string> existing;
    for (const std::string &name : PlannedNames())
        if (Exists(name))
            existing.push_back(name);
    return existing;
}

void TMovieSplitJob::Approve(bool write)
{
    m_approval.store(write ? 1 : -1, std::memory_order_release);
}

void TMovieSplitJob::Abort()
{
    m_control.abort.store(true, std::memory_order_release);
}

void TMovieSplitJob::Wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

std::string TMovieSplitJob::Report() const
{
    std::string text = m_error;
    if (!m_outcome.names.empty()) {
        text += text.empty() ? "" : "\n";
        text += "Written: ";
        for (size_t i = 0; i < m_outcome.names.size(); ++i) {
            text += (i ? ", " : "") + m_outcome.names[i];
            if (std::find(m_outcome.partial.begin(), m_outcome.partial.end(), m_outcome.names[i])
                != m_outcome.partial.end())
                text += " (partial)";
        }
    }
    return text;
}

void TMovieSplitJob::SetState(State state)
{
    m_state.store(state, std::memory_order_release);
    if (m_callback)
        m_callback();
}

bool TMovieSplitJob::AwaitApproval()
{
    SetState(State::Planned);
    while (m_approval.load(std::memory_order_acquire) == 0 && !m_control.abort.load(std::memory_order_acquire))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (m_approval.load() != 1) {
        m_declined = true;
        return false;
    }
    SetState(State::Writing);
    return true;
}

void TMovieSplitJob::Run(std::string source, std::string output, SplitRequest request)
{
    try {
        struct stat st {};
        if (::stat(source.c_str(), &st) != 0)
            throw ESplit(source + ": cannot be read");
        m_control.total.store(2 * int64_t(st.st_size));
        auto plan = [&](size_t count) {
            std::vector<std::string> names = SegmentNames(output, int(count));
            for (const std::string &name : names)
                if (SameFile(name, source))
                    throw ESplit(name + ": is the movie being split; choose another output name");
            std::lock_guard<std::mutex> lock(m_mutex);
            m_planned = names;
        };
        if (IsProgramStream(source)) {
            const PsIndex index = ScanProgramStream(source, m_control);
            if (m_control.abort.load())
                throw ESplit(source + ": stopped before anything was written");
            const std::vector<int64_t> starts = PlanProgramStream(index, request, source);
            plan(starts.size());
            if (AwaitApproval()) {
                NameSink sink(source, output, PlannedNames());
                WriteProgramStream(source, index, starts, sink, m_control, m_outcome);
            }
        } else {
            const AvIndex index = IndexMovie(source, m_control);
            if (m_control.abort.load())
                throw ESplit(source + ": stopped before anything was written");
            MuxOverhead overhead = OverheadFor(SegmentNames(output, 1).front());
            std::vector<int64_t> starts = PlanMovie(index, request, overhead, source);
            plan(starts.size());
            if (AwaitApproval()) {
                NameSink sink(source, output, PlannedNames());
                // By size the real files are measured; a segment over the size makes the estimate
                // of what the container adds grow, and the whole split is written again.
                for (int attempt = 0;; ++attempt) {
                    WriteMovie(source, index, starts, sink, m_control, m_outcome);
                    if (request.by != SplitBy::Size || m_outcome.aborted)
                        break;
                    std::string over;
                    for (const std::string &name : m_outcome.names) {
                        struct stat s {};
                        if (::stat(name.c_str(), &s) == 0 && int64_t(s.st_size) > request.size)
                            over = name;
                    }
                    if (over.empty())
                        break;
                    if (attempt == 4)
                        throw ESplit(over + ": stays larger than the segment size of "
                                     + std::to_string(request.size) + " bytes");
                    overhead.fixed *= 2;
                    overhead.perPacket *= 2;
                    overhead.perSecond = overhead.perSecond * 2 + 4096;
                    starts = PlanMovie(index, request, overhead, source);
                    m_outcome = SplitOutcome{};
                    m_control.done.store(int64_t(st.st_size));
                    m_control.total.store(3 * int64_t(st.st_size));
                }
            }
        }
    } catch (const ESplit &error) {
        m_error = error.what();
    } catch (const std::exception &error) {
        m_error = source + ": " + error.what();
    }
    SetState(State::Finished);
}

} // namespace kbx
