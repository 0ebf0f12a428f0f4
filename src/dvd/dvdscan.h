#pragma once
// Finding DVD video data and listing its title sets, without widgets: the Backup page copies the
// results into its controls. Every path is explicit; the process's current folder is never used.

#include "dvd/packprobe.h"
#include "platform/volumes.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace kbx {

// Turns a source text into the user's language; the default keeps the source text.
using DvdTranslate = std::function<QString(const char *)>;
QString DvdSourceText(const char *text);

// The DVD folder of `volume` ("<root>/VIDEO_TS/" in any letter case, with its trailing "/") when
// it holds VTS_01_1.VOB and the options allow the volume; otherwise an empty string. Without
// `includeHdds` only read-only media and optical volumes are searched.
QString ProbeDrive(const Volume &volume, bool includeHdds);

struct DvdLocation
{
    QString dvdPath;              // the DVD folder with its trailing "/", or empty when none was found
    bool locationIsFile = false;  // the location text names a file
};

// The location text first (a DVD folder, or an MPEG file whose folder exists), then the mounted
// volumes of the volumes seam in order. A file location stays a file location even when the
// volumes supply the folder.
DvdLocation LocateDVD(const QString &locationText, bool locationEnabled, bool includeHdds);

enum class DvdBadge { None, Dvd5, Dvd9 };

struct DvdScanInput
{
    QString locationText;
    bool locationEnabled = true;
    bool includeHdds = false;
    QString selectedTitle;        // current text of the title selector, "" when it is empty
};

struct DvdScanResult
{
    DvdLocation location;
    QString probedFile;           // the file the pack probe read; empty when no DVD was found
    PackProbeState probe;
    bool readMessage = false;     // the probe could not read 4096 bytes: the page shows its message box
    QString status0;              // title count panel
    QString status1;              // where the data was found, or the error
    bool hasCapacity = false;     // a "Capacity" row comes first
    qint64 capacity = 0;
    bool titlesReplaced = false;  // false: the title selector keeps its items
    QStringList titleItems;       // two-digit numbers of the titles listed
    QList<qint64> titleSizes;     // content bytes of each listed title, in the order of titleItems
    int largestTitle = 0;         // number of the largest title, lowest number on a tie; 0 for none
    QString discType;             // "DVD5", "DVD9" or the translated "Unknown" in DVD mode
    DvdBadge badge = DvdBadge::None;

    // The selector item to select: that of the largest title, or the first.
    int selectedIndex() const { return largestTitle > 0 ? largestTitle - 1 : 0; }
};

// Discs larger than this are double-layer.
constexpr qint64 Dvd9Threshold = 4700000000LL;

// Locates the DVD data and sums its title sets. A title set counts its VOB files from part 1 on;
// the list stops before the first title set without content, and is not limited to 31 entries.
DvdScanResult ScanDVD(const DvdScanInput &input, const DvdTranslate &translate = DvdSourceText);

} // namespace kbx
