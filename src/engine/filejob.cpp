#include "engine/filejob.h"

#include "engine/crc32.h"
#include "engine/hugefile.h"
#include "engine/mappedchecksum.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <mutex>
#include <cerrno>
#include <cstdlib>
#include <new>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace kbx {

namespace {

constexpr size_t HugePageBytes = 2 * 1024 * 1024;

// Lowers a shared counter without going below zero: an abort may zero it while its owner works.
void Consume(std::atomic<int64_t> &counter, int64_t bytes)
{
    int64_t current = counter.load(std::memory_order_relaxed);
    while (!counter.compare_exchange_weak(current, std::max<int64_t>(0, current - bytes),
                                          std::memory_order_release, std::memory_order_relaxed)) {
    }
}

void WriteAll(TQsHugeFile &file, const uint8_t *data, int64_t count)
{
    if (count <= 0)
        return;
    int64_t written = 0;
    file.BlockWrite(data, count, written);
    if (written != count) {
        int code = int(file.LastError());
        std::string text = "TQsHugeFile.BlockWrite(" + file.FileName() + ") failed. ";
        text += code ? std::string("Systemfehler.  Code: ") + std::to_string(code) + ".\r\n" + std::strerror(code)
                     : std::string("Only ") + std::to_string(written) + " of " + std::to_string(count)
                           + " bytes could be written.";
        throw EQsHugeFile(text, code ? HelpSystemError : HelpSystemCall);
    }
}

// Appends `count` bytes of `source` from `offset` to `out`, inside the kernel while the system can;
// otherwise from `scratch`, the ring memory that holds (inRing) or may receive these bytes.
void CopyPiece(TQsHugeFile &out, TQsHugeFile &source, int64_t offset, int64_t count, uint8_t *scratch,
               bool inRing, bool &copyRange)
{
    if (copyRange) {
        const int64_t copied = out.CopyRange(source, offset, count);
        if (copied == count)
            return;
        if (copied < 0) {
            copyRange = false;
        } else {
            int code = int(out.LastError());
            if (code != 0)
                throw EQsHugeFile("TQsHugeFile.BlockWrite(" + out.FileName() + ") failed. Systemfehler.  Code: "
                                      + std::to_string(code) + ".\r\n" + std::strerror(code),
                                  HelpSystemError);
            throw EQsHugeFile("Unexpected end of file \"" + source.FileName() + "\": it is shorter than when the job started.",
                              HelpSystemCall);
        }
    }
    int64_t done = inRing ? count : 0;
    while (done < count) {
        const ssize_t got = ::pread(source.Handle(), scratch + done, size_t(count - done), off_t(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw EQsHugeFile("TQsHugeFile.BlockRead(" + source.FileName() + ") failed. Systemfehler.  Code: "
                                  + std::to_string(errno) + ".\r\n" + std::strerror(errno),
                              HelpSystemError);
        if (got == 0)
            throw EQsHugeFile("Unexpected end of file \"" + source.FileName() + "\": it is shorter than when the job started.",
                              HelpSystemCall);
        done += got;
    }
    WriteAll(out, scratch, count);
}

// Without this, writing past a file-size limit kills the whole program instead of failing the write.
void IgnoreFileSizeSignal()
{
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGXFSZ, SIG_IGN); });
}

} // namespace

// --- workers -------------------------------------------------------------------------------------

void TWorker::Run()
{
    try {
        Execute();
    } catch (const std::exception &e) {
        m_error = e.what();
        if (m_error.empty())
            m_error = "Unknown error";
        m_job.WorkerFailed();
    } catch (...) {
        m_error = "Unknown error";
        m_job.WorkerFailed();
    }
    m_parked.store(true, std::memory_order_release);
    m_job.Signal();
    if (m_job.m_running.fetch_sub(1, std::memory_order_acq_rel) == 1 && m_job.m_parkedCallback)
        m_job.m_parkedCallback();
}

std::string TTruncReader::NextInputName()
{
    const FileJobSettings &s = m_job.Settings();
    if (!s.merge)
        return FileName;
    int32_t index = FileIndex.load(std::memory_order_relaxed);
    if (index >= int32_t(s.joinList.size()))
        throw EQsHugeFile("The list of input files is exhausted before the job is complete.", HelpSystemCall);
    FileName = s.joinList[size_t(index)];
    FileIndex.store(index + 1, std::memory_order_release);
    return FileName;
}

std::shared_ptr<TQsHugeFile> TTruncReader::OpenNextInput()
{
    auto file = std::make_shared<TQsHugeFile>(NextInputName(), AttributeNormal, GenericRead, 0);
    file->Reset(1);
    return file;
}

