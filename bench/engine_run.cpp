// engine-run: one copy-engine job from the command line, for the benchmarks and for trying the
// engine on real files without the user interface. Exit codes: 0 done, 1 the job failed or was
// refused (an output that is an input, a FIFO or device), 2 the command line is wrong or an input
// cannot be opened. File names are bytes and pass to the engine untouched.

#include "engine/filejob.h"
#include "engine/hugefile.h"
#include "engine/sidecar.h"

#include <sys/resource.h>

#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

constexpr const char *UsageText =
    "usage: engine-run [options] OUTPUT INPUT...\n"
    "       engine-run --verify FILE\n"
    "  several INPUTs are merged in their order; OUTPUT is a file name or a \"?\" mask,\n"
    "  or - with --crc-only\n"
    "  --start N         start offset in the first input (default 0)\n"
    "  --length N        bytes to move (default: the inputs' total size minus the start)\n"
    "  --part-size N     split into parts of N bytes (OUTPUT as a mask, or a name that gets\n"
    "                    01, 02, ... appended)\n"
    "  --slots N         ring slots, 0..16 (default 2; 0 counts as 1)\n"
    "  --crc             compute the CRC-32 on the way (the Kinbox register)\n"
    "  --crc-only        only compute the checksums (no output)\n"
    "  --hash LIST       checksums to compute, a comma list of: kinbox, crc32, sha256\n"
    "  --sidecar KIND    write a checksum file beside the output: sfv or sha256 (needs the\n"
    "                    matching --hash)\n"
    "  --verify FILE     check every file listed in FILE (.sfv, .sha256 or .md5)\n"
    "  --read            a checksum-only job reads its input instead of mapping it\n"
    "  --pack-size N     pack size for --header (default 2048)\n"
    "  --header          copy 2 x pack-size bytes of the first input into every later part\n"
    "  --duplicate       repeat the bytes that ended a part at the start of the next\n"
    "  --advanced MODE   cut at navigation packs, MODE 0, 1 or 2\n"
    "  --rusage          print the peak resident set as maxrss_kib=N to stderr\n"
    "prints \"ok crc=XXXXXXXX bytes=N parts=N seconds=S\", then crc32=, sha256= and sidecar= when asked;\n"
    "--verify prints \"ok verified=N\"; exit 0 done, 1 job failed or files damaged, 2 usage\n";

// The engine's system errors carry a CR LF before the system's message; keep the report on one line.
std::string OneLine(std::string text)
{
    std::string line;
    for (char c : text) {
        if (c == '\r')
            continue;
        line += c == '\n' ? ' ' : c;
    }
    return line;
}

struct UsageError
{
    std::string message;
};

// The job is refused as it stands (exit 1, like a job that failed).
struct JobRefusal
{
    std::string message;
};

struct Options
{
    kbx::FileJobSettings settings;
    std::optional<int64_t> start, length;
    bool rusage = false;
    std::optional<kbx::SidecarKind> sidecar;
    std::string verify;
    std::string output;
    std::vector<std::string> inputs;
};

int64_t ParseCount(std::string_view option, std::string_view text)
{
    int64_t value = 0;
    const char *end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < 0)
        throw UsageError{std::string(option) + " wants a non-negative whole number, not \"" + std::string(text) +
                         "\""};
    return value;
}

