#pragma once
#include "platform/desktop.h"
#include "platform/power.h"
#include "platform/shell.h"
#include "platform/userfolders.h"
#include "platform/volumes.h"

#include <QHash>
#include <QList>
#include <QMap>
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
    /// "/usr/bin/<name>" for the names in `installed`, else empty.
    QString findExecutable(const QString &name) const override;

    QList<Call> calls;
    QStringList installed;
    QQueue<bool> answers;
    bool defaultAnswer = true;

private:
    bool nextAnswer();
};

/// Records "shutdown", "forcedShutdown" and "beep"; shutdowns are refused with `refusal` when it
/// is not empty. The answer comes at once. Sleep inhibitors are kept by what they name.
class FakePower : public Power
{
public:
    void shutdown(Answer answer) override { answer(record(QStringLiteral("shutdown"))); }
    void forcedShutdown(Answer answer) override { answer(record(QStringLiteral("forcedShutdown"))); }
    void beep() override { calls << QStringLiteral("beep"); }
    quint64 inhibitSleep(const QString &what) override;
    void releaseSleep(quint64 token) override;

    QStringList calls;
    QString refusal;
    /// What the inhibitors now held name, oldest first.
    QStringList heldInhibitors() const { return inhibitors.values(); }
    /// Every inhibitor ever taken.
    QStringList inhibitorsTaken;

private:
    QString record(const QString &call);
    QMap<quint64, QString> inhibitors;
    quint64 next = 1;
};

/// Records notifications and the progress shown on the task bar.
class FakeDesktop : public Desktop
{
public:
    void notify(const QString &summary, const QString &body) override { notices << summary + QStringLiteral(": ") + body; }
    void showProgress(int percent) override { progress << percent; }

    QStringList notices;
    QList<int> progress;
};

/// All the platform fakes, installed for the lifetime of the object and uninstalled after it.
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
    FakeDesktop desktop;
};

} // namespace kbx
