#include "platform/userfolders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace kbx {

UserFolders::~UserFolders() = default;

UserFolders &UserFolders::instance()
{
    return InstanceOr<SystemUserFolders>();
}

QString SystemUserFolders::path(UserFolder folder) const
{
    QStandardPaths::StandardLocation location = QStandardPaths::HomeLocation;
    switch (folder) {
    case UserFolder::Videos:
        location = QStandardPaths::MoviesLocation;
        break;
    case UserFolder::Home:
        location = QStandardPaths::HomeLocation;
        break;
    case UserFolder::Desktop:
        location = QStandardPaths::DesktopLocation;
        break;
    case UserFolder::Applications:
        location = QStandardPaths::ApplicationsLocation;
        break;
    }
    const QString found = QStandardPaths::writableLocation(location);
    if (found.isEmpty())
        return QString();
    const QString cleaned = QDir::cleanPath(found);
    if (folder != UserFolder::Applications && !QFileInfo(cleaned).isDir())
        return QString();
    return cleaned;
}

QString UserFolderPath(UserFolder folder)
{
    return UserFolders::instance().path(folder);
}

} // namespace kbx
