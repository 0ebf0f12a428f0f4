#include "common/paths.h"

namespace kbx {

namespace {
const QChar Separator = QLatin1Char('/');
}

QString FolderPart(const QString &path)
{
    return path.left(path.lastIndexOf(Separator) + 1);
}

QString FileNamePart(const QString &path)
{
    return path.mid(path.lastIndexOf(Separator) + 1);
}

QString ParentFolder(const QString &path)
{
    QString folder = FolderPart(path);
    if (folder.size() > 1)
        folder.chop(1);
    return folder;
}

QString WithSeparator(const QString &folder)
{
    return folder.isEmpty() || folder.endsWith(Separator) ? folder : folder + Separator;
}

} // namespace kbx
