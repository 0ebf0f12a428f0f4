#pragma once
// Checksums of data that lies in the page cache, folded on every core: the file goes a bounded window
// at a time, each window's CRC split between the cores and the partial registers joined by the
// combine rule, while the digests run beside them. A window is folded where it lies (mapped
// read-only) or read piecewise into small per-core buffers: on some machines (virtual ones above
// all) touching page-cache pages through a mapping costs more than the kernel's copy, so the
// first windows try both and the cheaper one goes on. Where mapping is refused, reading serves.

#include "engine/checksums.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kbx {

struct FoldOptions
{
    int threads = 0;                       // 0: every core
    int64_t window = 128 * 1024 * 1024;    // bytes mapped at a time
    bool forceRead = false;                // never map
    bool forceMap = false;                 // map whenever the system allows, without trying reading
    // Called after every window with the bytes just folded; `stop` ends the fold early when it says so.
    std::function<void(int64_t)> progress;
    std::function<bool()> stop;
};

struct FoldResult
{
    int64_t folded = 0;
    bool mapped = false;  // at least one window was folded from a mapping
    bool read = false;    // at least one window was read
};

// Folds bytes [start, start + length) of the open file `fd` into `sums`. Throws std::runtime_error
// naming `name` when the file is shorter than that or cannot be read.
FoldResult FoldFileRange(int fd, const std::string &name, int64_t start, int64_t length, ChecksumSet &sums,
                         const FoldOptions &options = {});
// The whole file `path`.
FoldResult FoldFile(const std::string &path, ChecksumSet &sums, const FoldOptions &options = {});

// The raw register (from 0) of `data`, split between `threads` threads and joined; what each
// mapped window uses, open for tests.
uint32_t ParallelRawCrc(const uint8_t *data, size_t length, int threads);
// The same for bytes [start, start + length) of `fd`, each thread reading its own piece.
// `buffers`, when given, holds at least `threads` buffers of ReadCrcChunk bytes, reused from call to call.
constexpr size_t ReadCrcChunk = 1024 * 1024;
uint32_t ParallelReadCrc(int fd, const std::string &name, int64_t start, int64_t length, int threads,
                         std::vector<std::unique_ptr<uint8_t[]>> *buffers = nullptr);

} // namespace kbx
