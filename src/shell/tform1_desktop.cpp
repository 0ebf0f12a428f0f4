// The main window on the desktop: documents and addresses, the program overview, the user tools, and
// the running job's progress in the title (notifications bring the window back).

#include "shell/tform1.h"

#include "platform/desktop.h"
#include "platform/jobactivity.h"
#include "platform/shell.h"
#include "ui/dialogs.h"
#include "ui/program.h"
#include "ui/textviewer.h"
#include "ui/translator.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

namespace kbx {

namespace {

struct UserTool
{
    const char *action;
    DesktopTool tool;
};

constexpr UserTool UserTools[] = {
    {"Calculator1", DesktopTool::Calculator},
    {"MediaPlayer1", DesktopTool::MediaPlayer},
    {"VolumeControl1", DesktopTool::VolumeControl},
};

QString MissingToolText(const UserTool &tool)
{
    return Translate(QStringLiteral("No such program is installed. Kinbox tries:")) + QLatin1Char(' ')
           + DesktopToolCandidates(tool.tool).join(QStringLiteral(", "));
}

} // namespace

void TForm1::ConnectDesktop()
{
    const QString title = windowTitle();
    JobActivity::setProgressListener([this, title](int percent) { setWindowTitle(ProgressTitle(percent, title)); });
    SetDesktopActivation([this] {
        if (isMinimized())
            showNormal();
        raise();
        activateWindow();
    });
    RefreshUserTools();
}

void TForm1::DisconnectDesktop()
{
    JobActivity::setProgressListener(nullptr);
    SetDesktopActivation(nullptr);
}

void TForm1::RefreshUserTools()
{
    for (const UserTool &tool : UserTools) {
        auto *action = findChild<QAction *>(QLatin1String(tool.action));
        if (!action)
            continue;
        const QString program = FindDesktopTool(tool.tool);
        action->setEnabled(!program.isEmpty());
        const QString hint = program.isEmpty() ? MissingToolText(tool) : QFileInfo(program).fileName();
        action->setToolTip(hint);
        action->setStatusTip(hint);
    }
}

void TForm1::StartUserTool(int index)
{
    const UserTool &tool = UserTools[index];
    const QString program = FindDesktopTool(tool.tool);
    if (program.isEmpty()) {
        Dialogs::instance().information(this, ApplicationTitle(), MissingToolText(tool));
        return;
    }
    if (!Shell::instance().startProgram(program, {}))
        Dialogs::instance().information(this, ApplicationTitle(),
                                        Translate(QStringLiteral("Unable to open requested URL")) + QStringLiteral(" \"")
                                            + program + QStringLiteral("\"."));
}

void TForm1::Calculator1Click()
{
    StartUserTool(0);
}

void TForm1::MediaPlayer1Click()
{
    StartUserTool(1);
}

void TForm1::VolumeControl1Click()
{
    StartUserTool(2);
}

void TForm1::Programoverview1Click()
{
    // Shown here rather than handed to the desktop: few desktops have a program for ".diz", and the
    // overview's box drawing needs its code page and a fixed-pitch font.
    auto *viewer = findChild<TTextViewer *>(QStringLiteral("Overview"));
    if (!viewer) {
        viewer = new TTextViewer(this);
        viewer->setObjectName(QStringLiteral("Overview"));
    }
    QString error;
    if (!viewer->load(DataFile(QStringLiteral("file_id.diz")), &error)) {
        Dialogs::instance().information(this, ApplicationTitle(), error);
        return;
    }
    viewer->setWindowTitle(Translate(QStringLiteral("&Program overview")).remove(QLatin1Char('&')));
    viewer->show();
    viewer->raise();
}

void TForm1::OpenDocument(const QString &target, const QString &parameters)
{
    Shell &shell = Shell::instance();
    bool opened = false;
    const QFileInfo info(target);
    if (info.isFile() && info.isExecutable() && !target.endsWith(QLatin1String(".html"), Qt::CaseInsensitive))
        opened = shell.startProgram(info.absoluteFilePath(), parameters.isEmpty() ? QStringList() : QStringList{parameters});
    else
        opened = OpenDocumentTarget(target);
    if (opened)
        return;
    // Name what failed, and the likely reason: nothing on this desktop handles that kind of file or address.
    Dialogs::instance().information(this, ApplicationTitle(),
                                    Translate(QStringLiteral("Unable to open requested URL")) + QStringLiteral(" \"")
                                        + target + QStringLiteral("\".\n")
                                        + Translate(QStringLiteral("No application is registered for it.")));
}

} // namespace kbx
