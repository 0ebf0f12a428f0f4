// The CPU page through its controls, with fixed load samples, a clock the test advances, and the
// power, shell and dialogs seams replaced.

#include "monitor/cpugraph.h"
#include "monitor/cpumonpage.h"
#include "monitortestutil.h"
#include "support/fakeplatform.h"
#include "ui/fileedit.h"
#include "support/scripteddialogs.h"
#include "support/settingsmap.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>

using namespace kbx;

namespace {

constexpr qint64 Second = 1000;
constexpr qint64 Minute = 60 * Second;

// Everything a page test needs, installed before the page exists and removed after it.
struct Rig {
    FakePlatform platform;
    ScriptedDialogs dialogs;
    FakeCpuLoad load;
    FakeCpuFacts facts;
    ManualClock clock;
    bool jobRunning = false;
    std::unique_ptr<TCPUmonPage> page;

    Rig()
    {
        dialogs.setAcknowledgeInformation(true);
        facts.setVendor("GenuineIntel");
        facts.setSignature(6, 8);
        page = std::make_unique<TCPUmonPage>([this] { return jobRunning; });
    }

    template <class T>
    T *get(const char *name) const
    {
        T *control = page->findChild<T *>(QLatin1String(name));
        if (!control)
            qFatal("no control %s", name);
        return control;
    }

    void setAction(int index)
    {
        get<QRadioButton>("Check_RadioAction")->setChecked(true);
        get<QComboBox>("Check_Action")->setCurrentIndex(index);
    }
    void startMonitoring() { get<QCheckBox>("check_radio")->setChecked(true); }
    bool monitoring() const { return get<QCheckBox>("check_radio")->isChecked(); }
    // One timer tick after `ms` have passed, at load `percent`.
    void tick(qint64 ms, int percent = 0)
    {
        clock.advance(ms);
        load.loads = {percent};
        page->CheckTimerTimer();
    }
    QString panel(int i) const { return page->StatusText(i); }
};

} // namespace

class TestCPUmonPage : public QObject
{
    Q_OBJECT
private slots:
    void controlsAndDefaults();
    void switchRunsTimer();
    void thresholdIsBusy();
    void idleAlarmFiresAtTimeout();
    void noAlarmWithAlarmOff();
    void noIdleAlarmDuringFileJob();
    void countdownRestartsAndFiresLate();
    void countdownShutdownWaitsForFileJob();
    void refusedShutdownShowsErrorOnce();
    void runProgram();
    void executeWithoutSelection();
    void smoothingWithGraphicsOff();
    void graphAndMaximum();
    void sameTimeStamp();
    void samplerFailureShownOnce();
    void modeChangeStopsMonitoring();
    void storedActionChoice();
    void closeStepUnchecksGraphics();
    void storedSettingsRoundTrip();
    void storedCheckAction_data();
    void storedCheckAction();
};

void TestCPUmonPage::controlsAndDefaults()
{
    Rig rig;
    QCOMPARE(rig.page->objectName(), QString("Page_CPUmon"));
    QVERIFY(qobject_cast<QVBoxLayout *>(rig.page->layout()));
    for (const char *name : {"check_radio", "check_CPU", "check_Time", "check_alarm", "check_Graphics"})
        QVERIFY2(rig.page->findChild<QAbstractButton *>(name), name);
    QCOMPARE(rig.get<QSpinBox>("Check_Interval")->value(), 10);
    QCOMPARE(rig.get<QSpinBox>("Check_Interval")->maximum(), 600);
    QCOMPARE(rig.get<QSpinBox>("Check_TimeEdit")->value(), 10);
    QCOMPARE(rig.get<QSpinBox>("Check_percent")->value(), 20);
    QCOMPARE(rig.get<QSpinBox>("check_timeout")->value(), 5);
    QCOMPARE(rig.get<QComboBox>("Check_Action")->currentIndex(), -1);
    QCOMPARE(rig.get<QComboBox>("Check_Action")->itemText(1), QString("forced shutdown"));
    QVERIFY(rig.get<QRadioButton>("Check_RadioAction")->isChecked());
    QVERIFY(!rig.get<TOxFileEdit>("Check_RunFile")->isEnabled());
    QVERIFY(rig.get<QPushButton>("Check_normalize")->isCheckable());
    QVERIFY(rig.get<QProgressBar>("UsageBar")->isHidden());
    QVERIFY(rig.get<TCPUGraph>("CPUimage")->isHidden());
    QVERIFY(!rig.get<QTimer>("CheckTimer")->isActive());
    QCOMPARE(rig.get<QCheckBox>("check_radio")->text(), QString("check CPU usage"));
    // The label names the processor after identifying it.
    QCOMPARE(rig.get<QLabel>("CPUlabel")->text(), QString("Intel Pentium III E 733"));
    QVERIFY(rig.platform.power.calls.isEmpty());
}

