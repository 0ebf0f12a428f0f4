#include "engine/mappedchecksum.h"

#include "engine/crc32.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kbx {

namespace {

constexpr size_t ReadChunk = 4 * 1024 * 1024;
// Below this a second thread costs more than it saves.
constexpr size_t MinPiece = 4 * 1024 * 1024;

std::runtime_error SystemError(const std::string &what, const std::string &name, int code)
{
    return std::runtime_error(what + " \"" + name + "\" failed: " + std::strerror(code));
}

std::runtime_error ShortFile(const std::string &name)
{
    return std::runtime_error("Unexpected end of file \"" + name + "\": it is shorter than when the job started.");
}

int ThreadCount(int wanted)
{
    if (wanted > 0)
        return wanted;
    const unsigned cores = std::thread::hardware_concurrency();
    return cores ? int(std::min(cores, 64u)) : 1;
}

void Populate(const uint8_t *data, size_t length)
{
#ifdef MADV_POPULATE_READ
    // One call maps a piece's pages instead of a fault per few pages; refused on old kernels.
    const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
    const uintptr_t begin = uintptr_t(data) & ~(page - 1);
    ::madvise(reinterpret_cast<void *>(begin), length + (uintptr_t(data) - begin), MADV_POPULATE_READ);
#else
    (void)data;
    (void)length;
#endif
}

// The window's CRC on `crcThreads` threads and its digests on one more, all at once.
void FoldWindow(const uint8_t *data, size_t length, ChecksumSet &sums, int threads)
{
    const bool digest = sums.WantsDigest();
    const bool crc = sums.WantsCrc();
    if (!crc) {
        Populate(data, length);
        sums.UpdateDigests(data, length);
        sums.AppendCrc(0, length);
        return;
    }
    if (!digest) {
        sums.AppendCrc(ParallelRawCrc(data, length, threads), length);
        return;
    }
    uint32_t raw = 0;
    std::thread crcThread([&] { raw = ParallelRawCrc(data, length, std::max(1, threads - 1)); });
    sums.UpdateDigests(data, length);
    crcThread.join();
    sums.AppendCrc(raw, length);
}

// CPU time of every thread of the process: a trial window runs on all the job's threads.
int64_t ProcessCpuNanoseconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

void ReadExactly(int fd, const std::string &name, uint8_t *buffer, size_t length, int64_t offset)
{
    size_t done = 0;
    while (done < length) {
        const ssize_t got = ::pread(fd, buffer + done, length - done, off_t(offset + int64_t(done)));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw SystemError("Reading", name, errno);
        if (got == 0)
            throw ShortFile(name);
        done += size_t(got);
    }
}

FoldResult ReadRange(int fd, const std::string &name, int64_t start, int64_t length, ChecksumSet &sums,
                     const FoldOptions &options, FoldResult result)
{
    std::unique_ptr<uint8_t, decltype(&std::free)> buffer(static_cast<uint8_t *>(std::aligned_alloc(4096, ReadChunk)),
                                                          &std::free);
    if (!buffer)
        throw std::bad_alloc();
    ::posix_fadvise(fd, start, length, POSIX_FADV_SEQUENTIAL);
    int64_t done = 0;
    while (done < length) {
        if (options.stop && options.stop())
            break;
        const size_t want = size_t(std::min<int64_t>(length - done, ReadChunk));
        const ssize_t got = ::pread(fd, buffer.get(), want, off_t(start + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw SystemError("Reading", name, errno);
        if (got == 0)
            throw ShortFile(name);
        sums.Update(buffer.get(), size_t(got));
        done += got;
        result.folded += got;
        if (options.progress)
            options.progress(got);
    }
    return result;
}

} // namespace

uint32_t ParallelRawCrc(const uint8_t *data, size_t length, int threads)
{
    threads = std::max(1, std::min<int>(threads, int(length / MinPiece)));
    if (threads <= 1) {
        Populate(data, length);
        return CrcUpdate(0, data, length);
    }
    const size_t page = 4096;
    const size_t piece = (length / size_t(threads) + page - 1) / page * page;
    std::vector<uint32_t> raws(size_t(threads), 0);
    std::vector<size_t> lengths(size_t(threads), 0);
    auto fold = [&](int i) {
        const size_t from = std::min(length, size_t(i) * piece);
        const size_t count = std::min(length - from, piece);
        lengths[size_t(i)] = count;
        Populate(data + from, count);
        raws[size_t(i)] = CrcUpdate(0, data + from, count);
    };
    std::vector<std::thread> helpers;
    for (int i = 1; i < threads; ++i)
        helpers.emplace_back(fold, i);
    fold(0);
    for (std::thread &t : helpers)
        t.join();
    uint32_t raw = raws[0];
    for (int i = 1; i < threads; ++i)
        raw = CrcCombine(raw, raws[size_t(i)], lengths[size_t(i)]);
    return raw;
}

uint32_t ParallelReadCrc(int fd, const std::string &name, int64_t start, int64_t length, int threads,
                         std::vector<std::unique_ptr<uint8_t[]>> *buffers)
{
    // Small buffers stay in each core's cache between the kernel's copy and the fold.
    constexpr size_t Chunk = ReadCrcChunk;
    threads = std::max(1, std::min<int>(threads, int(length / int64_t(MinPiece))));
    std::vector<std::unique_ptr<uint8_t[]>> own;
    if (!buffers || int(buffers->size()) < threads) {
        for (int i = 0; i < threads; ++i)
            own.emplace_back(new uint8_t[Chunk]);
        buffers = &own;
    }
    const int64_t piece = (length / threads + 4095) / 4096 * 4096;
    std::vector<uint32_t> raws(size_t(threads), 0);
    std::vector<int64_t> lengths(size_t(threads), 0);
    std::vector<std::exception_ptr> errors(static_cast<size_t>(threads));
    auto fold = [&](int i) {
        try {
            const int64_t from = std::min(length, int64_t(i) * piece);
            const int64_t count = std::min(length - from, piece);
            lengths[size_t(i)] = count;
            uint8_t *buffer = (*buffers)[size_t(i)].get();
            uint32_t raw = 0;
            for (int64_t done = 0; done < count;) {
                const size_t want = size_t(std::min<int64_t>(count - done, int64_t(Chunk)));
                ReadExactly(fd, name, buffer, want, start + from + done);
                raw = CrcUpdate(raw, buffer, want);
                done += int64_t(want);
            }
            raws[size_t(i)] = raw;
        } catch (...) {
            errors[size_t(i)] = std::current_exception();
        }
    };
    std::vector<std::thread> helpers;
    for (int i = 1; i < threads; ++i)
        helpers.emplace_back(fold, i);
    fold(0);
    for (std::thread &t : helpers)
        t.join();
    for (const std::exception_ptr &e : errors) {
        if (e)
            std::rethrow_exception(e);
    }
    uint32_t raw = raws[0];
    for (int i = 1; i < threads; ++i)
        raw = CrcCombine(raw, raws[size_t(i)], uint64_t(lengths[size_t(i)]));
    return raw;
}

FoldResult FoldFileRange(int fd, const std::string &name, int64_t start, int64_t length, ChecksumSet &sums,
                         const FoldOptions &options)
{
    FoldResult result;
    if (length <= 0)
        return result;
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throw SystemError("Reading", name, errno);
    // Touching a mapping past the end of its file kills the process, so the size is checked first.
    const bool regular = S_ISREG(st.st_mode);
    if (regular && st.st_size < start + length)
        throw ShortFile(name);
    if (options.forceRead || !regular)
        return ReadRange(fd, name, start, length, sums, options, result);

    const int threads = ThreadCount(options.threads);
    const int64_t page = sysconf(_SC_PAGESIZE);
    const int64_t window = std::max<int64_t>(page, options.window / page * page);
    // The route for the rest: unknown until short windows of each have been timed, alternately and
    // twice, so that one window slowed by something else does not choose for the whole file. Each trial
    // runs on every thread and is charged the whole process's CPU time: mapping costs more per page
    // when several threads map at once.
    enum class Route { Trying, Map, Read } route = options.forceMap ? Route::Map : Route::Trying;
    // The read route's buffers, touched once here so that no trial pays for their first use.
    std::vector<std::unique_ptr<uint8_t[]>> buffers;
    for (int i = 0; i < threads; ++i) {
        buffers.emplace_back(new uint8_t[ReadCrcChunk]);
        std::memset(buffers.back().get(), 0, ReadCrcChunk);
    }
    constexpr int TrialsEach = 2;
    int trials = 0;
    int64_t mapCost = -1, readCost = -1;  // the cheapest trial's CPU nanoseconds per MiB
    int64_t done = 0;
    while (done < length) {
        if (options.stop && options.stop())
            return result;
        const int64_t position = start + done;
        const int64_t mapStart = position / page * page;
        int64_t count = std::min(length - done, window - (position - mapStart));
        bool useMap = route == Route::Map || (route == Route::Trying && trials % 2 == 0);
        const bool trial = route == Route::Trying;
        if (trial)
            count = std::min<int64_t>(count, int64_t(threads) * int64_t(MinPiece) * 2);
        const int64_t cpuBefore = ProcessCpuNanoseconds();
        if (useMap) {
            const size_t mapLength = size_t(position - mapStart + count);
            void *map = ::mmap(nullptr, mapLength, PROT_READ, MAP_SHARED, fd, off_t(mapStart));
            if (map == MAP_FAILED) {
                route = Route::Read;
                continue;
            }
            ::madvise(map, mapLength, MADV_SEQUENTIAL);
            // A file cut shorter meanwhile would fault on the missing pages: look once more.
            struct stat now {};
            if (::fstat(fd, &now) != 0 || now.st_size < position + count) {
                ::munmap(map, mapLength);
                throw ShortFile(name);
            }
            FoldWindow(static_cast<const uint8_t *>(map) + (position - mapStart), size_t(count), sums, threads);
            ::munmap(map, mapLength);
            result.mapped = true;
        } else if (sums.WantsDigest()) {
            FoldOptions plain;
            ReadRange(fd, name, position, count, sums, plain, FoldResult{});
            result.read = true;
        } else {
            sums.AppendCrc(ParallelReadCrc(fd, name, position, count, threads, &buffers), uint64_t(count));
            result.read = true;
        }
        if (trial) {
            const int64_t cost = (ProcessCpuNanoseconds() - cpuBefore) * (1 << 20) / std::max<int64_t>(count, 1);
            int64_t &best = useMap ? mapCost : readCost;
            best = best < 0 ? cost : std::min(best, cost);
            if (++trials == 2 * TrialsEach)
                route = mapCost <= readCost ? Route::Map : Route::Read;
        }
        done += count;
        result.folded += count;
        if (options.progress)
            options.progress(count);
    }
    return result;
}

FoldResult FoldFile(const std::string &path, ChecksumSet &sums, const FoldOptions &options)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw SystemError("Opening", path, errno);
    struct Closer
    {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throw SystemError("Reading", path, errno);
    if (S_ISDIR(st.st_mode))
        throw std::runtime_error("\"" + path + "\" is a folder");
    if (!S_ISREG(st.st_mode)) {
        // No size to trust: read to the end.
        FoldResult result;
        std::vector<uint8_t> buffer(ReadChunk);
        for (;;) {
            const ssize_t got = ::read(fd, buffer.data(), buffer.size());
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                throw SystemError("Reading", path, errno);
            if (got == 0)
                return result;
            sums.Update(buffer.data(), size_t(got));
            result.folded += got;
        }
    }
    return FoldFileRange(fd, path, 0, st.st_size, sums, options);
}

} // namespace kbx
