#include "engine/hugefile.h"

#include "engine/filehandle.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <thread>

namespace kbx {

namespace {

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
    if (result != OpenOk && !m_refusal.empty())
        throw EQsHugeFile("TQsHugeFile.Reset(" + m_fileName + ") failed. " + m_refusal, HelpWrongKind);
    if (result != OpenOk)
        RaiseSystem("Reset", int(m_lastError), result == OpenInUse ? InUseText : nullptr);
}

void TQsHugeFile::Rewrite(uint32_t recordSize)
{
    const int result = Rewrite(recordSize, 0, Buffered);
    if (result != OpenOk && !m_refusal.empty())
        throw EQsHugeFile("TQsHugeFile.Rewrite(" + m_fileName + ") failed. " + m_refusal, HelpWrongKind);
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
        Check(m_file->Seek(0), "Seek");
        if (rewrite)
            Check(m_file->Resize(0), "Rewrite");
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
    const uint32_t share = (m_shareGiven && m_desiredShare != ShareFromAccess)
                               ? m_desiredShare
                               : (wantWrite ? 0 : ShareRead);
    const bool lock = share == 0 || share == ShareRead;
    const LockKind lockKind = share == 0 ? LockKind::Exclusive : LockKind::Shared;

    bool inUse = false;
    for (;;) {
        inUse = false;
        // No truncation on open: a file held by another open must keep its content, so truncation
        // waits for the lock.
        int error = RefuseKind(rewrite || wantWrite);
        if (error == 0)
            error = m_file->Open(m_fileName, wantRead, wantWrite, rewrite || m_canCreate, m_noOsBuffering);
        if (error == 0) {
            FileStatus status;
            error = m_file->Status(status);
            if (error == 0 && status.kind == FileKind::Directory)
                error = EISDIR;
            else if (error == 0 && !KindAllowed(status.kind, rewrite || wantWrite))
                error = Refused(status.kind, rewrite || wantWrite);
            if (error == 0 && lock) {
                const int locked = m_file->Lock(lockKind);
                // A file system without locks must not make a readable file unreadable.
                inUse = locked == FileHandle::LockHeld;
                if (inUse)
                    error = EWOULDBLOCK;
            }
            if (error != 0)
                m_file->Close();
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
        FileStatus status;
        const bool empty = m_file->Status(status) == 0 && status.size == 0;
        const int error = empty ? 0 : m_file->Resize(0);
        if (error != 0) {
            m_lastError = uint32_t(error);
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

bool TQsHugeFile::KindAllowed(FileKind kind, bool write)
{
    return kind == FileKind::Regular || (!write && kind == FileKind::BlockDevice);
}

int TQsHugeFile::Refused(FileKind kind, bool write)
{
    m_refusal = KindRefusal(m_fileName, kind, write);
    return EINVAL;
}

int TQsHugeFile::RefuseKind(bool write)
{
    // Judged by name before the open: opening a FIFO or a device may block or have side effects.
    m_refusal.clear();
    FileStatus status;
    if (StatPath(m_fileName, status) != 0 || status.kind == FileKind::Missing)
        return 0;   // the open itself reports what is wrong
    if (status.kind == FileKind::Directory)
        return EISDIR;
    return KindAllowed(status.kind, write) ? 0 : Refused(status.kind, write);
}

void TQsHugeFile::EnableCompression()
{
    // Best effort: most file systems have no compression, and the file is usable without it.
    if (const int error = m_file->EnableCompression())
        m_lastError = uint32_t(error);
}

void TQsHugeFile::CheckHandle()
{
    if (!m_file->IsOpen())
        Raise(HelpNotOpen, "TQsHugeFile(%s):File not open!");
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
    int64_t position = 0;
    Check(m_file->Position(position), "_FilePos");
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
    int64_t position = 0;
    Check(m_file->Position(position), "Truncate");
    Check(m_file->Resize(position), "Truncate");
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
    FileStatus status;
    Check(m_file->Status(status), "FileDate");
    return status.modified;
}

void TQsHugeFile::SetDate(DateTime when)
{
    CheckHandle();
    // Pending data written later would move the date again.
    if (!FlushBuffer())
        RaiseSystem("SetDate", int(m_lastError));
    Check(m_file->SetModified(when), "SetDate");
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
    message += "System error.  Code: " + std::to_string(code) + ".\r\n"
               + (text ? std::string(text) : SystemMessage(code));
    throw EQsHugeFile(message, HelpSystemError);
}

int64_t TQsHugeFile::SysRead(uint8_t *destination, int64_t count, int &error)
{
    int64_t done = 0;
    error = m_file->Read(destination, count, done);
    return done;
}

int64_t TQsHugeFile::SysWrite(const uint8_t *source, int64_t count, int &error)
{
    int64_t done = 0;
    error = m_file->Write(source, count, done);
    return done;
}

int64_t TQsHugeFile::SysSize(int &error)
{
    FileStatus status;
    error = m_file->Status(status);
    return error == 0 ? status.size : 0;
}

int TQsHugeFile::ReleaseHandle()
{
    return m_file->Close();
}

void TQsHugeFile::Check(int code, const char *operation)
{
    if (code != 0)
        RaiseSystem(operation, code);
}

std::string KindRefusal(const std::string &name, FileKind kind, bool write)
{
    if (kind == FileKind::Missing || kind == FileKind::Regular || (!write && kind == FileKind::BlockDevice))
        return {};
    const char *what = kind == FileKind::Fifo          ? "a FIFO (named pipe)"
                       : kind == FileKind::Socket      ? "a socket"
                       : kind == FileKind::CharDevice  ? "a character device"
                       : kind == FileKind::BlockDevice ? "a block device"
                       : kind == FileKind::Directory   ? "a folder"
                                                       : "not a regular file";
    return "\"" + name + "\" is " + what
           + (write ? ": only regular files can be written." : ": only regular files and block devices can be read.");
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