void TestCPUmonPage::switchRunsTimer()
{
    Rig rig;
    QTimer *timer = rig.page->CheckTimer();
    rig.get<QSpinBox>("Check_Interval")->setValue(25);
    rig.startMonitoring();
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 2500);
    rig.get<QSpinBox>("Check_Interval")->setValue(3);
    QCOMPARE(timer->interval(), 300);
    rig.get<QCheckBox>("check_radio")->setChecked(false);
    QVERIFY(!timer->isActive());
}

void TestCPUmonPage::thresholdIsBusy()
{
    Rig rig;
    rig.startMonitoring();
    const qint64 started = rig.page->IdleStart();
    rig.tick(Second, 19);
    QCOMPARE(rig.panel(0), QString("CPU usage: 19%"));
    QCOMPARE(rig.panel(1), QString("System has been idle for 0:00:01"));
    QCOMPARE(rig.page->IdleStart(), started);
    rig.tick(Second, 20);
    QCOMPARE(rig.panel(1), QString("System is not considered idle."));
    QCOMPARE(rig.page->IdleStart(), rig.clock.now());
}

void TestCPUmonPage::idleAlarmFiresAtTimeout()
{
    Rig rig;
    rig.setAction(2);
    rig.get<QCheckBox>("check_alarm")->setChecked(true);
    rig.startMonitoring();
    for (int i = 0; i < 299; ++i)
        rig.tick(Second, 3);
    QCOMPARE(rig.panel(1), QString("System has been idle for 0:04:59"));
    QVERIFY(rig.dialogs.shown().isEmpty());
    rig.tick(Second, 3);
    QCOMPARE(rig.dialogs.texts(), QStringList{"The alarm has been triggered."});
    // Monitoring is off and the alarm disarmed: it runs once per arming.
    QVERIFY(!rig.monitoring());
    QVERIFY(!rig.get<QCheckBox>("check_alarm")->isChecked());
    QVERIFY(!rig.page->CheckTimer()->isActive());
    QCOMPARE(rig.panel(0), QString());
    QCOMPARE(rig.panel(1), QString());
}

void TestCPUmonPage::noAlarmWithAlarmOff()
{
    Rig rig;
    rig.setAction(2);
    rig.startMonitoring();
    rig.tick(10 * Minute, 0);
    QCOMPARE(rig.panel(1), QString("System has been idle for 0:10:00"));
    QVERIFY(rig.monitoring());
    QVERIFY(rig.dialogs.shown().isEmpty());
}

void TestCPUmonPage::noIdleAlarmDuringFileJob()
{
    Rig rig;
    rig.setAction(0);
    rig.get<QCheckBox>("check_alarm")->setChecked(true);
    rig.startMonitoring();
    rig.jobRunning = true;
    for (int i = 0; i < 12; ++i)
        rig.tick(Minute, 1);
    QCOMPARE(rig.panel(1), QString("A file job is running; the system is not considered idle."));
    QVERIFY(rig.monitoring());
    QVERIFY(rig.platform.power.calls.isEmpty());

    // Idle time counts from the end of the job.
    rig.jobRunning = false;
    rig.tick(4 * Minute, 1);
    QVERIFY(rig.platform.power.calls.isEmpty());
    QSignalSpy starting(rig.page.get(), &TCPUmonPage::shutdownStarting);
    rig.tick(Minute, 1);
    QCOMPARE(rig.platform.power.calls, QStringList{"shutdown"});
    QCOMPARE(starting.count(), 1);
    QVERIFY(!rig.monitoring());
}

