#include "fileproc/jobplan.h"

#include "common/paths.h"
#include "fileproc/filenames.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <limits>

namespace kbx {

namespace {

const QChar Quote = QLatin1Char('"');
const QString LineBreak = QStringLiteral("\n");

QString quoted(const QString &name)
{
    return Quote + name + Quote;
}

// The numbered names a split writes, as the engine's writer forms them from the mask.
struct PartNames
{
    QString prefix;
    QString suffix;
    int digits = 2;

    explicit PartNames(const QString &mask)
    {
        const qsizetype first = mask.indexOf(QLatin1Char('?'));
        if (first < 0) {
            prefix = mask;
            return;
        }
        qsizetype run = first;
        while (run < mask.size() && mask.at(run) == QLatin1Char('?'))
            ++run;
        prefix = mask.left(first);
        digits = int(run - first);
        suffix = mask.mid(run);
    }

    QString name(qint64 number) const
    {
        return prefix + QString::number(number).rightJustified(digits, QLatin1Char('0')) + suffix;
    }

    // The part number a name carries, or 0 when the writer would never write that name.
    qint64 numberOf(const QString &path) const
    {
        if (path.size() <= prefix.size() + suffix.size() || !path.startsWith(prefix) || !path.endsWith(suffix))
            return 0;
        const QString number = path.mid(prefix.size(), path.size() - prefix.size() - suffix.size());
        if (number.size() < digits || (number.size() > digits && number.startsWith(QLatin1Char('0'))))
            return 0;
        for (const QChar c : number) {
            if (!c.isDigit() || c.unicode() > '9')
                return 0;
        }
        bool ok = false;
        const qint64 value = number.toLongLong(&ok);
        return ok ? value : 0;
    }

    // The run of "?" lies in the file-name part, so every part goes to the mask's folder.
    bool numbersInFileName() const { return !suffix.contains(QLatin1Char('/')); }
};

// A name the job could write holds "?" that would end up in a file name: a non-splitting output
// with any "?", or a split mask whose "?" are not one run inside the file-name part.
bool unwritableName(const QString &output, bool splits)
{
    if (!splits)
        return output.contains(QLatin1Char('?'));
    const PartNames parts(output);
    return !output.contains(QLatin1Char('?')) || parts.suffix.contains(QLatin1Char('?'))
        || !parts.numbersInFileName();
}

QStringList inputsOf(const FileJobRequest &request)
{
    if (!IsMergeFunction(request.function))
        return {request.input};
    QStringList paths;
    for (const JoinInput &entry : request.joinList)
        paths << entry.path;
    return paths;
}

qint64 joinTotalOf(const FileJobRequest &request)
{
    qint64 total = 0;
    for (const JoinInput &entry : request.joinList)
        total += entry.size;
    return total;
}

// The first name the job would write over one of its own inputs, empty when there is none. Files
// are compared by device and inode, so links and other spellings of an input count as the input.
QString clashWithInput(const FileJobRequest &request, qint64 parts)
{
    const QStringList inputs = inputsOf(request);
    const auto isInput = [&](const QString &name) {
        return std::any_of(inputs.begin(), inputs.end(), [&](const QString &input) { return SameFile(input, name); });
    };
    if (!IsSplitFunction(request.function))
        return isInput(request.output) ? request.output : QString();
    for (const QString &part : ExistingParts(request.output, parts, std::numeric_limits<int>::max())) {
        if (isInput(part))
            return part;
    }
    return {};
}

} // namespace

QStringList ExistingParts(const QString &mask, qint64 count, int limit)
{
    const PartNames parts(mask);
    QStringList found;
    if (count < 1)
        return found;
    if (parts.numbersInFileName()) {
        // List the folder once rather than asking for each of a possibly huge number of names.
        const QString folder = FolderPart(parts.prefix);
        const PartNames local(FileNamePart(mask));
        QList<qint64> numbers;
        const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
        for (const QString &entry : dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System)) {
            const qint64 number = local.numberOf(entry);
            if (number >= 1 && number <= count)
                numbers << number;
        }
        std::sort(numbers.begin(), numbers.end());
        for (const qint64 number : numbers) {
            if (found.size() >= limit)
                break;
            found << parts.name(number);
        }
        return found;
    }
    // Numbers inside a folder name: look name by name, within reason.
    for (qint64 number = 1; number <= std::min<qint64>(count, 9999) && found.size() < limit; ++number) {
        if (QFileInfo::exists(parts.name(number)))
            found << parts.name(number);
    }
    return found;
}

