// kinbox-pageshot: opens the main window on one page in a prepared state, for looking at pages
// under Xvfb without driving every field by hand. Not a test; settings go to a temporary folder.
//   kinbox-pageshot backup <VIDEO_TS folder>
//   kinbox-pageshot edit <folder> [action index]
//   kinbox-pageshot movies <movie file>
//   kinbox-pageshot analyze <VOB file> <profile>  (runs the profile over the file)
//   kinbox-pageshot calc|files|cpu -               (the page as it starts)
//   kinbox-pageshot power shutdown|forced          (the CPU page runs that alarm action after a second)
//   kinbox-pageshot job <file>                     (the Files page computes the file's checksum)
// The window stays open for KINBOX_PAGESHOT_SECONDS (default 20) seconds; KINBOX_PAGESHOT_LANGUAGE
// names a language file to translate the window with first; KINBOX_PAGESHOT_SIZE is "min" (the
// smallest size the window allows), "max" (the whole screen) or WxH, else the window's default size.

#include <QApplication>
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
    window.show();
    const QString size = qEnvironmentVariable("KINBOX_PAGESHOT_SIZE");
    window.layout()->activate();
    if (size == QLatin1String("min")) {
        window.resize(window.minimumSize());
    } else if (size == QLatin1String("max")) {
        // No window manager under Xvfb to maximise it: the screen's size is what maximised means.
        window.setGeometry(window.screen()->geometry());
    } else if (size.contains(QLatin1Char('x'))) {
        window.resize(size.section(QLatin1Char('x'), 0, 0).toInt(), size.section(QLatin1Char('x'), 1, 1).toInt());
    }
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
