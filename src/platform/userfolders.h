#pragma once
#include "common/seam.h"

#include <QString>

namespace kbx {

/// The user's folders the program writes to or puts shortcuts in.
enum class UserFolder {
    Videos,        ///< "My Video"
    Home,          ///< "Personal"
    Desktop,
    Applications,  ///< the applications menu (desktop entries)
};

/// The user-folders seam. The default asks QStandardPaths; tests install a temporary tree
/// (FakeUserFolders in fakeplatform.h). An unset folder is an empty string.
class UserFolders : public Seam<UserFolders>
{
public:
    virtual ~UserFolders();

    /// The folder without a trailing separator, or an empty string when the user has none.
    virtual QString path(UserFolder folder) const = 0;

    /// The installed folders, or the system's when none is installed.
    static UserFolders &instance();
};

/// QStandardPaths' writable locations. Videos, home and desktop count as unset when the folder
/// does not exist, so that callers fall back instead of writing into nowhere; the applications
/// menu folder is given even before it exists, as the first shortcut creates it.
class SystemUserFolders : public UserFolders
{
public:
    QString path(UserFolder folder) const override;
};

// The installed seam's folder.
QString UserFolderPath(UserFolder folder);

} // namespace kbx
