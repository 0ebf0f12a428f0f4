// Every stored value of every page, changed away from its default, written by a real main window's
// close step and read back by the next window's start-up.

#include "analyzer/analyzepage.h"
#include "calc/calcpage.h"
#include "dvd/backuppage.h"
#include "fileproc/fileprocpage.h"
#include "ifoedit/ifoeditpage.h"
#include "monitor/cpumonpage.h"
#include "shell/pref.h"
#include "shell/tform1.h"
#include "support/scripteddialogs.h"
#include "ui/fileedit.h"
#include "windowtestenv.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMap>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace kbx;

namespace {

template <class T>
T *Control(QWidget *page, const char *name)
{
    T *control = page->findChild<T *>(QLatin1String(name));
    if (!control)
        qFatal("no control %s", name);
    return control;
}

QMap<QString, QString> StoredSettings()
{
    QMap<QString, QString> values;
    for (const QString &key : TPref::SaveOrder()) {
        if (Registry().ValueExists(kSettingsSection, key))
            values.insert(key, Registry().ReadString(kSettingsSection, key));
    }
    return values;
}

const QString kProgram = QStringLiteral("/opt/tools/run it; now.sh");
const QString kAudio = QStringLiteral("  88 KB (22 kHz stereo)");

// The last paths of the Files, Backup, Edit and Analyze pages, all inside the test's folder.
struct LastPaths
{
    QString filesSource, filesTarget, backupLocation, editFolder, analyzeSource, analyzeLog;
};

LastPaths MakeLastPaths(const QString &folder)
{
    const LastPaths paths{folder + "/in put.bin", folder + "/joined ??.bin", folder + "/dvd",
                          folder + "/dvd/VIDEO_TS", folder + "/movie.vob", folder + "/walk.log"};
    QFile source(paths.filesSource);
    if (!QDir(folder).mkpath("dvd/VIDEO_TS") || !source.open(QIODevice::WriteOnly) || !source.resize(5000))
        qFatal("cannot write the test's files");
    QFile ifo(paths.editFolder + "/VIDEO_TS.IFO");
    if (!ifo.open(QIODevice::WriteOnly) || !ifo.resize(2048))
        qFatal("cannot write the test's files");
    return paths;
}

// Changes every stored choice of every page away from what a new window starts with.
void ChangeEverything(TForm1 &form, const LastPaths &paths, ScriptedDialogs &dialogs)
{
    form.FilesPage()->SetHexDisplay(true);
    form.FilesPage()->SetOffsetSetting(QStringLiteral("button"));
    form.FilesPage()->findChild<QAction *>(QStringLiteral("cbHashSha256"))->setChecked(true);
    form.FilesPage()->findChild<QAction *>(QStringLiteral("cbSidecarSha256"))->setChecked(true);

    TCalcPage *calc = form.CalcPage();
    calc->EC_AdvancedClick();
    Control<QSpinBox>(calc, "EC_MINe")->setValue(100);
    Control<QSpinBox>(calc, "EC_SECe")->setValue(30);
    Control<QRadioButton>(calc, "EC_NTSCrb")->setChecked(true);
    Control<QRadioButton>(calc, "EC_MPEGrb")->setChecked(true);
    Control<QRadioButton>(calc, "EC_PCMrb")->setChecked(true);
    Control<QComboBox>(calc, "EC_AUDIOcb")->setCurrentText(kAudio);
    Control<QComboBox>(calc, "EC_MEDIAcb")->setCurrentText(QStringLiteral("150 min"));
    Control<QSpinBox>(calc, "EC_ATracks")->setValue(2);
    Control<QSpinBox>(calc, "EC_NUMe")->setValue(3);
    Control<QToolButton>(calc, "EC_VIDrb")->setChecked(true);
    Control<QCheckBox>(calc, "EC_LockAspect")->setChecked(false);
    Control<QCheckBox>(calc, "EC_Align16")->setChecked(false);
    Control<QComboBox>(calc, "EC_Aspect_Combo")->setCurrentIndex(0);
    Control<QSlider>(calc, "EC_TrackX")->setValue(800);
    Control<QSlider>(calc, "EC_TrackY")->setValue(500);

    Control<QComboBox>(form.BackupPage(), "copyMediaSize")->setCurrentText(QStringLiteral("4489"));

    TCPUmonPage *cpu = form.CPUmonPage();
    Control<QPushButton>(cpu, "Check_normalize")->setChecked(true);
    Control<QSpinBox>(cpu, "Check_Interval")->setValue(25);
    Control<QSpinBox>(cpu, "Check_percent")->setValue(7);
    Control<QSpinBox>(cpu, "check_timeout")->setValue(12);
    Control<TOxFileEdit>(cpu, "Check_RunFile")->setText(kProgram);
    Control<QComboBox>(cpu, "Check_Action")->setCurrentIndex(2);

    form.FilesPage()->OpenInputFile(paths.filesSource);
    Control<TOxFileEdit>(form.FilesPage(), "outputFName")->setText(paths.filesTarget);
    Control<TOxFileEdit>(form.BackupPage(), "DVDLocation")->setText(paths.backupLocation);
    auto *edit = form.findChild<TIFOEditPage *>();
    edit->IFO_Source->setText(paths.editFolder);
    edit->IFO_SourceButtonClick();
    auto *analyze = form.findChild<TAnalyzeVOBFrame *>();
    analyze->ed_source->setText(paths.analyzeSource);
    dialogs.chooseFile(paths.analyzeLog);
    analyze->btn_SaveLogClick();

    form.ShowPage(TForm1::IFOedit);
    form.findChild<QToolButton *>(QStringLiteral("btn_oHelp"))->setChecked(true);
}

} // namespace

