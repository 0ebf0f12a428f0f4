// The six functions: enabling, descriptions, the output-name rule, and starting and stopping a job.

#include "fileproc/fileprocpage.h"

#include "engine/filejob.h"
#include "engine/hugefile.h"
#include "fileproc/fileprocpage_text.h"
#include "fileproc/jobtext.h"
#include "fileproc/joinlist.h"
#include "fileproc/offsets.h"
#include "fileproc/rangefigure.h"
#include "ui/dialogs.h"
#include "ui/fileedit.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QMetaObject>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QSlider>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <limits>

namespace kbx {

using filepage::Ask;
using filepage::LineBreak;
using filepage::NativeName;
using filepage::Tr;

namespace {

const QChar Quote = QLatin1Char('"');

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

// Where the caret goes after the output-name rule changed `before` into `after`: it stays with the
// text the user typed. Always moving it one to the left would make typing a name into a split's
// output field scramble it, as every keystroke before the first "?" inserts the mask.
int caretAfterRule(const QString &before, const QString &after, int caret)
{
    if (after.size() >= before.size()) {
        qsizetype at = 0;
        while (at < before.size() && before.at(at) == after.at(at))
            ++at;
        return caret <= at ? caret : caret + int(after.size() - before.size());
    }
    // Only "?" were removed: the caret moves left by those that stood before it.
    const int removed = int(before.left(caret).count(QLatin1Char('?')));
    return std::max(caret - removed, 0);
}

QString canonical(const QString &path)
{
    return QFileInfo(path).canonicalFilePath();
}


// Parts a split of `count` parts would write that exist, lowest number first; at most `limit`.
QStringList existingParts(const QString &mask, qint64 count, int limit)
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

} // namespace

FileFunction TFileProcPage::Function() const
{
    if (truncRadio->isChecked())
        return FileFunction::Truncate;
    if (cloneRadio->isChecked())
        return FileFunction::Clone;
    if (crcRadio->isChecked())
        return FileFunction::Crc;
    if (mergeRadio->isChecked())
        return FileFunction::Merge;
    if (mergeSplitRadio->isChecked())
        return FileFunction::MergeSplit;
    return FileFunction::Split;
}

qint64 TFileProcPage::MaxSize() const
{
    return IsMergeFunction(Function()) ? m_joinTotal : m_inputSize;
}

// Run by name (a hand-over from another page), a handler selects its own function first.
void TFileProcPage::truncRadioClick()
{
    truncRadio->setChecked(true);
    applyFunction(FileFunction::Truncate);
}

void TFileProcPage::cloneRadioClick()
{
    cloneRadio->setChecked(true);
    applyFunction(FileFunction::Clone);
}

void TFileProcPage::crcRadioClick()
{
    crcRadio->setChecked(true);
    applyFunction(FileFunction::Crc);
}

void TFileProcPage::mergeRadioClick()
{
    mergeRadio->setChecked(true);
    applyFunction(FileFunction::Merge);
}

void TFileProcPage::splitRadioClick()
{
    splitRadio->setChecked(true);
    applyFunction(FileFunction::Split);
}

void TFileProcPage::mergeSplitRadioClick()
{
    mergeSplitRadio->setChecked(true);
    applyFunction(FileFunction::MergeSplit);
}

void TFileProcPage::RefreshFunction()
{
    applyFunction(Function());
}

qint64 TFileProcPage::partCount()
{
    return PartCount(MaxSize(), ReadOffsetField(offLength));
}

void TFileProcPage::applyFunction(FileFunction function)
{
    const bool splits = IsSplitFunction(function);
    const FunctionLayout layout = LayoutOf(function);

    offLength->setContextMenuPolicy(splits ? Qt::CustomContextMenu : Qt::DefaultContextMenu);
    updateOffsetBoxEnabled();
    if (splits)
        m_partsMask = PartsMask(partCount());

    outputFNameChange();
    inputFName->setEnabled(!layout.joinInput);
    joinPanel->setEnabled(layout.joinInput);
    const bool dvdSplit = splits && vobAdjust->isChecked();
    cbDVDhead->setEnabled(dvdSplit);
    cbDuplicate->setEnabled(dvdSplit);
    if (!dvdSplit)
        cbDuplicate->setChecked(false);
    if (function != FileFunction::Clone)
        offStart->setText(QStringLiteral("0"));
    if (function == FileFunction::Crc)
        calcCRC->setChecked(true);
    calcCRC->setEnabled(function != FileFunction::Crc);
    UpdateStartButton();
    outputFName->setEnabled(layout.output);
    if (fp_OffsetBox->isEnabled()) {
        setOffsetControlsEnabled(layout.start, layout.length, layout.end);
        drawFigure();
    }
    showDescription();
}

bool TFileProcPage::parametersComplete() const
{
    // Nothing can start without bytes to work on (no input chosen, or only empty files listed).
    return CanStart(Function(), outputFName->Text(), inputFName->Text(), joinList->count()) && MaxSize() >= 1;
}

void TFileProcPage::UpdateStartButton()
{
    startBtn->setEnabled(parametersComplete());
    updateFigureVisibility();
}

void TFileProcPage::showDescription()
{
    if (m_busy)
        return;
    const FileFunction function = Function();
    if (!startBtn->isEnabled()) {
        fpStatus->setText(MissingParametersText(function, filepage::Translation()));
        return;
    }
    JobFacts facts;
    facts.input = inputFName->Text();
    facts.output = outputFName->Text();
    facts.start = ReadOffsetField(offStart);
    facts.length = ReadOffsetField(offLength);
    facts.end = ReadOffsetField(offEnd);
    facts.total = MaxSize();
    facts.parts = partCount();
    facts.entries = joinList->count();
    facts.alignUnit = m_alignUnit;
    facts.hex = offHexa->isChecked();
    facts.unitText = offMode->currentText();
    fpStatus->setText(JobDescription(function, facts, filepage::Translation()));
}

void TFileProcPage::outputFNameChange()
{
    const QString text = outputFName->Text();
    if (!text.isEmpty()) {
        m_figureDirty = true;
        const int caret = outputFName->SelStart();
        const OutputNameResult rule =
            ApplyOutputNameRule(text, caret, IsSplitFunction(Function()), inputFName->Text(), m_partsMask);
        if (rule.changed) {
            outputFName->setText(rule.text);
            outputFName->setSelStart(caretAfterRule(text, rule.text, caret));
        }
    }
    // The start button follows the name as it is typed, not only on the next repaint tick.
    if (!m_busy) {
        UpdateStartButton();
        showDescription();
    }
}

void TFileProcPage::startBtnClick()
{
    if (m_busy)
        return;
    if (vobAdjust->text() == QLatin1String("AVI")) {
        const QString question =
            Tr(QStringLiteral("You are trying to process an AVI video. Kinbox does not yet support format specific "
                              "processing of AVI files. So the file will be treated just like any other and will "
                              "most likely not play correctly afterwards."))
            + LineBreak + Tr(QStringLiteral("Would you like to continue processing anyway ?"));
        if (!Ask(question))
            return;
    }
    if (vobAdjust->isChecked())
        alignBtnClick();
    UpdateStartButton();
    if (!startBtn->isEnabled()) {
        filepage::Tell(QStringLiteral("There are parameters missing."));
        RefreshFunction();
        return;
    }
    const FileFunction function = Function();
    if (IsSplitFunction(function) && !outputFName->Text().contains(m_partsMask)) {
        outputFNameChange();
        outputFNameChange();
    }

    if (function == FileFunction::Truncate) {
        const QString question = Tr(QStringLiteral("This will truncate")) + QLatin1Char(' ') + Quote
            + inputFName->Text() + Quote + QLatin1Char('.') + LineBreak
            + Tr(QStringLiteral("Are you sure you want to do that ?"));
        if (Ask(question))
            truncateInput();
        return;
    }

    if (refuseUnreadableEntry() || refuseOwnInput())
        return;
    if (!confirmFourGiB() || !confirmOverwrite() || !checksumChecksBeforeStart())
        return;
    startJob();
}

void TFileProcPage::truncateInput()
{
    const QString name = inputFName->Text();
    const qint64 length = ReadOffsetField(offLength);
    try {
        TQsHugeFile file(NativeName(name), AttributeNormal, GenericRead | GenericWrite, 0);
        file.Reset(1);
        // A file that has shrunk since it was chosen is left alone: truncating never lengthens.
        if (length < file.FileSize()) {
            file.Seek(length);
            file.Truncate();
        }
        file.Close();
    } catch (const std::exception &error) {
        ReportError(QString::fromLocal8Bit(error.what()), this);
        return;
    }
    inputFName->setText(QString());
    m_inputSize = 0;
    inputCaption->setText(Tr(QStringLiteral("Source file")));
    vobAdjust->setText(QStringLiteral("???"));
    vobAdjust->hide();
    resetOffsetsToZero();
    RefreshFunction();
}

QStringList TFileProcPage::jobInputs() const
{
    if (!IsMergeFunction(Function()))
        return {inputFName->Text()};
    QStringList paths;
    for (const QString &entry : JoinEntries())
        paths << JoinEntryPath(entry);
    return paths;
}

bool TFileProcPage::refuseUnreadableEntry()
{
    if (!IsMergeFunction(Function()))
        return false;
    for (const QString &entry : JoinEntries()) {
        if (JoinEntrySize(entry) < 0) {
            filepage::TellTranslated(this, Tr(QStringLiteral("This file could not be opened when it was added, "
                                                             "so the files cannot be merged:"))
                                               + LineBreak + Quote + JoinEntryPath(entry) + Quote);
            return true;
        }
    }
    return false;
}

bool TFileProcPage::refuseOwnInput()
{
    const FileFunction function = Function();
    if (function == FileFunction::Crc)
        return false;
    const QString output = outputFName->Text();
    QString clash;
    if (!IsSplitFunction(function)) {
        const QString target = canonical(output);
        for (const QString &input : jobInputs()) {
            if (!target.isEmpty() && canonical(input) == target) {
                clash = output;
                break;
            }
        }
    } else {
        QSet<QString> inputs;
        for (const QString &input : jobInputs()) {
            const QString path = canonical(input);
            if (!path.isEmpty())
                inputs.insert(path);
        }
        // A part that would replace an input exists already: it is that input, or a link to it.
        for (const QString &part : existingParts(output, partCount(), std::numeric_limits<int>::max())) {
            if (inputs.contains(canonical(part))) {
                clash = part;
                break;
            }
        }
    }
    if (clash.isEmpty())
        return false;
    filepage::TellTranslated(this, Tr(QStringLiteral("The output would overwrite an input of this job:"))
                                       + LineBreak + Quote + clash + Quote + LineBreak
                                       + Tr(QStringLiteral("Choose another output file name.")));
    return true;
}

bool TFileProcPage::confirmFourGiB()
{
    if (!NeedsFourGiBQuestion(Function(), outputFName->Text(), m_joinTotal))
        return true;
    return Ask(Tr(QStringLiteral("The destination file is to be created on a non-NTFS drive and is larger than 4 GB."))
               + LineBreak + Tr(QStringLiteral("This might not be supported. Are you sure you want to do that ?")));
}

bool TFileProcPage::confirmOverwrite()
{
    const FileFunction function = Function();
    if (function == FileFunction::Crc)
        return true;
    QString existing;
    if (IsSplitFunction(function)) {
        const QStringList parts = existingParts(outputFName->Text(), partCount(), 1);
        existing = parts.value(0);
    } else if (QFileInfo::exists(outputFName->Text())) {
        existing = outputFName->Text();
    }
    if (existing.isEmpty())
        return true;
    return Ask(Tr(QStringLiteral("This will overwrite")) + QLatin1Char(' ') + Quote + existing + Quote
               + QLatin1Char('.') + LineBreak + Tr(QStringLiteral("Are you sure you want to do that ?")));
}

void TFileProcPage::startJob()
{
    const FileFunction function = Function();
    FileJobSettings settings;
    settings.merge = IsMergeFunction(function);
    if (settings.merge) {
        for (const QString &path : jobInputs())
            settings.joinList.push_back(NativeName(path));
    }
    settings.split = IsSplitFunction(function);
    settings.partSize = settings.split ? ReadOffsetField(offLength) : 0;
    settings.crcOnly = function == FileFunction::Crc;
    settings.computeCrc = calcCRC->isChecked() || settings.crcOnly;
    settings.parallel = parallel->value();
    settings.copyHeader = cbDVDhead->isChecked();
    settings.packSize = m_probe.PackSize;
    settings.duplicate = cbDuplicate->isChecked();
    settings.advanced = fp_advanced->isChecked();
    settings.splitMode = cb_SplitEverywhere->isChecked() ? SplitMode::Everywhere
        : cb_SplitCellHeader->isChecked()                ? SplitMode::CellHeader
                                                         : SplitMode::AVSync;
    applyChecksumSettings(settings);

    QString input = inputFName->Text();
    QString output = outputFName->Text();
    qint64 length = ReadOffsetField(offLength);
    qint64 start = 0;
    switch (function) {
    case FileFunction::Clone:
        start = ReadOffsetField(offStart);
        break;
    case FileFunction::Split:
        length = m_inputSize;
        break;
    case FileFunction::Merge:
        input.clear();
        length = m_joinTotal;
        break;
    case FileFunction::MergeSplit:
        length = m_joinTotal;
        break;
    case FileFunction::Crc:
        output.clear();
        break;
    case FileFunction::Truncate:
        return;
    }

    lockPage();
    m_jobTicks = 0;
    m_lastProgressMark = 0;
    progress->SetBarWidth(0);
    progress->show();
    progress->raise();
    if (!m_job) {
        m_job = std::make_unique<TFileJob>();
        // The end of a job reaches the page at once, not at the next look of the park check.
        m_job->SetParkedCallback([this] {
            QMetaObject::invokeMethod(this, &TFileProcPage::checkJobParked, Qt::QueuedConnection);
        });
    }
    try {
        m_job->StartFileJob(settings, NativeName(input), NativeName(output), length, start);
    } catch (const std::exception &error) {
        progress->hide();
        unlockPage();
        RefreshFunction();
        ReportError(QString::fromLocal8Bit(error.what()), this);
        return;
    }
    m_busy = true;
    m_aborted = false;
    m_jobFunction = function;
    fpStatus->setText(InitializingText(filepage::Translation()));
    TruncTimer->start();
    m_parkCheck->start();
}

void TFileProcPage::stopBtnClick()
{
    if (!m_busy)
        return;
    m_job->SetPaused(true);
    const bool abort = Ask(Tr(QStringLiteral("Are you sure you want to abort file processing ?")));
    m_job->SetPaused(false);
    // The job may have ended while the question was open.
    if (abort && m_busy) {
        m_aborted = true;
        m_job->AbortFileJob();
    }
}

bool TFileProcPage::FormCloseQuery()
{
    if (!m_busy)
        return true;
    if (!Ask(Tr(QStringLiteral("Kinbox is currently processing files !")) + LineBreak
             + Tr(QStringLiteral("Are you sure you want to quit ?"))))
        return false;
    m_aborted = true;
    m_job->AbortFileJob();
    return true;
}

} // namespace kbx
