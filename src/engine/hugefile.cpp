#include "engine/hugefile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kbx {

namespace {

constexpr uint32_t DefaultBufferSize = 65536;
// Linux transfers at most this much per read/write call.
constexpr int64_t MaxChunk = 0x7ffff000;
const char *const InUseText = "The file is locked by another open.";

} // namespace

TQsHugeFile::TQsHugeFile(std::string fileName, uint32_t attributes, uint32_t desiredAccess,
                         uint32_t shareMode)
    : m_desiredAccess(desiredAccess),
      m_desiredShare(shareMode),
      m_noOsBuffering((attributes & FlagNoBuffering) != 0),
      m_attributes(attributes),
      m_fileName(std::move(fileName)),
      m_shareGiven(true)
{
}

TQsHugeFile::TQsHugeFile(std::string fileName)
    : TQsHugeFile(std::move(fileName), AttributeNormal, GenericRead | GenericWrite, 0)
{
    m_shareGiven = false;
}

TQsHugeFile::~TQsHugeFile()
{
    try {
        Close();
    } catch (...) {
        // A destructor must not throw; callers that care about lost data call Close themselves.
    }
}

int TQsHugeFile::Reset(uint32_t recordSize, uint32_t bufferSize, unsigned options,
                       uint32_t lockTimeoutMs, uint32_t retryDelayMs)
{
    return OpenWith(false, recordSize, bufferSize, options, lockTimeoutMs, retryDelayMs);
}

int TQsHugeFile::Rewrite(uint32_t recordSize, uint32_t bufferSize, unsigned options,
                         uint32_t lockTimeoutMs, uint32_t retryDelayMs)
{
    return OpenWith(true, recordSize, bufferSize, options, lockTimeoutMs, retryDelayMs);
}

void TQsHugeFile::Reset(uint32_t recordSize)
{
    const int result = Reset(recordSize, 0, Buffered);
    if (result != OpenOk)
        RaiseSystem("Reset", int(m_lastError), result == OpenInUse ? InUseText : nullptr);
}

void TQsHugeFile::Rewrite(uint32_t recordSize)
{
    const int result = Rewrite(recordSize, 0, Buffered);
    if (result != OpenOk)
        RaiseSystem("Rewrite", int(m_lastError), result == OpenInUse ? InUseText : nullptr);
}

int TQsHugeFile::OpenWith(bool rewrite, uint32_t recordSize, uint32_t bufferSize, unsigned options,
                          uint32_t lockTimeoutMs, uint32_t retryDelayMs)
{
    if (recordSize == 0)
        Raise(HelpBlockSize, "TQsHugeFile(%s):BlockSize must be greater than zero!");
    m_lastError = 0;
    if (m_closeAtEnd && m_isOpen)
        Close();
    const bool reopen = m_isOpen;
    if (reopen) {
        FreeBuffer();   // flushes a write buffer first
        m_isBuffered = false;
        CheckOsCall(SysSeek(0), "Seek");
        if (rewrite) {
            ++m_systemCalls;
            CheckOsCall(::ftruncate(m_handle, 0) == 0, "Rewrite");
        }
    }
    m_isBuffered = (options & Buffered) != 0;
    m_closeAtEnd = m_isBuffered && (options & CloseAtEnd) != 0;
    if (rewrite)
        m_compress = (options & Compress) != 0;
    else
        m_canCreate = (options & CanCreate) != 0;
    if (m_isBuffered) {
        m_bufferSize = bufferSize;
        m_lockBuffer = (options & LockBuffer) != 0;
    }
    m_recordSize = recordSize;
    m_cachedSize = -1;
    m_closeOnNext = false;
    m_writeMode = false;

    int result = OpenOk;
    if (reopen) {
        if (m_isBuffered)
            AllocBuffer();
    } else {
        result = OpenFile(rewrite, lockTimeoutMs, retryDelayMs);
    }
    if (result != OpenOk) {
        Close();
        return result;
    }
    if (m_isBuffered) {
        if (rewrite)
            InitWriteBuffer();
        else
            InitReadBuffer();
    }
    m_logicalPosition = 0;
    m_reading = !rewrite;
    m_halfClosed = false;
    return OpenOk;
}

