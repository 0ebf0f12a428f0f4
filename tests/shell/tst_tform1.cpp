#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QListWidget>
#include <QFontInfo>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSettings>
#include <QSignalSpy>
#include <QAbstractButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "platform/desktop.h"
#include "platform/jobactivity.h"
#include "support/fakeplatform.h"
#include "ui/textviewer.h"
#include "shell/aboutbox.h"
#include "ui/helpwindow.h"
#include "ui/page.h"
#include "ui/program.h"
#include "ui/registry.h"
#include "support/scripteddialogs.h"
#include "shell/setupdialog.h"
#include "shell/tform1.h"
#include "windowtestenv.h"
#include "ui/translator.h"

#include <memory>

using namespace kbx;

class TestTForm1 : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<WindowTestEnvironment> m_env;

    // Answers the setup dialog when it comes up modally; returns how many times it came.
    static void AnswerSetupDialogs(int *shown, bool accept)
    {
        auto *timer = new QTimer(qApp);
        timer->setInterval(20);
        QObject::connect(timer, &QTimer::timeout, timer, [timer, shown, accept] {
            if (auto *dialog = qobject_cast<TfoKbxSetup *>(QApplication::activeModalWidget())) {
                ++*shown;
                accept ? dialog->accept() : dialog->reject();
            }
            Q_UNUSED(timer);
        });
        timer->start();
    }
    static void StopAnswering()
    {
        for (QTimer *timer : qApp->findChildren<QTimer *>(QString(), Qt::FindDirectChildrenOnly))
            timer->deleteLater();
    }
    static void Store(const QString &name, const QString &value)
    {
        Registry().WriteString(kSettingsSection, name, value);
    }

