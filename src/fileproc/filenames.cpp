#include "fileproc/filenames.h"

#include "engine/hugefile.h"

#include <dirent.h>
#include <sys/stat.h>

namespace kbx {

namespace {

// The length of the valid UTF-8 sequence at `at`, or 0 when the byte there starts none.
int validSequence(const QByteArray &bytes, qsizetype at)
{
    const auto byte = [&](qsizetype i) { return quint8(bytes.at(i)); };
    const quint8 lead = byte(at);
    if (lead < 0x80)
        return 1;
    int length = 0;
    quint32 min = 0;
    quint32 code = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, min = 0x80, code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, min = 0x800, code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, min = 0x10000, code = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    // Overlong forms, surrogates and values past Unicode are not text.
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

bool statOf(const QString &name, struct stat *info)
{
    return !name.isEmpty() && ::stat(BytesOfName(name).constData(), info) == 0;
}

void listInto(const QString &folder, FolderListing &listing)
{
    DIR *dir = ::opendir(BytesOfName(folder).constData());
    if (!dir) {
        listing.leftOut << folder;
        return;
    }
    QList<QByteArray> names;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names << name;
    }
    ::closedir(dir);
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    for (const QByteArray &name : names) {
        const QString path = prefix + NameFromBytes(name);
        struct stat own {};
        if (::lstat(BytesOfName(path).constData(), &own) == 0 && S_ISDIR(own.st_mode)) {
            listInto(path, listing);
            continue;
        }
        // A link to a folder is not followed (it could loop); it is no file either.
        if (S_ISLNK(own.st_mode) && KindOf(path) == NameKind::Folder)
            continue;
        listing.files << path;
    }
}

} // namespace

QString NameFromBytes(const QByteArray &bytes)
{
    QString text;
    qsizetype at = 0;
    while (at < bytes.size()) {
        const int length = validSequence(bytes, at);
        if (length == 0) {
            text += QChar(ushort(0xDC00 + quint8(bytes.at(at))));
            ++at;
            continue;
        }
        text += QString::fromUtf8(bytes.constData() + at, length);
        at += length;
    }
    return text;
}

QByteArray BytesOfName(const QString &name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype from = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const ushort unit = name.at(i).unicode();
        const bool pairHigh = QChar::isHighSurrogate(unit) && i + 1 < name.size() && name.at(i + 1).isLowSurrogate();
        const bool pairLow = QChar::isLowSurrogate(unit) && i > 0 && name.at(i - 1).isHighSurrogate();
        if (unit >= 0xDC80 && unit <= 0xDCFF && !pairHigh && !pairLow) {
            bytes += name.mid(from, i - from).toUtf8();
            bytes += char(unit - 0xDC00);
            from = i + 1;
        }
    }
    bytes += name.mid(from).toUtf8();
    return bytes;
}

NameKind KindOf(const QString &name)
{
    struct stat info {};
    if (!statOf(name, &info))
        return NameKind::Missing;
    if (S_ISREG(info.st_mode))
        return NameKind::Regular;
    if (S_ISBLK(info.st_mode))
        return NameKind::BlockDevice;
    if (S_ISDIR(info.st_mode))
        return NameKind::Folder;
    return NameKind::Special;
}

qint64 ReadableSize(const QString &name)
{
    const NameKind kind = KindOf(name);
    if (kind != NameKind::Regular && kind != NameKind::BlockDevice)
        return -1;
    return HugeFileSize(BytesOfName(name).toStdString());
}

bool SameFile(const QString &a, const QString &b)
{
    struct stat first {}, second {};
    return statOf(a, &first) && statOf(b, &second) && first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

FolderListing ListFolderTree(const QString &folder)
{
    FolderListing listing;
    if (!folder.isEmpty())
        listInto(folder, listing);
    return listing;
}

} // namespace kbx
