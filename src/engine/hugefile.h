#pragma once
// A file with 64-bit positions, a fixed record size and an optional private buffer that turns many
// small transfers into few large ones. Standard C++ and POSIX only.

#include "engine/filehandle.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace kbx {

// Help contexts of the errors EQsHugeFile carries.
enum HugeFileHelp : int {
    HelpSystemError = 1001,     // a system call failed with an error code
    HelpSystemCall = 1002,      // a system call failed without an error code
    HelpBlockSize = 1003,
    HelpNotOpen = 1004,
    HelpNoBuffer = 1005,
    HelpWriteWhileReading = 1006,
    HelpReadWhileWriting = 1007,
    HelpWrongKind = 1008,       // a FIFO, socket or device where a file belongs
};

class EQsHugeFile : public std::runtime_error
{
public:
    EQsHugeFile(const std::string &message, int helpContext)
        : std::runtime_error(message), m_helpContext(helpContext) {}
    int helpContext() const { return m_helpContext; }

private:
    int m_helpContext;
};

// Access rights, share modes and attributes as the callers pass them.
constexpr uint32_t GenericRead = 0x80000000u;
constexpr uint32_t GenericWrite = 0x40000000u;
constexpr uint32_t ShareRead = 1;
constexpr uint32_t ShareWrite = 2;
constexpr uint32_t ShareFromAccess = 0xFFFF;    // share mode follows from the access
constexpr uint32_t AttributeNormal = 0x80;
constexpr uint32_t FlagNoBuffering = 0x20000000u;  // unbuffered system I/O (O_DIRECT here)

// Open results.
enum HugeOpenResult : int { OpenOk = 0, OpenInUse = 1, OpenFailed = 2 };

// Open options (a set).
enum HugeOption : unsigned {
    Buffered = 1u << 0,
    LockBuffer = 1u << 1,
    CloseAtEnd = 1u << 2,   // only together with Buffered
    CanCreate = 1u << 3,    // Reset only
    Compress = 1u << 4,     // Rewrite only
};

// Error recorded in LastError when another holder's lock refuses the open ("in use").
constexpr uint32_t ErrorSharingViolation = 32;

class TQsHugeFile
{
public:
    using DateTime = std::chrono::system_clock::time_point;

    // CreateEx: stores name, attributes, access and share mode; nothing is opened yet.
    TQsHugeFile(std::string fileName, uint32_t attributes, uint32_t desiredAccess, uint32_t shareMode);
    // Create: attributes normal, read-and-write access, no sharing; the share mode follows the access.
    explicit TQsHugeFile(std::string fileName);
    virtual ~TQsHugeFile();
    TQsHugeFile(const TQsHugeFile &) = delete;
    TQsHugeFile &operator=(const TQsHugeFile &) = delete;

    // Open with options; lockTimeoutMs > 0 retries an open refused as "in use" every retryDelayMs.
    // Results: OpenOk, OpenInUse, OpenFailed. On failure the object is closed.
    int Reset(uint32_t recordSize, uint32_t bufferSize, unsigned options,
              uint32_t lockTimeoutMs = 0, uint32_t retryDelayMs = 0);
    int Rewrite(uint32_t recordSize, uint32_t bufferSize, unsigned options,
                uint32_t lockTimeoutMs = 0, uint32_t retryDelayMs = 0);
    // Short forms: buffered, default buffer; any result but OpenOk raises the "Reset"/"Rewrite" error.
    void Reset(uint32_t recordSize);
    void Rewrite(uint32_t recordSize);

    void BlockRead(void *destination, int64_t count, int64_t &transferred);
    void BlockWrite(const void *source, int64_t count, int64_t &transferred);
    // Appends `count` bytes of `source`, taken from its byte `offset`, inside the kernel
    // (copy_file_range) instead of through user memory. Returns the bytes copied, fewer at the
    // source's end or on a failure (LastError then says why), or -1 when the system cannot copy
    // between these two files at all and the caller must move the bytes itself.
    int64_t CopyRange(TQsHugeFile &source, int64_t offset, int64_t count);
    // Reads `count` bytes at byte `offset` without moving the position or touching the buffer;
    // returns the bytes read, fewer at the end. A failing read raises the "BlockRead" error.
    int64_t ReadAt(void *destination, int64_t count, int64_t offset);
    void Seek(int64_t record);
    int64_t FilePos();
    int64_t FileSize();
    void Truncate();
    void Close();

