#include "shell/tform1.h"
#include "ui/program.h"
#include "ui/translator.h"

#include <QApplication>
#include <QTextStream>

#include <cstring>

namespace {

// `--print-data-dir` answers where the data files are read from, without a display.
bool printDataDirRequested(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--print-data-dir") == 0)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    if (printDataDirRequested(argc, argv)) {
        QCoreApplication core(argc, argv);
        QTextStream(stdout) << kbx::ProgramFolder::path() << '\n';
        return 0;
    }
    QApplication app(argc, argv);
    kbx::CreateShellInstances();
    QApplication::setApplicationDisplayName(QStringLiteral("Kinbox"));
    // Ties the windows, the notifications and the task-bar progress to the installed desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.fernhillcrew.Kinbox"));
    kbx::TForm1 window;
    window.show();
    return app.exec();
}
