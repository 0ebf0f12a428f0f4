#pragma once
// What a copy job checks before it opens any output: every input can be read as it was listed, and
// no output is one of the inputs under another name. Identity is the file, not its name.

#include "engine/filehandle.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace kbx {

// A job refused before it started: nothing was opened for writing.
class EJobRefused : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

struct JobInput
{
    std::string name;
    FileStatus status;   // kind Missing when it could not be looked at; the open reports why
};

// A part name: prefix, the number padded with "0" to `digits` (a longer number is kept whole), suffix.
std::string PartName(const std::string &prefix, int32_t digits, const std::string &suffix, int64_t number);

// Looks at every input by name. A FIFO, socket, character device or folder is refused, and so is a
// file whose size differs from the one listed for it (-1 or a missing entry: not checked).
std::vector<JobInput> CheckInputs(const std::vector<std::string> &names, const std::vector<int64_t> &listedSizes);

// Refuses an output that exists as anything but a file, or that is one of the inputs. With a part
// size the outputs are those of the numbered parts (up to maxParts) of prefix/digits/suffix that exist already.
struct OutputPlan
{
    std::string outputName;
    bool parts = false;
    std::string prefix, suffix;
    int32_t digits = 2;
    int64_t maxParts = 1;
};
void CheckOutputs(const OutputPlan &plan, const std::vector<JobInput> &inputs);

// The same test for one output right before it is opened.
void CheckNotInput(const std::string &output, bool part, const std::vector<JobInput> &inputs);

// The reader's test at each open: the size the caller listed (-1: none) against the size found.
void CheckListedSize(const std::string &name, int64_t listed, int64_t found);

} // namespace kbx
