#include "engine/sidecar.h"

#include "engine/filejob.h"
#include "engine/hugefile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <fcntl.h>
#include <unistd.h>

namespace kbx {

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return text;
}

bool IsHex(const std::string &text, size_t digits)
{
    return text.size() == digits
        && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isxdigit(c) != 0; });
}

size_t DigestDigits(SidecarKind kind)
{
    return kind == SidecarKind::Sha256 ? 64 : kind == SidecarKind::Md5 ? 32 : 8;
}

// The hash tools write a name holding a backslash or a line break escaped, the line marked by a
// leading backslash.
std::string EscapeName(const std::string &name, bool &escaped)
{
    std::string out;
    escaped = false;
    for (char c : name) {
        if (c == '\\') {
            out += "\\\\";
            escaped = true;
        } else if (c == '\n') {
            out += "\\n";
            escaped = true;
        } else if (c == '\r') {
            out += "\\r";
            escaped = true;
        } else {
            out += c;
        }
    }
    return out;
}

bool UnescapeName(const std::string &text, std::string &name)
{
    name.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            name += text[i];
            continue;
        }
        if (++i == text.size())
            return false;
        switch (text[i]) {
        case '\\': name += '\\'; break;
        case 'n': name += '\n'; break;
        case 'r': name += '\r'; break;
        default: return false;
        }
    }
    return true;
}

std::string SumOf(SidecarKind kind, ChecksumSet &sums)
{
    switch (kind) {
    case SidecarKind::Sfv: return Hex32(sums.Crc32());
    case SidecarKind::Sha256: return sums.Sha256Hex();
    case SidecarKind::Md5: return sums.Md5Hex();
    }
    return {};
}

fs::path FolderOf(const std::string &sidecarPath)
{
    return fs::absolute(fs::path(sidecarPath)).parent_path();
}

} // namespace

std::optional<SidecarKind> SidecarKindOf(const std::string &path)
{
    const std::string extension = Lower(fs::path(path).extension().string());
    if (extension == ".sfv")
        return SidecarKind::Sfv;
    if (extension == ".sha256")
        return SidecarKind::Sha256;
    if (extension == ".md5")
        return SidecarKind::Md5;
    return std::nullopt;
}

const char *SidecarExtension(SidecarKind kind)
{
    switch (kind) {
    case SidecarKind::Sfv: return ".sfv";
    case SidecarKind::Sha256: return ".sha256";
    case SidecarKind::Md5: return ".md5";
    }
    return "";
}

unsigned SidecarHash(SidecarKind kind)
{
    switch (kind) {
    case SidecarKind::Sfv: return HashCrc32;
    case SidecarKind::Sha256: return HashSha256;
    case SidecarKind::Md5: return HashMd5;
    }
    return 0;
}

std::string SidecarName(const std::string &outputOrMask, SidecarKind kind)
{
    fs::path path(outputOrMask);
    std::string file = path.filename().string();
    file.erase(std::remove(file.begin(), file.end(), '?'), file.end());
    fs::path stem(file);
    std::string base = stem.has_extension() && !stem.stem().string().empty() ? stem.stem().string() : file;
    if (base.empty())
        base = "checksums";
    return (path.parent_path() / (base + SidecarExtension(kind))).string();
}

std::string SidecarText(SidecarKind kind, const std::vector<SidecarEntry> &entries)
{
    std::string text;
    if (kind == SidecarKind::Sfv)
        text += "; Written by Kinbox\n";
    for (const SidecarEntry &e : entries) {
        if (kind == SidecarKind::Sfv) {
            text += e.name + ' ' + e.sum + '\n';
        } else {
            bool escaped = false;
            const std::string name = EscapeName(e.name, escaped);
            text += (escaped ? "\\" : "") + e.sum + "  " + name + '\n';
        }
    }
    return text;
}