int TQsHugeFile::OpenFile(bool rewrite, uint32_t lockTimeoutMs, uint32_t retryDelayMs)
{
    const auto started = std::chrono::steady_clock::now();
    const bool wantRead = (m_desiredAccess & GenericRead) != 0;
    const bool wantWrite = (m_desiredAccess & GenericWrite) != 0;
    int flags = O_CLOEXEC | (wantWrite ? (wantRead ? O_RDWR : O_WRONLY) : O_RDONLY);
    // No O_TRUNC: a file held by another open must keep its content, so truncation waits for the lock.
    if (rewrite || m_canCreate)
        flags |= O_CREAT;
    const uint32_t share = (m_shareGiven && m_desiredShare != ShareFromAccess)
                               ? m_desiredShare
                               : (wantWrite ? 0 : ShareRead);
    const int lockOperation = share == 0 ? LOCK_EX : share == ShareRead ? LOCK_SH : 0;

    bool inUse = false;
    for (;;) {
        inUse = false;
        int fd = -1;
        if (m_noOsBuffering) {
            fd = ::open(m_fileName.c_str(), flags | O_DIRECT, 0666);
            if (fd < 0 && errno == EINVAL)   // the file system has no direct I/O
                fd = ::open(m_fileName.c_str(), flags, 0666);
        } else {
            fd = ::open(m_fileName.c_str(), flags, 0666);
        }
        int error = fd < 0 ? errno : 0;
        if (fd >= 0) {
            struct stat st {};
            ++m_systemCalls;
            if (::fstat(fd, &st) != 0)
                error = errno;
            else if (S_ISDIR(st.st_mode))
                error = EISDIR;
            else if (lockOperation != 0 && ::flock(fd, lockOperation | LOCK_NB) != 0) {
                error = errno;
                inUse = error == EWOULDBLOCK;
            }
            if (error != 0)
                ::close(fd);
            else
                m_handle = fd;
        }
        if (error == 0) {
            m_lastError = 0;
            m_isOpen = true;
            break;
        }
        m_lastError = inUse ? ErrorSharingViolation : uint32_t(error);
        const auto waited = std::chrono::steady_clock::now() - started;
        if (!inUse || lockTimeoutMs == 0 || waited >= std::chrono::milliseconds(lockTimeoutMs))
            break;
        // A zero delay would spin on the lock for the whole timeout.
        std::this_thread::sleep_for(std::chrono::milliseconds(std::max<uint32_t>(retryDelayMs, 1)));
    }
    if (!m_isOpen)
        return inUse ? OpenInUse : OpenFailed;

    if (rewrite) {
        // Only cut what is there: ext4 writes a file out on close once it has been truncated, which
        // would stall every new output for the time its data takes to reach the disk.
        struct stat st {};
        ++m_systemCalls;
        const bool empty = ::fstat(m_handle, &st) == 0 && st.st_size == 0;
        ++m_systemCalls;
        if (!empty && ::ftruncate(m_handle, 0) != 0) {
            m_lastError = uint32_t(errno);
            ReleaseHandle();
            m_isOpen = false;
            return OpenFailed;
        }
        if (m_compress)
            EnableCompression();
    }
    if (m_isBuffered)
        AllocBuffer();
    return OpenOk;
}

void TQsHugeFile::EnableCompression()
{
    // Best effort: most file systems have no compression, and the file is usable without it.
    int attributes = 0;
    if (::ioctl(m_handle, FS_IOC_GETFLAGS, &attributes) != 0) {
        m_lastError = uint32_t(errno);
        return;
    }
    if (attributes & FS_COMPR_FL)
        return;
    attributes |= FS_COMPR_FL;
    if (::ioctl(m_handle, FS_IOC_SETFLAGS, &attributes) != 0)
        m_lastError = uint32_t(errno);
}

uint32_t TQsHugeFile::RoundToPage(uint32_t size)
{
    const uint32_t page = uint32_t(::sysconf(_SC_PAGESIZE));
    return ((size - 1) / page + 1) * page;
}