Options ParseCommandLine(int argc, char **argv)
{
    Options o;
    std::vector<std::string> positional;
    bool crcOnly = false, optionsDone = false;

    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (optionsDone || arg == "-" || !arg.starts_with("--")) {
            if (!optionsDone && arg == "-h") {
                std::fputs(UsageText, stdout);
                std::exit(0);
            }
            if (!optionsDone && arg.size() > 1 && arg[0] == '-')
                throw UsageError{"unknown option " + std::string(arg)};
            positional.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsDone = true;
            continue;
        }
        // "--name value" and "--name=value" are both accepted.
        std::string_view name = arg, inlineValue;
        bool hasInline = false;
        if (auto eq = arg.find('='); eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
            hasInline = true;
        }
        auto value = [&]() -> std::string_view {
            if (hasInline)
                return inlineValue;
            if (i + 1 >= argc)
                throw UsageError{std::string(name) + " needs a value"};
            return argv[++i];
        };
        auto flag = [&] {
            if (hasInline)
                throw UsageError{std::string(name) + " takes no value"};
        };

        if (name == "--start") {
            o.start = ParseCount(name, value());
        } else if (name == "--length") {
            o.length = ParseCount(name, value());
        } else if (name == "--part-size") {
            o.settings.partSize = ParseCount(name, value());
            if (o.settings.partSize == 0)
                throw UsageError{"--part-size must be at least 1"};
            o.settings.split = true;
        } else if (name == "--slots") {
            int64_t slots = ParseCount(name, value());
            if (slots > kbx::MaxParallel)
                throw UsageError{"--slots must lie in 0.." + std::to_string(kbx::MaxParallel)};
            o.settings.parallel = int(slots);
        } else if (name == "--crc") {
            flag();
            o.settings.computeCrc = true;
        } else if (name == "--hash") {
            std::string bad;
            const std::string list(value());
            const unsigned kinds = kbx::ParseHashKinds(list, &bad);
            if (!kinds || (kinds & kbx::HashMd5))
                throw UsageError{"--hash wants a comma list of kinbox, crc32, sha256, not \"" + bad + "\""};
            o.settings.hashKinds |= kinds;
        } else if (name == "--sidecar") {
            std::string_view kind = value();
            if (kind == "sfv")
                o.sidecar = kbx::SidecarKind::Sfv;
            else if (kind == "sha256")
                o.sidecar = kbx::SidecarKind::Sha256;
            else
                throw UsageError{"--sidecar wants sfv or sha256, not \"" + std::string(kind) + "\""};
        } else if (name == "--verify") {
            o.verify = std::string(value());
            if (o.verify.empty())
                throw UsageError{"--verify needs a file"};
        } else if (name == "--read") {
            flag();
            o.settings.mappedChecksum = false;
        } else if (name == "--crc-only") {
            flag();
            crcOnly = true;
        } else if (name == "--pack-size") {
            o.settings.packSize = ParseCount(name, value());
        } else if (name == "--header") {
            flag();
            o.settings.copyHeader = true;
        } else if (name == "--duplicate") {
            flag();
            o.settings.duplicate = true;
        } else if (name == "--advanced") {
            std::string_view mode = value();
            if (mode != "0" && mode != "1" && mode != "2")
                throw UsageError{"--advanced wants MODE 0, 1 or 2, not \"" + std::string(mode) + "\""};
            o.settings.advanced = true;
            o.settings.splitMode = kbx::SplitMode(mode[0] - '0');
        } else if (name == "--rusage") {
            flag();
            o.rusage = true;
        } else if (name == "--help") {
            std::fputs(UsageText, stdout);
            std::exit(0);
        } else {
            throw UsageError{"unknown option " + std::string(name)};
        }
    }

    if (!o.verify.empty()) {
        if (!positional.empty())
            throw UsageError{"--verify takes no OUTPUT or INPUT"};
        return o;
    }
    if (o.settings.computeCrc)
        o.settings.hashKinds |= kbx::HashKinbox;
    if (o.settings.hashKinds)
        o.settings.computeCrc = true;
    if (o.sidecar && !(o.settings.hashKinds & kbx::SidecarHash(*o.sidecar)))
        throw UsageError{*o.sidecar == kbx::SidecarKind::Sfv ? "--sidecar sfv needs --hash crc32"
                                                              : "--sidecar sha256 needs --hash sha256"};
    if (positional.size() < 2)
        throw UsageError{positional.empty() ? "OUTPUT and INPUT missing" : "INPUT missing"};
    o.output = positional.front();
    o.inputs.assign(positional.begin() + 1, positional.end());

    if (crcOnly) {
        if (o.output != "-")
            throw UsageError{"with --crc-only OUTPUT must be -"};
        if (o.settings.split)
            throw UsageError{"--part-size needs an output, not --crc-only"};
        o.settings.crcOnly = true;
        o.settings.computeCrc = true;
        if (!o.settings.hashKinds)
            o.settings.hashKinds = kbx::HashKinbox;
        o.output.clear();
    } else if (o.output == "-") {
        throw UsageError{"OUTPUT - only goes with --crc-only"};
    }

    if (o.inputs.size() > 1) {
        o.settings.merge = true;
        o.settings.joinList = o.inputs;
    }
    return o;
}

// Sums the inputs' sizes and settles start and length against them.
void CheckInputs(Options &o)
{
    int64_t total = 0, first = 0;
    std::vector<int64_t> sizes;
    for (const std::string &name : o.inputs) {
        std::error_code ec;
        if (std::filesystem::is_directory(name, ec))
            throw UsageError{"input " + name + " is a folder"};
        // A FIFO, socket or character device is refused by the engine; say so before measuring it.
        kbx::FileStatus status;
        if (kbx::StatPath(name, status) == 0) {
            const std::string refusal = kbx::KindRefusal(name, status.kind, false);
            if (!refusal.empty())
                throw JobRefusal{refusal};
        }
        int64_t size = kbx::HugeFileSize(name);
        if (size < 0)
            throw UsageError{"cannot open input " + name};
        if (&name == &o.inputs.front())
            first = size;
        total += size;
        sizes.push_back(size);
    }
    // The engine refuses an input whose size changes between this look and its open.
    if (o.settings.merge)
        o.settings.joinSizes = sizes;
    else
        o.settings.expectedInputSize = sizes.front();
    int64_t start = o.start.value_or(0);
    if (start > first)
        throw UsageError{"--start " + std::to_string(start) + " lies past the end of " +
                         o.inputs.front() + " (" + std::to_string(first) + " bytes)"};
    int64_t available = total - start;
    if (o.length && *o.length > available)
        throw UsageError{"--length " + std::to_string(*o.length) + " runs past the end of the input (" +
                         std::to_string(available) + " bytes from the start)"};
    o.start = start;
    if (!o.length)
        o.length = available;
}

} // namespace

