#pragma once
// Checksum lists beside the files they describe: SFV ("name CRC32", ";" comments) and the
// "<hex>  name" lines of the SHA-256 and MD5 tools; writing them after a job and checking every
// file such a list names.

#include "engine/mappedchecksum.h"

#include <optional>
#include <string>
#include <vector>

namespace kbx {

enum class SidecarKind { Sfv, Sha256, Md5 };

// By the extension (.sfv, .sha256, .md5, case ignored); none for any other name.
std::optional<SidecarKind> SidecarKindOf(const std::string &path);
const char *SidecarExtension(SidecarKind kind);
// The hash a list of this kind holds.
unsigned SidecarHash(SidecarKind kind);

// Beside the output: the run of "?" removed and the extension replaced, so "movie??.bin" gives
// "movie.sfv" and "clip" gives "clip.sfv".
std::string SidecarName(const std::string &outputOrMask, SidecarKind kind);

struct SidecarEntry
{
    std::string name;  // as listed: relative to the list's folder, or absolute
    std::string sum;   // 8 upper-case hex digits for SFV, lower-case hex for the others
};

std::string SidecarText(SidecarKind kind, const std::vector<SidecarEntry> &entries);

struct ParsedSidecar
{
    std::vector<SidecarEntry> entries;
    std::vector<std::string> badLines;  // "line N: text" of lines that are not checksum lines
};
ParsedSidecar ParseSidecar(SidecarKind kind, const std::string &text);

// The list for `files` (full paths), each file hashed again from the disk, names relative to the
// folder of `sidecarPath`. Throws std::runtime_error naming the file that could not be read.
std::vector<SidecarEntry> SumFiles(SidecarKind kind, const std::vector<std::string> &files,
                                   const std::string &sidecarPath, const FoldOptions &options = {});
// Writes the list; throws std::runtime_error naming the file on failure. Never replaces an existing
// file unless `overwrite`.
void WriteSidecar(const std::string &sidecarPath, SidecarKind kind, const std::vector<SidecarEntry> &entries,
                  bool overwrite);

enum class VerifyStatus { Ok, Damaged, Missing };

struct VerifyItem
{
    std::string name;  // as listed
    std::string path;  // where it was looked for
    VerifyStatus status = VerifyStatus::Missing;
    std::string detail;  // why it is missing, or the sum found when damaged
};

struct VerifyReport
{
    std::vector<VerifyItem> items;
    std::vector<std::string> badLines;
    std::string error;  // the list itself could not be read or holds no entry
    int ok = 0, damaged = 0, missing = 0;
    bool Passed() const { return error.empty() && badLines.empty() && damaged == 0 && missing == 0 && ok > 0; }
};

// Checks every file the list names; `perFile`, when set, is told of each result as it comes.
VerifyReport VerifySidecar(const std::string &sidecarPath, const FoldOptions &options = {},
                           const std::function<void(const VerifyItem &)> &perFile = {});

} // namespace kbx

namespace kbx {

class TFileJob;

// The files a finished job wrote, in order (each part of a split), or its input for a checksum-only job.
std::vector<std::string> JobFiles(const TFileJob &job);
// The sidecar path for a finished job: beside its output (or its input for a checksum-only job).
std::string JobSidecarName(const TFileJob &job, SidecarKind kind);
// Writes the job's sidecar and returns its path. A single file's sum is taken from the job when it
// computed that kind over exactly those bytes; parts are hashed again from the disk.
std::string WriteJobSidecar(TFileJob &job, SidecarKind kind, bool overwrite, const FoldOptions &options = {});

} // namespace kbx

namespace kbx {

// A checksum list in the folder of the first of `files` that names at least one of them, or empty.
std::string FindSidecarFor(const std::vector<std::string> &files);

} // namespace kbx
