#include "shell/tform1.h"
#include "ui/translator.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    kbx::CreateShellInstances();
    QApplication::setApplicationDisplayName(QStringLiteral("Kinbox"));
    // Ties the windows, the notifications and the task-bar progress to the installed desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.fernhillcrew.Kinbox"));
    kbx::TForm1 window;
    window.show();
    return app.exec();
}