void TTruncReader::Execute()
{
    const FileJobSettings &s = m_job.Settings();
    const bool readBytes = m_job.m_readBytes;
    FileIndex.store(0, std::memory_order_relaxed);
    Remaining.store(TotalLength, std::memory_order_release);

    std::shared_ptr<TQsHugeFile> file = OpenNextInput();
    if (s.copyHeader) {
        int64_t want = std::min<int64_t>(int64_t(uint32_t(2 * s.packSize)), HeaderCopyBytes);
        int64_t got = 0;
        file->BlockRead(m_header.data(), want, got);
        m_headerLength = int(got);
        file->Seek(0);
    }
    file->Seek(StartOffset);
    int64_t position = StartOffset;
    int64_t size = readBytes ? 0 : file->FileSize();

    int slot = 0;
    do {
        int64_t chunk = std::min<int64_t>(m_job.BlockSize(), Remaining.load(std::memory_order_relaxed));
        if (!m_job.WaitForSlot(slot, 0, true))
            break;
        m_job.dotRead.store(true, std::memory_order_relaxed);
        uint8_t *data = m_job.SlotData(slot);
        auto &pieces = m_job.m_slotPieces[size_t(slot)];
        pieces.clear();
        int64_t fill = 0;
        while (chunk > 0) {
            int64_t got = 0;
            if (readBytes)
                file->BlockRead(data + fill, chunk, got);
            else
                got = std::clamp<int64_t>(size - position, 0, chunk);
            if (got > 0)
                pieces.push_back({file, position, got});
            position += got;
            fill += got;
            Consume(Remaining, got);
            chunk -= got;
            if (chunk > got && s.merge && int32_t(s.joinList.size()) > FileIndex.load(std::memory_order_relaxed)) {
                file = OpenNextInput();
                position = 0;
                size = readBytes ? 0 : file->FileSize();
            } else if (got == 0 && chunk > 0) {
                if (m_job.Stopping())
                    break;
                // The input is shorter than when the job was set up: never spin on it.
                throw EQsHugeFile("Unexpected end of file \"" + FileName + "\": "
                                      + std::to_string(Remaining.load()) + " bytes of the job could not be read.",
                                  HelpSystemCall);
            }
        }
        m_job.m_slotFill[size_t(slot)] = fill;
        m_job.SetSlotState(slot, m_job.CrcEnabled() ? 1 : 2);
        slot = (slot + 1) % m_job.SlotCount();
        m_job.dotRead.store(false, std::memory_order_relaxed);
    } while (Remaining.load(std::memory_order_acquire) >= 1 && !m_job.Stopping());
    // The writer may still copy from the inputs: the last piece to go closes each one.
}

void TCRCComputer::Execute()
{
    const bool crcOnly = m_job.Settings().crcOnly;
    const unsigned kinds = m_job.Settings().hashKinds ? m_job.Settings().hashKinds : unsigned(HashKinbox);
    Sums = ChecksumSet(kinds);
    Crc.store(0, std::memory_order_relaxed);
    Remaining.store(m_job.Reader().TotalLength, std::memory_order_release);
    if (m_job.m_mappedChecksum) {
        FoldMapped();
        return;
    }
    int slot = 0;
    do {
        if (!m_job.WaitForSlot(slot, 1, true))
            break;
        m_job.dotCrc.store(true, std::memory_order_relaxed);
        int64_t fill = m_job.m_slotFill[size_t(slot)];
        Sums.Update(m_job.SlotData(slot), size_t(fill));
        Crc.store(Sums.KinboxCrc(), std::memory_order_relaxed);
        Consume(Remaining, fill);
        m_job.SetSlotState(slot, crcOnly ? 0 : 2);
        slot = (slot + 1) % m_job.SlotCount();
        m_job.dotCrc.store(false, std::memory_order_relaxed);
    } while (Remaining.load(std::memory_order_acquire) >= 1 && !m_job.Stopping());
}