int Verify(const std::string &list)
{
    const kbx::VerifyReport report = kbx::VerifySidecar(list);
    if (report.Passed()) {
        std::printf("ok verified=%d\n", report.ok);
        return std::fflush(stdout) == 0 ? 0 : ExitFailed;
    }
    if (!report.error.empty())
        std::fprintf(stderr, "error: %s\n", report.error.c_str());
    for (const std::string &line : report.badLines)
        std::fprintf(stderr, "error: %s: not a checksum line: %s\n", list.c_str(), line.c_str());
    for (const kbx::VerifyItem &item : report.items) {
        if (item.status == kbx::VerifyStatus::Damaged)
            std::fprintf(stderr, "error: %s damaged\n", item.path.c_str());
        else if (item.status == kbx::VerifyStatus::Missing)
            std::fprintf(stderr, "error: %s missing%s%s\n", item.path.c_str(), item.detail.empty() ? "" : ": ",
                         OneLine(item.detail).c_str());
    }
    std::fprintf(stderr, "verified=%d damaged=%d missing=%d\n", report.ok, report.damaged, report.missing);
    return ExitFailed;
}

int main(int argc, char **argv)
{
    Options o;
    try {
        o = ParseCommandLine(argc, argv);
        if (!o.verify.empty())
            return Verify(o.verify);
        CheckInputs(o);
        if (o.sidecar) {
            // Refused before anything is written: an existing list is never replaced unasked.
            const std::string name =
                kbx::SidecarName(o.settings.crcOnly ? o.inputs.front() : o.output, *o.sidecar);
            if (std::filesystem::exists(name))
                throw UsageError{"the checksum file " + name + " exists already"};
        }
    } catch (const UsageError &e) {
        std::fprintf(stderr, "error: %s\n", e.message.c_str());
        std::fputs("try engine-run --help\n", stderr);
        return ExitUsage;
    } catch (const JobRefusal &e) {
        std::fprintf(stderr, "error: %s\n", e.message.c_str());
        return ExitFailed;
    }

    const std::string inputName = o.settings.merge ? std::string() : o.inputs.front();
    kbx::TFileJob job;
    std::string error, sidecarPath;
    double seconds = 0;
    try {
        const auto began = std::chrono::steady_clock::now();
        job.StartFileJob(o.settings, inputName, o.output, *o.length, *o.start);
        job.WaitUntilParked();
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        error = job.ErrorText();
        job.ReleaseBuffer();
        if (error.empty() && o.sidecar)
            sidecarPath = kbx::WriteJobSidecar(job, *o.sidecar, false);
    } catch (const std::exception &e) {
        error = e.what();
        if (error.empty())
            error = "the job could not be started";
    }

    if (o.rusage) {
        rusage usage{};
        if (getrusage(RUSAGE_SELF, &usage) == 0)
            std::fprintf(stderr, "maxrss_kib=%ld\n", long(usage.ru_maxrss));
    }

    if (!error.empty()) {
        std::fprintf(stderr, "error: %s\n", OneLine(error).c_str());
        return ExitFailed;
    }

    char crc[16] = "none";
    const unsigned kinds = o.settings.hashKinds;
    if (job.CrcEnabled() && (kinds & kbx::HashKinbox))
        std::snprintf(crc, sizeof crc, "%08X", unsigned(job.Checksum().Crc.load()));
    std::string extra;
    if (kinds & kbx::HashCrc32)
        extra += " crc32=" + kbx::Hex32(job.Checksum().Sums.Crc32());
    if (kinds & kbx::HashSha256)
        extra += " sha256=" + job.Checksum().Sums.Sha256Hex();
    if (!sidecarPath.empty())
        extra += " sidecar=" + sidecarPath;
    const int64_t bytes = job.Reader().TotalLength - job.Reader().Remaining.load();
    const int parts = o.settings.crcOnly ? 0 : int(job.Writer().PartsWritten.load());
    std::printf("ok crc=%s bytes=%lld parts=%d seconds=%.6f%s\n", crc, static_cast<long long>(bytes), parts,
                seconds, extra.c_str());
    return std::fflush(stdout) == 0 ? 0 : ExitFailed;
}
