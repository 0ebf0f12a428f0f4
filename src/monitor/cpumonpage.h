#pragma once
// The CPU page: samples the processor load, shows and draws it, watches for an idle machine or a
// countdown, and then runs the chosen action; its label names the processor.

#include "monitor/alarm.h"
#include "monitor/cpusampler.h"
#include "ui/page.h"

#include <QWidget>

#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStatusBar;
class QTimer;

namespace kbx {

class TCPUGraph;
class TOxFileEdit;

class TCPUmonPage : public QWidget, public TPage
{
    Q_OBJECT
public:
    // `fileJobRunning` tells whether the Files page runs a job: the machine is not idle then.
    explicit TCPUmonPage(std::function<bool()> fileJobRunning, QWidget *parent = nullptr);
    ~TCPUmonPage() override;

    QString StatusText(int panel) const;
    int MaxLoad() const { return m_maxLoad; }
    const TLoadHistory &History() const { return m_history; }
    // Milliseconds of the monitor's clock: the last busy sample, or the start of the countdown.
    qint64 IdleStart() const { return m_idleStart; }
    QTimer *CheckTimer() const { return m_checkTimer; }
    TCPUSampler &Sampler() { return m_sampler; }

    QStringList SettingKeys() const override;
    // The action list's items are texts too; the translator's walk leaves list items alone.
    void Retranslate() override;
    void LoadSetting(const QString &key, const TSettingsAccess &store) override;
    void SaveSetting(const QString &key, TSettingsAccess &store) const override;
    // Unchecks the graph option (the window's close step).
    void HideGraphics();

signals:
    // A shutdown action is about to power the machine off: the window closes without its animation.
    void shutdownStarting();
    // The system refused it; the window may animate its close again.
    void shutdownRefused();

public slots:
    void CheckTimerTimer();
    void check_radioClick();
    void check_CPUClick();
    void check_TimeClick();
    void UpdateInterval();
    void RefreshMonitoring();
    void UpdateGraphVisibility();
    void check_GraphicsClick();
    void check_alarmClick();
    void Check_RadioActionClick();
    void Check_RadioRunClick();
    void CPUimageDblClick();
    void RunAlarmAction();
    // Identifies the processor and puts "maker model MHz" into CPUlabel.
    void ShowCPULabel();

private:
    void buildControls();
    void buildLayout();
    void connectHandlers();
    void modeChange(bool processorMode);

    // cpumonpage_alarm.cpp
    void processorTick();
    void idleEvaluation(int load);
    void countdownTick();
    void fireAlarm();
    bool fileJobRunning() const;
    TAlarmAction chosenAction() const;
    void runProgram();
    void setStatus(int panel, const QString &text);
    void drawGraph();
    // The field a numeric setting is stored from, or nullptr.
    QSpinBox *settingSpin(const QString &key) const;

    std::function<bool()> m_fileJobRunning;
    TCPUSampler m_sampler;
    TLoadHistory m_history;
    int m_maxLoad = 0;
    qint64 m_idleStart = 0;
    bool m_inTick = false;
    bool m_errorShown = false;

    QTimer *m_checkTimer = nullptr;
    QCheckBox *check_radio = nullptr;
    QRadioButton *check_CPU = nullptr;
    QRadioButton *check_Time = nullptr;
    QButtonGroup *m_modeGroup = nullptr;
    QPushButton *Check_normalize = nullptr;
    QSpinBox *Check_Interval = nullptr;
    QLabel *m_intervalTimes = nullptr;
    QLabel *m_intervalUnit = nullptr;
    QLabel *m_waitFor = nullptr;
    QSpinBox *Check_TimeEdit = nullptr;
    QLabel *m_waitUnit = nullptr;
    QLabel *CPUlabel = nullptr;
    QGroupBox *m_idleGroup = nullptr;
    QCheckBox *check_alarm = nullptr;
    QSpinBox *Check_percent = nullptr;
    QSpinBox *check_timeout = nullptr;
    QRadioButton *Check_RadioAction = nullptr;
    QComboBox *Check_Action = nullptr;
    QRadioButton *Check_RadioRun = nullptr;
    TOxFileEdit *Check_RunFile = nullptr;
    QButtonGroup *m_actionGroup = nullptr;
    QGroupBox *m_graphGroup = nullptr;
    QCheckBox *check_Graphics = nullptr;
    QProgressBar *UsageBar = nullptr;
    TCPUGraph *CPUimage = nullptr;
    QStatusBar *CheckStatus = nullptr;
    QLabel *m_panels[2] = {nullptr, nullptr};
};

} // namespace kbx
