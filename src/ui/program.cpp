#include "ui/program.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace kbx {

namespace {

QString &folderOverride()
{
    static QString folder;
    return folder;
}

} // namespace

QString ProgramFolder::path()
{
    const QString &folder = folderOverride();
    if (!folder.isEmpty())
        return folder;
    // Installed, the data lives in share/kinbox beside the bin folder; in the build, next to the program.
    const QString programDir = QCoreApplication::applicationDirPath();
    const QString installed = QDir::cleanPath(programDir + QStringLiteral("/../share/kinbox"));
    if (QFileInfo(installed).isDir())
        return installed;
    return programDir;
}

void ProgramFolder::setPath(const QString &folder)
{
    QString cleaned = folder.isEmpty() ? QString() : QDir::cleanPath(QDir(folder).absolutePath());
    folderOverride() = cleaned;
}

QString ProgramFolderFile(const QString &name)
{
    const QString fileName = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
    QString folder = ProgramFolder::path();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + fileName;
}

QString DefaultTitleFromFileName(const QString &executableFileName)
{
    const QString base = executableFileName.section(QLatin1Char('.'), 0, 0);
    if (base.isEmpty())
        return base;
    return base.left(1) + base.mid(1).toLower();
}

QString PlatformDefaultTitle()
{
    return DefaultTitleFromFileName(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
}

QString ExecutableBasePath()
{
    const QFileInfo info(QCoreApplication::applicationFilePath());
    const QString fileName = info.fileName();
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return info.absoluteFilePath();
    return info.absoluteDir().filePath(fileName.left(dot));
}

Restarter::~Restarter() = default;

void Restarter::restart()
{
    QProcess::startDetached(QCoreApplication::applicationFilePath(), QStringList());
    // exit(), not quit(): quit() would first ask the windows to close and so run their close handling.
    QCoreApplication::exit(0);
}

Restarter &Restarter::instance()
{
    return InstanceOr<Restarter>();
}

std::function<void()> &restartPreparation()
{
    static std::function<void()> prepare;
    return prepare;
}

void SetRestartPreparation(std::function<void()> prepare)
{
    restartPreparation() = std::move(prepare);
}

void RestartProgram()
{
    if (restartPreparation())
        restartPreparation()();
    Restarter::instance().restart();
}

} // namespace kbx