void TestCPUmonPage::countdownRestartsAndFiresLate()
{
    Rig rig;
    rig.setAction(3);
    rig.get<QRadioButton>("check_Time")->setChecked(true);
    // Captions pass through the translator, which drops accelerators.
    QCOMPARE(rig.get<QCheckBox>("check_radio")->text(), QString("check system time"));
    rig.startMonitoring();
    QCOMPARE(rig.page->CheckTimer()->interval(), 1000);
    rig.tick(10 * Minute - Second);
    QCOMPARE(rig.panel(1), QString("Time until alarm: 0:00:01"));
    QVERIFY(!rig.get<QLabel>("CPUlabel")->text().isEmpty());

    // A new length starts the countdown again from now.
    rig.get<QSpinBox>("Check_TimeEdit")->setValue(5);
    rig.tick(4 * Minute);
    QCOMPARE(rig.panel(1), QString("Time until alarm: 0:01:00"));
    QVERIFY(rig.platform.power.calls.isEmpty());
    // The tick that should have come at the deadline comes three seconds late.
    rig.tick(Minute + 3 * Second);
    QCOMPARE(rig.platform.power.calls, QStringList{"beep"});
    QVERIFY(!rig.monitoring());
    QVERIFY(!rig.page->CheckTimer()->isActive());
}

void TestCPUmonPage::countdownShutdownWaitsForFileJob()
{
    Rig rig;
    rig.setAction(1);
    rig.get<QRadioButton>("check_Time")->setChecked(true);
    rig.get<QSpinBox>("Check_TimeEdit")->setValue(1);
    rig.startMonitoring();
    rig.jobRunning = true;
    rig.tick(2 * Minute);
    QCOMPARE(rig.panel(1), QString("The alarm waits for the file job to end."));
    QVERIFY(rig.monitoring());
    QVERIFY(rig.platform.power.calls.isEmpty());
    rig.jobRunning = false;
    rig.tick(Second);
    QCOMPARE(rig.platform.power.calls, QStringList{"forcedShutdown"});
    QVERIFY(!rig.monitoring());
}

void TestCPUmonPage::refusedShutdownShowsErrorOnce()
{
    Rig rig;
    rig.platform.power.refusal = QStringLiteral("Access denied");
    rig.setAction(0);
    rig.get<QRadioButton>("check_Time")->setChecked(true);
    rig.get<QSpinBox>("Check_TimeEdit")->setValue(1);
    rig.startMonitoring();
    QSignalSpy refused(rig.page.get(), &TCPUmonPage::shutdownRefused);
    rig.tick(Minute);
    QCOMPARE(rig.dialogs.texts(), QStringList{"The computer was not shut down: Access denied"});
    QCOMPARE(rig.panel(1), QString("The computer was not shut down: Access denied"));
    QCOMPARE(rig.dialogs.shown().at(0).icon, QMessageBox::NoIcon);
    QCOMPARE(refused.count(), 1);
    QVERIFY(!rig.monitoring());
    QVERIFY(!rig.page->CheckTimer()->isActive());
    // Off means off: a stray tick does not try again.
    rig.tick(Minute);
    QCOMPARE(rig.platform.power.calls, QStringList{"shutdown"});
    QCOMPARE(rig.dialogs.shown().size(), 1);
}

void TestCPUmonPage::runProgram()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString program = dir.filePath("backup.sh");
    {
        QFile file(program);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n");
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    }
    Rig rig;
    rig.get<QRadioButton>("Check_RadioRun")->setChecked(true);
    QVERIFY(rig.get<TOxFileEdit>("Check_RunFile")->isEnabled());
    QVERIFY(!rig.get<QComboBox>("Check_Action")->isEnabled());
    rig.get<TOxFileEdit>("Check_RunFile")->setText(program);
    rig.get<QCheckBox>("check_alarm")->setChecked(true);
    rig.get<QSpinBox>("check_timeout")->setValue(1);
    rig.startMonitoring();
    rig.tick(Minute, 0);
    QCOMPARE(rig.platform.shell.calls.size(), 1);
    QCOMPARE(rig.platform.shell.calls.at(0).program, program);
    QVERIFY(rig.platform.shell.calls.at(0).arguments.isEmpty());
    QVERIFY(!rig.monitoring());
    QVERIFY(!rig.get<QCheckBox>("check_alarm")->isChecked());
    QVERIFY(rig.dialogs.shown().isEmpty());

    // A program that is gone: the message, and the shell is not asked.
    const QString missing = dir.filePath("gone.sh");
    rig.get<TOxFileEdit>("Check_RunFile")->setText(missing);
    rig.page->RunAlarmAction();
    QCOMPARE(rig.platform.shell.calls.size(), 1);
    QCOMPARE(rig.dialogs.texts(), QStringList{"Unable to open requested URL \"" + missing + "\"."});

    // No name: nothing at all.
    rig.get<TOxFileEdit>("Check_RunFile")->setText(QString());
    rig.page->RunAlarmAction();
    QCOMPARE(rig.dialogs.shown().size(), 1);
    QCOMPARE(rig.platform.shell.calls.size(), 1);
}