void TCRCComputer::FoldMapped()
{
    TTruncReader &reader = m_job.Reader();
    const int fd = ::open(reader.FileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw EQsHugeFile("TQsHugeFile.Reset(" + reader.FileName + ") failed. Systemfehler.  Code: "
                              + std::to_string(errno) + ".\r\n" + std::strerror(errno),
                          HelpSystemError);
    struct Closer
    {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    FoldOptions options;
    options.progress = [&](int64_t bytes) {
        Consume(Remaining, bytes);
        Consume(reader.Remaining, bytes);
    };
    options.stop = [this] {
        while (m_job.Paused() && !m_job.Stopping())
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return m_job.Stopping() || Remaining.load(std::memory_order_acquire) < 1;
    };
    m_job.dotRead.store(true, std::memory_order_relaxed);
    m_job.dotCrc.store(true, std::memory_order_relaxed);
    FoldFileRange(fd, reader.FileName, reader.StartOffset, reader.TotalLength, Sums, options);
    Crc.store(Sums.KinboxCrc(), std::memory_order_relaxed);
    m_job.dotRead.store(false, std::memory_order_relaxed);
    m_job.dotCrc.store(false, std::memory_order_relaxed);
}

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
    std::string digits = std::to_string(number);
    if (int32_t(digits.size()) < NumberDigits)
        digits.insert(0, size_t(NumberDigits) - digits.size(), '0');
    PartNumber.store(number + 1, std::memory_order_release);
    return NamePrefix + digits + NameSuffix;
}

void TTruncWriter::Execute()
{
    const FileJobSettings &s = m_job.Settings();
    Remaining.store(TotalLength, std::memory_order_release);
    PartNumber.store(1, std::memory_order_relaxed);

    auto open = [this](std::unique_ptr<TQsHugeFile> &file) {
        file = std::make_unique<TQsHugeFile>(NextPartName());
        file->Rewrite(1);
        PartsWritten.fetch_add(1, std::memory_order_release);
    };
    std::unique_ptr<TQsHugeFile> file;
    open(file);
    auto write = [&](const uint8_t *data, int64_t count) {
        WriteAll(*file, data, count);
    };
    // Writes slot bytes [from, from + count): from the ring, or straight from the inputs.
    bool copyRange = s.kernelCopy;
    auto writeSlot = [&](int slot, int64_t from, int64_t count) {
        uint8_t *data = m_job.SlotData(slot);
        if (!copyRange && m_job.m_readBytes) {
            write(data + from, count);
            return;
        }
        int64_t at = 0;
        for (const TFileJob::Piece &piece : m_job.m_slotPieces[size_t(slot)]) {
            const int64_t begin = std::max(from, at), end = std::min(from + count, at + piece.length);
            if (begin < end)
                CopyPiece(*file, *piece.file, piece.offset + (begin - at), end - begin, data + begin,
                          m_job.m_readBytes, copyRange);
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
                        file->Close();
                        open(file);
                        if (s.copyHeader)
                            write(m_job.Reader().HeaderCopy(), m_job.Reader().HeaderLength());
                        if (s.duplicate)
                            writeSlot(slot, pos, count);
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
    file->Close();
}

// --- the job -------------------------------------------------------------------------------------

TFileJob::TFileJob()
    : m_reader(std::make_unique<TTruncReader>(*this)),
      m_crc(std::make_unique<TCRCComputer>(*this)),
      m_writer(std::make_unique<TTruncWriter>(*this))
{
}

TFileJob::~TFileJob()
{
    if (m_started && !AllParked())
        AbortFileJob();
    JoinWorkers();
}

void TFileJob::JoinWorkers()
{
    for (TWorker *w : Workers()) {
        if (w->m_thread.joinable())
            w->m_thread.join();
    }
}

void TFileJob::StartFileJob(const FileJobSettings &settings, const std::string &inputName,
                            const std::string &outputName, int64_t length, int64_t start)
{
    IgnoreFileSizeSignal();
    JoinWorkers();
    m_settings = settings;
    m_stop.store(false);

    m_slotCount = std::clamp(settings.parallel, 0, MaxParallel);
    if (m_slotCount == 0)
        m_slotCount = 1;
    m_blockSize = RingBytes / m_slotCount;

    m_reader = std::make_unique<TTruncReader>(*this);
    m_crc = std::make_unique<TCRCComputer>(*this);
    m_writer = std::make_unique<TTruncWriter>(*this);
    if (!m_buffer) {
        // Huge pages where the system offers them: 4 MiB transfers through 4 KiB pages spend much
        // of their time on address translation.
        m_buffer.reset(static_cast<uint8_t *>(std::aligned_alloc(HugePageBytes, RingBytes)));
        if (!m_buffer)
            throw std::bad_alloc();
        ::madvise(m_buffer.get(), RingBytes, MADV_HUGEPAGE);
    }

    m_crcEnabled = settings.computeCrc || settings.crcOnly;
    m_readBytes = m_crcEnabled || settings.advanced;
    m_mappedChecksum = settings.crcOnly && settings.mappedChecksum && !settings.merge;
    ClearPieces();
    for (auto &state : m_slotState)
        state.store(0, std::memory_order_relaxed);
    m_slotFill.fill(0);

    m_reader->FileName = inputName;
    m_reader->StartOffset = start;
    m_reader->TotalLength = length;
    m_reader->Remaining.store(length);
    m_writer->OutputName = outputName;
    m_writer->TotalLength = length;
    m_writer->Remaining.store(settings.crcOnly ? 0 : length);
    m_writer->PartSize = 0;
    if (settings.split) {
        m_writer->PartSize = settings.partSize;
        m_writer->ParseMask();
    }
    m_writer->Mode = settings.splitMode;
    m_crc->Remaining.store(m_crcEnabled ? length : 0);

    dotRead = dotWrite = dotCrc = false;
    m_started = true;

    // A worker that does not run counts as parked from the outset.
    m_running.store((m_mappedChecksum ? 0 : 1) + (settings.crcOnly ? 0 : 1) + (m_crcEnabled ? 1 : 0));
    if (!m_mappedChecksum) {
        m_reader->m_parked.store(false);
        m_reader->m_thread = std::thread([this] { m_reader->Run(); });
    }
    if (!settings.crcOnly) {
        m_writer->m_parked.store(false);
        m_writer->m_thread = std::thread([this] { m_writer->Run(); });
    }
    if (m_crcEnabled) {
        m_crc->m_parked.store(false);
        m_crc->m_thread = std::thread([this] { m_crc->Run(); });
    }
}

void TFileJob::AbortFileJob()
{
    if (!m_started)
        return;
    m_reader->Remaining.store(0, std::memory_order_release);
    m_writer->Remaining.store(0, std::memory_order_release);
    m_crc->Remaining.store(0, std::memory_order_release);
    m_stop.store(true, std::memory_order_release);
    Signal();
}

void TFileJob::SetPaused(bool paused)
{
    m_paused.store(paused, std::memory_order_release);
    Signal();
}

bool TFileJob::AllParked() const
{
    return m_reader->Parked() && m_crc->Parked() && m_writer->Parked();
}

void TFileJob::WaitUntilParked()
{
    for (;;) {
        uint32_t epoch = m_epoch.load(std::memory_order_acquire);
        if (AllParked())
            break;
        m_epoch.wait(epoch, std::memory_order_acquire);
    }
    JoinWorkers();
    ClearPieces();
}

void TFileJob::ClearPieces()
{
    for (auto &pieces : m_slotPieces)
        pieces.clear();
}

std::string TFileJob::ErrorText() const
{
    for (const TWorker *w : Workers()) {
        if (w->Parked() && !w->Error().empty())
            return w->Error();
    }
    return {};
}

void TFileJob::ReleaseBuffer()
{
    if (AllParked()) {
        JoinWorkers();
        ClearPieces();
        m_buffer.reset();
    }
}

void TFileJob::FreeRing::operator()(uint8_t *p) const
{
    std::free(p);
}

void TFileJob::Signal()
{
    m_epoch.fetch_add(1, std::memory_order_acq_rel);
    m_epoch.notify_all();
}

void TFileJob::SetSlotState(int slot, uint8_t state)
{
    m_slotState[size_t(slot)].store(state, std::memory_order_release);
    Signal();
}

bool TFileJob::WaitForSlot(int slot, uint8_t state, bool honourPause)
{
    for (;;) {
        // Read the epoch first: any change after this bumps it, so the wait below cannot miss it.
        uint32_t epoch = m_epoch.load(std::memory_order_acquire);
        if (Stopping())
            return false;
        if (!(honourPause && Paused()) && m_slotState[size_t(slot)].load(std::memory_order_acquire) == state)
            return true;
        m_epoch.wait(epoch, std::memory_order_acquire);
    }
}

void TFileJob::WorkerFailed()
{
    // One failed worker ends the job: the others must not wait for slots it will never hand on.
    m_stop.store(true, std::memory_order_release);
    Signal();
}

int64_t TFileJob::FindSplitPoint(int64_t from, int64_t length) const
{
    if (!m_buffer || from < 0 || length < 0 || from + length > RingBytes)
        return -1;
    return FindSplitPoint(m_buffer.get() + from, length, m_settings.splitMode);
}

int64_t TFileJob::FindSplitPoint(const uint8_t *data, int64_t length, SplitMode mode)
{
    if (length < 1024)
        return -1;
    static const uint8_t packStart[4] = {0x00, 0x00, 0x01, 0xBA};
    const int64_t last = length - 1024;  // last candidate
    int64_t c = 0;
    while (c <= last) {
        const void *hit = memmem(data + c, size_t(last - c + 4), packStart, 4);
        if (!hit)
            return -1;
        c = static_cast<const uint8_t *>(hit) - data;
        bool pass = data[c + 16] == 0x01 && data[c + 17] == 0xBB;
        if (pass) {
            switch (mode) {
            case SplitMode::Everywhere:
                break;
            case SplitMode::AVSync:
                // The audio sync byte lies 1433 bytes in: a pack too close to the end cannot be judged.
                pass = c + 1433 < length && (data[c + 1433] & 0x80) == 0;
                break;
            case SplitMode::CellHeader:
                pass = data[c + 69] == 0 && data[c + 70] == 0 && data[c + 71] == 0 && data[c + 72] < 65;
                break;
            }
        }
        if (pass)
            return c;
        ++c;
    }
    return -1;
}

} // namespace kbx
