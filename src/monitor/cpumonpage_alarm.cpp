// The CPU page's ticks: sampling and drawing, the idle test, the countdown and the alarm actions.

#include "monitor/clock.h"
#include "monitor/cpugraph.h"
#include "monitor/cpumonpage.h"
#include "platform/power.h"
#include "platform/shell.h"
#include "ui/dialogs.h"
#include "ui/fileedit.h"
#include "ui/translator.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

namespace kbx {

void TCPUmonPage::CheckTimerTimer()
{
    // A message box opened from a tick runs its own event loop, where the timer keeps firing; and a
    // tick already queued when monitoring stopped must not act.
    if (m_inTick || !check_radio->isChecked())
        return;
    m_inTick = true;
    if (check_Time->isChecked())
        countdownTick();
    else
        processorTick();
    m_inTick = false;
}

void TCPUmonPage::processorTick()
{
    double usage = 0;
    try {
        m_sampler.CollectCPUData();
        usage = m_sampler.GetCPUUsage(0);
    } catch (const ECPUData &error) {
        // Once per run of failures: a box every second would bury the window.
        if (!m_errorShown) {
            m_errorShown = true;
            ReportError(error.message(), this);
        }
        return;
    }
    m_errorShown = false;

    double percent = TickPercent(usage);
    if (Check_normalize->isChecked())
        percent = SmoothedPercent(percent, m_history);
    setStatus(0, Translate(QStringLiteral("CPU usage")) + QStringLiteral(": ")
                     + QLocale().toString(percent, 'g', 15) + QLatin1Char('%'));
    const int load = WholePercent(percent);
    if (load > m_maxLoad)
        m_maxLoad = load;

    idleEvaluation(load);
    if (!check_radio->isChecked())
        return;

    if (!UsageBar->isHidden()) {
        m_history.push(load);
        if (isVisible()) {
            UsageBar->setValue(load);
            drawGraph();
        }
    }
    RefreshMonitoring();
}

void TCPUmonPage::drawGraph()
{
    CPUimage->setMaxLoad(m_maxLoad);
    if (m_maxLoad > 0)
        CPUimage->setToolTip(Translate(QStringLiteral("maximum CPU load")) + QStringLiteral(": ")
                             + QString::number(m_maxLoad) + QLatin1Char('%'));
    CPUimage->update();
}

void TCPUmonPage::idleEvaluation(int load)
{
    const qint64 now = TMonitorClock::instance().now();
    const TIdleVerdict verdict = IdleTest(load, Check_percent->value(), m_idleStart, now, check_timeout->value(),
                                          check_alarm->isChecked(), fileJobRunning());
    switch (verdict.state) {
    case TIdleVerdict::Busy:
        setStatus(1, Translate(QStringLiteral("System is not considered idle.")));
        m_idleStart = now;
        break;
    case TIdleVerdict::FileJob:
        setStatus(1, Translate(QStringLiteral("A file job is running; the system is not considered idle.")));
        m_idleStart = now;
        break;
    case TIdleVerdict::Idle:
        setStatus(1, Translate(QStringLiteral("System has been idle for")) + QLatin1Char(' ')
                         + SpanText(verdict.spanMs));
        if (verdict.fire) {
            check_radio->setChecked(false);
            check_alarm->setChecked(false);
            fireAlarm();
        }
        break;
    }
}

void TCPUmonPage::countdownTick()
{
    const qint64 now = TMonitorClock::instance().now();
    CPUlabel->setText(LongTimeText(now));
    const qint64 remaining = CountdownRemaining(Check_TimeEdit->value(), m_idleStart, now);
    // Whole seconds rounded up, so that 0:00:00 shows only when the alarm is due.
    setStatus(1, Translate(QStringLiteral("Time until alarm:")) + QLatin1Char(' ') + SpanText(remaining + 999));
    if (!CountdownDue(remaining))
        return;
    if (WaitsForFileJob(chosenAction()) && fileJobRunning()) {
        setStatus(1, Translate(QStringLiteral("The alarm waits for the file job to end.")));
        return;
    }
    check_radio->setChecked(false);
    fireAlarm();
}

void TCPUmonPage::fireAlarm()
{
    UpdateInterval();
    RefreshMonitoring();
    RunAlarmAction();
}

bool TCPUmonPage::fileJobRunning() const
{
    return m_fileJobRunning && m_fileJobRunning();
}

TAlarmAction TCPUmonPage::chosenAction() const
{
    return AlarmAction(Check_RadioAction->isChecked(), Check_Action->currentIndex());
}

void TCPUmonPage::RunAlarmAction()
{
    const TAlarmAction action = chosenAction();
    switch (action) {
    case TAlarmAction::Shutdown:
    case TAlarmAction::ForcedShutdown: {
        emit shutdownStarting();
        // The login manager answers later; the window keeps painting meanwhile. A refusal is shown
        // once and monitoring stays off (the alarm switched it off), so nothing asks again.
        QPointer<TCPUmonPage> self(this);
        auto answer = [self](const QString &refusal) {
            if (refusal.isEmpty() || !self)
                return;
            emit self->shutdownRefused();
            const QString text = Translate(QStringLiteral("The computer was not shut down")) + QStringLiteral(": ")
                                 + refusal;
            self->setStatus(1, text);
            Dialogs::instance().message(self, QMessageBox::NoIcon, ApplicationTitle(), text);
        };
        Power &power = Power::instance();
        if (action == TAlarmAction::Shutdown)
            power.shutdown(answer);
        else
            power.forcedShutdown(answer);
        break;
    }
    case TAlarmAction::Beep:
        Power::instance().beep();
        break;
    case TAlarmAction::Run:
        runProgram();
        break;
    case TAlarmAction::Message:
        Inform(QStringLiteral("The alarm has been triggered."));
        break;
    }
}

void TCPUmonPage::runProgram()
{
    const QString file = Check_RunFile->Text();
    if (file.isEmpty())
        return;
    const QFileInfo info(file);
    bool opened = false;
    if (info.isFile() && info.isExecutable())
        opened = Shell::instance().startProgram(info.absoluteFilePath(), {});
    else if (info.exists())
        opened = OpenDocumentTarget(info.absoluteFilePath());
    if (!opened)
        Dialogs::instance().information(this, ApplicationTitle(),
                                        Translate(QStringLiteral("Unable to open requested URL")) + QStringLiteral(" \"")
                                            + file + QStringLiteral("\"."));
}

} // namespace kbx