JobPlan PlanFileJob(const FileJobRequest &request, const TextLookup &translate)
{
    const auto tr = [&](const char *text) { return Translated(translate, QString::fromLatin1(text)); };
    const QString sure = tr("Are you sure you want to do that ?");
    const FileFunction function = request.function;
    const bool merges = IsMergeFunction(function);
    const bool splits = IsSplitFunction(function);
    JobPlan plan;

    if (function == FileFunction::Truncate) {
        plan.input = request.input;
        plan.length = request.length;
        plan.questions << PlannedQuestion{JobQuestion::Truncate, tr("This will truncate") + QLatin1Char(' ')
                                                                     + quoted(request.input) + QLatin1Char('.')
                                                                     + LineBreak + sure};
        return plan;
    }

    if (merges) {
        for (const JoinInput &entry : request.joinList) {
            if (entry.size < 0) {
                plan.refusal = tr("This file could not be opened when it was added, so the files cannot be merged:")
                    + LineBreak + quoted(entry.path);
                return plan;
            }
        }
    }
    const qint64 joinTotal = joinTotalOf(request);
    const qint64 total = merges ? joinTotal : request.inputSize;
    if (splits)
        plan.parts = PartCount(total, request.length);

    if (function != FileFunction::Crc) {
        if (unwritableName(request.output, splits)) {
            plan.refusal = (splits ? tr("The output file name may hold \"?\" only in one run, in the file name, "
                                        "where the part number goes:")
                                   : tr("The output file name must not hold \"?\":"))
                + LineBreak + quoted(request.output);
            return plan;
        }
        const QString clash = clashWithInput(request, plan.parts);
        if (!clash.isEmpty()) {
            plan.refusal = tr("The output would overwrite an input of this job:") + LineBreak + quoted(clash)
                + LineBreak + tr("Choose another output file name.");
            return plan;
        }
        if (NeedsFourGiBQuestion(function, request.output, joinTotal)) {
            plan.questions << PlannedQuestion{
                JobQuestion::FourGiB,
                tr("The destination file is to be created on a non-NTFS drive and is larger than 4 GB.") + LineBreak
                    + tr("This might not be supported. Are you sure you want to do that ?")};
        }
        if (splits && plan.parts > ManyPartsLimit) {
            plan.questions << PlannedQuestion{JobQuestion::ManyParts,
                                              tr("This job would write this many files:") + QLatin1Char(' ')
                                                  + QString::number(plan.parts) + LineBreak + sure};
        }
        QString existing;
        if (splits)
            existing = ExistingParts(request.output, plan.parts, 1).value(0);
        else if (KindOf(request.output) != NameKind::Missing)
            existing = request.output;
        if (!existing.isEmpty()) {
            plan.questions << PlannedQuestion{JobQuestion::Overwrite, tr("This will overwrite") + QLatin1Char(' ')
                                                                          + quoted(existing) + QLatin1Char('.')
                                                                          + LineBreak + sure};
        }
    }

    FileJobSettings &settings = plan.settings;
    settings.merge = merges;
    for (const JoinInput &entry : merges ? request.joinList : QList<JoinInput>{}) {
        settings.joinList.push_back(BytesOfName(entry.path).toStdString());
        settings.joinSizes.push_back(entry.size);
    }
    settings.split = splits;
    settings.partSize = splits ? request.length : 0;
    settings.crcOnly = function == FileFunction::Crc;
    settings.computeCrc = request.computeCrc || settings.crcOnly;
    settings.parallel = request.parallel;
    settings.copyHeader = request.copyHeader;
    settings.packSize = request.packSize;
    settings.duplicate = request.duplicate;
    settings.advanced = request.advanced;
    settings.splitMode = request.splitMode;
    if (!merges)
        settings.expectedInputSize = request.inputSize;

    plan.input = request.input;
    plan.output = request.output;
    switch (function) {
    case FileFunction::Clone:
        plan.start = request.start;
        plan.length = request.length;
        break;
    case FileFunction::Split:
        plan.length = request.inputSize;
        break;
    case FileFunction::Merge:
        plan.input.clear();
        plan.length = joinTotal;
        break;
    case FileFunction::MergeSplit:
        plan.length = joinTotal;
        break;
    case FileFunction::Crc:
        plan.output.clear();
        if (request.crcRange && (request.start > 0 || request.length < request.inputSize)) {
            plan.start = request.start;
            plan.length = request.length;
            plan.rangeNote = tr("bytes") + QLatin1Char(' ') + QString::number(request.start) + QStringLiteral(" - ")
                + QString::number(request.start + request.length - 1);
        } else {
            plan.length = request.inputSize;
        }
        break;
    case FileFunction::Truncate:
        break;
    }
    return plan;
}

} // namespace kbx
