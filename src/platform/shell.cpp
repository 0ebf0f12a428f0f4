#include "platform/shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

namespace kbx {

Shell::~Shell() = default;

Shell &Shell::instance()
{
    return InstanceOr<SystemShell>();
}

bool SystemShell::openUrl(const QUrl &url)
{
    return url.isValid() && QDesktopServices::openUrl(url);
}

bool SystemShell::startProgram(const QString &program, const QStringList &arguments)
{
    return !program.isEmpty() && QProcess::startDetached(program, arguments);
}

QString SystemShell::findExecutable(const QString &name) const
{
    return QStandardPaths::findExecutable(name);
}

QUrl DocumentUrl(const QString &target)
{
    // Two letters at least before the colon, so that a drive-letter path is never taken for a scheme.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    if (scheme.match(target).hasMatch())
        return QUrl(target, QUrl::StrictMode);
    return QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath());
}

bool OpenDocumentTarget(const QString &target)
{
    if (target.isEmpty())
        return false;
    return Shell::instance().openUrl(DocumentUrl(target));
}

QStringList DesktopToolCandidates(DesktopTool tool)
{
    switch (tool) {
    case DesktopTool::Calculator:
        return {"gnome-calculator", "kcalc", "galculator", "mate-calc", "qalculate-gtk", "xcalc"};
    case DesktopTool::MediaPlayer:
        return {"vlc", "totem", "mpv", "celluloid", "smplayer", "dragon", "parole"};
    case DesktopTool::VolumeControl:
        return {"pavucontrol", "pavucontrol-qt", "mate-volume-control", "kmix"};
    }
    return {};
}

QString FindDesktopTool(DesktopTool tool)
{
    const Shell &shell = Shell::instance();
    for (const QString &name : DesktopToolCandidates(tool)) {
        const QString path = shell.findExecutable(name);
        if (!path.isEmpty())
            return path;
    }
    return QString();
}

} // namespace kbx
