#pragma once
// Folder and file-name parts of a path, with the native "/" separator.

#include <QString>

namespace kbx {

// Up to and including the last "/"; empty when there is none.
QString FolderPart(const QString &path);
// After the last "/".
QString FileNamePart(const QString &path);
// The folder part without its trailing "/", unless that folder is the root; empty when there is none.
QString ParentFolder(const QString &path);
// `folder` with a trailing "/" (an empty folder stays empty).
QString WithSeparator(const QString &folder);

} // namespace kbx
