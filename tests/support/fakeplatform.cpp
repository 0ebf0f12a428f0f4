#include "support/fakeplatform.h"

namespace kbx {

Volume &FakeVolumes::add(const QString &rootPath, const QString &fileSystemType, const QString &device)
{
    Volume volume;
    volume.rootPath = rootPath;
    volume.fileSystemType = fileSystemType;
    volume.device = device;
    volume.bytesFree = volume.bytesTotal = qint64(1) << 40;
    volume.optical = IsOpticalVolume(device, fileSystemType);
    volumes.append(volume);
    return volumes.last();
}

bool FakeShell::openUrl(const QUrl &url)
{
    calls.append(Call{url, QString(), QStringList()});
    return nextAnswer();
}

bool FakeShell::startProgram(const QString &program, const QStringList &arguments)
{
    calls.append(Call{QUrl(), program, arguments});
    return nextAnswer();
}

bool FakeShell::nextAnswer()
{
    return answers.isEmpty() ? defaultAnswer : answers.dequeue();
}

QString FakeShell::findExecutable(const QString &name) const
{
    return installed.contains(name) ? QStringLiteral("/usr/bin/") + name : QString();
}

QString FakePower::record(const QString &call)
{
    calls << call;
    return refusal;
}

quint64 FakePower::inhibitSleep(const QString &what)
{
    inhibitors.insert(next, what);
    inhibitorsTaken << what;
    return next++;
}

void FakePower::releaseSleep(quint64 token)
{
    inhibitors.remove(token);
}

FakePlatform::FakePlatform()
{
    Volumes::install(&volumes);
    UserFolders::install(&folders);
    Shell::install(&shell);
    Power::install(&power);
    Desktop::install(&desktop);
}

FakePlatform::~FakePlatform()
{
    Volumes::install(nullptr);
    UserFolders::install(nullptr);
    Shell::install(nullptr);
    Power::install(nullptr);
    Desktop::install(nullptr);
}

} // namespace kbx