ParsedSidecar ParseSidecar(SidecarKind kind, const std::string &text)
{
    ParsedSidecar parsed;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    const size_t digits = DigestDigits(kind);
    while (std::getline(lines, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0)
            line.erase(0, 3);
        const bool blank = line.find_first_not_of(" \t") == std::string::npos;
        if (blank || (kind == SidecarKind::Sfv && line.front() == ';'))
            continue;
        SidecarEntry entry;
        bool good = false;
        if (kind == SidecarKind::Sfv) {
            const size_t end = line.find_last_not_of(" \t");
            const size_t space = line.find_last_of(" \t", end);
            if (space != std::string::npos && space > 0) {
                entry.sum = Upper(line.substr(space + 1, end - space));
                const size_t nameEnd = line.find_last_not_of(" \t", space);
                entry.name = nameEnd == std::string::npos ? std::string() : line.substr(0, nameEnd + 1);
                good = IsHex(entry.sum, 8) && !entry.name.empty();
            }
        } else {
            const bool escaped = line.front() == '\\';
            const std::string body = escaped ? line.substr(1) : line;
            // "<hex>  name" (text mode) or "<hex> *name" (binary mode)
            if (body.size() > digits + 2 && body[digits] == ' ' && (body[digits + 1] == ' ' || body[digits + 1] == '*')) {
                entry.sum = Lower(body.substr(0, digits));
                const std::string name = body.substr(digits + 2);
                good = IsHex(entry.sum, digits) && !name.empty();
                if (escaped)
                    good = good && UnescapeName(name, entry.name);
                else
                    entry.name = name;
            }
        }
        if (good)
            parsed.entries.push_back(std::move(entry));
        else
            parsed.badLines.push_back("line " + std::to_string(number) + ": " + line);
    }
    return parsed;
}

std::vector<SidecarEntry> SumFiles(SidecarKind kind, const std::vector<std::string> &files,
                                   const std::string &sidecarPath, const FoldOptions &options)
{
    const fs::path folder = FolderOf(sidecarPath);
    std::vector<SidecarEntry> entries;
    for (const std::string &file : files) {
        ChecksumSet sums(SidecarHash(kind));
        FoldFile(file, sums, options);
        const fs::path absolute = fs::absolute(fs::path(file)).lexically_normal();
        fs::path relative = absolute.lexically_relative(folder);
        if (relative.empty())
            relative = absolute;
        entries.push_back({relative.string(), SumOf(kind, sums)});
    }
    return entries;
}

void WriteSidecar(const std::string &sidecarPath, SidecarKind kind, const std::vector<SidecarEntry> &entries,
                  bool overwrite)
{
    const std::string text = SidecarText(kind, entries);
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (overwrite ? O_TRUNC : O_EXCL);
    const int fd = ::open(sidecarPath.c_str(), flags, 0666);
    if (fd < 0) {
        if (errno == EEXIST)
            throw std::runtime_error("The checksum file \"" + sidecarPath + "\" exists already.");
        throw std::runtime_error("Writing \"" + sidecarPath + "\" failed: " + std::strerror(errno));
    }
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t put = ::write(fd, text.data() + done, text.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            const int code = put < 0 ? errno : ENOSPC;
            ::close(fd);
            throw std::runtime_error("Writing \"" + sidecarPath + "\" failed: " + std::strerror(code));
        }
        done += size_t(put);
    }
    if (::close(fd) != 0)
        throw std::runtime_error("Writing \"" + sidecarPath + "\" failed: " + std::strerror(errno));
}

VerifyReport VerifySidecar(const std::string &sidecarPath, const FoldOptions &options,
                           const std::function<void(const VerifyItem &)> &perFile)
{
    VerifyReport report;
    const std::optional<SidecarKind> kind = SidecarKindOf(sidecarPath);
    if (!kind) {
        report.error = "\"" + sidecarPath + "\" is not a checksum list (.sfv, .sha256 or .md5).";
        return report;
    }
    std::ifstream in(sidecarPath, std::ios::binary);
    if (!in) {
        report.error = "\"" + sidecarPath + "\" cannot be opened: " + std::strerror(errno);
        return report;
    }
    std::ostringstream content;
    content << in.rdbuf();
    const ParsedSidecar parsed = ParseSidecar(*kind, content.str());
    report.badLines = parsed.badLines;
    if (parsed.entries.empty()) {
        report.error = "\"" + sidecarPath + "\" lists no file.";
        return report;
    }
    const fs::path folder = FolderOf(sidecarPath);
    for (const SidecarEntry &entry : parsed.entries) {
        VerifyItem item;
        item.name = entry.name;
        std::string name = entry.name;
        // Lists made on Windows separate folders with backslashes.
        if (*kind == SidecarKind::Sfv)
            std::replace(name.begin(), name.end(), '\\', '/');
        const fs::path listed(name);
        item.path = (listed.is_absolute() ? listed : folder / listed).string();
        std::error_code ec;
        if (!fs::exists(item.path, ec)) {
            item.status = VerifyStatus::Missing;
        } else {
            try {
                ChecksumSet sums(SidecarHash(*kind));
                FoldFile(item.path, sums, options);
                const std::string found = SumOf(*kind, sums);
                item.status = found == entry.sum ? VerifyStatus::Ok : VerifyStatus::Damaged;
                if (item.status == VerifyStatus::Damaged)
                    item.detail = found;
            } catch (const std::exception &e) {
                item.status = VerifyStatus::Missing;
                item.detail = e.what();
            }
        }
        (item.status == VerifyStatus::Ok ? report.ok : item.status == VerifyStatus::Damaged ? report.damaged
                                                                                           : report.missing)++;
        if (perFile)
            perFile(item);
        report.items.push_back(std::move(item));
    }
    return report;
}

} // namespace kbx

