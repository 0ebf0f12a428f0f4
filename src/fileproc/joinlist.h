#pragma once
// The join list's entries ("path"=size lines), their sums and hint, the default output name and
// the walk that adds a whole folder.

#include "common/textfuncs.h"

#include <QList>
#include <QString>
#include <QStringList>

class QLocale;

namespace kbx {

// "\"" + path + "\"=" + size.
QString JoinEntryText(const QString &path, qint64 size);
// The name of an entry (before its last "=") without its surrounding quotes; a name without
// quotes is a path as it stands.
QString JoinEntryPath(const QString &entry);
// The value after the last "="; an entry without a number there counts 0.
qint64 JoinEntrySize(const QString &entry);

// A size for reading: "512 B", "1.4 KB", "700 MB", "4.4 GB" (binary units, one decimal at most,
// none when whole, in the locale's notation). Negative sizes give an empty text.
QString ReadableSizeText(qint64 size, const QLocale &locale);
// How the join list shows an entry: "movie.vob — 1.4 GB", or "unreadable" (size -1).
QString JoinEntryCaption(const QString &entry, const QLocale &locale, const TextLookup &translate = {});

// The sorted join list's order: runs of digits compare by their value, so "part2" comes before
// "part10" and the parts of a title are merged 1, 2, ..., 10; everything else compares as text.
bool JoinEntryLess(const QString &a, const QString &b);

// Sum of the sizes of all entries, or of those whose flag in `selected` is set (missing flags
// count as unselected). `count`, when given, receives how many entries were summed.
qint64 JoinSizeOf(const QStringList &entries, const QList<bool> &selected, bool selectedOnly,
                  int *count = nullptr);

// The hint of `joinList`: "2147483648 Bytes (2048 MB) in 2 files selected" with the locale's
// decimal separator, or the prompt to select files when nothing is selected.
QString JoinHintText(const QStringList &entries, const QList<bool> &selected, const QLocale &locale,
                     const TextLookup &translate = {});

struct FolderFile
{
    QString path;
    qint64 size = -1;   // -1 when the file cannot be opened
};

// Every file below `folder`, depth first in the order the file system lists each folder: a
// subfolder's files come where the subfolder is listed. Hidden files count, and so do names that are
// not valid UTF-8 (kept byte for byte); links to folders are not followed (they could loop). Entries
// that are neither files nor block devices (pipes, sockets, character devices) are listed with size
// -1 without opening them, as opening a pipe would wait for a writer. `leftOut` receives the folders
// that could not be read.
QList<FolderFile> CollectFolderFiles(const QString &folder, QStringList *leftOut = nullptr);

} // namespace kbx
