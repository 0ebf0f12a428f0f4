#pragma once
// One movie split on a thread of its own: the movie is examined, the segments planned, the
// caller approves the names, then the segments are written. Everything the page and the
// command-line driver share; no widgets.

#include "moviesplit/psplitter.h"
#include "moviesplit/splitcontrol.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kbx {

// Segment names from an output name: without a "?" a run of them, as many as `count` has digits,
// goes before the first "." of the file name (after it when there is none). The first run of "?"
// becomes the segment number, from 1, padded with zeros to the run's length.
std::vector<std::string> SegmentNames(const std::string &output, int count);

// True when both names lead to the same existing file (device and inode).
bool SameFile(const std::string &a, const std::string &b);

class TMovieSplitJob
{
public:
    enum class State { Idle, Examining, Planned, Writing, Finished };

    TMovieSplitJob() = default;
    ~TMovieSplitJob();
    TMovieSplitJob(const TMovieSplitJob &) = delete;
    TMovieSplitJob &operator=(const TMovieSplitJob &) = delete;

    // Starts the thread; the previous run must have finished.
    void Start(const std::string &source, const std::string &output, const SplitRequest &request);
    // Runs on the split's thread whenever the state changes; an event-driven caller hands it on.
    void SetStateCallback(std::function<void()> callback) { m_callback = std::move(callback); }

    State CurrentState() const { return m_state.load(std::memory_order_acquire); }
    // Once Planned: the names the segments will get, and those among them that exist now.
    std::vector<std::string> PlannedNames() const;
    std::vector<std::string> ExistingNames() const;
    // Answers the Planned state: write (existing names are overwritten) or stop without writing.
    void Approve(bool write);

    SplitControl &Control() { return m_control; }
    void SetPaused(bool paused) { m_control.paused.store(paused, std::memory_order_release); }
    bool Paused() const { return m_control.paused.load(std::memory_order_acquire); }
    // Stops at the next packet or chunk; what was written stays.
    void Abort();
    // Blocks until the thread has ended.
    void Wait();

    // After Finished.
    const std::string &ErrorText() const { return m_error; }
    const SplitOutcome &Outcome() const { return m_outcome; }
    bool Declined() const { return m_declined; }
    // The error, followed by the segments written (the last marked partial when it is).
    std::string Report() const;

private:
    void Run(std::string source, std::string output, SplitRequest request);
    void SetState(State state);
    bool AwaitApproval();

    std::thread m_thread;
    std::atomic<State> m_state{State::Idle};
    std::atomic<int> m_approval{0};  // 0 pending, 1 write, -1 declined
    SplitControl m_control;
    std::function<void()> m_callback;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_planned;
    std::string m_error;
    SplitOutcome m_outcome;
    bool m_declined = false;
};

} // namespace kbx
