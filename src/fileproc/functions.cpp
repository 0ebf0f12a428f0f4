#include "fileproc/functions.h"

#include "common/textfuncs.h"
#include "platform/volumes.h"

#include <algorithm>

namespace kbx {

namespace {

constexpr qint64 LargestFatFile = 4294967295;

// The folder part is left alone: a "." in a folder name ("/home/u/my.videos/movie") must not
// make the output go to a folder that does not exist.
QString insertBeforeFirstDot(const QString &path, const QString &insertion)
{
    const qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = path.indexOf(QLatin1Char('.'), nameStart);
    QString result = path;
    if (dot < 0)
        return result + insertion;
    return result.insert(dot, insertion);
}

} // namespace

bool IsSplitFunction(FileFunction function)
{
    return function == FileFunction::Split || function == FileFunction::MergeSplit;
}

bool IsMergeFunction(FileFunction function)
{
    return function == FileFunction::Merge || function == FileFunction::MergeSplit;
}

FunctionLayout LayoutOf(FileFunction function)
{
    switch (function) {
    case FileFunction::Truncate:
        return {false, false, false, true, false};
    case FileFunction::Clone:
        return {false, true, true, true, true};
    case FileFunction::Crc:
        return {false, false, false, false, false};
    case FileFunction::Merge:
        return {true, true, false, false, false};
    case FileFunction::Split:
        return {false, true, false, true, false};
    case FileFunction::MergeSplit:
        return {true, true, false, true, false};
    }
    return {};
}

bool CanStart(FileFunction function, const QString &outputText, const QString &inputText, int joinEntries)
{
    const bool joinInput = IsMergeFunction(function);
    if (outputText.isEmpty() && function != FileFunction::Crc)
        return false;
    if (!joinInput && inputText.isEmpty())
        return false;
    if (joinInput && joinEntries < 1)
        return false;
    return !IsSplitFunction(function) || outputText.contains(QLatin1Char('?'));
}

qint64 PartCount(qint64 maxSize, qint64 partLength)
{
    if (partLength < 1)
        return 0;
    const double q = double(maxSize) / double(partLength);
    const qint64 whole = IntegerPart(q);
    return double(whole) == q ? whole : whole + 1;
}

QString PartsMask(qint64 partCount)
{
    if (partCount > 999)
        return QStringLiteral("????");
    if (partCount > 99)
        return QStringLiteral("???");
    if (partCount > 9)
        return QStringLiteral("??");
    return QStringLiteral("?");
}

bool NeedsFourGiBQuestion(FileFunction function, const QString &outputName, qint64 joinTotal)
{
    return IsMergeFunction(function) && joinTotal > LargestFatFile && HasFourGiBLimit(outputName);
}

OutputNameResult ApplyOutputNameRule(const QString &text, int caret, bool isSplitFunction,
                                     const QString &inputName, const QString &partsMask)
{
    OutputNameResult result{text, caret, false};
    if (text.isEmpty())
        return result;
    QString s = text;
    if (!isSplitFunction) {
        s.remove(QLatin1Char('?'));
        if (s == inputName)
            s = insertBeforeFirstDot(s, QStringLiteral("1"));
    } else if (!s.contains(QLatin1Char('?'))) {
        s = insertBeforeFirstDot(s, partsMask);
    }
    if (s != text) {
        result.text = s;
        result.caret = std::max(caret - 1, 0);
        result.changed = true;
    }
    return result;
}

} // namespace kbx
