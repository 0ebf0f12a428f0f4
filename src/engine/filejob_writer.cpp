// The writer: empties ring slots into the output or its parts, cuts parts (at navigation packs when
// asked), and copies bytes inside the kernel where no checksum needs them.
#include "engine/filejob.h"

#include "engine/filehandle.h"
#include "engine/hugefile.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <future>
#include <memory>

namespace kbx {

namespace {

void WriteAll(TQsHugeFile &file, const uint8_t *data, int64_t count)
{
    if (count <= 0)
        return;
    int64_t written = 0;
    file.BlockWrite(data, count, written);
    if (written != count) {
        int code = int(file.LastError());
        std::string text = "TQsHugeFile.BlockWrite(" + file.FileName() + ") failed. ";
        text += code ? std::string("System error.  Code: ") + std::to_string(code) + ".\r\n" + std::strerror(code)
                     : std::string("Only ") + std::to_string(written) + " of " + std::to_string(count)
                           + " bytes could be written.";
        throw EQsHugeFile(text, code ? HelpSystemError : HelpSystemCall);
    }
}

using FoldFn = std::function<void(const uint8_t *, int64_t)>;

// What the checksum of a kernel copy describes is what the output holds, so each stretch the kernel
// copied is read back from the output and folded, on a thread of its own while the kernel copies the
// next stretch. Stretches are folded in the order submitted; Drain waits for the last one and passes
// on its failure. It must run before the output is closed and before anything is folded elsewhere.
class ReadBack
{
public:
    explicit ReadBack(const FoldFn &fold) : m_fold(fold) {}
    ~ReadBack()
    {
        if (m_pending.valid())
            m_pending.wait();
    }
    void Submit(TQsHugeFile &out, int64_t at, int64_t length)
    {
        Drain();
        if (!m_buffer)
            m_buffer = std::make_unique<uint8_t[]>(size_t(BufferBytes));
        m_pending = std::async(std::launch::async, [this, &out, at, length] {
            for (int64_t done = 0; done < length;) {
                const int64_t step = std::min(length - done, BufferBytes);
                if (out.ReadAt(m_buffer.get(), step, at + done) < step)
                    throw EQsHugeFile("Unexpected end of file \"" + out.FileName()
                                          + "\": it is shorter than what was written to it.",
                                      HelpSystemCall);
                m_fold(m_buffer.get(), step);
                done += step;
            }
        });
    }
    void Drain()
    {
        if (m_pending.valid())
            m_pending.get();
    }

private:
    // Small enough to stay in the core's cache between the kernel's copy into it and the fold.
    static constexpr int64_t BufferBytes = 1024 * 1024;
    const FoldFn &m_fold;
    std::unique_ptr<uint8_t[]> m_buffer;
    std::future<void> m_pending;
};

constexpr int64_t ReadBackStretch = 32 * 1024 * 1024;

// The kernel copy of a piece whose checksum is wanted, a stretch at a time, each handed to `readBack`.
// Returns what CopyRange would for the whole piece.
int64_t CopyAndReadBack(TQsHugeFile &out, TQsHugeFile &source, int64_t offset, int64_t count, ReadBack &readBack)
{
    const int64_t at = out.FilePos();
    int64_t copied = 0;
    while (copied < count) {
        const int64_t want = std::min(count - copied, ReadBackStretch);
        const int64_t got = out.CopyRange(source, offset + copied, want);
        if (got < 0)
            return copied == 0 ? -1 : copied;
        if (got > 0)
            readBack.Submit(out, at + copied, got);
        copied += got;
        if (got < want)
            break;
    }
    return copied;
}

// Appends `count` bytes of `source` from `offset` to `out`, inside the kernel while the system can;
// otherwise through `scratch`: ring memory that holds these bytes (inRing), or `scratchBytes` of
// memory that receives them a part at a time.
// `fold`, when set, receives every byte that reached the output, in order: read back through
// `readBack` after a kernel copy, at once otherwise.
void CopyPiece(TQsHugeFile &out, TQsHugeFile &source, int64_t offset, int64_t count, uint8_t *scratch,
               int64_t scratchBytes, bool inRing, bool &copyRange, const FoldFn &fold, ReadBack &readBack)
{
    if (copyRange) {
        const int64_t copied = fold ? CopyAndReadBack(out, source, offset, count, readBack)
                                    : out.CopyRange(source, offset, count);
        if (copied == count)
            return;
        if (copied < 0) {
            copyRange = false;
        } else {
            // The kernel does not say which side failed: the rest goes through memory, where a
            // failing read names the input and a failing write the output.
            offset += copied;
            count -= copied;
            scratch += copied;
        }
    }
    // What follows is folded here and now, after every stretch read back before it.
    if (fold)
        readBack.Drain();
    if (inRing) {
        WriteAll(out, scratch, count);
        if (fold)
            fold(scratch, count);
        return;
    }
    while (count > 0) {
        const int64_t step = std::min(count, scratchBytes);
        if (source.ReadAt(scratch, step, offset) < step)
            throw EQsHugeFile("Unexpected end of file \"" + source.FileName() + "\": it is shorter than when the job started.",
                              HelpSystemCall);
        WriteAll(out, scratch, step);
        if (fold)
            fold(scratch, step);
        offset += step;
        count -= step;
    }
}


} // namespace

void TTruncWriter::ParseMask()
{
    size_t p = OutputName.find('?');
    if (p == std::string::npos) {
        NamePrefix = OutputName;
        NameSuffix.clear();
        NumberDigits = 2;
        return;
    }
    size_t end = OutputName.find_first_not_of('?', p);
    if (end == std::string::npos)
        end = OutputName.size();
    NamePrefix = OutputName.substr(0, p);
    NumberDigits = int32_t(end - p);
    NameSuffix = OutputName.substr(end);
}

std::string TTruncWriter::NextPartName()
{
    if (PartSize == 0)
        return OutputName;
    int32_t number = PartNumber.load(std::memory_order_relaxed);
    PartNumber.store(number + 1, std::memory_order_release);
    return PartName(NamePrefix, NumberDigits, NameSuffix, number);
}

void TTruncWriter::Execute()
{
    const FileJobSettings &s = m_job.Settings();
    Remaining.store(TotalLength, std::memory_order_release);
    PartNumber.store(1, std::memory_order_relaxed);

    auto open = [this](std::unique_ptr<TQsHugeFile> &file) {
        const std::string name = NextPartName();
        // Looked at again right before the open truncates it: the file may have changed since the start.
        CheckNotInput(name, PartSize > 0, m_job.m_inputs);
        file = std::make_unique<TQsHugeFile>(name);
        file->Rewrite(1);
        PartsWritten.fetch_add(1, std::memory_order_release);
    };
    std::unique_ptr<TQsHugeFile> file;
    open(file);
    auto write = [&](const uint8_t *data, int64_t count) {
        WriteAll(*file, data, count);
    };
    // Writes slot bytes [from, from + count): from the ring, or straight from the inputs. With a
    // checksum the output gets exactly the bytes it describes, so they come from the ring.
    bool copyRange = s.kernelCopy && (!m_job.CrcEnabled() || m_job.m_foldOutput);
    TCRCComputer &checksum = m_job.Checksum();
    const FoldFn fold = [&checksum](const uint8_t *data, int64_t length) {
        checksum.Fold(data, size_t(length));
        Consume(checksum.Remaining, length);
    };
    const FoldFn noFold;
    ReadBack readBack(fold);  // after `file` and `fold`: its last stretch ends before they go
    // `primary` is false for the repeated bytes of "duplicate data", which the checksum has seen.
    auto writeSlot = [&](int slot, int64_t from, int64_t count, bool primary = true) {
        uint8_t *data = m_job.SlotData(slot);
        if (!copyRange && m_job.m_readBytes) {
            write(data + from, count);
            return;
        }
        int64_t at = 0;
        for (const TFileJob::Piece &piece : m_job.m_slotPieces[size_t(slot)]) {
            const int64_t begin = std::max(from, at), end = std::min(from + count, at + piece.length);
            if (begin < end)
                CopyPiece(*file, *piece.file, piece.offset + (begin - at), end - begin,
                          m_job.m_readBytes ? data + begin : data, m_job.m_readBytes ? end - begin : RingBytes,
                          m_job.m_readBytes, copyRange, m_job.m_foldOutput && primary ? fold : noFold, readBack);
            at += piece.length;
        }
    };

    int64_t partLeft = PartSize;
    int slot = 0;
    do {
        int64_t pos = 0;
        if (!m_job.WaitForSlot(slot, 2, false))
            break;
        m_job.dotWrite.store(true, std::memory_order_relaxed);
        const uint8_t *data = m_job.SlotData(slot);
        const int64_t fill = m_job.m_slotFill[size_t(slot)];
        if (PartSize == 0) {
            writeSlot(slot, 0, fill);
            Consume(Remaining, fill);
        } else {
            while (pos < fill) {
                int64_t count = 0;
                if (partLeft > 0) {
                    count = std::min(fill - pos, partLeft);
                    writeSlot(slot, pos, count);
                    partLeft -= count;
                    Consume(Remaining, count);
                }
                if (partLeft <= 0 && Remaining.load(std::memory_order_acquire) > 0) {
                    int64_t r = -1;
                    if (s.advanced) {
                        int64_t from = pos + count;
                        r = TFileJob::FindSplitPoint(data + from, fill - from, Mode);
                        if (r < 0)
                            r = -1;
                        int64_t take = r > 0 ? r : (r < 0 ? fill - from : 0);
                        if (take > 0) {
                            writeSlot(slot, from, take);
                            partLeft -= take;
                            Consume(Remaining, take);
                            count += take;
                        }
                    }
                    if (!(s.advanced && r < 0)) {
                        partLeft = PartSize;
                        readBack.Drain();
                        file->Close();
                        open(file);
                        if (s.copyHeader)
                            write(m_job.Reader().HeaderCopy(), m_job.Reader().HeaderLength());
                        if (s.duplicate)
                            writeSlot(slot, pos, count, false);
                    }
                } else if (count == 0) {
                    break;  // aborted: nothing more belongs in this part
                }
                pos += count;
            }
        }
        m_job.m_slotPieces[size_t(slot)].clear();
        m_job.SetSlotState(slot, 0);
        slot = (slot + 1) % m_job.SlotCount();
        m_job.dotWrite.store(false, std::memory_order_relaxed);
    } while (Remaining.load(std::memory_order_acquire) >= 1 && !m_job.Stopping());
    readBack.Drain();
    file->Close();
}

} // namespace kbx
