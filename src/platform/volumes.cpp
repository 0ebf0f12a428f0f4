#include "platform/volumes.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>

namespace kbx {

namespace {

// Absolute and cleaned, with the links of its longest existing ancestor resolved: the output of
// a job does not exist yet, but the folder it goes to may be a link onto another volume.
QString resolvedPath(const QString &path)
{
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QString head = absolute;
    QString tail;
    for (;;) {
        const QString canonical = QFileInfo(head).canonicalFilePath();
        if (!canonical.isEmpty())
            return canonical == QLatin1String("/") ? (tail.isEmpty() ? canonical : tail) : canonical + tail;
        const qsizetype slash = head.lastIndexOf(QLatin1Char('/'));
        if (slash < 0 || head == QLatin1String("/"))
            return absolute;
        tail.prepend(head.mid(slash));
        head.truncate(std::max<qsizetype>(slash, 1));
    }
}

bool rootHolds(const QString &root, const QString &path)
{
    if (root == QLatin1String("/"))
        return path.startsWith(QLatin1Char('/'));
    return path == root || (path.startsWith(root) && path.at(root.size()) == QLatin1Char('/'));
}

} // namespace

Volumes::~Volumes() = default;

Volumes &Volumes::instance()
{
    return InstanceOr<SystemVolumes>();
}

QList<Volume> SystemVolumes::mountedVolumes() const
{
    QList<Volume> volumes;
    const QList<QStorageInfo> infos = QStorageInfo::mountedVolumes();
    for (const QStorageInfo &info : infos) {
        if (!info.isValid())
            continue;
        Volume volume;
        volume.rootPath = info.rootPath();
        volume.device = QString::fromLocal8Bit(info.device());
        volume.fileSystemType = QString::fromLatin1(info.fileSystemType());
        volume.bytesFree = std::max<qint64>(info.bytesAvailable(), 0);
        volume.bytesTotal = std::max<qint64>(info.bytesTotal(), 0);
        volume.readOnly = info.isReadOnly();
        volume.optical = IsOpticalVolume(volume.device, volume.fileSystemType);
        volumes.append(volume);
    }
    QFile table(QStringLiteral("/proc/self/mounts"));
    if (table.open(QIODevice::ReadOnly))
        SortByMountTable(volumes, MountTablePoints(table.readAll()));
    return volumes;
}

std::optional<Volume> VolumeFor(const QString &path)
{
    if (path.isEmpty())
        return std::nullopt;
    const QString resolved = resolvedPath(path);
    std::optional<Volume> best;
    const QList<Volume> volumes = Volumes::instance().mountedVolumes();
    for (const Volume &volume : volumes) {
        const QString root = volume.rootPath.size() > 1 && volume.rootPath.endsWith(QLatin1Char('/'))
            ? volume.rootPath.chopped(1) : volume.rootPath;
        if (root.isEmpty() || !rootHolds(root, resolved))
            continue;
        if (!best || root.size() >= best->rootPath.size()) {
            best = volume;
            best->rootPath = root;
        }
    }
    return best;
}

bool HasFourGiBLimit(const QString &path)
{
    const std::optional<Volume> volume = VolumeFor(path);
    return volume && IsFatFamily(volume->fileSystemType);
}

bool IsOptical(const QString &path)
{
    const std::optional<Volume> volume = VolumeFor(path);
    return volume && volume->optical;
}

bool IsFatFamily(const QString &fileSystemType)
{
    static const QStringList fat = {QStringLiteral("vfat"), QStringLiteral("msdos"), QStringLiteral("fat"),
                                    QStringLiteral("umsdos")};
    return fat.contains(fileSystemType, Qt::CaseInsensitive);
}

bool IsOpticalVolume(const QString &device, const QString &fileSystemType)
{
    if (fileSystemType.compare(QLatin1String("iso9660"), Qt::CaseInsensitive) == 0
        || fileSystemType.compare(QLatin1String("udf"), Qt::CaseInsensitive) == 0)
        return true;
    return device.startsWith(QLatin1String("/dev/sr")) || device.startsWith(QLatin1String("/dev/scd"));
}

QStringList MountTablePoints(const QByteArray &mountTable)
{
    QStringList points;
    const QList<QByteArray> lines = mountTable.split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 2)
            continue;
        const QByteArray &field = fields.at(1);
        QByteArray point;
        for (qsizetype i = 0; i < field.size(); ++i) {
            const char c = field.at(i);
            if (c == '\\' && i + 3 < field.size() && field.at(i + 1) >= '0' && field.at(i + 1) <= '3') {
                bool ok = false;
                const int code = field.mid(i + 1, 3).toInt(&ok, 8);
                if (ok) {
                    point.append(char(code));
                    i += 3;
                    continue;
                }
            }
            point.append(c);
        }
        points.append(QString::fromLocal8Bit(point));
    }
    return points;
}

void SortByMountTable(QList<Volume> &volumes, const QStringList &mountPoints)
{
    if (mountPoints.isEmpty())
        return;
    auto position = [&mountPoints](const Volume &volume) {
        const qsizetype index = mountPoints.indexOf(volume.rootPath);
        return index < 0 ? mountPoints.size() : index;
    };
    std::stable_sort(volumes.begin(), volumes.end(),
                     [&](const Volume &a, const Volume &b) { return position(a) < position(b); });
}

} // namespace kbx
