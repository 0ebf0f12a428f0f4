// The six functions: enabling, descriptions, the output-name rule, and starting and stopping a job.

#include "fileproc/fileprocpage.h"

#include "engine/filejob.h"
#include "common/steadyclock.h"
#include "engine/hugefile.h"
#include "fileproc/fileprocpage_text.h"
#include "fileproc/jobplan.h"
#include "fileproc/joinpanel.h"
#include "fileproc/jobtext.h"
#include "fileproc/joinlist.h"
#include "fileproc/offsetbox.h"
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
#include <QSlider>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

namespace kbx {

using filepage::Ask;
using filepage::LineBreak;
using filepage::NativeName;
using filepage::Tr;

namespace {

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

} // namespace

FileFunction TFileProcPage::Function() const
{
    return m_function;
}

qint64 TFileProcPage::MaxSize() const
{
    return IsMergeFunction(Function()) ? m_joinTotal : m_inputSize;
}

// Run by name (a hand-over from another page), a handler selects its own function first.
void TFileProcPage::truncRadioClick()
{
    truncRadio->setChecked(true);
    m_function = FileFunction::Truncate;
    applyFunction(m_function);
}

void TFileProcPage::cloneRadioClick()
{
    cloneRadio->setChecked(true);
    m_function = FileFunction::Clone;
    applyFunction(m_function);
}

void TFileProcPage::crcRadioClick()
{
    crcRadio->setChecked(true);
    m_function = FileFunction::Crc;
    applyFunction(m_function);
}

void TFileProcPage::mergeRadioClick()
{
    mergeRadio->setChecked(true);
    m_function = FileFunction::Merge;
    applyFunction(m_function);
}

void TFileProcPage::splitRadioClick()
{
    splitRadio->setChecked(true);
    m_function = FileFunction::Split;
    applyFunction(m_function);
}

void TFileProcPage::mergeSplitRadioClick()
{
    mergeSplitRadio->setChecked(true);
    m_function = FileFunction::MergeSplit;
    applyFunction(m_function);
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
        fp_OffsetBox->SetControlsEnabled(layout.start, layout.length, layout.end);
        drawFigure();
    }
    showDescription();
}

bool TFileProcPage::parametersComplete() const
{
    // A name still being typed counts as what the rule will make of it when it is finished.
    QString output = outputFName->Text();
    if (m_outputTyping)
        output = ApplyOutputNameRule(output, 0, IsSplitFunction(m_function), inputFName->Text(), m_partsMask).text;
    // Nothing can start without bytes to work on (no input chosen, or only empty files listed).
    return CanStart(m_function, output, inputFName->Text(), joinList->count()) && MaxSize() >= 1;
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
    if (!parametersComplete()) {
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
        // Not while the name is being typed: run on every keystroke the rule would put the mask
        // into a half-typed name. It runs when the field is left and when Start is pressed.
        if (!m_outputTyping) {
            const int caret = outputFName->SelStart();
            const OutputNameResult rule =
                ApplyOutputNameRule(text, caret, IsSplitFunction(Function()), inputFName->Text(), m_partsMask);
            if (rule.changed) {
                outputFName->setText(rule.text);
                outputFName->setSelStart(caretAfterRule(text, rule.text, caret));
            }
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
    if (m_inputKind == InputKind::Avi && !IsMergeFunction(m_function)) {
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
    // Whatever was being typed into the output field is finished now.
    m_outputTyping = false;
    outputFNameChange();
    UpdateStartButton();
    if (!parametersComplete()) {
        filepage::Tell(QStringLiteral("There are parameters missing."));
        RefreshFunction();
        return;
    }
    if (IsSplitFunction(m_function) && !outputFName->Text().contains(m_partsMask)) {
        outputFNameChange();
        outputFNameChange();
    }

    const JobPlan plan = PlanFileJob(jobRequest(), filepage::Translation());
    if (plan.Refused()) {
        filepage::TellTranslated(this, plan.refusal);
        return;
    }
    for (const PlannedQuestion &question : plan.questions) {
        if (!Ask(question.text))
            return;
    }
    if (m_function == FileFunction::Truncate)
        truncateInput(plan.length);
    else if (checksumChecksBeforeStart())
        startJob(plan);
}

FileJobRequest TFileProcPage::jobRequest()
{
    FileJobRequest request;
    request.function = m_function;
    request.input = inputFName->Text();
    request.inputSize = m_inputSize;
    request.output = outputFName->Text();
    for (const QString &entry : JoinEntries())
        request.joinList << JoinInput{JoinEntryPath(entry), JoinEntrySize(entry)};
    request.start = ReadOffsetField(offStart);
    request.length = ReadOffsetField(offLength);
    // The range fields are not the user's for a checksum: it covers the whole file.
    request.crcRange = false;
    request.computeCrc = calcCRC->isChecked();
    request.parallel = parallel->value();
    request.copyHeader = cbDVDhead->isChecked();
    request.packSize = m_probe.PackSize;
    request.duplicate = cbDuplicate->isChecked();
    request.advanced = fp_advanced->isChecked();
    request.splitMode = cb_SplitEverywhere->isChecked() ? SplitMode::Everywhere
        : cb_SplitCellHeader->isChecked()               ? SplitMode::CellHeader
                                                        : SplitMode::AVSync;
    return request;
}

void TFileProcPage::truncateInput(qint64 length)
{
    const QString name = inputFName->Text();
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
    m_inputKind = InputKind::Other;
    inputCaption->setText(Tr(QStringLiteral("Source file")));
    vobAdjust->setText(QStringLiteral("???"));
    vobAdjust->hide();
    resetOffsetsToZero();
    RefreshFunction();
}

void TFileProcPage::startJob(const JobPlan &plan)
{
    lockPage();
    m_jobTicks = 0;
    m_jobStartNs = TSteadyClock::instance().nanoseconds();
    m_jobEndNs = -1;
    m_jobPausedNs = 0;
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
        FileJobSettings settings = plan.settings;
        applyChecksumSettings(settings);
        m_job->StartFileJob(settings, NativeName(plan.input), NativeName(plan.output), plan.length, plan.start);
    } catch (const std::exception &error) {
        // The engine refused (an output that is an input, a pipe, ...): nothing was written.
        progress->hide();
        unlockPage();
        RefreshFunction();
        ReportError(QString::fromLocal8Bit(error.what()), this);
        return;
    }
    m_busy = true;
    m_aborted = false;
    m_jobFunction = m_function;
    m_jobRangeNote = plan.rangeNote;
    m_activity = std::make_unique<JobActivity>(QStringLiteral("File job on ")
                                               + (plan.input.isEmpty() ? plan.output : plan.input));
    fpStatus->setText(InitializingText(filepage::Translation()));
    TruncTimer->start();
    m_parkCheck->start();
}

void TFileProcPage::stopBtnClick()
{
    if (!m_busy)
        return;
    m_job->SetPaused(true);
    const qint64 pausedAt = TSteadyClock::instance().nanoseconds();
    const bool abort = Ask(Tr(QStringLiteral("Are you sure you want to abort file processing ?")));
    m_jobPausedNs += TSteadyClock::instance().nanoseconds() - pausedAt;
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
