// movie-split-run (--size BYTES | --count N | --duration SECONDS) OUTPUT INPUT
// Runs one movie split through the Movies page's job and prints "ok segments=N seconds=S" (S is the
// time the split took) or "error: <message>". Existing outputs are not overwritten.

#include "moviesplit/splitjob.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
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
    job.Start(argv[4], argv[3], request);
    while (job.CurrentState() != TMovieSplitJob::State::Finished) {
        if (job.CurrentState() == TMovieSplitJob::State::Planned) {
            const auto existing = job.ExistingNames();
            if (!existing.empty()) {
                std::printf("error: %s exists\n", existing.front().c_str());
                job.Approve(false);
                job.Wait();
                return 1;
            }
            job.Approve(true);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    job.Wait();
    if (!job.ErrorText().empty() || job.Outcome().aborted) {
        std::printf("error: %s\n", job.Report().c_str());
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("ok segments=%zu seconds=%.3f\n", job.Outcome().names.size(), seconds);
    return 0;
}
