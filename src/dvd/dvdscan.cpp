#include "dvd/dvdscan.h"

#include "dvd/dvdnames.h"
#include "engine/hugefile.h"

#include <QDir>
#include <QFileInfo>

namespace kbx {

QString DvdSourceText(const char *text)
{
    return QString::fromUtf8(text);
}

namespace {

const QString FirstContentMask = QStringLiteral("vts_01_1.vob");

bool IsFolder(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

} // namespace

QString ProbeDrive(const Volume &volume, bool includeHdds)
{
    if (!includeHdds && !volume.readOnlyMedia() && !volume.optical)
        return QString();
    if (volume.bytesTotal < 1)
        return QString();
    const QString folder = FindEntryNoCase(volume.rootPath, QStringLiteral("Video_ts"));
    if (!IsFolder(folder))
        return QString();
    if (SumFileSizes(folder, FirstContentMask) <= 0)
        return QString();
    return WithTrailingSlash(folder);
}

DvdLocation LocateDVD(const QString &locationText, bool locationEnabled, bool includeHdds)
{
    DvdLocation result;
    if (locationEnabled && !locationText.isEmpty()) {
        const QString text = QDir::cleanPath(locationText);
        const QFileInfo info(text);
        // A relative text would depend on the process's current folder, which means nothing here:
        // it is classified by its name only and never entered.
        const bool enterable = !QDir::isRelativePath(text);
        // A folder name may carry a dot here ("/home/a.b/VIDEO_TS"), so only a name that is not an
        // existing folder and whose last part has a dot is taken as a file.
        result.locationIsFile = !(enterable && info.isDir()) && info.fileName().contains(QLatin1Char('.'));
        if (enterable && result.locationIsFile && IsFolder(info.path())) {
            result.dvdPath = WithTrailingSlash(info.path());
            return result;
        }
        if (enterable && !result.locationIsFile && IsFolder(text) && SumFileSizes(text, FirstContentMask) > 0) {
            result.dvdPath = WithTrailingSlash(text);
            return result;
        }
    }
    const QList<Volume> volumes = Volumes::instance().mountedVolumes();
    for (const Volume &volume : volumes) {
        const QString folder = ProbeDrive(volume, includeHdds);
        if (!folder.isEmpty()) {
            result.dvdPath = folder;
            break;
        }
    }
    return result;
}

DvdScanResult ScanDVD(const DvdScanInput &input, const DvdTranslate &translate)
{
    DvdScanResult result;
    result.location = LocateDVD(input.locationText, input.locationEnabled, input.includeHdds);
    const QString &dvdPath = result.location.dvdPath;
    if (dvdPath.isEmpty()) {
        result.status1 = translate("Please insert a DVD and retry!");
        return result;
    }

    if (result.location.locationIsFile) {
        result.probedFile = QDir::cleanPath(input.locationText);
    } else {
        const QString title = input.selectedTitle.isEmpty() ? QStringLiteral("01") : input.selectedTitle;
        const QString name = QStringLiteral("Vts_%1_1.vob").arg(title);
        QString found = FindEntryNoCase(dvdPath, name);
        // The selection may stem from another disc; title 1 is there, or the folder was not taken.
        if (found.isEmpty())
            found = FindEntryNoCase(dvdPath, QStringLiteral("Vts_01_1.vob"));
        result.probedFile = found.isEmpty() ? dvdPath + name : found;
    }
    result.readMessage = !ProbeMpegPacks(result.probedFile.toStdString(), result.probe);
    if (result.probe.MpegKind == MpegNone) {
        result.status1 = translate("MPEG file read error!");
        return result;
    }

    if (result.location.locationIsFile) {
        result.status1 = translate(result.probe.MpegKind == MpegDvd ? "DVD backup found as" : "SVCD video found as")
            + QStringLiteral(" \"") + input.locationText + QStringLiteral("\".");
        const qint64 size = HugeFileSize(result.probedFile.toStdString());
        result.hasCapacity = true;
        result.capacity = size;
        result.titlesReplaced = true;
        result.titleItems = {QStringLiteral("01")};
        result.titleSizes = {size};
        return result;
    }

    // Only a medium without free space can be told apart by its size.
    const std::optional<Volume> volume = VolumeFor(dvdPath);
    if (!volume || !volume->readOnlyMedia()) {
        result.discType = translate("Unknown");
    } else if (volume->bytesTotal > Dvd9Threshold) {
        result.discType = QStringLiteral("DVD9");
        result.badge = DvdBadge::Dvd9;
    } else {
        result.discType = QStringLiteral("DVD5");
        result.badge = DvdBadge::Dvd5;
    }
    QString shown = dvdPath;
    if (shown.size() > 1)
        shown.chop(1);
    result.status1 = result.discType + QLatin1Char(' ') + translate("disc found in") + QStringLiteral(" \"")
        + shown + QStringLiteral("\".");

    result.hasCapacity = true;
    result.capacity = SumFileSizes(dvdPath, QStringLiteral("*.*"));
    result.titlesReplaced = true;
    qint64 largest = 0;
    for (int k = 1; k <= MaxTitleSets; ++k) {
        const QString tt = TitleNumberText(k);
        const qint64 size = SumFileSizes(dvdPath, QStringLiteral("vts_%1*.vob").arg(tt))
            - SumFileSizes(dvdPath, QStringLiteral("vts_%1_0.vob").arg(tt));
        if (size <= 0)
            break;
        result.titleItems << tt;
        result.titleSizes << size;
        if (size > largest) {
            largest = size;
            result.largestTitle = k;
        }
    }
    result.status0 = QString::number(result.titleItems.size()) + QLatin1Char(' ') + translate("titles found");
    return result;
}

} // namespace kbx
