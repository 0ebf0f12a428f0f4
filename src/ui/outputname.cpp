#include "ui/outputname.h"

#include "common/paths.h"
#include "platform/userfolders.h"
#include "platform/volumes.h"

namespace kbx {

QString DefaultOutputName(const QString &currentOutput, const QString &inputName)
{
    const QChar quote = QLatin1Char('"');
    QString input = inputName;
    if (input.startsWith(quote)) {
        input.remove(0, 1);
        const qsizetype end = input.indexOf(quote);
        if (end >= 0)
            input.truncate(end);
    }
    const QString inputFolder = WithSeparator(FolderPart(input));
    QString folder = FolderPart(currentOutput.isEmpty() ? input : currentOutput);
    if (!folder.isEmpty() && IsOptical(folder)) {
        folder = UserFolderPath(UserFolder::Videos);
        if (folder.isEmpty())
            folder = UserFolderPath(UserFolder::Home);
        if (folder.isEmpty())
            folder = QStringLiteral("/");
    }
    // An empty folder stays empty: a bare name is not moved to the root folder.
    folder = WithSeparator(folder);
    QString fileName = FileNamePart(input);
    if (folder == inputFolder)
        fileName.prepend(QStringLiteral("KBX_"));
    return folder + fileName;
}

} // namespace kbx
