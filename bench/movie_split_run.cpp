// movie-split-run (--size BYTES | --count N | --duration SECONDS) OUTPUT INPUT
// Runs one movie split through the Movies page's job and prints "ok segments=N seconds=S" (S is the
// time the split took) or "error: <message>". Existing outputs are not overwritten.

#include "moviesplit/splitjob.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <condition_variable>
#include <mutex>
#include <string>

int main(int argc, char **argv)
{
    using namespace kbx;
    auto usage = [] {
        std::fprintf(stderr, "usage: movie-split-run (--size BYTES | --count N | --duration SECONDS) OUTPUT INPUT\n");
        return 2;
    };
    if (argc != 5)
        return usage();
    const std::string option = argv[1];
    char *end = nullptr;
    SplitRequest request;
    if (option == "--size") {
        request.by = SplitBy::Size;
        request.size = std::strtoll(argv[2], &end, 10);
    } else if (option == "--count") {
        request.by = SplitBy::Count;
        request.count = int(std::strtol(argv[2], &end, 10));
    } else if (option == "--duration") {
        request.by = SplitBy::Duration;
        request.seconds = std::strtod(argv[2], &end);
    } else {
        return usage();
    }
    if (!end || *end || end == argv[2])
        return usage();

    const auto started = std::chrono::steady_clock::now();
    TMovieSplitJob job;
    // Woken by every change of state, so that no polling interval adds to the time.
    std::mutex mutex;
    std::condition_variable changed;
    job.SetStateCallback([&] {
        std::lock_guard<std::mutex> lock(mutex);
        changed.notify_all();
    });
    job.Start(argv[4], argv[3], request);
    std::unique_lock<std::mutex> lock(mutex);
    for (bool approved = false;;) {
        const auto state = job.CurrentState();
        if (state == TMovieSplitJob::State::Finished)
            break;
        if (state == TMovieSplitJob::State::Planned && !approved) {
            approved = true;
            const auto existing = job.ExistingNames();
            if (!existing.empty()) {
                lock.unlock();
                std::printf("error: %s exists\n", existing.front().c_str());
                job.Approve(false);
                job.Wait();
                return 1;
            }
            job.Approve(true);
        }
        changed.wait_for(lock, std::chrono::milliseconds(50));
    }
    lock.unlock();
    job.Wait();
    if (!job.ErrorText().empty() || job.Outcome().aborted) {
        std::printf("error: %s\n", job.Report().c_str());
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("ok segments=%zu seconds=%.6f\n", job.Outcome().names.size(), seconds);
    return 0;
}