private slots:
    void init()
    {
        m_env = std::make_unique<WindowTestEnvironment>();
        QVERIFY(m_env->isValid());
    }
    void cleanup()
    {
        StopAnswering();
        m_env.reset();
    }

    void pagesInOrder()
    {
        TForm1 form(nullptr, false);
        const QStringList pages{"Page_Backup", "Page_Calc", "Page_FileProc", "Page_CPUmon",
                                "Page_IFOedit", "Page_MovieSplit", "Page_AnalyzeVOB"};
        const QStringList tabs{"Backup", "Calc", "Files", "CPU", "Edit", "Movies", "Analyze"};
        const QStringList selector{"DVD Backup 0.71", "Datarate Calc 3.07", "File Processor 2.62",
                                   "CPU Monitor 2.30", "IFO Editor 0.11", "Movie Splitter 0.00",
                                   "VOB Analyzer 1.00"};
        QTabWidget *tabSheet = form.findChild<QTabWidget *>("TabSheet");
        QListWidget *list = form.findChild<QListWidget *>("ModuleSelector");
        QVERIFY(tabSheet && list);
        QCOMPARE(tabSheet->count(), 7);
        QCOMPARE(list->count(), 7);
        for (int i = 0; i < 7; ++i) {
            QCOMPARE(tabSheet->widget(i)->objectName(), pages[i]);
            QCOMPARE(tabSheet->tabText(i), tabs[i]);
            QCOMPARE(list->item(i)->text(), selector[i]);
            QVERIFY(!list->item(i)->icon().isNull());
            QVERIFY(form.findChild<QWidget *>(pages[i] + "_Banner"));
        }
        // A fresh store shows the Calc page, and the selector shows it too.
        QCOMPARE(tabSheet->currentIndex(), int(TForm1::Calc));
        QCOMPARE(list->currentRow(), int(TForm1::Calc));
        QCOMPARE(list->selectedItems().size(), 1);
        for (const char *name : {"btn_Icons", "btn_Docs", "btn_Tools", "btn_oHelp"})
            QVERIFY2(form.findChild<QToolButton *>(name), name);
        for (const char *name : {"Setup1", "Progressbar1", "Language1", "Calculator1", "MediaPlayer1",
                                 "VolumeControl1", "aboutKinbox1", "Programoverview1", "HelpandHistory1",
                                 "mi_Website", "emailtheauthor1"})
            QVERIFY2(form.findChild<QAction *>(name), name);
    }

    void navigation()
    {
        TForm1 form(nullptr, false);
        auto *tabSheet = form.findChild<QTabWidget *>("TabSheet");
        auto *list = form.findChild<QListWidget *>("ModuleSelector");
        list->setCurrentRow(4);
        QCOMPARE(tabSheet->currentIndex(), 4);
        // A page change on the tabs moves the selection along.
        tabSheet->setCurrentIndex(2);
        QCOMPARE(list->currentRow(), 2);

        QCOMPARE(list->viewMode(), QListView::IconMode);
        QVERIFY(QMetaObject::invokeMethod(&form, "ModuleSelectorDblClick"));
        QCOMPARE(list->viewMode(), QListView::ListMode);
        QCOMPARE(list->iconSize(), QSize(16, 16));
        QVERIFY(QMetaObject::invokeMethod(&form, "ModuleSelectorDblClick"));
        QCOMPARE(list->viewMode(), QListView::IconMode);
    }

    void iconsButtonAndSplitter()
    {
        TForm1 form(nullptr, false);
        form.show();
        auto *icons = form.findChild<QToolButton *>("btn_Icons");
        auto *splitter = form.findChild<QSplitter *>("Splitter_left");
        QVERIFY(icons->isChecked());
        icons->click();
        QVERIFY(!icons->isChecked());
        QCOMPARE(splitter->sizes().value(0), 0);
        icons->click();
        QCOMPARE(splitter->sizes().value(0), 130);
        // Hiding the selector, then dragging the splitter back out, sets the button down again.
        icons->click();
        splitter->setSizes({90, 500});
        QVERIFY(QMetaObject::invokeMethod(&form, "Splitter_leftMoved"));
        QVERIFY(icons->isChecked());
    }

    void firstRun()
    {
        QFile overview(m_env->dir().filePath("file_id.diz"));
        QVERIFY(overview.open(QIODevice::WriteOnly));
        // Box drawing in Windows-1252: 0xA9 is the copyright sign, 0x97 the em dash.
        overview.write("Kinbox \xA9 Fernhill Crew\r\n\x97 toolbox\r\n");
        overview.close();
        ScriptedDialogs dialogs;
        dialogs.setAcknowledgeInformation(true);
        int setups = 0;
        AnswerSetupDialogs(&setups, true);
        TForm1 form;
        form.show();
        // The overview opens at once, inside the program: no outside viewer is asked.
        auto *viewer = form.findChild<TTextViewer *>("Overview");
        QVERIFY(viewer && viewer->isVisible());
        QCOMPARE(viewer->text(), QString::fromUtf8("Kinbox \u00A9 Fernhill Crew\n\u2014 toolbox\n"));
        auto *text = viewer->findChild<QPlainTextEdit *>();
        QVERIFY(text->isReadOnly());
        QVERIFY(QFontInfo(text->font()).fixedPitch());
        QVERIFY(m_env->platform().shell.calls.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(form.DeferredStartupDone(), 10000);
        QCOMPARE(setups, 1);
        QVERIFY(form.findChild<QToolButton *>("btn_oHelp")->isChecked());
        QVERIFY(form.HelpWindow() && form.HelpWindow()->isVisible());
        QCOMPARE(Registry().ReadString(kSettingsSection, QStringLiteral("SetupDone")), QStringLiteral("1"));
    }

    void laterRunsAskNothing()
    {
        QFile lng(m_env->dir().filePath("deutsch.lng"));
        QVERIFY(lng.open(QIODevice::WriteOnly));
        lng.write("\"File Processor 2.62\"=\"Dateiverarbeitung 2.62\"\r\n\"Files\"=\"Dateien\"\r\n");
        lng.close();
        Store(QStringLiteral("language"), QStringLiteral("deutsch.lng"));
        Store(QStringLiteral("SetupDone"), QStringLiteral("1"));
        int setups = 0;
        AnswerSetupDialogs(&setups, true);
        {
            TForm1 form;
            QTRY_VERIFY_WITH_TIMEOUT(form.DeferredStartupDone(), 10000);
            QCOMPARE(setups, 0);
            QVERIFY(m_env->platform().shell.calls.isEmpty());
            QVERIFY(!form.findChild<QToolButton *>("btn_oHelp")->isChecked());
            // The stored language reaches the tabs and the selector's items.
            QCOMPARE(form.TabSheet()->tabText(TForm1::FileProc), QStringLiteral("Dateien"));
            QCOMPARE(form.ModuleSelector()->item(TForm1::FileProc)->text(), QStringLiteral("Dateiverarbeitung 2.62"));
        }
        // A stored language whose file has gone counts as none: the setup comes again.
        QVERIFY(QFile::remove(m_env->dir().filePath("deutsch.lng")));
        TForm1 again;
        QTRY_VERIFY_WITH_TIMEOUT(again.DeferredStartupDone(), 10000);
        QCOMPARE(setups, 1);
    }

    void f1TogglesHelpTwice()
    {
        Store(QStringLiteral("SetupDone"), QStringLiteral("1"));
        Store(QStringLiteral("language"), QStringLiteral("default"));
        int setups = 0;
        AnswerSetupDialogs(&setups, false);
        TForm1 form;
        form.show();
        QTRY_VERIFY_WITH_TIMEOUT(form.DeferredStartupDone(), 10000);
        auto *help = form.findChild<QToolButton *>("btn_oHelp");
        const bool before = help->isChecked();
        QTest::keyClick(form.TabSheet(), Qt::Key_F1);
        QCOMPARE(help->isChecked(), !before);
        QCOMPARE(form.HelpWindow()->isVisible(), !before);
        QTest::keyClick(form.TabSheet(), Qt::Key_F1);
        QCOMPARE(help->isChecked(), before);
        QCOMPARE(form.HelpWindow()->isVisible(), before);
    }

    void documentsAndRefusals()
    {
        ScriptedDialogs dialogs;
        dialogs.setAcknowledgeInformation(true);
        TForm1 form(nullptr, false);
        m_env->platform().shell.defaultAnswer = false;
        form.OpenDocument(QStringLiteral("https://nowhere.invalid/page"));
        QVERIFY(!dialogs.texts().isEmpty());
        QCOMPARE(dialogs.texts().last(), QStringLiteral("Unable to open requested URL \"https://nowhere.invalid/page\".\n"
                                                         "No application is registered for it."));

        m_env->platform().shell.defaultAnswer = true;
        const int before = m_env->platform().shell.calls.size();
        form.findChild<QAction *>("HelpandHistory1")->trigger();
        QCOMPARE(m_env->platform().shell.calls.size(), before + 1);
        QVERIFY(m_env->platform().shell.calls.last().url.toLocalFile().endsWith("_features.html"));
    }

    void missingOverviewNamesTheFile()
    {
        ScriptedDialogs dialogs;
        dialogs.setAcknowledgeInformation(true);
        TForm1 form(nullptr, false);
        form.findChild<QAction *>("Programoverview1")->trigger();
        QCOMPARE(dialogs.texts().size(), 1);
        QVERIFY2(dialogs.texts().at(0).contains(m_env->dir().filePath("file_id.diz")), qPrintable(dialogs.texts().at(0)));
        QVERIFY(m_env->platform().shell.calls.isEmpty());
    }

    void userToolsStartDesktopPrograms()
    {
        ScriptedDialogs dialogs;
        dialogs.setAcknowledgeInformation(true);
        m_env->platform().shell.installed = {"kcalc", "mpv"};
        TForm1 form(nullptr, false);
        auto *calculator = form.findChild<QAction *>("Calculator1");
        auto *player = form.findChild<QAction *>("MediaPlayer1");
        auto *volume = form.findChild<QAction *>("VolumeControl1");
        // Each item names the program it starts; one with none installed is disabled and says why.
        QVERIFY(calculator->isEnabled() && player->isEnabled());
        QCOMPARE(calculator->toolTip(), QString("kcalc"));
        QCOMPARE(player->toolTip(), QString("mpv"));
        QVERIFY(!volume->isEnabled());
        QVERIFY2(volume->toolTip().startsWith("No such program is installed. Kinbox tries: pavucontrol"),
                 qPrintable(volume->toolTip()));
        calculator->trigger();
        QCOMPARE(m_env->platform().shell.calls.size(), 1);
        QCOMPARE(m_env->platform().shell.calls.at(0).program, QString("/usr/bin/kcalc"));
        // Installed later: the menu looks again when it opens.
        m_env->platform().shell.installed << "pavucontrol";
        QMetaObject::invokeMethod(volume->parent(), "aboutToShow");
        QVERIFY(volume->isEnabled());
        QVERIFY(QMetaObject::invokeMethod(&form, "VolumeControl1Click"));
        QCOMPARE(m_env->platform().shell.calls.last().program, QString("/usr/bin/pavucontrol"));
        // Gone again by the time it is chosen: a message, and no message names another system's program.
        m_env->platform().shell.installed.clear();
        QVERIFY(QMetaObject::invokeMethod(&form, "MediaPlayer1Click"));
        QCOMPARE(dialogs.texts().size(), 1);
        QVERIFY(dialogs.texts().at(0).startsWith("No such program is installed. Kinbox tries: vlc, totem"));
        QVERIFY(!dialogs.texts().at(0).contains(".exe"));
        QCOMPARE(m_env->platform().shell.calls.size(), 2);
    }

    void jobProgressInTitleAndNotice()
    {
        TForm1 form(nullptr, false);
        const QString title = form.windowTitle();
        bool active = false;
        JobActivity::setActiveQuery([&active] { return active; });
        {
            JobActivity job("Copying", 0);
            QCOMPARE(form.windowTitle(), QString::fromUtf8("0% \u2014 ") + title);
            job.setProgress(42);
            QCOMPARE(form.windowTitle(), QString::fromUtf8("42% \u2014 ") + title);
            job.finish("3 files written");
            QCOMPARE(form.windowTitle(), title);
        }
        JobActivity::setActiveQuery(nullptr);
        QCOMPARE(m_env->platform().desktop.notices, QStringList{"Kinbox: 3 files written"});
        QCOMPARE(m_env->platform().desktop.progress, (QList<int>{0, 42, -1}));
        // Clicking the notice brings the window back.
        form.showMinimized();
        RunDesktopActivation();
        QVERIFY(!form.isMinimized());
    }

    void documentationFileName()
    {
        QCOMPARE(TForm1::DocumentationFileFor("/opt/kbx/kinbox"), QStringLiteral("/opt/kbx/kinbox_features.html"));
        QCOMPARE(TForm1::DocumentationFileFor("/opt/kbx/kinbox.exe"), QStringLiteral("/opt/kbx/kinbox_features.html"));
        QCOMPARE(TForm1::DocumentationFileFor("/opt/kbx/kinbox.bin"), QStringLiteral("/opt/kbx/kinbox_features.html"));
        // Help files: the language's own when it exists, else the program's.
        QFile ohp(m_env->dir().filePath("deutsch.ohp"));
        QVERIFY(ohp.open(QIODevice::WriteOnly));
        ohp.close();
        QCOMPARE(TForm1::HelpFileFor("deutsch.lng", "/opt/kbx/kinbox"), m_env->dir().filePath("deutsch.ohp"));
        QCOMPARE(TForm1::HelpFileFor("english.lng", "/opt/kbx/kinbox"), QStringLiteral("/opt/kbx/kinbox.ohp"));
        QCOMPARE(TForm1::HelpFileFor("default", "/opt/kbx/kinbox"), QStringLiteral("/opt/kbx/kinbox.ohp"));
    }

    void aboutBoxToggles()
    {
        TForm1 form(nullptr, false);
        QAction *about = form.findChild<QAction *>("aboutKinbox1");
        about->trigger();
        QVERIFY(form.AboutBox() && form.AboutBox()->isVisible());
        QCOMPARE(form.AboutBox()->windowTitle(), QStringLiteral("Info about Kinbox"));
        about->trigger();
        QVERIFY(!form.AboutBox()->isVisible());
    }

    void restartSavesSettings()
    {
        struct Recorder : Restarter
        {
            int restarts = 0;
            void restart() override { ++restarts; }
        } recorder;
        {
            ScopedInstall<Restarter> installed(&recorder);
            TForm1 form(nullptr, false);
            form.TabSheet()->setCurrentIndex(TForm1::AnalyzeVOB);
            RestartProgram();
        }
        QCOMPARE(recorder.restarts, 1);
        QCOMPARE(Registry().ReadString(kSettingsSection, QStringLiteral("sheet")), QStringLiteral("6"));
    }

    void closesWhenIdleAndSaves()
    {
        ScriptedDialogs dialogs;
        {
            TForm1 form(nullptr, false);
            form.show();
            form.TabSheet()->setCurrentIndex(TForm1::FileProc);
            QVERIFY(form.close());
        }
        QVERIFY(dialogs.shown().isEmpty());
        QCOMPARE(Registry().ReadString(kSettingsSection, QStringLiteral("sheet")), QStringLiteral("2"));
    }

    // Ctrl+Return presses the current page's start button and Esc its stop button, only where a click
    // could: a disabled or missing button is left alone.
    void keyboardStartsAndStopsThePageAction()
    {
        TForm1 form(nullptr, false);
        form.show();
        QApplication::setActiveWindow(&form);
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.TabSheet()->setCurrentIndex(TForm1::AnalyzeVOB);
        auto *page = dynamic_cast<TPage *>(form.TabSheet()->currentWidget());
        QVERIFY(page && page->StartButton() && page->StopButton());
        QAbstractButton *start = page->StartButton();
        QAbstractButton *stop = page->StopButton();
        // The presses are counted, not run: the page's own handlers are tested with the page.
        QObject::disconnect(start, &QAbstractButton::clicked, nullptr, nullptr);
        QObject::disconnect(stop, &QAbstractButton::clicked, nullptr, nullptr);
        QSignalSpy started(start, &QAbstractButton::clicked);
        QSignalSpy stopped(stop, &QAbstractButton::clicked);

        start->setEnabled(true);
        stop->setEnabled(false);
        QTest::keyClick(&form, Qt::Key_Return, Qt::ControlModifier);
        QTest::keyClick(&form, Qt::Key_Escape);
        QCOMPARE(started.count(), 1);
        QCOMPARE(stopped.count(), 0);

        start->setEnabled(false);
        stop->setEnabled(true);
        stop->show(); // as while a run goes on
        QTest::keyClick(&form, Qt::Key_Return, Qt::ControlModifier);
        QTest::keyClick(&form, Qt::Key_Escape);
        QCOMPARE(started.count(), 1);
        QCOMPARE(stopped.count(), 1);

        // The calculator has no action.
        form.TabSheet()->setCurrentIndex(TForm1::Calc);
        QTest::keyClick(&form, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(started.count(), 1);
    }
};

QTEST_MAIN(TestTForm1)
#include "tst_tform1.moc"
