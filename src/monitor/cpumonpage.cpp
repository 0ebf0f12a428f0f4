#include "monitor/cpumonpage.h"

#include "monitor/clock.h"
#include "monitor/cpu.h"
#include "monitor/cpugraph.h"
#include "ui/dialogs.h"
#include "ui/fileedit.h"
#include "ui/translator.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>

namespace kbx {

namespace {

// The alarm actions in the order of TAlarmAction, in English.
QStringList ActionTexts()
{
    return {QStringLiteral("shutdown PC"), QStringLiteral("forced shutdown"), QStringLiteral("show a message"),
            QStringLiteral("beep")};
}

} // namespace

namespace {

QLabel *Caption(const QString &text, QWidget *parent)
{
    return new QLabel(text, parent);
}

QSpinBox *Spin(const char *name, int min, int max, int step, int value, QWidget *parent)
{
    auto *spin = new QSpinBox(parent);
    spin->setObjectName(QLatin1String(name));
    spin->setRange(min, max);
    spin->setSingleStep(step);
    spin->setValue(value);
    return spin;
}

} // namespace

TCPUmonPage::TCPUmonPage(std::function<bool()> fileJobRunning, QWidget *parent)
    : QWidget(parent)
    , m_fileJobRunning(std::move(fileJobRunning))
{
    setObjectName(QStringLiteral("Page_CPUmon"));
    m_idleStart = TMonitorClock::instance().now();
    buildControls();
    buildLayout();
    connectHandlers();
    // Processor mode, which also names the processor.
    modeChange(true);
    Check_RadioActionClick();
}

TCPUmonPage::~TCPUmonPage()
{
    m_sampler.ReleaseCPUData();
}

void TCPUmonPage::buildControls()
{
    m_checkTimer = new QTimer(this);
    m_checkTimer->setObjectName(QStringLiteral("CheckTimer"));
    // A coarse timer may fire early, and an early tick would show a countdown one second off.
    m_checkTimer->setTimerType(Qt::PreciseTimer);
    m_checkTimer->setInterval(1000);

    check_radio = new QCheckBox(QStringLiteral("check CPU usage"), this);
    check_radio->setObjectName(QStringLiteral("check_radio"));
    check_CPU = new QRadioButton(QStringLiteral("CPU"), this);
    check_CPU->setObjectName(QStringLiteral("check_CPU"));
    check_CPU->setChecked(true);
    check_Time = new QRadioButton(QStringLiteral("time"), this);
    check_Time->setObjectName(QStringLiteral("check_Time"));
    m_modeGroup = new QButtonGroup(this);
    m_modeGroup->addButton(check_CPU);
    m_modeGroup->addButton(check_Time);

    Check_normalize = new QPushButton(QStringLiteral("Normalize"), this);
    Check_normalize->setObjectName(QStringLiteral("Check_normalize"));
    Check_normalize->setCheckable(true);
    Check_normalize->setToolTip(QStringLiteral("flatten awkward values"));
    Check_Interval = Spin("Check_Interval", 1, 600, 10, 10, this);
    m_intervalTimes = Caption(QStringLiteral("* 100"), this);
    m_intervalUnit = Caption(QStringLiteral("ms"), this);
    m_waitFor = Caption(QStringLiteral("wait for:"), this);
    Check_TimeEdit = Spin("Check_TimeEdit", 1, 1440, 5, 10, this);
    m_waitUnit = Caption(QStringLiteral("min"), this);

    CPUlabel = new QLabel(QStringLiteral("unknown CPU"), this);
    CPUlabel->setObjectName(QStringLiteral("CPUlabel"));

    m_idleGroup = new QGroupBox(QStringLiteral("idle alarm"), this);
    m_idleGroup->setObjectName(QStringLiteral("check_IdleGroup"));
    check_alarm = new QCheckBox(QStringLiteral("enable &alarm"), m_idleGroup);
    check_alarm->setObjectName(QStringLiteral("check_alarm"));
    Check_percent = Spin("Check_percent", 1, 100, 1, 20, m_idleGroup);
    check_timeout = Spin("check_timeout", 1, 60, 1, 5, m_idleGroup);

    Check_RadioAction = new QRadioButton(QStringLiteral("&execute"), this);
    Check_RadioAction->setObjectName(QStringLiteral("Check_RadioAction"));
    Check_RadioAction->setChecked(true);
    Check_Action = new QComboBox(this);
    Check_Action->setObjectName(QStringLiteral("Check_Action"));
    Check_Action->addItems(ActionTexts());
    Check_Action->setCurrentIndex(-1);
    Check_RadioRun = new QRadioButton(QStringLiteral("&run"), this);
    Check_RadioRun->setObjectName(QStringLiteral("Check_RadioRun"));
    Check_RunFile = new TOxFileEdit(this);
    Check_RunFile->setObjectName(QStringLiteral("Check_RunFile"));
    Check_RunFile->setStyle(TOxFileEdit::bsFileOpen);
    Check_RunFile->setTitle(QStringLiteral("open executable file..."));
    // Programs here carry no extension, so the first filter shows every file as well.
    Check_RunFile->setFilter(QStringLiteral("executable files|*|all files|*.*"));
    m_actionGroup = new QButtonGroup(this);
    m_actionGroup->addButton(Check_RadioAction);
    m_actionGroup->addButton(Check_RadioRun);

    m_graphGroup = new QGroupBox(this);
    m_graphGroup->setObjectName(QStringLiteral("check_GraphGroup"));
    check_Graphics = new QCheckBox(QStringLiteral("&graphical display"), m_graphGroup);
    check_Graphics->setObjectName(QStringLiteral("check_Graphics"));
    UsageBar = new QProgressBar(m_graphGroup);
    UsageBar->setObjectName(QStringLiteral("UsageBar"));
    UsageBar->setOrientation(Qt::Vertical);
    UsageBar->setRange(0, 100);
    UsageBar->setValue(0);
    UsageBar->setTextVisible(false);
    UsageBar->setFixedWidth(16);
    UsageBar->hide();
    CPUimage = new TCPUGraph(m_history, m_graphGroup);
    CPUimage->setObjectName(QStringLiteral("CPUimage"));
    CPUimage->hide();

    CheckStatus = new QStatusBar(this);
    CheckStatus->setObjectName(QStringLiteral("CheckStatus"));
    CheckStatus->setSizeGripEnabled(false);
    for (int i = 0; i < 2; ++i) {
        m_panels[i] = new QLabel(CheckStatus);
        m_panels[i]->setObjectName(QStringLiteral("CheckStatus_Panel%1").arg(i));
    }
    m_panels[0]->setFixedWidth(150);
    CheckStatus->addWidget(m_panels[0]);
    CheckStatus->addWidget(m_panels[1], 1);
}

void TCPUmonPage::buildLayout()
{
    auto *monitorRow = new QHBoxLayout;
    monitorRow->addWidget(check_radio);
    monitorRow->addWidget(check_CPU);
    monitorRow->addWidget(check_Time);
    // The row's parts stay together; a wide window leaves its spare room at the right end.
    monitorRow->addSpacerItem(new QSpacerItem(16, 0, QSizePolicy::Maximum, QSizePolicy::Minimum));
    monitorRow->addWidget(Check_normalize);
    monitorRow->addWidget(Check_Interval);
    monitorRow->addWidget(m_intervalTimes);
    monitorRow->addWidget(m_intervalUnit);
    monitorRow->addWidget(m_waitFor);
    monitorRow->addWidget(Check_TimeEdit);
    monitorRow->addWidget(m_waitUnit);
    monitorRow->addStretch(1);

    auto *idleRow = new QHBoxLayout(m_idleGroup);
    idleRow->addWidget(check_alarm);
    idleRow->addSpacerItem(new QSpacerItem(16, 0, QSizePolicy::Maximum, QSizePolicy::Minimum));
    idleRow->addWidget(Caption(QStringLiteral("if below"), m_idleGroup));
    idleRow->addWidget(Check_percent);
    idleRow->addWidget(Caption(QStringLiteral("percent"), m_idleGroup));
    idleRow->addSpacing(8);
    idleRow->addWidget(Caption(QStringLiteral("longer than"), m_idleGroup));
    idleRow->addWidget(check_timeout);
    idleRow->addWidget(Caption(QStringLiteral("minutes"), m_idleGroup));
    idleRow->addStretch(1);

    auto *actionGrid = new QGridLayout;
    actionGrid->addWidget(Check_RadioAction, 0, 0);
    actionGrid->addWidget(Check_Action, 0, 1);
    actionGrid->addWidget(Check_RadioRun, 1, 0);
    actionGrid->addWidget(Check_RunFile, 1, 1);
    actionGrid->setColumnStretch(1, 1);

    auto *graphLayout = new QVBoxLayout(m_graphGroup);
    graphLayout->addWidget(check_Graphics);
    auto *graphRow = new QHBoxLayout;
    graphRow->addWidget(UsageBar);
    graphRow->addWidget(CPUimage, 1);
    graphLayout->addLayout(graphRow, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 0);
    layout->addLayout(monitorRow);
    layout->addWidget(CPUlabel);
    layout->addWidget(m_idleGroup);
    layout->addLayout(actionGrid);
    layout->addWidget(m_graphGroup, 1);
    layout->addWidget(CheckStatus);
}

void TCPUmonPage::connectHandlers()
{
    connect(m_checkTimer, &QTimer::timeout, this, &TCPUmonPage::CheckTimerTimer);
    // Checked state changes, not only clicks: an alarm, a mode change, the settings store and the
    // window's close step set these boxes, and their handlers must follow.
    connect(check_radio, &QCheckBox::toggled, this, &TCPUmonPage::check_radioClick);
    connect(check_CPU, &QRadioButton::toggled, this, [this](bool on) { if (on) check_CPUClick(); });
    connect(check_Time, &QRadioButton::toggled, this, [this](bool on) { if (on) check_TimeClick(); });
    connect(Check_Interval, &QSpinBox::valueChanged, this, &TCPUmonPage::UpdateInterval);
    connect(Check_TimeEdit, &QSpinBox::valueChanged, this, &TCPUmonPage::UpdateInterval);
    connect(check_Graphics, &QCheckBox::toggled, this, &TCPUmonPage::check_GraphicsClick);
    connect(check_alarm, &QCheckBox::toggled, this, &TCPUmonPage::check_alarmClick);
    connect(Check_RadioAction, &QRadioButton::toggled, this, [this](bool on) { if (on) Check_RadioActionClick(); });
    connect(Check_RadioRun, &QRadioButton::toggled, this, [this](bool on) { if (on) Check_RadioRunClick(); });
    connect(CPUimage, &TCPUGraph::doubleClicked, this, &TCPUmonPage::CPUimageDblClick);
}

QString TCPUmonPage::StatusText(int panel) const
{
    return panel >= 0 && panel < 2 ? m_panels[panel]->text() : QString();
}

void TCPUmonPage::setStatus(int panel, const QString &text)
{
    m_panels[panel]->setText(text);
}

void TCPUmonPage::check_radioClick()
{
    m_idleStart = TMonitorClock::instance().now();
    RefreshMonitoring();
    UpdateInterval();
}

void TCPUmonPage::check_CPUClick()
{
    modeChange(true);
}

void TCPUmonPage::check_TimeClick()
{
    modeChange(false);
}

void TCPUmonPage::modeChange(bool processorMode)
{
    m_waitFor->setVisible(!processorMode);
    Check_TimeEdit->setVisible(!processorMode);
    m_waitUnit->setVisible(!processorMode);
    Check_normalize->setVisible(processorMode);
    Check_Interval->setVisible(processorMode);
    m_intervalTimes->setVisible(processorMode);
    m_intervalUnit->setVisible(processorMode);
    m_idleGroup->setEnabled(processorMode);
    m_graphGroup->setEnabled(processorMode);
    if (processorMode) {
        check_radio->setText(Translate(QStringLiteral("check CPU usage")));
        ShowCPULabel();
    } else {
        check_alarm->setChecked(false);
        check_Graphics->setChecked(false);
        check_radio->setText(Translate(QStringLiteral("&check system time")));
    }
    if (check_radio->isChecked())
        check_radio->setChecked(false);
    else
        RefreshMonitoring();
}

void TCPUmonPage::UpdateInterval()
{
    if (check_Time->isChecked()) {
        m_checkTimer->setInterval(1000);
        m_idleStart = TMonitorClock::instance().now();
    } else {
        m_checkTimer->setInterval(Check_Interval->value() * 100);
    }
    if (check_radio->isChecked()) {
        if (!m_checkTimer->isActive())
            m_checkTimer->start();
    } else {
        m_checkTimer->stop();
    }
}

void TCPUmonPage::RefreshMonitoring()
{
    UpdateGraphVisibility();
    if (check_radio->isChecked()) {
        if (!m_checkTimer->isActive())
            m_checkTimer->start();
    } else {
        m_checkTimer->stop();
        setStatus(0, QString());
        setStatus(1, QString());
        m_idleStart = TMonitorClock::instance().now();
    }
}

void TCPUmonPage::UpdateGraphVisibility()
{
    const bool shown = check_Graphics->isChecked() && check_radio->isChecked();
    CPUimage->setVisible(shown);
    UsageBar->setVisible(shown);
}

void TCPUmonPage::check_GraphicsClick()
{
    m_history.clear();
    m_maxLoad = 0;
    CPUimage->setMaxLoad(0);
    CPUimage->update();
    UpdateGraphVisibility();
}

void TCPUmonPage::check_alarmClick()
{
    UpdateGraphVisibility();
}

void TCPUmonPage::Check_RadioActionClick()
{
    Check_RunFile->setEnabled(false);
    Check_Action->setEnabled(true);
}

void TCPUmonPage::Check_RadioRunClick()
{
    Check_RunFile->setEnabled(true);
    Check_Action->setEnabled(false);
}

void TCPUmonPage::CPUimageDblClick()
{
    m_maxLoad = 0;
}

void TCPUmonPage::ShowCPULabel()
{
    TCPU cpu;
    cpu.ShowMessage = [this](const QString &text) {
        Dialogs::instance().critical(this, QStringLiteral("Error"), text);
    };
    cpu.Identify();
    CPUlabel->setText(cpu.LabelText());
}

} // namespace kbx

namespace kbx {

void TCPUmonPage::Retranslate()
{
    const QStringList texts = ActionTexts();
    for (int i = 0; i < texts.size() && i < Check_Action->count(); ++i)
        Check_Action->setItemText(i, Translate(texts.at(i)));
}

} // namespace kbx
