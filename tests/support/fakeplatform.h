#pragma once
#include "platform/power.h"
#include "platform/shell.h"
#include "platform/userfolders.h"
#include "platform/volumes.h"

#include <QHash>
#include <QList>
#include <QQueue>
#include <QUrl>

namespace kbx {

/// A fixed list of volumes, in the order given.
class FakeVolumes : public Volumes
{
public:
    QList<Volume> mountedVolumes() const override { return volumes; }
    /// Appends a volume and returns it for further settings.
    Volume &add(const QString &rootPath, const QString &fileSystemType, const QString &device = QString());

    QList<Volume> volumes;
};

/// Folders set by the test; every other folder is unset.
class FakeUserFolders : public UserFolders
{
public:
    QString path(UserFolder folder) const override { return folders.value(folder); }
    void set(UserFolder folder, const QString &path) { folders.insert(folder, path); }

    QHash<UserFolder, QString> folders;
};

/// Records every request and answers from a queue; an empty queue answers `defaultAnswer`.
class FakeShell : public Shell
{
public:
    struct Call
    {
        QUrl url;              ///< set for openUrl
        QString program;       ///< set for startProgram
        QStringList arguments;
    };

    bool openUrl(const QUrl &url) override;
    bool startProgram(const QString &program, const QStringList &arguments) override;

    QList<Call> calls;
    QQueue<bool> answers;
    bool defaultAnswer = true;

private:
    bool nextAnswer();
};

/// Records "shutdown", "forcedShutdown" and "beep"; shutdowns are refused with `refusal` when it
/// is not empty.
class FakePower : public Power
{
public:
    bool shutdown(QString *error = nullptr) override;
    bool forcedShutdown(QString *error = nullptr) override;
    void beep() override { calls << QStringLiteral("beep"); }

    QStringList calls;
    QString refusal;

private:
    bool answer(const QString &call, QString *error);
};

/// All four fakes, installed for the lifetime of the object and uninstalled after it.
class FakePlatform
{
public:
    FakePlatform();
    ~FakePlatform();
    FakePlatform(const FakePlatform &) = delete;
    FakePlatform &operator=(const FakePlatform &) = delete;

    FakeVolumes volumes;
    FakeUserFolders folders;
    FakeShell shell;
    FakePower power;
};

} // namespace kbx
