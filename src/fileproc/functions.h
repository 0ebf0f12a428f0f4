#pragma once
// The six functions of the Files page: what each needs and enables, the part count and its
// "?" mask, and the rule that keeps the output name usable.

#include "common/paths.h"

#include <QString>

namespace kbx {

enum class FileFunction { Truncate, Clone, Crc, Merge, Split, MergeSplit };

bool IsSplitFunction(FileFunction function);
// Merge functions take their input from the join list instead of the input field.
bool IsMergeFunction(FileFunction function);

// Which controls a function enables (while the "Offsets" box is enabled, for the offsets).
struct FunctionLayout
{
    bool joinInput = false; // the join panel instead of `inputFName`
    bool output = false;
    bool start = false;
    bool length = false;
    bool end = false;
};
FunctionLayout LayoutOf(FileFunction function);

// Whether the start button is enabled.
bool CanStart(FileFunction function, const QString &outputText, const QString &inputText, int joinEntries);

// Parts of `partLength` bytes needed for `maxSize` bytes; 0 for a length below 1.
qint64 PartCount(qint64 maxSize, qint64 partLength);
// As many "?" as the part count has digits, one to four.
QString PartsMask(qint64 partCount);

// Whether a merge asks before writing: the output's file system has a 4 GiB limit and the total
// passes 4,294,967,295 bytes. Asks the volumes seam.
bool NeedsFourGiBQuestion(FileFunction function, const QString &outputName, qint64 joinTotal);


struct OutputNameResult
{
    QString text;
    int caret = 0;
    bool changed = false;
};

// The output-name rule, run on every change of `outputFName`. Non-splitting functions lose every
// "?" and get a "1" when the name equals the input; split functions get `partsMask` when the name
// has no "?". Insertions go before the first "." of the file-name part, or at the end. A changed
// text moves the caret one to the left (not before 0).
OutputNameResult ApplyOutputNameRule(const QString &text, int caret, bool isSplitFunction,
                                     const QString &inputName, const QString &partsMask);

} // namespace kbx