void TQsHugeFile::AllocBuffer()
{
    FreeBuffer();
    const uint32_t size = RoundToPage(m_bufferSize ? m_bufferSize : DefaultBufferSize);
    // Page-granular memory rather than the heap: it can be locked and suits O_DIRECT alignment.
    void *memory = MAP_FAILED;
    if (size == 0)   // the requested size wrapped while rounding up
        errno = ENOMEM;
    else
        memory = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) {
        m_lastError = uint32_t(errno);
        Raise(HelpNoBuffer, "TQsHugeFile(%s):Failed to allocate buffer!");
    }
    m_bufferMemory = static_cast<uint8_t *>(memory);
    m_allocatedSize = size;
    m_bufferSize = size;
    m_bufferOffset = m_bufferFill = 0;
    if (m_lockBuffer) {
        CheckOsCall(::mlock(memory, size) == 0, "AllocBuffer");
        m_bufferLocked = true;
    }
}

void TQsHugeFile::FreeBuffer()
{
    // Release everything first, then report the first failure: a failed flush must not leak memory.
    int error = 0;
    if (m_bufferMemory && m_writeMode && !FlushBuffer())
        error = int(m_lastError);
    if (m_bufferLocked) {
        if (::munlock(m_bufferMemory, m_allocatedSize) != 0 && error == 0)
            error = errno;
        m_bufferLocked = false;
    }
    if (m_bufferMemory) {
        if (::munmap(m_bufferMemory, m_allocatedSize) != 0 && error == 0)
            error = errno;
        m_bufferMemory = nullptr;
        m_allocatedSize = 0;
    }
    m_bufferOffset = m_bufferFill = 0;
    if (error != 0)
        RaiseSystem("FreeBuffer", error);
}

void TQsHugeFile::InitReadBuffer()
{
    m_bufferOffset = m_bufferFill = 0;
    m_bufferFileOffset = 0;
    m_writeMode = false;
}

void TQsHugeFile::InitWriteBuffer()
{
    m_bufferOffset = m_bufferFill = 0;
    m_bufferFileOffset = 0;
    m_writeMode = true;
}

void TQsHugeFile::CheckHandle()
{
    if (m_handle < 0)
        Raise(HelpNotOpen, "TQsHugeFile(%s):File not open!");
}

void TQsHugeFile::BlockRead(void *destination, int64_t count, int64_t &transferred)
{
    transferred = 0;
    if (!(m_isBuffered && m_halfClosed))
        CheckHandle();
    const int64_t bytes = count > 0 ? count * m_recordSize : 0;
    auto *target = static_cast<uint8_t *>(destination);
    if (!m_isBuffered) {
        int error = 0;
        const int64_t got = SysRead(target, bytes, error);
        m_logicalPosition += got;
        transferred = got / m_recordSize;
        if (error != 0)
            RaiseSystem("BlockRead", error);
    } else {
        transferred = Fetch(target, bytes) / m_recordSize;
    }

    if (!m_closeAtEnd)
        return;
    if (m_closeOnNext && m_handle >= 0) {
        const int64_t size = FileSize();
        if (_FilePos() >= size * m_recordSize) {
            m_lastSize = size;
            m_closeOnNext = false;
            m_halfClosed = true;
            if (const int error = ReleaseHandle())
                RaiseSystem("Close", error);
            return;
        }
    }
    m_closeOnNext = m_handle >= 0 && AtEnd();
}

int64_t TQsHugeFile::Fetch(uint8_t *destination, int64_t count)
{
    if (m_writeMode)
        Raise(HelpReadWhileWriting, "TQsHugeFile(%s):Read while in buffered write mode!");
    int64_t delivered = 0;
    if (count >= int64_t(m_bufferFill - m_bufferOffset)) {
        delivered = m_bufferFill - m_bufferOffset;
        if (delivered > 0)
            std::memcpy(destination, m_bufferMemory + m_bufferOffset, size_t(delivered));
        m_bufferOffset = m_bufferFill = 0;
        m_logicalPosition = m_bufferFileOffset;

        const int64_t rest = count - delivered;
        if (rest >= m_bufferSize && !m_halfClosed) {
            // Whole buffers go straight into the caller's memory: one call for a big block.
            const int64_t direct = rest - rest % m_bufferSize;
            int error = 0;
            const int64_t got = SysRead(destination + delivered, direct, error);
            delivered += got;
            m_bufferFileOffset += got;
            m_logicalPosition = m_bufferFileOffset;
            if (error != 0)
                m_lastError = uint32_t(error);
            if (got < direct)
                return delivered;
        }
        if (m_halfClosed)
            return delivered;
        if (!AtEnd()) {
            int error = 0;
            const int64_t got = SysRead(m_bufferMemory, m_bufferSize, error);
            m_bufferFill = uint32_t(got);
            m_bufferFileOffset += got;
            m_logicalPosition = m_bufferFileOffset - m_bufferFill;
            if (error != 0)
                RaiseSystem("Fetch", error);
        }
    }
    const int64_t take = std::min<int64_t>(count - delivered, m_bufferFill - m_bufferOffset);
    if (take > 0) {
        std::memcpy(destination + delivered, m_bufferMemory + m_bufferOffset, size_t(take));
        m_bufferOffset += uint32_t(take);
        delivered += take;
    }
    m_logicalPosition = m_bufferFileOffset - m_bufferFill + m_bufferOffset;
    return delivered;
}

