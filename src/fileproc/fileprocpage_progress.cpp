// Progress while a job runs, the summary after it, and the range figure.

#include "fileproc/fileprocpage.h"

#include "common/steadyclock.h"
#include "engine/filejob.h"
#include "fileproc/fileprocpage_text.h"
#include "fileproc/joinpanel.h"
#include "fileproc/offsetbox.h"
#include "fileproc/jobtext.h"
#include "fileproc/joinlist.h"
#include "fileproc/rangefigure.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace kbx {

using filepage::Tr;

namespace {

JobCounters countersOf(const TFileJob &job)
{
    JobCounters c;
    c.readerTotal = job.Reader().TotalLength;
    c.readerRemaining = job.Reader().Remaining.load(std::memory_order_relaxed);
    c.checksumRemaining = job.Checksum().Remaining.load(std::memory_order_relaxed);
    c.writerTotal = job.Writer().TotalLength;
    c.writerRemaining = job.Writer().Remaining.load(std::memory_order_relaxed);
    c.fileIndex = job.Reader().FileIndex.load(std::memory_order_relaxed);
    c.partNumber = job.Writer().PartNumber.load(std::memory_order_relaxed);
    return c;
}

} // namespace

int TFileProcPage::drawStyle() const
{
    if (pb_Style1->isChecked())
        return 1;
    if (pb_Style3->isChecked())
        return 3;
    if (pb_Style4->isChecked())
        return 4;
    return 2;
}

void TFileProcPage::lockPage()
{
    const QList<QWidget *> keep{fpStatus, figure, progress, stopBtn};
    m_lockedStates.clear();
    QList<QWidget *> pending{this};
    while (!pending.isEmpty()) {
        QWidget *parent = pending.takeFirst();
        for (QWidget *child : parent->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            // Menus open from their controls; the display menu stays usable during a job.
            if (child->isWindow() || keep.contains(child))
                continue;
            const bool holdsKept = std::any_of(keep.begin(), keep.end(),
                                               [child](QWidget *k) { return child->isAncestorOf(k); });
            if (holdsKept) {
                pending << child;
                continue;
            }
            m_lockedStates.insert(child, !child->testAttribute(Qt::WA_ForceDisabled));
            child->setEnabled(false);
        }
    }
    for (QWidget *k : keep)
        k->setEnabled(true);
    startBtn->hide();
    stopBtn->show();
}

void TFileProcPage::unlockPage()
{
    for (auto it = m_lockedStates.cbegin(); it != m_lockedStates.cend(); ++it)
        it.key()->setEnabled(it.value());
    m_lockedStates.clear();
    stopBtn->hide();
    startBtn->show();
}

void TFileProcPage::checkJobParked()
{
    if (m_busy && m_job && m_job->AllParked())
        finishJob();
}

std::chrono::nanoseconds TFileProcPage::jobDuration() const
{
    const qint64 end = m_jobEndNs >= 0 ? m_jobEndNs : TSteadyClock::instance().nanoseconds();
    return std::chrono::nanoseconds(qMax<qint64>(0, end - m_jobStartNs - m_jobPausedNs));
}

void TFileProcPage::finishJob()
{
    m_jobEndNs = TSteadyClock::instance().nanoseconds();
    TruncTimer->stop();
    m_parkCheck->stop();
    m_job->ReleaseBuffer();
    updateActivityDots();
    emit bringToFrontRequested();
    progress->hide();
    unlockPage();
    m_busy = false;
    updateAdvancedOptions();
    RefreshFunction();
    m_figureDirty = false;
    ShowJobSummary();
    if (m_activity)
        m_activity->finish(fpStatus->text());
    m_activity.reset();
    emit jobFinished();
}

void TFileProcPage::TruncTimerTimer()
{
    if (!m_busy || !m_job)
        return;
    updateActivityDots();
    const TFileJob &job = *m_job;
    const JobCounters counters = countersOf(job);
    const qint64 read = ReadBytes(counters);
    if (read < 1) {
        fpStatus->setText(InitializingText(filepage::Translation()));
        return;
    }
    ++m_jobTicks;
    if (job.Reader().Parked() && job.Checksum().Parked()) {
        TruncTimer->stop();
        return;
    }

    const ProgressFigures figures = ComputeProgress(m_jobFunction, counters, m_jobTicks);
    if (m_activity)
        m_activity->setProgress(figures.percent);
    if (figures.mark > m_lastProgressMark) {
        switch (drawStyle()) {
        case 1:
            // The output band follows what is done: for a checksum-only job the writer is parked
            // from the start and would paint the band full at once.
            figure->DrawRunning(ReadOffsetField(offStart), MaxSize(), read, figures.done, counters.writerTotal);
            break;
        case 2:
            progress->SetBarWidth(figures.barWidth);
            break;
        case 4:
            return;
        default:
            break;
        }
        m_lastProgressMark = figures.mark;
    }

    if (job.Paused()) {
        --m_jobTicks;
        fpStatus->setText(PausedText(filepage::Translation()));
    } else {
        fpStatus->setText(ProgressText(m_jobFunction, counters, figures, filepage::Translation()));
    }
}