void TestCPUmonPage::executeWithoutSelection()
{
    Rig rig;
    rig.setAction(-1);
    rig.page->RunAlarmAction();
    QCOMPARE(rig.dialogs.texts(), QStringList{"The alarm has been triggered."});
    QVERIFY(rig.platform.power.calls.isEmpty());
}

void TestCPUmonPage::smoothingWithGraphicsOff()
{
    Rig rig;
    rig.get<QPushButton>("Check_normalize")->setChecked(true);
    rig.startMonitoring();
    // Without the graph the stored samples stay as they are: all 0 after start.
    rig.tick(Second, 50);
    QCOMPARE(rig.panel(0), QString("CPU usage: 10%"));
    rig.tick(Second, 50);
    QCOMPARE(rig.panel(0), QString("CPU usage: 10%"));
    // Cleared by a click on the graph box (on and off again): all -1.
    rig.get<QCheckBox>("check_Graphics")->setChecked(true);
    rig.get<QCheckBox>("check_Graphics")->setChecked(false);
    rig.tick(Second, 50);
    QCOMPARE(rig.panel(0), QString("CPU usage: 9.2%"));
    rig.tick(Second, 50);
    QCOMPARE(rig.panel(0), QString("CPU usage: 9.2%"));
    QCOMPARE(rig.page->History().at(0), -1);
}

void TestCPUmonPage::graphAndMaximum()
{
    Rig rig;
    rig.page->resize(480, 400);
    rig.page->show();
    rig.get<QCheckBox>("check_Graphics")->setChecked(true);
    QVERIFY(rig.get<TCPUGraph>("CPUimage")->isHidden());
    rig.startMonitoring();
    QVERIFY(!rig.get<TCPUGraph>("CPUimage")->isHidden());
    QVERIFY(!rig.get<QProgressBar>("UsageBar")->isHidden());
    for (int load : {10, 80, 30})
        rig.tick(Second, load);
    QCOMPARE(rig.page->History().at(0), 30);
    QCOMPARE(rig.page->History().at(2), 10);
    QCOMPARE(rig.page->History().at(3), -1);
    QCOMPARE(rig.page->MaxLoad(), 80);
    QCOMPARE(rig.get<QProgressBar>("UsageBar")->value(), 30);
    auto *graph = rig.get<TCPUGraph>("CPUimage");
    QCOMPARE(graph->toolTip(), QString("maximum CPU load: 80%"));

    // The marker is red across the box at the maximum's row; the newest sample at the right edge.
    QImage image(graph->size(), QImage::Format_RGB32);
    graph->render(&image);
    const int markerRow = CpuGraphY(80, image.height());
    int red = 0;
    for (int x = 0; x < image.width(); ++x)
        red += image.pixelColor(x, markerRow) == QColor(255, 0, 0);
    QVERIFY(red >= image.width() / 4 && red < image.width());
    // Sample k lies in column W - k: the one before the newest at the right edge.
    const QColor pen = graph->palette().color(QPalette::Highlight);
    QCOMPARE(image.pixelColor(image.width() - 1, CpuGraphY(80, image.height())), pen);
    QCOMPARE(image.pixelColor(image.width() - 2, CpuGraphY(10, image.height())), pen);

    // A double click forgets the maximum only.
    graph->doubleClicked();
    QCOMPARE(rig.page->MaxLoad(), 0);
    QCOMPARE(rig.page->History().at(0), 30);
    // Clearing forgets the samples too.
    rig.get<QCheckBox>("check_Graphics")->click();
    QCOMPARE(rig.page->History().at(0), -1);
    QVERIFY(rig.get<TCPUGraph>("CPUimage")->isHidden());
}

