#pragma once
// The engine's one door to the operating system: an open file and the few calls the large-file class
// and the copy engine make on it, plus page memory for their buffers. filehandle_posix.cpp implements
// it here; another system replaces that one file. Calls return 0 or the system's error code.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kbx {

enum class FileKind { Missing, Regular, Directory, BlockDevice, CharDevice, Fifo, Socket, Other };

struct FileStatus
{
    FileKind kind = FileKind::Missing;
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;   // bytes; for a block device its real capacity
    std::chrono::system_clock::time_point modified;

    // Same file, whatever names lead to it (hard links, symbolic links, "a/../a").
    bool SameFile(const FileStatus &other) const
    {
        return kind != FileKind::Missing && other.kind != FileKind::Missing && device == other.device
               && inode == other.inode;
    }
};

// Describes the file a name leads to, without opening it. A missing file gives kind Missing and 0.
int StatPath(const std::string &name, FileStatus &status);
// The names in a folder (without "." and ".."), as bytes.
int ListFolder(const std::string &folder, std::vector<std::string> &names);
// The system's own text for an error code.
std::string SystemMessage(int code);

enum class LockKind { Shared, Exclusive };

class FileHandle
{
public:
    // Lock: another open holds a lock that excludes ours.
    static constexpr int LockHeld = -1;
    // CopyFrom: the system cannot copy between these two files; move the bytes through memory.
    static constexpr int CopyUnsupported = -2;

    FileHandle() = default;
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle &) = delete;
    FileHandle &operator=(const FileHandle &) = delete;

    // Opens without waiting for a peer (a FIFO or a device never blocks the open). `direct` asks for
    // unbuffered system I/O and falls back to buffered where the file system has none.
    int Open(const std::string &name, bool read, bool write, bool create, bool direct);
    bool IsOpen() const { return m_fd >= 0; }
    // Releases the handle; it is gone even when the system reports an error.
    int Close();

    // Transfers loop until `count` bytes or the end of the file; `done` says how far they got.
    int Read(void *destination, int64_t count, int64_t &done);
    int ReadAt(void *destination, int64_t count, int64_t offset, int64_t &done);
    int Write(const void *source, int64_t count, int64_t &done);
    // Appends bytes of `source` from `offset` inside the kernel; `done` bytes were copied.
    int CopyFrom(FileHandle &source, int64_t offset, int64_t count, int64_t &done);

    int Seek(int64_t offset);
    int Position(int64_t &offset);
    int Status(FileStatus &status);
    int Resize(int64_t size);
    // 0 locked, LockHeld, or the code of a file system that offers no lock (the open goes on without).
    int Lock(LockKind kind);
    // Best-effort file-system compression.
    int EnableCompression();
    int SetModified(std::chrono::system_clock::time_point when);

    int Native() const { return m_fd; }
    // System calls made through this object, over all its opens. Counted atomically: the writer
    // reads its output back on a second thread while it copies the next piece.
    uint64_t Calls() const { return m_calls.load(std::memory_order_relaxed); }

private:
    int m_fd = -1;
    std::atomic<uint64_t> m_calls{0};
    std::string m_name;   // for the fault hook
};

// Page-granular memory: it can be locked into physical memory and suits unbuffered I/O.
uint32_t PageSize();
void *AllocPages(size_t bytes, int &error);
int FreePages(void *memory, size_t bytes);
int LockPages(void *memory, size_t bytes);
int UnlockPages(void *memory, size_t bytes);
// The copy ring: aligned for huge pages where the system offers them. nullptr when out of memory.
void *AllocRing(size_t bytes);
void FreeRing(void *memory);
// Writing past a file-size limit must fail the write, not end the program.
void IgnoreFileSizeSignal();

// Tests inject failures here: called before each read, write, copy and lock of a named file; a
// non-zero result makes that call fail with it as the system's code.
enum class FileCall { Read, Write, Copy, Lock };
using FileFaultHook = int (*)(FileCall call, const std::string &name);
void SetFileFaultHook(FileFaultHook hook);

} // namespace kbx
