#include "ui/program.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>

namespace kbx {

namespace {

QString &folderOverride()
{
    static QString folder;
    return folder;
}

QString &userFolderOverride()
{
    static QString folder;
    return folder;
}

QString Cleaned(const QString &folder)
{
    return folder.isEmpty() ? QString() : QDir::cleanPath(QDir(folder).absolutePath());
}

QString InFolder(const QString &folder, const QString &name)
{
    return QDir(folder).filePath(name.mid(name.lastIndexOf(QLatin1Char('/')) + 1));
}

} // namespace

QString ProgramFolder::path()
{
    const QString &folder = folderOverride();
    if (!folder.isEmpty())
        return folder;
    return shippedFolderFor(QCoreApplication::applicationDirPath());
}

QString ProgramFolder::shippedFolderFor(const QString &executableFolder)
{
    const QString installed = QDir::cleanPath(executableFolder + QStringLiteral("/../share/kinbox"));
    return QFileInfo(installed).isDir() ? installed : QDir::cleanPath(executableFolder);
}

QString UserDataFolder::path()
{
    if (!userFolderOverride().isEmpty())
        return userFolderOverride();
    if (!folderOverride().isEmpty())
        return folderOverride();
    return Cleaned(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

void UserDataFolder::setPath(const QString &folder)
{
    userFolderOverride() = Cleaned(folder);
}

QString UserDataFile(const QString &name)
{
    return InFolder(UserDataFolder::path(), name);
}

QString SeededUserFile(const QString &name, QString *error)
{
    const QString user = UserDataFile(name);
    const QString shipped = ProgramFolderFile(name);
    if (QFileInfo::exists(user) || user == shipped)
        return user;
    QString reason;
    if (!QFileInfo(shipped).isFile())
        reason = QStringLiteral("\"%1\" does not exist.").arg(shipped);
    else if (!QDir().mkpath(UserDataFolder::path()))
        reason = QStringLiteral("Cannot create the folder \"%1\".").arg(UserDataFolder::path());
    else {
        QFile source(shipped);
        if (source.copy(user)) {
            // The shipped file may be read-only; the user's copy is the user's to change.
            QFile::setPermissions(user, QFile::permissions(user) | QFileDevice::WriteOwner | QFileDevice::ReadOwner);
            return user;
        }
        reason = QStringLiteral("Cannot create file \"%1\". %2").arg(user, source.errorString());
    }
    if (error)
        *error = reason;
    return QFileInfo(shipped).isFile() ? shipped : user;
}

QString DataFile(const QString &name)
{
    const QString user = UserDataFile(name);
    return QFileInfo(user).isFile() ? user : ProgramFolderFile(name);
}

QStringList LanguageFileNames()
{
    QStringList names;
    for (const QString &folder : {ProgramFolder::path(), UserDataFolder::path()}) {
        // By the exact extension, since a stored choice is the entry plus ".lng".
        const QStringList found = QDir(folder).entryList({QStringLiteral("*.lng")}, QDir::Files | QDir::CaseSensitive);
        for (const QString &name : found)
            if (!names.contains(name, Qt::CaseInsensitive))
                names << name;
    }
    std::sort(names.begin(), names.end(),
              [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return names;
}

void ProgramFolder::setPath(const QString &folder)
{
    folderOverride() = Cleaned(folder);
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
