#pragma once
#include "common/seam.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class QByteArray;

namespace kbx {

/// One mounted volume: what the program asks of a drive.
struct Volume
{
    QString rootPath;        ///< mount point, e.g. "/" or "/media/cdrom"
    QString device;          ///< e.g. "/dev/sr0"
    QString fileSystemType;  ///< e.g. "ext4", "vfat", "iso9660"
    qint64 bytesFree = 0;    ///< available to this user
    qint64 bytesTotal = 0;
    bool readOnly = false;   ///< mounted read-only
    bool optical = false;    ///< ISO 9660 / UDF, or an optical drive's device

    /// Read-only media as the program means it: mounted read-only, or without any free space.
    bool readOnlyMedia() const { return readOnly || bytesFree == 0; }
};

/// The volumes seam. The default lists the mounted volumes through QStorageInfo in mount-table
/// order; tests install a fixed list (FakeVolumes in fakeplatform.h).
class Volumes : public Seam<Volumes>
{
public:
    virtual ~Volumes();

    /// The mounted volumes, in mount-table order.
    virtual QList<Volume> mountedVolumes() const = 0;

    /// The installed volumes, or the system's when none is installed.
    static Volumes &instance();
};

/// The system's volumes: QStorageInfo, ordered as /proc/self/mounts lists them where that exists.
class SystemVolumes : public Volumes
{
public:
    QList<Volume> mountedVolumes() const override;
};

// The volume holding `path`: the one whose root is the longest folder-boundary prefix of the
// path, symbolic links of its existing part resolved. Of two volumes on the same root the later
// mount wins, as it hides the earlier one.
std::optional<Volume> VolumeFor(const QString &path);
// Whether a file on `path` is limited to 4 GiB − 1 bytes (the FAT family; exFAT is not limited).
bool HasFourGiBLimit(const QString &path);
// Whether `path` lies on an optical volume.
bool IsOptical(const QString &path);

bool IsFatFamily(const QString &fileSystemType);
bool IsOpticalVolume(const QString &device, const QString &fileSystemType);

// The mount points of a /proc/self/mounts text, in order, with its octal escapes ("\040") decoded.
QStringList MountTablePoints(const QByteArray &mountTable);
// Orders `volumes` stably by the position of their root in `mountPoints`; unknown roots go last.
void SortByMountTable(QList<Volume> &volumes, const QStringList &mountPoints);

} // namespace kbx
