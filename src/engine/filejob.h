#pragma once
// The copy engine: a reader, a checksum and a writer thread over one 8 MiB ring of slots.
// Slots are handed on through a one-byte state per slot that only the slot's current owner writes.

#include "engine/jobchecks.h"
#include "engine/checksums.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace kbx {

class TQsHugeFile;

constexpr int32_t RingBytes = 8388608;
constexpr int MaxSlots = 64;
constexpr int MaxParallel = 16;
constexpr int HeaderCopyBytes = 8192;
constexpr int64_t KernelCopyChunk = 256 * 1024 * 1024;

enum class SplitMode : uint8_t {
    Everywhere = 0,   // "split whereever possible"
    AVSync = 1,       // "a/v sync mode"
    CellHeader = 2,   // "split only at chapters"
};

// What the Files page reads from its controls for one job.
struct FileJobSettings
{
    bool merge = false;                 // inputs come from joinList, in order
    std::vector<std::string> joinList;  // plain file names
    // The size each joinList entry had when it was listed, in the same order; -1 or a missing entry
    // is not checked. A file whose size differs when the job opens it ends the job.
    std::vector<int64_t> joinSizes;
    // The same for the single input of a job without merge.
    int64_t expectedInputSize = -1;
    bool split = false;                 // output is a "?" mask and partSize applies
    int64_t partSize = 0;
    bool crcOnly = false;               // no writer
    bool computeCrc = false;            // the checksum thread takes part (always with crcOnly)
    int parallel = 2;                   // slot count, 0 counts as 1
    bool copyHeader = false;            // copy 2 x packSize bytes of the first input into later parts
    int64_t packSize = 2048;
    bool duplicate = false;             // repeat the bytes that ended a part at the start of the next
    bool advanced = false;              // cut only at navigation packs
    SplitMode splitMode = SplitMode::AVSync;
    // Outputs may be written inside the kernel from the inputs; off, every byte passes through the ring.
    bool kernelCopy = true;
    // Which sums the checksum thread computes (HashKind bits); 0 means the Kinbox CRC alone.
    unsigned hashKinds = 0;
    // A checksum-only job folds its input where it lies (mapped, on every core) instead of reading it.
    bool mappedChecksum = true;
};

class TFileJob;

// What every worker shares with the user-interface thread.
class TWorker
{
public:
    explicit TWorker(TFileJob &job) : m_job(job) {}
    virtual ~TWorker() = default;
    // The worker has left its loop (finished, aborted or failed). Acquire: its results are visible.
    bool Parked() const { return m_parked.load(std::memory_order_acquire); }
    // Empty unless the worker failed.
    const std::string &Error() const { return m_error; }
    std::atomic<int64_t> Remaining{0};

protected:
    void Run();
    virtual void Execute() = 0;
    // Lowers a shared counter without going below zero: an abort may zero it while its owner works.
    static void Consume(std::atomic<int64_t> &counter, int64_t bytes);
    TFileJob &m_job;

private:
    friend class TFileJob;
    std::atomic<bool> m_parked{true};
    std::string m_error;
    std::thread m_thread;
};

class TTruncReader : public TWorker
{
public:
    using TWorker::TWorker;
    int64_t TotalLength = 0;
    int64_t StartOffset = 0;
    std::atomic<int32_t> FileIndex{0};
    std::string FileName;
    // Next input: the job's file for single-input jobs, else the next join-list name.
    std::string NextInputName();
    std::shared_ptr<TQsHugeFile> OpenNextInput();
    const uint8_t *HeaderCopy() const { return m_header.data(); }
    int HeaderLength() const { return m_headerLength; }

protected:
    void Execute() override;

private:
    std::array<uint8_t, HeaderCopyBytes> m_header{};
    int m_headerLength = 0;
};

class TCRCComputer : public TWorker
{
public:
    using TWorker::TWorker;
    std::atomic<uint32_t> Crc{0};
    // Every sum of the job; read it once the thread has parked.
    ChecksumSet Sums;

    // Every checksummed byte passes here, in order: the one place that folds them. The checksum
    // thread calls it on ring slots; in a kernel copy the writer calls it on the bytes it reads back
    // from the output (then the checksum thread does not run).
    void Fold(const uint8_t *data, size_t length);

protected:
    void Execute() override;

private:
    void FoldMapped();
};

class TTruncWriter : public TWorker
{
public:
    using TWorker::TWorker;
    SplitMode Mode = SplitMode::AVSync;
    int64_t TotalLength = 0;
    std::string OutputName;
    std::string NamePrefix, NameSuffix;
    int32_t NumberDigits = 2;
    int64_t PartSize = 0;
    std::atomic<int32_t> PartNumber{1};
    // Output files created so far.
    std::atomic<int32_t> PartsWritten{0};

    // Splits OutputName into prefix, digit count and suffix at its first run of "?".
    void ParseMask();
    // The next output name: OutputName itself without parts, else prefix + padded number + suffix.
    std::string NextPartName();

protected:
    void Execute() override;
};

// One file job and its three workers. StartFileJob, AbortFileJob and the queries run on one
// (user-interface) thread; the counters may be read at any time from any thread.
class TFileJob
{
public:
    TFileJob();
    ~TFileJob();
    TFileJob(const TFileJob &) = delete;
    TFileJob &operator=(const TFileJob &) = delete;

