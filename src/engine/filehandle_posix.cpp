#include "engine/filehandle.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <mutex>
#include <system_error>

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kbx {

namespace {

// Linux transfers at most this much per read/write call.
constexpr int64_t MaxChunk = 0x7ffff000;

// Repeats `step(done, chunk)` (one system call moving up to `chunk` bytes) until `count` bytes have
// moved, retrying interrupted calls. A call that moves nothing ends a read (end of file); for a write
// it is an error, never a success. Returns 0 or the system's error code.
template <class Step>
int Transfer(int64_t count, int64_t &done, std::atomic<uint64_t> &calls, bool zeroEndsIt, Step step)
{
    while (done < count) {
        ++calls;
        const ssize_t moved = step(done, size_t(std::min(count - done, MaxChunk)));
        if (moved < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (moved == 0)
            return zeroEndsIt ? 0 : EIO;
        done += moved;
    }
    return 0;
}
constexpr size_t HugePageBytes = 2 * 1024 * 1024;

std::atomic<FileFaultHook> g_faultHook{nullptr};

int Fault(FileCall call, const std::string &name)
{
    const FileFaultHook hook = g_faultHook.load(std::memory_order_acquire);
    return hook ? hook(call, name) : 0;
}

FileKind KindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return FileKind::Regular;
    if (S_ISDIR(mode))
        return FileKind::Directory;
    if (S_ISBLK(mode))
        return FileKind::BlockDevice;
    if (S_ISCHR(mode))
        return FileKind::CharDevice;
    if (S_ISFIFO(mode))
        return FileKind::Fifo;
    if (S_ISSOCK(mode))
        return FileKind::Socket;
    return FileKind::Other;
}

void Fill(const struct stat &st, FileStatus &status)
{
    status.kind = KindOf(st.st_mode);
    status.device = uint64_t(st.st_dev);
    status.inode = uint64_t(st.st_ino);
    status.size = int64_t(st.st_size);
    status.modified = std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::seconds(st.st_mtim.tv_sec) + std::chrono::nanoseconds(st.st_mtim.tv_nsec)));
}

} // namespace

int StatPath(const std::string &name, FileStatus &status)
{
    status = FileStatus();
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0)
        return errno == ENOENT ? 0 : errno;
    Fill(st, status);
    return 0;
}

