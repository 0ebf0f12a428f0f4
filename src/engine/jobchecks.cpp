#include "engine/jobchecks.h"

#include "engine/hugefile.h"

namespace kbx {

namespace {

// Parts are stat'ed one by one up to this many; beyond, the folder is listed once instead.
constexpr int64_t PartsToStat = 4096;

void RefuseIfInput(const std::string &output, const FileStatus &status, bool part, const std::vector<JobInput> &inputs)
{
    if (status.kind == FileKind::Missing)
        return;
    const std::string refusal = KindRefusal(output, status.kind, true);
    if (!refusal.empty())
        throw EJobRefused(refusal);
    for (const JobInput &input : inputs) {
        if (status.SameFile(input.status))
            throw EJobRefused(std::string(part ? "The output part \"" : "The output \"") + output
                              + "\" is the same file as the input \"" + input.name
                              + "\": the job would overwrite its own input.");
    }
}

// The part number a file name carries under the mask, or 0 when it is not one of its parts.
int64_t PartNumberOf(const std::string &name, const std::string &prefix, int32_t digits, const std::string &suffix)
{
    if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0
        || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return 0;
    const std::string middle = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (middle.size() > 18 || middle.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    const int64_t number = std::stoll(middle);
    return number >= 1 && PartName("", digits, "", number) == middle ? number : 0;
}

} // namespace

std::string PartName(const std::string &prefix, int32_t digits, const std::string &suffix, int64_t number)
{
    std::string text = std::to_string(number);
    if (int32_t(text.size()) < digits)
        text.insert(0, size_t(digits) - text.size(), '0');
    return prefix + text + suffix;
}

std::vector<JobInput> CheckInputs(const std::vector<std::string> &names, const std::vector<int64_t> &listedSizes)
{
    std::vector<JobInput> inputs;
    for (size_t i = 0; i < names.size(); ++i) {
        JobInput input{names[i], {}};
        if (StatPath(input.name, input.status) != 0)
            input.status = FileStatus();
        const std::string refusal = KindRefusal(input.name, input.status.kind, false);
        if (!refusal.empty())
            throw EJobRefused(refusal);
        // A device's node has no size; the reader checks its real one when it opens it.
        if (input.status.kind == FileKind::Regular && i < listedSizes.size())
            CheckListedSize(input.name, listedSizes[i], input.status.size);
        inputs.push_back(std::move(input));
    }
    return inputs;
}

void CheckOutputs(const OutputPlan &plan, const std::vector<JobInput> &inputs)
{
    FileStatus status;
    if (!plan.parts) {
        if (StatPath(plan.outputName, status) == 0)
            RefuseIfInput(plan.outputName, status, false, inputs);
        return;
    }
    const size_t slash = plan.prefix.rfind('/');
    if (plan.maxParts <= PartsToStat || plan.suffix.find('/') != std::string::npos) {
        for (int64_t number = 1; number <= plan.maxParts; ++number) {
            const std::string name = PartName(plan.prefix, plan.digits, plan.suffix, number);
            if (StatPath(name, status) == 0)
                RefuseIfInput(name, status, true, inputs);
        }
        return;
    }
    // Millions of possible parts: only those that exist can be an input.
    const std::string folder = slash == std::string::npos ? std::string() : plan.prefix.substr(0, slash + 1);
    const std::string filePrefix = plan.prefix.substr(folder.size());
    std::vector<std::string> names;
    if (ListFolder(folder, names) != 0)
        return;   // no folder, no parts: the writer reports why it cannot create them
    for (const std::string &name : names) {
        const int64_t number = PartNumberOf(name, filePrefix, plan.digits, plan.suffix);
        if (number >= 1 && number <= plan.maxParts && StatPath(folder + name, status) == 0)
            RefuseIfInput(folder + name, status, true, inputs);
    }
}

void CheckNotInput(const std::string &output, bool part, const std::vector<JobInput> &inputs)
{
    FileStatus status;
    if (StatPath(output, status) == 0)
        RefuseIfInput(output, status, part, inputs);
}

void CheckListedSize(const std::string &name, int64_t listed, int64_t found)
{
    if (listed >= 0 && listed != found)
        throw EJobRefused("The size of \"" + name + "\" changed since it was listed: " + std::to_string(listed)
                          + " bytes then, " + std::to_string(found) + " bytes now.");
}

} // namespace kbx