    // Returns at once; the job runs in the workers. A previous job must have ended (AllParked).
    // Throws EJobRefused, before anything is opened for writing, when an input cannot be read (a
    // FIFO, socket, character device or folder), an input's size differs from the listed one, or an
    // output (or a part a split may write) is an input or anything but a file.
    void StartFileJob(const FileJobSettings &settings, const std::string &inputName,
                      const std::string &outputName, int64_t length, int64_t start);
    void AbortFileJob();

    // While set, the reader and the checksum thread do not start on a new slot. A start keeps it.
    void SetPaused(bool paused);
    bool Paused() const { return m_paused.load(std::memory_order_acquire); }

    bool Started() const { return m_started; }
    bool AllParked() const;
    // Blocks until every worker has parked (for programs without an event loop).
    void WaitUntilParked();
    // Runs on the worker thread that parks last, once per job; set it before StartFileJob. An
    // event-driven caller hands it on to its own thread.
    void SetParkedCallback(std::function<void()> callback) { m_parkedCallback = std::move(callback); }
    // After AllParked: the first error any worker met, empty when the job succeeded.
    std::string ErrorText() const;
    bool Failed() const { return !ErrorText().empty(); }
    // Gives the ring back; the start handler calls it once the workers have parked.
    void ReleaseBuffer();

    const FileJobSettings &Settings() const { return m_settings; }
    int32_t SlotCount() const { return m_slotCount; }
    int32_t BlockSize() const { return m_blockSize; }
    bool CrcEnabled() const { return m_crcEnabled; }
    uint8_t SlotState(int slot) const { return m_slotState[slot].load(std::memory_order_acquire); }

    TTruncReader &Reader() { return *m_reader; }
    TCRCComputer &Checksum() { return *m_crc; }
    TTruncWriter &Writer() { return *m_writer; }
    const TTruncReader &Reader() const { return *m_reader; }
    const TCRCComputer &Checksum() const { return *m_crc; }
    const TTruncWriter &Writer() const { return *m_writer; }

    // Activity indicators, on while a worker handles a slot.
    std::atomic<bool> dotRead{false}, dotWrite{false}, dotCrc{false};

    // Offset relative to `from` of the first navigation pack in ring bytes [from, from+length)
    // that passes the mode test, or -1. Never reads outside that range.
    int64_t FindSplitPoint(int64_t from, int64_t length) const;
    // The same search over any buffer (tests and the writer share it).
    static int64_t FindSplitPoint(const uint8_t *data, int64_t length, SplitMode mode);

private:
    friend class TWorker;
    friend class TTruncReader;
    friend class TCRCComputer;
    friend class TTruncWriter;

    // Without a checksum or pack search no byte enters the ring: a slot only lists where its bytes
    // lie, so it covers far more than the ring (one kernel copy per chunk, progress still moving),
    // and the whole ring is the writer's scratch memory when the kernel cannot copy.
    int64_t SlotBytes() const { return m_readBytes ? m_blockSize : KernelCopyChunk; }
    uint8_t *SlotData(int slot) { return m_buffer.get() + (m_readBytes ? int64_t(slot) * m_blockSize : 0); }
    // Hand a slot on and wake whoever waits for it.
    void SetSlotState(int slot, uint8_t state);
    // Waits until the slot has `state`; false when the job is stopping instead.
    bool WaitForSlot(int slot, uint8_t state, bool honourPause);
    void Signal();
    bool Stopping() const { return m_stop.load(std::memory_order_acquire); }
    void WorkerFailed();
    void JoinWorkers();
    std::array<TWorker *, 3> Workers() const { return {m_reader.get(), m_crc.get(), m_writer.get()}; }

    FileJobSettings m_settings;
    struct FreeRing { void operator()(uint8_t *p) const; };
    std::unique_ptr<uint8_t[], FreeRing> m_buffer;
    int32_t m_slotCount = 1;
    int32_t m_blockSize = RingBytes;
    bool m_crcEnabled = false;
    bool m_started = false;
    std::array<std::atomic<uint8_t>, MaxSlots> m_slotState{};
    std::array<int64_t, MaxSlots> m_slotFill{};
    // Where each slot's bytes lie in the inputs. The writer copies them from there inside the kernel;
    // the bytes pass through the ring only when the checksum or the pack search needs them.
    struct Piece
    {
        std::shared_ptr<TQsHugeFile> file;
        int64_t offset;
        int64_t length;
    };
    std::array<std::vector<Piece>, MaxSlots> m_slotPieces;
    bool m_readBytes = true;
    // A copy with a checksum that the kernel makes: the writer folds the output's bytes.
    bool m_foldOutput = false;
    // The inputs as the job found them at its start: no output may be one of them.
    std::vector<JobInput> m_inputs;
    void CheckFiles(int64_t length);
    bool m_mappedChecksum = false;
    void ClearPieces();
    std::atomic<bool> m_paused{false};
    std::atomic<bool> m_stop{false};
    std::atomic<uint32_t> m_epoch{0};  // bumped on every hand-over; waiters sleep on it
    std::atomic<int> m_running{0};
    std::function<void()> m_parkedCallback;
    std::unique_ptr<TTruncReader> m_reader;
    std::unique_ptr<TCRCComputer> m_crc;
    std::unique_ptr<TTruncWriter> m_writer;
};

} // namespace kbx