    DateTime FileDate();
    void SetDate(DateTime when);

    virtual int64_t _FilePos();
    virtual int64_t SizeCached();
    virtual void _Seek(int64_t record, bool internal);
    virtual bool AtEnd();
    virtual bool FlushBuffer();

    bool IsOpen() const { return m_isOpen; }
    bool HalfClosed() const { return m_halfClosed; }
    bool IsBuffered() const { return m_isBuffered; }
    bool WriteMode() const { return m_writeMode; }
    bool BufferLocked() const { return m_bufferLocked; }
    uint32_t BufferSize() const { return m_bufferSize; }
    uint32_t RecordSize() const { return m_recordSize; }
    uint32_t LastError() const { return m_lastError; }
    const std::string &FileName() const { return m_fileName; }
    int Handle() const { return m_file->Native(); }
    // System calls made on the handle so far: lets tests see that a seek inside the buffer costs none.
    uint64_t SystemCalls() const { return m_file->Calls(); }
    // Why the last open refused the file for its kind (a FIFO, socket or device), else empty.
    const std::string &Refusal() const { return m_refusal; }

protected:
    virtual int OpenFile(bool rewrite, uint32_t lockTimeoutMs, uint32_t retryDelayMs);
    virtual void AllocBuffer();
    virtual void CheckHandle();
    virtual int64_t Fetch(uint8_t *destination, int64_t count);
    virtual void FreeBuffer();
    virtual void InitReadBuffer();
    virtual void InitWriteBuffer();
    virtual uint32_t RoundToPage(uint32_t size);
    virtual int64_t BufferedWrite(const uint8_t *source, int64_t count);
    virtual void CheckOsCall(bool ok, const char *operation);

private:
    [[noreturn]] void Raise(int helpContext, const char *format);
    // text replaces the system's message for the code (used for the lock refusal, which has no errno).
    [[noreturn]] void RaiseSystem(const char *operation, int code, const char *text = nullptr);
    int OpenWith(bool rewrite, uint32_t recordSize, uint32_t bufferSize, unsigned options,
                 uint32_t lockTimeoutMs, uint32_t retryDelayMs);
    int64_t SysRead(uint8_t *destination, int64_t count, int &error);
    int64_t SysWrite(const uint8_t *source, int64_t count, int &error);
    int64_t SysSize(int &error);
    // Seek to a byte offset: BufferedWrite may need a position that is not a whole record.
    void SeekBytes(int64_t target, bool internal);
    void EnableCompression();
    // Closes the system handle; returns the errno of a failing close, else 0.
    int ReleaseHandle();
    void Check(int code, const char *operation);
    static bool KindAllowed(FileKind kind, bool write);
    int Refused(FileKind kind, bool write);
    int RefuseKind(bool write);

    uint32_t m_recordSize = 1;
    uint8_t *m_bufferMemory = nullptr;
    bool m_isBuffered = false;
    uint32_t m_bufferSize = 0;
    int64_t m_bufferFileOffset = 0;
    int64_t m_logicalPosition = 0;
    uint32_t m_bufferOffset = 0;
    uint32_t m_bufferFill = 0;
    bool m_writeMode = false;
    int64_t m_cachedSize = -1;
    bool m_canCreate = false;
    bool m_closeAtEnd = false;
    bool m_closeOnNext = false;
    bool m_compress = false;
    uint32_t m_desiredAccess;
    uint32_t m_desiredShare;
    bool m_noOsBuffering;
    uint32_t m_attributes;
    bool m_halfClosed = false;
    std::unique_ptr<FileHandle> m_file = std::make_unique<FileHandle>();
    bool m_isOpen = false;
    int64_t m_lastSize = 0;
    bool m_lockBuffer = false;
    bool m_bufferLocked = false;
    std::string m_fileName;
    bool m_reading = false;
    bool m_shareGiven;
    uint32_t m_lastError = 0;
    uint32_t m_allocatedSize = 0;
    std::string m_refusal;
};

// Why a file of this kind cannot be read (or written), naming it; empty when it can.
std::string KindRefusal(const std::string &name, FileKind kind, bool write);

// Size of a file in bytes, or -1 when it cannot be opened (missing, in use).
int64_t HugeFileSize(const std::string &fileName);

} // namespace kbx