void TestCPUmonPage::sameTimeStamp()
{
    Rig rig;
    rig.startMonitoring();
    rig.tick(Second, 60);
    rig.load.sameStamp = true;
    rig.tick(0, 60);
    QCOMPARE(rig.panel(0), QString("CPU usage: 0%"));
}

void TestCPUmonPage::samplerFailureShownOnce()
{
    Rig rig;
    rig.startMonitoring();
    rig.load.fail = true;
    rig.tick(Second);
    rig.tick(Second);
    QCOMPARE(rig.dialogs.texts(), QStringList{"Unable to read performance data"});
    QCOMPARE(rig.dialogs.shown().at(0).icon, QMessageBox::Critical);
    // The failure ended the tick before the idle test; monitoring goes on.
    QCOMPARE(rig.panel(1), QString());
    QVERIFY(rig.monitoring());
    rig.load.fail = false;
    rig.tick(Second, 40);
    QCOMPARE(rig.panel(0), QString("CPU usage: 40%"));
}

void TestCPUmonPage::modeChangeStopsMonitoring()
{
    Rig rig;
    rig.get<QCheckBox>("check_alarm")->setChecked(true);
    rig.get<QCheckBox>("check_Graphics")->setChecked(true);
    rig.startMonitoring();
    rig.tick(Second, 50);
    rig.get<QRadioButton>("check_Time")->setChecked(true);
    QVERIFY(!rig.monitoring());
    QVERIFY(!rig.get<QCheckBox>("check_alarm")->isChecked());
    QVERIFY(!rig.get<QCheckBox>("check_Graphics")->isChecked());
    QVERIFY(!rig.get<QCheckBox>("check_alarm")->isEnabled());
    QVERIFY(!rig.get<QCheckBox>("check_Graphics")->isEnabled());
    QVERIFY(rig.get<QSpinBox>("Check_Interval")->isHidden());
    QVERIFY(!rig.get<QSpinBox>("Check_TimeEdit")->isHidden());
    QCOMPARE(rig.panel(0), QString());

    rig.startMonitoring();
    rig.get<QRadioButton>("check_CPU")->setChecked(true);
    QVERIFY(!rig.monitoring());
    QVERIFY(rig.get<QCheckBox>("check_alarm")->isEnabled());
    QCOMPARE(rig.get<QCheckBox>("check_radio")->text(), QString("check CPU usage"));
    // Back from the clock to the processor.
    QCOMPARE(rig.get<QLabel>("CPUlabel")->text(), QString("Intel Pentium III E 733"));
}

// The settings store sets these controls by name with setValue and setChecked.
void TestCPUmonPage::storedActionChoice()
{
    Rig rig;
    rig.get<QComboBox>("Check_Action")->setCurrentIndex(1);
    rig.get<QRadioButton>("Check_RadioRun")->setChecked(true);
    QVERIFY(!rig.get<QRadioButton>("Check_RadioAction")->isChecked());
    QVERIFY(rig.get<TOxFileEdit>("Check_RunFile")->isEnabled());
    QVERIFY(!rig.get<QComboBox>("Check_Action")->isEnabled());
    rig.get<QRadioButton>("Check_RadioAction")->setChecked(true);
    QVERIFY(!rig.get<TOxFileEdit>("Check_RunFile")->isEnabled());
    rig.get<QSpinBox>("Check_Interval")->setValue(-1);
    QCOMPARE(rig.get<QSpinBox>("Check_Interval")->value(), 1);
}

void TestCPUmonPage::closeStepUnchecksGraphics()
{
    Rig rig;
    rig.get<QCheckBox>("check_Graphics")->setChecked(true);
    rig.startMonitoring();
    QVERIFY(!rig.get<QProgressBar>("UsageBar")->isHidden());
    // As the main window does it at close.
    rig.page->HideGraphics();
    QVERIFY(!rig.get<QCheckBox>("check_Graphics")->isChecked());
    QVERIFY(rig.get<QProgressBar>("UsageBar")->isHidden());
    QVERIFY(rig.get<TCPUGraph>("CPUimage")->isHidden());
}