void TQsHugeFile::BlockWrite(const void *source, int64_t count, int64_t &transferred)
{
    transferred = 0;
    CheckHandle();
    const int64_t bytes = count > 0 ? count * m_recordSize : 0;
    const auto *data = static_cast<const uint8_t *>(source);
    m_cachedSize = -1;
    if (!m_isBuffered) {
        int error = 0;
        const int64_t written = SysWrite(data, bytes, error);
        m_logicalPosition += written;
        transferred = written / m_recordSize;
        if (error != 0)
            RaiseSystem("BlockWrite", error);
        return;
    }
    transferred = BufferedWrite(data, bytes) / m_recordSize;
    m_cachedSize = -1;
}

int64_t TQsHugeFile::BufferedWrite(const uint8_t *source, int64_t count)
{
    if (!m_writeMode) {
        if (FilePos() != FileSize())
            Raise(HelpWriteWhileReading, "TQsHugeFile(%s):Write while in buffered read mode!");
        InitWriteBuffer();
        m_reading = false;
    }
    if (m_bufferOffset == 0 && m_logicalPosition != m_bufferFileOffset)
        SeekBytes(m_logicalPosition, true);

    int64_t done = 0;
    const uint32_t space = m_bufferSize - m_bufferOffset;
    if (count >= space) {
        const int64_t earlier = m_bufferOffset;   // bytes of earlier calls, already reported
        const int64_t flushedFrom = m_bufferFileOffset;
        std::memcpy(m_bufferMemory + m_bufferOffset, source, space);
        m_bufferOffset = m_bufferSize;
        if (!FlushBuffer())
            return std::max<int64_t>(0, m_bufferFileOffset - flushedFrom - earlier);
        done = space;
        const int64_t rest = count - done;
        if (rest >= m_bufferSize) {
            const int64_t direct = rest - rest % m_bufferSize;
            int error = 0;
            const int64_t written = SysWrite(source + done, direct, error);
            done += written;
            m_bufferFileOffset += written;
            m_logicalPosition = m_bufferFileOffset;
            if (written < direct) {
                m_lastError = uint32_t(error);
                return done;
            }
        }
    }
    const int64_t rest = count - done;
    if (rest > 0) {
        std::memcpy(m_bufferMemory + m_bufferOffset, source + done, size_t(rest));
        m_bufferOffset += uint32_t(rest);
    }
    m_logicalPosition = m_bufferFileOffset + m_bufferOffset;
    return count;
}

int64_t TQsHugeFile::CopyRange(TQsHugeFile &source, int64_t offset, int64_t count)
{
    CheckHandle();
    source.CheckHandle();
    if (m_isBuffered && !m_writeMode) {
        if (FilePos() != FileSize())
            Raise(HelpWriteWhileReading, "TQsHugeFile(%s):Write while in buffered read mode!");
        InitWriteBuffer();
        m_reading = false;
    }
    // Bytes waiting in the buffer come first in the file.
    if (m_isBuffered && !FlushBuffer())
        return 0;
    if (m_isBuffered && m_logicalPosition != m_bufferFileOffset)
        SeekBytes(m_logicalPosition, true);
    m_cachedSize = -1;
    int64_t done = 0;
    loff_t from = loff_t(offset);
    while (done < count) {
        ++m_systemCalls;
        const ssize_t n = ::copy_file_range(source.m_handle, &from, m_handle, nullptr,
                                            size_t(std::min(count - done, MaxChunk)), 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (done == 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP))
                return -1;
            m_lastError = uint32_t(errno);
            break;
        }
        if (n == 0)
            break;
        done += n;
    }
    if (m_isBuffered)
        m_bufferFileOffset += done;
    m_logicalPosition += done;
    return done;
}