class TestSettingsRoundTrip : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_env = std::make_unique<WindowTestEnvironment>();
        QVERIFY(m_env->isValid());
    }
    void cleanup() { m_env.reset(); }

    void everyValueOfEveryPage()
    {
        ScriptedDialogs dialogs;
        const LastPaths paths = MakeLastPaths(m_env->dir().path());
        QMap<QString, QString> defaults;
        {
            TForm1 form(nullptr, false);
            QCOMPARE(form.Pref()->Problems(), QStringList());
            form.Pref()->Save();
            defaults = StoredSettings();
            ChangeEverything(form, paths, dialogs);
            form.resize(700, 520);
            form.move(30, 40);
            QVERIFY(form.close());
        }
        const QMap<QString, QString> changed = StoredSettings();
        const QMap<QString, QString> expected{
            {"help", "1"}, {"sheet", "4"}, {"copyMedium", "4489"}, {"calcHex", "1"}, {"advanced", "1"},
            {"calcMin", "100"}, {"calcSec", "30"}, {"audio", kAudio}, {"storage", "150 min"}, {"PAL", "0"},
            {"AVI", "0"}, {"PCM", "1"}, {"MultiDisc", "0"}, {"ATracks", "2"}, {"Number", "3"},
            {"LockAspect", "0"}, {"Align", "0"}, {"Normalize", "1"}, {"Aspect", "0"}, {"DimX", "800"},
            {"DimY", "500"}, {"CheckSeconds", "25"}, {"CheckPercent", "7"}, {"CheckTimeOut", "12"},
            {"CheckAction", "2"}, {"OffSetting", "button"}, {"CheckRunProgram", kProgram},
            {"HashKinds", "5"}, {"Sidecar", "2"}, {"FilesSource", paths.filesSource},
            {"FilesTarget", paths.filesTarget}, {"BackupLocation", paths.backupLocation},
            {"EditFolder", paths.editFolder}, {"AnalyzeSource", paths.analyzeSource},
            {"AnalyzeLog", paths.analyzeLog}};
        QCOMPARE(changed, expected);
        // Every value is written by a new window too, and this test moved each away from it.
        QCOMPARE(defaults.keys(), changed.keys());
        for (auto it = defaults.cbegin(); it != defaults.cend(); ++it)
            QVERIFY2(it.value() != changed.value(it.key()), qPrintable(it.key()));

        TForm1 form(nullptr, false);
        form.Pref()->LoadHelp();
        QCOMPARE(form.size(), QSize(700, 520));
        QCOMPARE(form.pos(), QPoint(30, 40));
        QCOMPARE(form.TabSheet()->currentIndex(), int(TForm1::IFOedit));
        QVERIFY(form.findChild<QToolButton *>(QStringLiteral("btn_oHelp"))->isChecked());

        QVERIFY(form.FilesPage()->HexDisplay());
        QCOMPARE(form.FilesPage()->OffsetSetting(), QString("button"));
        QCOMPARE(form.FilesPage()->HashKinds(), 5u);
        QCOMPARE(form.FilesPage()->SidecarChoice(), 2);

        TCalcPage *calc = form.CalcPage();
        QVERIFY(calc->AdvancedShown());
        QCOMPARE(Control<QSpinBox>(calc, "EC_MINe")->value(), 100);
        QCOMPARE(Control<QSpinBox>(calc, "EC_SECe")->value(), 30);
        QVERIFY(Control<QRadioButton>(calc, "EC_NTSCrb")->isChecked());
        QVERIFY(Control<QRadioButton>(calc, "EC_MPEGrb")->isChecked());
        QVERIFY(Control<QRadioButton>(calc, "EC_PCMrb")->isChecked());
        QCOMPARE(Control<QComboBox>(calc, "EC_AUDIOcb")->currentText(), kAudio);
        QCOMPARE(Control<QComboBox>(calc, "EC_MEDIAcb")->currentText(), QString("150 min"));
        QCOMPARE(Control<QSpinBox>(calc, "EC_ATracks")->value(), 2);
        QCOMPARE(Control<QSpinBox>(calc, "EC_NUMe")->value(), 3);
        QVERIFY(Control<QToolButton>(calc, "EC_VIDrb")->isChecked());
        QVERIFY(!Control<QCheckBox>(calc, "EC_LockAspect")->isChecked());
        QVERIFY(!Control<QCheckBox>(calc, "EC_Align16")->isChecked());
        QCOMPARE(Control<QComboBox>(calc, "EC_Aspect_Combo")->currentIndex(), 0);
        QCOMPARE(Control<QSlider>(calc, "EC_TrackX")->value(), 800);
        QCOMPARE(Control<QLabel>(calc, "EC_DimX")->text(), QString("800"));
        QCOMPARE(Control<QSlider>(calc, "EC_TrackY")->value(), 500);
        QCOMPARE(Control<QLabel>(calc, "EC_DimY")->text(), QString("500"));

        QCOMPARE(Control<QComboBox>(form.BackupPage(), "copyMediaSize")->currentText(), QString("4489"));

        TCPUmonPage *cpu = form.CPUmonPage();
        QVERIFY(Control<QPushButton>(cpu, "Check_normalize")->isChecked());
        QCOMPARE(Control<QSpinBox>(cpu, "Check_Interval")->value(), 25);
        QCOMPARE(Control<QSpinBox>(cpu, "Check_percent")->value(), 7);
        QCOMPARE(Control<QSpinBox>(cpu, "check_timeout")->value(), 12);
        QCOMPARE(Control<TOxFileEdit>(cpu, "Check_RunFile")->Text(), kProgram);
        QCOMPARE(Control<QComboBox>(cpu, "Check_Action")->currentIndex(), 2);
        QVERIFY(Control<QRadioButton>(cpu, "Check_RadioAction")->isChecked());

        // The last paths come back as if chosen again where that is cheap: the Files source with
        // its size, the Edit folder listed; the Backup location waits for its search.
        QCOMPARE(Control<TOxFileEdit>(form.FilesPage(), "inputFName")->Text(), paths.filesSource);
        QCOMPARE(form.FilesPage()->InputSize(), 5000);
        QCOMPARE(Control<TOxFileEdit>(form.FilesPage(), "outputFName")->Text(), paths.filesTarget);
        QCOMPARE(Control<TOxFileEdit>(form.BackupPage(), "DVDLocation")->Text(), paths.backupLocation);
        auto *edit = form.findChild<TIFOEditPage *>();
        QCOMPARE(edit->IFO_Source->Text(), paths.editFolder);
        QCOMPARE(edit->IFO_Files->count(), 1);
        auto *analyze = form.findChild<TAnalyzeVOBFrame *>();
        QCOMPARE(analyze->ed_source->Text(), paths.analyzeSource);
        dialogs.cancelFile();
        analyze->btn_SaveLogClick();
        QCOMPARE(dialogs.shown().last().text, paths.analyzeLog);

        // Loading and saving again changes nothing.
        QVERIFY(form.close());
        QCOMPARE(StoredSettings(), expected);
        QVERIFY2(dialogs.unexpected().isEmpty(), qPrintable(dialogs.unexpected().join('\n')));
    }

    void lastPathsThatAreGoneStayQuiet()
    {
        // A source file deleted since the last run is left out without a message at start-up.
        ScriptedDialogs dialogs;
        const LastPaths paths = MakeLastPaths(m_env->dir().path());
        {
            TForm1 form(nullptr, false);
            form.FilesPage()->OpenInputFile(paths.filesSource);
            QVERIFY(form.close());
        }
        QVERIFY(QFile::remove(paths.filesSource));
        QVERIFY(QDir(paths.editFolder).removeRecursively());
        TForm1 form(nullptr, false);
        QVERIFY(Control<TOxFileEdit>(form.FilesPage(), "inputFName")->Text().isEmpty());
        QCOMPARE(form.FilesPage()->InputSize(), 0);
        QVERIFY(dialogs.shown().isEmpty());
    }

private:
    std::unique_ptr<WindowTestEnvironment> m_env;
};

QTEST_MAIN(TestSettingsRoundTrip)
#include "tst_settingsroundtrip.moc"