int ListFolder(const std::string &folder, std::vector<std::string> &names)
{
    names.clear();
    DIR *dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return errno;
    while (const dirent *entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    return 0;
}

std::string SystemMessage(int code)
{
    return std::system_category().message(code);
}

int FileHandle::Open(const std::string &name, bool read, bool write, bool create, bool direct)
{
    Close();
    // O_NONBLOCK: a FIFO with no peer or a device must not hold the open; cleared again below.
    int flags = O_CLOEXEC | O_NONBLOCK | (write ? (read ? O_RDWR : O_WRONLY) : O_RDONLY);
    if (create)
        flags |= O_CREAT;
    ++m_calls;
    int fd = ::open(name.c_str(), flags | (direct ? O_DIRECT : 0), 0666);
    if (fd < 0 && direct && errno == EINVAL) {   // the file system has no direct I/O
        ++m_calls;
        fd = ::open(name.c_str(), flags, 0666);
    }
    if (fd < 0)
        return errno;
    ++m_calls;
    const int current = ::fcntl(fd, F_GETFL);
    if (current >= 0) {
        ++m_calls;
        ::fcntl(fd, F_SETFL, current & ~O_NONBLOCK);
    }
    m_fd = fd;
    m_name = name;
    return 0;
}

int FileHandle::Close()
{
    if (m_fd < 0)
        return 0;
    // The descriptor is gone after close(2) even when it fails, so it is never retried.
    ++m_calls;
    const int result = ::close(m_fd);
    m_fd = -1;
    return result != 0 && errno != EINTR ? errno : 0;
}

int FileHandle::Read(void *destination, int64_t count, int64_t &done)
{
    done = 0;
    if (const int fault = Fault(FileCall::Read, m_name))
        return fault;
    auto *target = static_cast<uint8_t *>(destination);
    return Transfer(count, done, m_calls, true,
                    [&](int64_t at, size_t chunk) { return ::read(m_fd, target + at, chunk); });
}

int FileHandle::ReadAt(void *destination, int64_t count, int64_t offset, int64_t &done)
{
    done = 0;
    if (const int fault = Fault(FileCall::Read, m_name))
        return fault;
    auto *target = static_cast<uint8_t *>(destination);
    return Transfer(count, done, m_calls, true, [&](int64_t at, size_t chunk) {
        return ::pread(m_fd, target + at, chunk, off_t(offset + at));
    });
}

int FileHandle::Write(const void *source, int64_t count, int64_t &done)
{
    done = 0;
    if (const int fault = Fault(FileCall::Write, m_name))
        return fault;
    const auto *data = static_cast<const uint8_t *>(source);
    return Transfer(count, done, m_calls, false,
                    [&](int64_t at, size_t chunk) { return ::write(m_fd, data + at, chunk); });
}

int FileHandle::CopyFrom(FileHandle &source, int64_t offset, int64_t count, int64_t &done)
{
    done = 0;
    // Refusals that mean "not between these two files", as opposed to a failing transfer.
    auto classify = [&done](int error) {
        const bool refused = error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
        return done == 0 && refused ? CopyUnsupported : error;
    };
    if (const int fault = Fault(FileCall::Copy, source.m_name))
        return classify(fault);
    if (const int fault = Fault(FileCall::Copy, m_name))
        return classify(fault);
    loff_t from = loff_t(offset);
    while (done < count) {
        ++m_calls;
        const ssize_t n = ::copy_file_range(source.m_fd, &from, m_fd, nullptr,
                                            size_t(std::min(count - done, MaxChunk)), 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return classify(errno);
        }
        if (n == 0)
            break;
        done += n;
    }
    return 0;
}

int FileHandle::Seek(int64_t offset)
{
    ++m_calls;
    return ::lseek(m_fd, off_t(offset), SEEK_SET) >= 0 ? 0 : errno;
}

int FileHandle::Position(int64_t &offset)
{
    ++m_calls;
    const off_t position = ::lseek(m_fd, 0, SEEK_CUR);
    offset = position;
    return position >= 0 ? 0 : errno;
}

int FileHandle::Status(FileStatus &status)
{
    struct stat st {};
    ++m_calls;
    if (::fstat(m_fd, &st) != 0)
        return errno;
    Fill(st, status);
    if (status.kind == FileKind::BlockDevice) {
        // A device's node has no size of its own: ask the device.
        uint64_t bytes = 0;
        ++m_calls;
        if (::ioctl(m_fd, BLKGETSIZE64, &bytes) != 0)
            return errno;
        status.size = int64_t(bytes);
    }
    return 0;
}

int FileHandle::Resize(int64_t size)
{
    ++m_calls;
    return ::ftruncate(m_fd, off_t(size)) == 0 ? 0 : errno;
}

int FileHandle::Lock(LockKind kind)
{
    if (const int fault = Fault(FileCall::Lock, m_name))
        return fault == EWOULDBLOCK ? LockHeld : fault;
    for (;;) {
        ++m_calls;
        if (::flock(m_fd, (kind == LockKind::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB) == 0)
            return 0;
        if (errno == EINTR)
            continue;
        return errno == EWOULDBLOCK ? LockHeld : errno;
    }
}

int FileHandle::EnableCompression()
{
    int attributes = 0;
    ++m_calls;
    if (::ioctl(m_fd, FS_IOC_GETFLAGS, &attributes) != 0)
        return errno;
    if (attributes & FS_COMPR_FL)
        return 0;
    attributes |= FS_COMPR_FL;
    ++m_calls;
    return ::ioctl(m_fd, FS_IOC_SETFLAGS, &attributes) == 0 ? 0 : errno;
}

int FileHandle::SetModified(std::chrono::system_clock::time_point when)
{
    const auto sinceEpoch = when.time_since_epoch();
    const auto seconds = std::chrono::floor<std::chrono::seconds>(sinceEpoch);
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(sinceEpoch - seconds);
    const timespec times[2] = {{0, UTIME_OMIT}, {time_t(seconds.count()), long(nanoseconds.count())}};
    ++m_calls;
    return ::futimens(m_fd, times) == 0 ? 0 : errno;
}

uint32_t PageSize()
{
    static const uint32_t page = uint32_t(::sysconf(_SC_PAGESIZE));
    return page;
}

void *AllocPages(size_t bytes, int &error)
{
    void *memory = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    error = memory == MAP_FAILED ? errno : 0;
    return memory == MAP_FAILED ? nullptr : memory;
}

int FreePages(void *memory, size_t bytes)
{
    return ::munmap(memory, bytes) == 0 ? 0 : errno;
}

int LockPages(void *memory, size_t bytes)
{
    return ::mlock(memory, bytes) == 0 ? 0 : errno;
}

int UnlockPages(void *memory, size_t bytes)
{
    return ::munlock(memory, bytes) == 0 ? 0 : errno;
}

void *AllocRing(size_t bytes)
{
    // Huge pages where the system offers them: 4 MiB transfers through 4 KiB pages spend much of
    // their time on address translation.
    void *memory = std::aligned_alloc(HugePageBytes, (bytes + HugePageBytes - 1) / HugePageBytes * HugePageBytes);
    if (memory)
        ::madvise(memory, bytes, MADV_HUGEPAGE);
    return memory;
}

void FreeRing(void *memory)
{
    std::free(memory);
}

void IgnoreFileSizeSignal()
{
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGXFSZ, SIG_IGN); });
}

void SetFileFaultHook(FileFaultHook hook)
{
    g_faultHook.store(hook, std::memory_order_release);
}

} // namespace kbx
