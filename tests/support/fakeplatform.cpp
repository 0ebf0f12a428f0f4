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

bool FakePower::shutdown(QString *error)
{
    return answer(QStringLiteral("shutdown"), error);
}

bool FakePower::forcedShutdown(QString *error)
{
    return answer(QStringLiteral("forcedShutdown"), error);
}

bool FakePower::answer(const QString &call, QString *error)
{
    calls << call;
    if (refusal.isEmpty())
        return true;
    if (error)
        *error = refusal;
    return false;
}

FakePlatform::FakePlatform()
{
    Volumes::install(&volumes);
    UserFolders::install(&folders);
    Shell::install(&shell);
    Power::install(&power);
}

FakePlatform::~FakePlatform()
{
    Volumes::install(nullptr);
    UserFolders::install(nullptr);
    Shell::install(nullptr);
    Power::install(nullptr);
}

} // namespace kbx