void TFileProcPage::ShowJobSummary()
{
    if (!m_job || !m_job->Started())
        return;
    const JobCounters counters = countersOf(*m_job);
    const std::string error = m_job->ErrorText();
    if (!error.empty()) {
        // A failed job never reports completion: the error takes the summary's place.
        fpStatus->setText(Tr(QStringLiteral("File processing failed")) + QStringLiteral(": ")
                          + QString::fromLocal8Bit(error.c_str()));
        return;
    }
    if (m_aborted) {
        // An aborted job's checksum covers only part of the data; it is not shown.
        QString text = CountersText(m_jobFunction, counters.fileIndex, counters.partNumber, filepage::Translation());
        if (!text.isEmpty())
            text += QStringLiteral(", ");
        fpStatus->setText(text + Tr(QStringLiteral("aborted after")) + QLatin1Char(' ')
                          + MinSecText(WholeSeconds(jobDuration()))
                          + QStringLiteral(" min"));
        return;
    }
    bool showCrc = m_job->CrcEnabled();
    const quint32 crc = shownCrc(showCrc);
    QString summary = SummaryText(m_jobFunction, counters, jobDuration(), showCrc, crc, filepage::Translation());
    // A checksum over part of a file says which part.
    if (!m_jobRangeNote.isEmpty())
        summary += QStringLiteral(" (") + m_jobRangeNote + QLatin1Char(')');
    fpStatus->setText(summary + checksumSummary());
}

void TFileProcPage::RepaintTimerTimer()
{
    if (!m_figureDirty || m_busy)
        return;
    RefreshFunction();
    drawFigure();
}

void TFileProcPage::updateFigureVisibility()
{
    const bool startUsable = !startBtn->isHidden() && startBtn->isEnabled();
    const bool stopUsable = !stopBtn->isHidden() && stopBtn->isEnabled();
    figure->setVisible(startUsable || stopUsable);
}

void TFileProcPage::drawFigure()
{
    m_figureDirty = false;
    updateFigureVisibility();
    const qint64 maxSize = MaxSize();
    const int style = drawStyle();
    if (maxSize <= 0 || style == 3 || style == 4 || m_busy)
        return;
    RangeFigureFacts facts;
    facts.function = Function();
    facts.maxSize = maxSize;
    facts.start = ReadOffsetField(offStart);
    facts.end = ReadOffsetField(offEnd);
    facts.partLength = ReadOffsetField(offLength);
    if (IsMergeFunction(facts.function)) {
        for (const QString &entry : JoinEntries())
            facts.entrySizes << JoinEntrySize(entry);
    }
    figure->DrawRanges(facts);
    // Reading the fields may have tidied them, which marks the figure again; it is drawn now.
    m_figureDirty = false;
}

void TFileProcPage::updateActivityDots()
{
    const bool running = m_busy && m_job;
    dotRead->SetOn(running && m_job->dotRead.load(std::memory_order_relaxed));
    dotCrc->SetOn(running && m_job->dotCrc.load(std::memory_order_relaxed));
    dotWrite->SetOn(running && m_job->dotWrite.load(std::memory_order_relaxed));
}

void TFileProcPage::ShowDrawMenu(const QPoint &globalPos)
{
    DrawPMenu->popup(globalPos);
}

void TFileProcPage::pb_StyleClick()
{
    const int style = drawStyle();
    if (m_busy) {
        progress->setVisible(style == 2);
        if (style == 4)
            fpStatus->setText(WorkingText(filepage::Translation()));
    } else {
        drawFigure();
    }
}

void TFileProcPage::progressClick()
{
    pb_Style1->setChecked(true);
    pb_StyleClick();
}

void TFileProcPage::figureClick()
{
    pb_Style2->setChecked(true);
    pb_StyleClick();
}

void TFileProcPage::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    drawFigure();
}

void TFileProcPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    drawFigure();
}

} // namespace kbx