void TestCPUmonPage::storedSettingsRoundTrip()
{
    SettingsMap store;
    {
        Rig rig;
        // Nothing stored: every control keeps its default.
        LoadPageSettings(*rig.page, store);
        QCOMPARE(rig.get<QSpinBox>("Check_percent")->value(), 20);
        QVERIFY(rig.get<QRadioButton>("Check_RadioAction")->isChecked());
        rig.get<QPushButton>("Check_normalize")->setChecked(true);
        rig.get<QSpinBox>("Check_Interval")->setValue(25);
        rig.get<QSpinBox>("Check_percent")->setValue(7);
        rig.get<QSpinBox>("check_timeout")->setValue(12);
        rig.get<TOxFileEdit>("Check_RunFile")->setText("/opt/tools/it's done.sh");
        rig.get<QComboBox>("Check_Action")->setCurrentIndex(2);
        SavePageSettings(*rig.page, store);
    }
    QCOMPARE(store.values, (QMap<QString, QString>{{"Normalize", "1"},
                                                   {"CheckSeconds", "25"},
                                                   {"CheckPercent", "7"},
                                                   {"CheckTimeOut", "12"},
                                                   {"CheckRunProgram", "/opt/tools/it's done.sh"},
                                                   {"CheckAction", "2"}}));
    Rig rig;
    LoadPageSettings(*rig.page, store);
    QVERIFY(rig.get<QPushButton>("Check_normalize")->isChecked());
    QCOMPARE(rig.get<QSpinBox>("Check_Interval")->value(), 25);
    QCOMPARE(rig.get<QSpinBox>("Check_percent")->value(), 7);
    QCOMPARE(rig.get<QSpinBox>("check_timeout")->value(), 12);
    QCOMPARE(rig.get<TOxFileEdit>("Check_RunFile")->Text(), QString("/opt/tools/it's done.sh"));
    QCOMPARE(rig.get<QComboBox>("Check_Action")->currentIndex(), 2);
    // A broken number: the field holds its minimum.
    store.values["CheckSeconds"] = "abc";
    LoadPageSettings(*rig.page, store);
    QCOMPARE(rig.get<QSpinBox>("Check_Interval")->value(), 1);
}

void TestCPUmonPage::storedCheckAction_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("execute");
    // No action chosen: "run", with the harmless "show a message" preselected rather than a forced
    // power-off one click on "execute" away.
    QTest::newRow("none") << "-1" << 2 << false;
    QTest::newRow("message") << "2" << 2 << true;
    QTest::newRow("first") << "0" << 0 << true;
    QTest::newRow("forced") << "1" << 1 << true;
    QTest::newRow("past the list") << "9" << 2 << false;
    QTest::newRow("not a number") << "abc" << 2 << false;
}

void TestCPUmonPage::storedCheckAction()
{
    QFETCH(QString, value);
    QFETCH(int, index);
    QFETCH(bool, execute);
    Rig rig;
    auto *actions = rig.get<QComboBox>("Check_Action");
    auto *radioAction = rig.get<QRadioButton>("Check_RadioAction");
    auto *radioRun = rig.get<QRadioButton>("Check_RadioRun");
    (execute ? radioRun : radioAction)->setChecked(true);
    SettingsMap store;
    store.values["CheckAction"] = value;
    rig.page->LoadSetting("CheckAction", store);
    QCOMPARE(actions->currentIndex(), index);
    QCOMPARE(radioAction->isChecked(), execute);
    QCOMPARE(radioRun->isChecked(), !execute);

    rig.page->SaveSetting("CheckAction", store);
    QCOMPARE(store.values["CheckAction"], QString::number(execute ? index : -1));
    // "execute" with nothing chosen stores -1 as well.
    radioAction->setChecked(true);
    actions->setCurrentIndex(-1);
    rig.page->SaveSetting("CheckAction", store);
    QCOMPARE(store.values["CheckAction"], QString("-1"));
}

QTEST_MAIN(TestCPUmonPage)
#include "tst_cpumonpage.moc"
