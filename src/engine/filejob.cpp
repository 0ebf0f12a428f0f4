#include "engine/filejob.h"

#include "engine/crc32.h"
#include "engine/filehandle.h"
#include "engine/hugefile.h"
#include "engine/mappedchecksum.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace kbx {

// --- workers -------------------------------------------------------------------------------------

void TWorker::Consume(std::atomic<int64_t> &counter, int64_t bytes)
{
    int64_t current = counter.load(std::memory_order_relaxed);
    while (!counter.compare_exchange_weak(current, std::max<int64_t>(0, current - bytes),
                                          std::memory_order_release, std::memory_order_relaxed)) {
    }
}

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
        throw EQsHugeFile("The list of input files is exhausted after \"" + FileName + "\" before the job is complete.",
                          HelpSystemCall);
    FileName = s.joinList[size_t(index)];
    FileIndex.store(index + 1, std::memory_order_release);
    return FileName;
}

std::shared_ptr<TQsHugeFile> TTruncReader::OpenNextInput()
{
    // Shared: the same file may be read twice at once (a merge of "a a"), and others may read it too.
    auto file = std::make_shared<TQsHugeFile>(NextInputName(), AttributeNormal, GenericRead, ShareRead);
    file->Reset(1);
    const FileJobSettings &s = m_job.Settings();
    const size_t index = size_t(FileIndex.load(std::memory_order_relaxed) - 1);
    const int64_t listed = !s.merge ? s.expectedInputSize : index < s.joinSizes.size() ? s.joinSizes[index] : -1;
    CheckListedSize(FileName, listed, file->FileSize());
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
        int64_t chunk = std::min<int64_t>(m_job.SlotBytes(), Remaining.load(std::memory_order_relaxed));
        if (!m_job.WaitForSlot(slot, 0, true))
            break;
        m_job.dotRead.store(true, std::memory_order_relaxed);
        uint8_t *data = m_job.SlotData(slot);
        auto &pieces = m_job.m_slotPieces[size_t(slot)];
        pieces.clear();
        int64_t fill = 0;
        while (chunk > 0) {
            int64_t got = 0;
            if (readBytes) {
                file->BlockRead(data + fill, chunk, got);
                // A failing read inside a large transfer comes back short, with its reason kept.
                if (got < chunk && file->LastError() != 0)
                    throw EQsHugeFile("TQsHugeFile.BlockRead(" + FileName + ") failed. System error.  Code: "
                                          + std::to_string(file->LastError()) + ".\r\n"
                                          + SystemMessage(int(file->LastError())),
                                      HelpSystemError);
            } else
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
        m_job.SetSlotState(slot, m_job.CrcEnabled() && !m_job.m_foldOutput ? 1 : 2);
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
        Fold(m_job.SlotData(slot), size_t(fill));
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
        throw EQsHugeFile("TQsHugeFile.Reset(" + reader.FileName + ") failed. System error.  Code: "
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

void TCRCComputer::Fold(const uint8_t *data, size_t length)
{
    Sums.Update(data, length);
    Crc.store(Sums.KinboxCrc(), std::memory_order_relaxed);
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
        m_buffer.reset(static_cast<uint8_t *>(AllocRing(RingBytes)));
        if (!m_buffer)
            throw std::bad_alloc();
    }

    m_crcEnabled = settings.computeCrc || settings.crcOnly;
    // The kernel copies far faster than bytes can be written from memory here, so a copy with a
    // checksum is a kernel copy whose written bytes are read back and folded.
    m_foldOutput = m_crcEnabled && !settings.crcOnly && settings.kernelCopy && !settings.advanced;
    m_readBytes = (m_crcEnabled && !m_foldOutput) || settings.advanced;
    m_mappedChecksum = settings.crcOnly && settings.mappedChecksum && !settings.merge;
    // The sums start empty whichever thread folds: the checksum thread, or the writer reading back.
    m_crc->Sums = ChecksumSet(settings.hashKinds ? settings.hashKinds : unsigned(HashKinbox));
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
    CheckFiles(length);

    dotRead = dotWrite = dotCrc = false;
    m_started = true;

    // A worker that does not run counts as parked from the outset.
    const bool crcThread = m_crcEnabled && !m_foldOutput;
    m_running.store((m_mappedChecksum ? 0 : 1) + (settings.crcOnly ? 0 : 1) + (crcThread ? 1 : 0));
    if (!m_mappedChecksum) {
        m_reader->m_parked.store(false);
        m_reader->m_thread = std::thread([this] { m_reader->Run(); });
    }
    if (!settings.crcOnly) {
        m_writer->m_parked.store(false);
        m_writer->m_thread = std::thread([this] { m_writer->Run(); });
    }
    if (crcThread) {
        m_crc->m_parked.store(false);
        m_crc->m_thread = std::thread([this] { m_crc->Run(); });
    }
}

void TFileJob::CheckFiles(int64_t length)
{
    m_inputs.clear();
    const std::vector<std::string> names = m_settings.merge ? m_settings.joinList : std::vector<std::string>{m_reader->FileName};
    const std::vector<int64_t> sizes = m_settings.merge ? m_settings.joinSizes : std::vector<int64_t>{m_settings.expectedInputSize};
    m_inputs = CheckInputs(names, sizes);
    if (m_settings.crcOnly)
        return;
    OutputPlan plan;
    plan.outputName = m_writer->OutputName;
    plan.parts = m_writer->PartSize > 0;
    plan.prefix = m_writer->NamePrefix;
    plan.suffix = m_writer->NameSuffix;
    plan.digits = m_writer->NumberDigits;
    if (plan.parts)
        plan.maxParts = std::max<int64_t>(1, (length + m_writer->PartSize - 1) / m_writer->PartSize);
    CheckOutputs(plan, m_inputs);
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
    kbx::FreeRing(p);
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
