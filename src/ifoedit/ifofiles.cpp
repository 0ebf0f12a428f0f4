#include "ifoedit/ifofiles.h"

#include "dvd/dvdnames.h"
#include "engine/hugefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>

namespace kbx {

namespace {

constexpr qint64 PackBytes = 2048;
const uint8_t SequenceHeaderCode[4] = {0x00, 0x00, 0x01, 0xB3};

QStringList namesMatching(const QStringList &names, const char *mask)
{
    QStringList found;
    for (const QString &name : names) {
        if (MaskMatch(QLatin1String(mask), name.toLower()))
            found.append(name);
    }
    return found;
}

void openForPatching(TQsHugeFile &file)
{
    // No private buffer: every byte goes straight to the file, read or written exactly once.
    const int result = file.Reset(1, 0, 0);
    if (result == OpenOk)
        return;
    const int code = int(file.LastError());
    std::string message = "TQsHugeFile.Reset(" + file.FileName() + ") failed. ";
    if (result == OpenInUse)
        message += "The file is locked by another open.";
    else
        message += "System error.  Code: " + std::to_string(code) + ".\r\n"
                   + std::system_category().message(code);
    throw EQsHugeFile(message, HelpSystemError);
}

// The handle reports read and write errors itself; a short transfer at the end is ours to catch.
uint8_t readByte(TQsHugeFile &file, qint64 offset)
{
    uint8_t byte = 0;
    int64_t got = 0;
    file.Seek(offset);
    file.BlockRead(&byte, 1, got);
    if (got != 1)
        throw EQsHugeFile("TQsHugeFile.BlockRead(" + file.FileName() + ") failed. Unexpected end of file.",
                          HelpSystemCall);
    return byte;
}

void writeByte(TQsHugeFile &file, qint64 offset, uint8_t byte)
{
    int64_t put = 0;
    file.Seek(offset);
    file.BlockWrite(&byte, 1, put);
    if (put != 1)
        throw EQsHugeFile("TQsHugeFile.BlockWrite(" + file.FileName() + ") failed. Nothing was written.",
                          HelpSystemCall);
}

// Offset of the first sequence header starting in the second pack, preferring `anchor`; -1 if none.
qint64 findSequenceHeader(TQsHugeFile &file, qint64 size, qint64 anchor)
{
    const qint64 end = std::min(size, 2 * PackBytes);
    if (end - PackBytes < 4)
        return -1;
    std::vector<uint8_t> pack(size_t(end - PackBytes));
    int64_t got = 0;
    file.Seek(PackBytes);
    file.BlockRead(pack.data(), int64_t(pack.size()), got);
    const auto at = [&](qint64 offset) {
        return offset >= PackBytes && offset + 4 <= PackBytes + got
               && std::memcmp(pack.data() + (offset - PackBytes), SequenceHeaderCode, 4) == 0;
    };
    if (at(anchor))
        return anchor;
    for (qint64 offset = PackBytes; offset + 4 <= PackBytes + got; ++offset) {
        if (at(offset))
            return offset;
    }
    return -1;
}

} // namespace

QList<TIFOListedFile> ListIFOFolder(const QString &folder, bool includeBups)
{
    QList<TIFOListedFile> listed;
    QDir dir(folder);
    if (folder.isEmpty() || !dir.exists())
        return listed;
    const QStringList names =
        dir.entryList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    for (const QString &name : namesMatching(names, "*.ifo"))
        listed.append({name, name});
    if (includeBups) {
        for (const QString &name : namesMatching(names, "*.bup"))
            listed.append({name, name});
    }
    for (const char *mask : {"*.vob", "*.mpg", "*.mpeg"}) {
        for (const QString &name : namesMatching(names, mask))
            listed.append({name.toUpper(), name});
    }
    return listed;
}

QStringList TitleNumbers(const QStringList &shownNames)
{
    QStringList titles;
    for (int title = 1; title <= MaxTitleSets && shownNames.contains(TitleVobName(title, 1)); ++title)
        titles.append(TitleNumberText(title));
    return titles;
}

QString FullFileName(const QString &folder, const QString &name)
{
    if (folder.isEmpty())
        return name;
    return QFileInfo(WithTrailingSlash(folder) + name).absoluteFilePath();
}

PatchResult PatchFile(const QString &path, const QList<TEditEntry> &edits, qint64 anchor)
{
    TQsHugeFile file(QFile::encodeName(path).toStdString());
    openForPatching(file);
    PatchResult result;
    const qint64 size = file.FileSize();
    if (anchor >= 0) {
        const qint64 found = findSequenceHeader(file, size, anchor);
        if (found < 0) {
            result.outcome = size < anchor + 4 ? PatchOutcome::TooShort : PatchOutcome::NoSequenceHeader;
            file.Close();
            return result;
        }
        result.shift = found - anchor;
    }
    for (const TEditEntry &edit : edits) {
        const qint64 offset = qint64(edit.offset) + result.shift;
        if (offset < 0 || offset >= size) {
            result.outcome = PatchOutcome::TooShort;
            file.Close();
            return result;
        }
    }
    for (const TEditEntry &edit : edits) {
        const qint64 offset = qint64(edit.offset) + result.shift;
        if (edit.value >= 0) {
            writeByte(file, offset, uint8_t(edit.value % 256));
        } else {
            const auto mask = uint8_t((-qint64(edit.value)) % 256);
            writeByte(file, offset, uint8_t(readByte(file, offset) ^ mask));
        }
    }
    file.Close();
    return result;
}

} // namespace kbx
