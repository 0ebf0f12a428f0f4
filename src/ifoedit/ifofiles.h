#pragma once
// The Edit page's file work: which files of a folder it offers, which title sets they hold, and the
// patching of one file in place.

#include "ifoedit/editlist.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace kbx {

// One listed file: the name shown (VOB and MPEG names upper-cased) and the name on disk, which
// differs in case on Linux when a copy was written in lower case.
struct TIFOListedFile {
    QString shown;
    QString actual;
    bool operator==(const TIFOListedFile &) const = default;
};

// The files of `folder` that the Edit page offers, in this order: "*.ifo" as found, "*.bup" as
// found when `includeBups`, then "*.vob", "*.mpg" and "*.mpeg" upper-cased. Names are matched
// without regard to case; folders are left out. Each group is sorted by name, because Linux
// enumerates a folder in no useful order. Empty when the folder cannot be read.
QList<TIFOListedFile> ListIFOFolder(const QString &folder, bool includeBups);

// The two-digit numbers 01, 02, ... for as long as "VTS_<nn>_1.VOB" is among `shownNames`.
QStringList TitleNumbers(const QStringList &shownNames);

// `name` inside `folder`, made absolute; an empty folder leaves the name alone.
QString FullFileName(const QString &folder, const QString &name);

enum class PatchOutcome {
    Patched,
    TooShort,           // an edit would land at or past the end of the file: nothing written
    NoSequenceHeader,   // the second pack holds no sequence header to anchor the edits: nothing written
};

struct PatchResult {
    PatchOutcome outcome = PatchOutcome::Patched;
    qint64 shift = 0;   // how far the sequence header was found from where the edits expect it
};

// Applies `edits` to the file in place, each as one byte read (for a toggle) and one byte written.
// With `anchor` >= 0 the edits belong to a sequence header expected at that offset: the header is
// looked for in the second 2048-byte pack and the edits follow it by the distance it moved.
// Every check is made before the first byte is written, so a skipped file is left as it was.
// Throws EQsHugeFile when the file cannot be opened, read or written.
PatchResult PatchFile(const QString &path, const QList<TEditEntry> &edits, qint64 anchor);

} // namespace kbx
