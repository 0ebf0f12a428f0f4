// kinbox-pageshot: opens the main window on one page in a prepared state, for looking at pages
// under Xvfb without driving every field by hand. Not a test; settings go to a temporary folder.
//   kinbox-pageshot backup <VIDEO_TS folder>
//   kinbox-pageshot edit <folder> [action index]
//   kinbox-pageshot movies <movie file>
//   kinbox-pageshot analyze <VOB file> <profile>  (runs the profile over the file)
//   kinbox-pageshot calc|files|cpu -               (the page as it starts)
//   kinbox-pageshot power shutdown|forced          (the CPU page runs that alarm action after a second)
//   kinbox-pageshot job <file>                     (the Files page computes the file's checksum)
//   kinbox-pageshot merge <file> [file...]         (the Files page's merge list holds the files)
// The window stays open for KINBOX_PAGESHOT_SECONDS (default 20) seconds; KINBOX_PAGESHOT_LANGUAGE
// names a language file to translate the window with first; KINBOX_PAGESHOT_SIZE is min (the smallest
// size the window allows), max (the screen's available area), WxH or empty for the size it starts with.
// `calc advanced` shows the calculator's advanced layout; KINBOX_PAGESHOT_HELP=1 shows the help window
// docked beside the main window.

#include <QApplication>
#include <QLayout>
#include <QScreen>
#include <QToolButton>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QLayout>
#include <QListWidget>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include "analyzer/analyzepage.h"
#include "dvd/backuppage.h"
#include "fileproc/fileprocpage.h"
#include "monitor/cpumonpage.h"
#include "ifoedit/ifoeditpage.h"
#include "moviesplit/moviesplitpage.h"
#include "ui/fileedit.h"
#include "ui/helpwindow.h"
#include "ui/program.h"
#include "ui/page.h"
#include "ui/registry.h"
#include "shell/tform1.h"
#include "ui/translator.h"

using namespace kbx;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        QTextStream(stderr) << "usage: kinbox-pageshot backup|edit|movies PATH [ACTION]\n";
        return 2;
    }
    QTemporaryDir config;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
    InstallRegistry(std::make_unique<TOxRegistry>("Kinbox"));

    TForm1 window(nullptr, false);
    const QString language = qEnvironmentVariable("KINBOX_PAGESHOT_LANGUAGE");
    if (!language.isEmpty() && Translator().LoadFromFile(language)) {
        Translator().TranslateComponent(&window);
        for (TPage *page : window.Pages())
            page->Retranslate();
    }
    const QString size = qEnvironmentVariable("KINBOX_PAGESHOT_SIZE");
    if (size == QLatin1String("max")) {
        // No window manager under Xvfb to honour the maximised state: take the area by hand too.
        window.setGeometry(window.screen()->availableGeometry());
        window.showMaximized();
    } else {
        window.show();
        window.layout()->activate();
        if (size == QLatin1String("min"))
            window.resize(window.minimumSize());
        else if (size.contains(QLatin1Char('x')))
            window.resize(size.section(QLatin1Char('x'), 0, 0).toInt(), size.section(QLatin1Char('x'), 1, 1).toInt());
    }
    std::unique_ptr<TfoHelp> help;
    if (qEnvironmentVariableIntValue("KINBOX_PAGESHOT_HELP") == 1) {
        help = std::make_unique<TfoHelp>(&window);
        help->setHelpFile(ProgramFolderFile(QStringLiteral("kinbox.ohp")));
        QTimer::singleShot(500, help.get(), [&help] { help->show(); });
    }
    QTimer::singleShot(300, &window, [&window] {
        QTextStream(stderr) << "window " << window.width() << "x" << window.height() << "\n";
    });
    const QString page = args.at(1);
    const QString path = args.at(2);
    if (page == QLatin1String("backup")) {
        window.ShowPage(TForm1::Backup);
        window.BackupPage()->VerifyLocation(path);
    } else if (page == QLatin1String("edit")) {
        window.ShowPage(TForm1::IFOedit);
        TIFOEditPage *edit = window.IFOEditPage();
        edit->IFO_Source->setText(path);
        edit->IFO_SourceButtonClick();
        edit->IFO_Actions->setCurrentRow(args.value(3, QStringLiteral("0")).toInt());
        edit->IFO_ActionsClick();
        edit->IFOStatusTimer->stop();
    } else if (page == QLatin1String("movies")) {
        window.ShowPage(TForm1::MovieSplit);
        TMovieSplitPage *movies = window.MoviesPage();
        movies->setEnabled(true);
        movies->MS_Source->setText(path);
        movies->MS_SourceButtonClick();
    } else if (page == QLatin1String("analyze")) {
        window.ShowPage(TForm1::AnalyzeVOB);
        auto *analyze = window.findChild<TAnalyzeVOBFrame *>();
        analyze->ed_source->setText(path);
        analyze->ed_profile->setCurrentIndex(analyze->ed_profile->findText(args.value(3)));
        analyze->ed_profileChange();
        QTimer::singleShot(500, analyze, [analyze] {
            analyze->btn_researchClick();
            QTextStream(stderr) << analyze->output->blockCount() << " log lines\n";
        });
    } else if (page == QLatin1String("power")) {
        window.ShowPage(TForm1::CPUmon);
        TCPUmonPage *cpu = window.CPUmonPage();
        cpu->findChild<QRadioButton *>(QStringLiteral("Check_RadioAction"))->click();
        cpu->findChild<QComboBox *>(QStringLiteral("Check_Action"))->setCurrentIndex(path == QLatin1String("forced") ? 1 : 0);
        QTimer::singleShot(1000, cpu, [cpu] { cpu->RunAlarmAction(); });
    } else if (page == QLatin1String("job")) {
        window.ShowPage(TForm1::FileProc);
        TFileProcPage *files = window.FilesPage();
        files->findChild<QRadioButton *>(QStringLiteral("crcRadio"))->click();
        files->OpenInputFile(path);
        QTimer::singleShot(500, files, [files] { QMetaObject::invokeMethod(files, "startBtnClick"); });
    } else if (page == QLatin1String("merge")) {
        window.ShowPage(TForm1::FileProc);
        window.FilesPage()->MergeFiles(args.mid(2));
    } else if (page == QLatin1String("calc") && path == QLatin1String("advanced")) {
        window.ShowPage(TForm1::Calc);
        window.findChild<QToolButton *>(QStringLiteral("EC_Advanced"))->click();
    } else {
        const QStringList plain{QString(), QStringLiteral("calc"), QStringLiteral("files"), QStringLiteral("cpu"),
                                QString(), QString(), QStringLiteral("analyze")};
        window.ShowPage(int(plain.indexOf(page)));
    }
    QTimer::singleShot(qEnvironmentVariableIntValue("KINBOX_PAGESHOT_SECONDS") > 0
                           ? qEnvironmentVariableIntValue("KINBOX_PAGESHOT_SECONDS") * 1000
                           : 20000,
                       &app, &QApplication::quit);
    return app.exec();
}