bool TQsHugeFile::FlushBuffer()
{
    if (!m_writeMode || m_bufferOffset == 0)
        return true;
    // Unbuffered system I/O wants whole pages; the tail of the last page is zeros.
    const int64_t count = m_noOsBuffering ? RoundToPage(m_bufferOffset) : m_bufferOffset;
    int error = 0;
    const int64_t written = SysWrite(m_bufferMemory, count, error);
    m_bufferFileOffset += written;
    m_bufferOffset = 0;
    m_logicalPosition = m_bufferFileOffset;
    m_cachedSize = -1;
    if (m_noOsBuffering)
        std::memset(m_bufferMemory, 0, m_bufferSize);
    if (written < count) {
        m_lastError = uint32_t(error);
        return false;
    }
    return true;
}

void TQsHugeFile::Seek(int64_t record)
{
    _Seek(record, false);
}

void TQsHugeFile::_Seek(int64_t record, bool internal)
{
    SeekBytes(record * m_recordSize, internal);
}

void TQsHugeFile::SeekBytes(int64_t target, bool internal)
{
    if (!(m_isBuffered && !internal && m_halfClosed))
        CheckHandle();
    if (!m_isBuffered) {
        CheckOsCall(SysSeek(target), "Seek");
    } else if (m_writeMode) {
        if (!FlushBuffer())
            RaiseSystem("_Seek", int(m_lastError));
        CheckOsCall(SysSeek(target), "_Seek");
        m_bufferFileOffset = target;
    } else {
        const int64_t bufferStart = m_bufferFileOffset - m_bufferFill;
        if (!internal && target >= bufferStart && target < m_bufferFileOffset) {
            m_bufferOffset = uint32_t(target - bufferStart);
            if (!AtEnd())
                m_closeOnNext = false;
        } else if (m_halfClosed) {
            if (target != m_bufferFileOffset)
                Raise(HelpNotOpen, "TQsHugeFile(%s):File not open!");
            m_bufferOffset = m_bufferFill;
        } else {
            CheckOsCall(SysSeek(target), "_Seek");
            m_bufferFileOffset = target;
            m_bufferOffset = m_bufferFill = 0;
            m_closeOnNext = false;
        }
    }
    m_logicalPosition = target;
}

int64_t TQsHugeFile::FilePos()
{
    if (!m_halfClosed)
        CheckHandle();
    return m_logicalPosition / m_recordSize;
}

int64_t TQsHugeFile::_FilePos()
{
    CheckHandle();
    ++m_systemCalls;
    const off_t position = ::lseek(m_handle, 0, SEEK_CUR);
    CheckOsCall(position >= 0, "_FilePos");
    return position;
}

int64_t TQsHugeFile::FileSize()
{
    if (m_halfClosed)
        return m_lastSize;
    CheckHandle();
    int error = 0;
    const int64_t size = SysSize(error);
    if (error != 0)
        RaiseSystem("FileSize", error);
    // Unflushed buffered writes belong to the file already.
    return std::max(size, m_logicalPosition) / m_recordSize;
}

int64_t TQsHugeFile::SizeCached()
{
    if (m_cachedSize == -1)
        m_cachedSize = FileSize();
    return m_cachedSize;
}

bool TQsHugeFile::AtEnd()
{
    return SizeCached() * m_recordSize <= m_bufferFileOffset;
}

void TQsHugeFile::Truncate()
{
    CheckHandle();
    if (m_isBuffered)
        _Seek(FilePos(), true);
    ++m_systemCalls;
    const off_t position = ::lseek(m_handle, 0, SEEK_CUR);
    CheckOsCall(position >= 0, "Truncate");
    ++m_systemCalls;
    CheckOsCall(::ftruncate(m_handle, position) == 0, "Truncate");
    m_cachedSize = -1;
}

