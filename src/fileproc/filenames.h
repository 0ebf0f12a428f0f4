#pragma once
// File names as the system holds them: bytes. A name that is not valid UTF-8 keeps each stray byte
// as a lone surrogate (U+DC80..U+DCFF), so it survives the round trip through the page's texts and
// comes back to the system byte for byte.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace kbx {

// The system's bytes of a name as text, losing nothing.
QString NameFromBytes(const QByteArray &bytes);
// The inverse of NameFromBytes; plain text is encoded as UTF-8.
QByteArray BytesOfName(const QString &name);

enum class NameKind { Missing, Regular, BlockDevice, Folder, Special };
// What a name is, asked without opening it (opening a pipe waits for a writer).
NameKind KindOf(const QString &name);
// The size of a regular file or block device; -1 for anything else or when it cannot be read.
// Never opens pipes, sockets or character devices.
qint64 ReadableSize(const QString &name);
// Both names lead to the same file (device and inode), hard links and symbolic links included.
bool SameFile(const QString &a, const QString &b);

struct FolderListing
{
    QList<QString> files;      // every file below the folder, depth first in directory order
    QStringList leftOut;       // folders that could not be read, so their files are missing
};
// Lists a folder tree by the system's own names; links to folders are not followed.
FolderListing ListFolderTree(const QString &folder);

} // namespace kbx