namespace kbx {

std::vector<std::string> JobFiles(const TFileJob &job)
{
    const FileJobSettings &s = job.Settings();
    if (s.crcOnly)
        return {job.Reader().FileName};
    const TTruncWriter &w = job.Writer();
    if (w.PartSize == 0)
        return {w.OutputName};
    std::vector<std::string> files;
    const int32_t count = w.PartsWritten.load(std::memory_order_acquire);
    for (int32_t number = 1; number <= count; ++number) {
        std::string digits = std::to_string(number);
        if (int32_t(digits.size()) < w.NumberDigits)
            digits.insert(0, size_t(w.NumberDigits) - digits.size(), '0');
        files.push_back(w.NamePrefix + digits + w.NameSuffix);
    }
    return files;
}

std::string JobSidecarName(const TFileJob &job, SidecarKind kind)
{
    return SidecarName(job.Settings().crcOnly ? job.Reader().FileName : job.Writer().OutputName, kind);
}

std::string WriteJobSidecar(TFileJob &job, SidecarKind kind, bool overwrite, const FoldOptions &options)
{
    const std::string path = JobSidecarName(job, kind);
    const std::vector<std::string> files = JobFiles(job);
    ChecksumSet &sums = job.Checksum().Sums;
    // A checksum-only job of part of a file, or a split, has no stream sum for a whole file.
    const bool whole = job.Settings().crcOnly
        ? job.Reader().StartOffset == 0 && int64_t(sums.Length()) == HugeFileSize(files.front())
        : job.Writer().PartSize == 0;
    std::vector<SidecarEntry> entries;
    if (whole && job.CrcEnabled() && (sums.Kinds() & SidecarHash(kind)) && files.size() == 1
        && int64_t(sums.Length()) == job.Reader().TotalLength) {
        const fs::path absolute = fs::absolute(fs::path(files.front())).lexically_normal();
        std::string sum = kind == SidecarKind::Sfv ? Hex32(sums.Crc32()) : kind == SidecarKind::Sha256 ? sums.Sha256Hex()
                                                                                                     : sums.Md5Hex();
        entries.push_back({absolute.lexically_relative(FolderOf(path)).string(), sum});
    } else {
        entries = SumFiles(kind, files, path, options);
    }
    WriteSidecar(path, kind, entries, overwrite);
    return path;
}

} // namespace kbx

namespace kbx {

std::string FindSidecarFor(const std::vector<std::string> &files)
{
    if (files.empty())
        return {};
    std::vector<fs::path> wanted;
    for (const std::string &file : files)
        wanted.push_back(fs::absolute(fs::path(file)).lexically_normal());
    const fs::path folder = wanted.front().parent_path();
    std::error_code ec;
    std::vector<fs::path> lists;
    for (const fs::directory_entry &entry : fs::directory_iterator(folder, ec)) {
        if (entry.is_regular_file(ec) && SidecarKindOf(entry.path().string()))
            lists.push_back(entry.path());
    }
    std::sort(lists.begin(), lists.end());
    for (const fs::path &list : lists) {
        std::ifstream in(list, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        for (const SidecarEntry &entry : ParseSidecar(*SidecarKindOf(list.string()), content.str()).entries) {
            const fs::path named = (fs::path(entry.name).is_absolute() ? fs::path(entry.name) : folder / entry.name)
                                       .lexically_normal();
            if (std::find(wanted.begin(), wanted.end(), named) != wanted.end())
                return list.string();
        }
    }
    return {};
}

} // namespace kbx