void TQsHugeFile::Close()
{
    if (!m_isOpen)
        return;
    std::exception_ptr failure;
    try {
        FreeBuffer();
    } catch (...) {
        failure = std::current_exception();
    }
    const int closeError = ReleaseHandle();
    m_halfClosed = false;
    m_isOpen = false;
    m_closeAtEnd = false;
    m_closeOnNext = false;
    m_writeMode = false;
    if (failure)
        std::rethrow_exception(failure);
    if (closeError != 0)
        RaiseSystem("Close", closeError);
}

TQsHugeFile::DateTime TQsHugeFile::FileDate()
{
    CheckHandle();
    struct stat st {};
    ++m_systemCalls;
    CheckOsCall(::fstat(m_handle, &st) == 0, "FileDate");
    return DateTime(std::chrono::duration_cast<DateTime::duration>(
        std::chrono::seconds(st.st_mtim.tv_sec) + std::chrono::nanoseconds(st.st_mtim.tv_nsec)));
}

void TQsHugeFile::SetDate(DateTime when)
{
    CheckHandle();
    // Pending data written later would move the date again.
    if (!FlushBuffer())
        RaiseSystem("SetDate", int(m_lastError));
    const auto sinceEpoch = when.time_since_epoch();
    const auto seconds = std::chrono::floor<std::chrono::seconds>(sinceEpoch);
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(sinceEpoch - seconds);
    const timespec times[2] = {{0, UTIME_OMIT}, {time_t(seconds.count()), long(nanoseconds.count())}};
    CheckOsCall(::futimens(m_handle, times) == 0, "SetDate");
}

void TQsHugeFile::CheckOsCall(bool ok, const char *operation)
{
    if (!ok)
        RaiseSystem(operation, errno);
}

void TQsHugeFile::Raise(int helpContext, const char *format)
{
    std::string message = format;
    const auto at = message.find("%s");
    if (at != std::string::npos)
        message.replace(at, 2, m_fileName);
    throw EQsHugeFile(message, helpContext);
}

void TQsHugeFile::RaiseSystem(const char *operation, int code, const char *text)
{
    m_lastError = uint32_t(code);
    std::string message = std::string("TQsHugeFile.") + operation + "(" + m_fileName + ") failed. ";
    if (code == 0) {
        message += "Ein Aufruf einer Betriebssystemfunktion ist fehlgeschlagen";
        throw EQsHugeFile(message, HelpSystemCall);
    }
    message += "Systemfehler.  Code: " + std::to_string(code) + ".\r\n"
               + (text ? std::string(text) : std::system_category().message(code));
    throw EQsHugeFile(message, HelpSystemError);
}

int64_t TQsHugeFile::SysRead(uint8_t *destination, int64_t count, int &error)
{
    error = 0;
    int64_t done = 0;
    while (done < count) {
        ++m_systemCalls;
        const ssize_t got = ::read(m_handle, destination + done, size_t(std::min(count - done, MaxChunk)));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            break;
        }
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

int64_t TQsHugeFile::SysWrite(const uint8_t *source, int64_t count, int &error)
{
    error = 0;
    int64_t done = 0;
    while (done < count) {
        ++m_systemCalls;
        const ssize_t written = ::write(m_handle, source + done, size_t(std::min(count - done, MaxChunk)));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            break;
        }
        if (written == 0) {   // no progress and no reason given: never report it as success
            error = EIO;
            break;
        }
        done += written;
    }
    return done;
}

bool TQsHugeFile::SysSeek(int64_t offset)
{
    ++m_systemCalls;
    return ::lseek(m_handle, off_t(offset), SEEK_SET) >= 0;
}

int64_t TQsHugeFile::SysSize(int &error)
{
    struct stat st {};
    ++m_systemCalls;
    error = ::fstat(m_handle, &st) == 0 ? 0 : errno;
    return error == 0 ? int64_t(st.st_size) : 0;
}

int TQsHugeFile::ReleaseHandle()
{
    if (m_handle < 0)
        return 0;
    // The descriptor is gone after close(2) even when it fails, so it is never retried.
    const int result = ::close(m_handle);
    m_handle = -1;
    return result != 0 && errno != EINTR ? errno : 0;
}

int64_t HugeFileSize(const std::string &fileName)
{
    try {
        TQsHugeFile file(fileName, AttributeNormal, GenericRead, 0);
        file.Reset(1);
        const int64_t size = file.FileSize();
        file.Close();
        return size;
    } catch (const EQsHugeFile &) {
        return -1;
    }
}

} // namespace kbx
