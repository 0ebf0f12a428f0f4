// The buffered half of TQsHugeFile: its private buffer, block transfers and positioning.
#include "engine/hugefile.h"

#include "engine/filehandle.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kbx {

namespace {

constexpr uint32_t DefaultBufferSize = 65536;

} // namespace

uint32_t TQsHugeFile::RoundToPage(uint32_t size)
{
    const uint32_t page = PageSize();
    return ((size - 1) / page + 1) * page;
}

void TQsHugeFile::AllocBuffer()
{
    FreeBuffer();
    const uint32_t size = RoundToPage(m_bufferSize ? m_bufferSize : DefaultBufferSize);
    // Page-granular memory rather than the heap: it can be locked and suits unbuffered I/O.
    int error = ENOMEM;   // a size of 0 wrapped while rounding up
    void *memory = size == 0 ? nullptr : AllocPages(size, error);
    if (!memory) {
        m_lastError = uint32_t(error);
        Raise(HelpNoBuffer, "TQsHugeFile(%s):Failed to allocate buffer!");
    }
    m_bufferMemory = static_cast<uint8_t *>(memory);
    m_allocatedSize = size;
    m_bufferSize = size;
    m_bufferOffset = m_bufferFill = 0;
    if (m_lockBuffer) {
        Check(LockPages(memory, size), "AllocBuffer");
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
        if (const int failed = UnlockPages(m_bufferMemory, m_allocatedSize); failed && error == 0)
            error = failed;
        m_bufferLocked = false;
    }
    if (m_bufferMemory) {
        if (const int failed = FreePages(m_bufferMemory, m_allocatedSize); failed && error == 0)
            error = failed;
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
    if (m_closeOnNext && m_file->IsOpen()) {
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
    m_closeOnNext = m_file->IsOpen() && AtEnd();
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
    const int error = m_file->CopyFrom(*source.m_file, offset, count, done);
    if (error == FileHandle::CopyUnsupported)
        return -1;
    if (error != 0)
        m_lastError = uint32_t(error);
    if (m_isBuffered)
        m_bufferFileOffset += done;
    m_logicalPosition += done;
    return done;
}

int64_t TQsHugeFile::ReadAt(void *destination, int64_t count, int64_t offset)
{
    CheckHandle();
    int64_t done = 0;
    if (const int error = m_file->ReadAt(destination, count, offset, done))
        RaiseSystem("BlockRead", error);
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
        Check(m_file->Seek(target), "Seek");
    } else if (m_writeMode) {
        if (!FlushBuffer())
            RaiseSystem("_Seek", int(m_lastError));
        Check(m_file->Seek(target), "_Seek");
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
            Check(m_file->Seek(target), "_Seek");
            m_bufferFileOffset = target;
            m_bufferOffset = m_bufferFill = 0;
            m_closeOnNext = false;
        }
    }
    m_logicalPosition = target;
}

} // namespace kbx
