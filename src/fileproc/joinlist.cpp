#include "fileproc/joinlist.h"

#include "engine/hugefile.h"
#include "common/paths.h"
#include "fileproc/filenames.h"
#include "fileproc/functions.h"
#include "platform/userfolders.h"
#include "platform/volumes.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <iterator>

namespace kbx {

namespace {

const QChar Quote = QLatin1Char('"');
const QChar Separator = QLatin1Char('/');

// The name before the last "=": sizes hold no "=", paths may.
qsizetype valueSeparator(const QString &entry)
{
    return entry.lastIndexOf(QLatin1Char('='));
}

// One decimal at most, none when whole, in the user's notation.
QString tenthsText(qint64 tenths, const QLocale &locale)
{
    const QString sign = tenths < 0 ? QStringLiteral("-") : QString();
    const qint64 magnitude = tenths < 0 ? -tenths : tenths;
    QString text = sign + QString::number(magnitude / 10);
    if (magnitude % 10 != 0)
        text += locale.decimalPoint() + QString::number(magnitude % 10);
    return text;
}

} // namespace

QString JoinEntryText(const QString &path, qint64 size)
{
    return Quote + path + Quote + QLatin1Char('=') + QString::number(size);
}

QString JoinEntryPath(const QString &entry)
{
    const qsizetype equals = valueSeparator(entry);
    const QString name = equals < 0 ? entry : entry.left(equals);
    if (name.size() >= 2 && name.startsWith(Quote) && name.endsWith(Quote))
        return name.mid(1, name.size() - 2);
    return name;
}

qint64 JoinEntrySize(const QString &entry)
{
    const qsizetype equals = valueSeparator(entry);
    if (equals < 0)
        return 0;
    bool ok = false;
    const qint64 size = entry.mid(equals + 1).trimmed().toLongLong(&ok);
    return ok ? size : 0;
}

QString ReadableSizeText(qint64 size, const QLocale &locale)
{
    if (size < 0)
        return QString();
    if (size < 1024)
        return QString::number(size) + QStringLiteral(" B");
    static const char *const Units[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
    // The unit is chosen after rounding, so that 1023.96 KB reads "1 MB", not "1024 KB".
    double value = double(size) / 1024;
    std::size_t unit = 0;
    while (Nearest(value * 10) >= 10240 && unit + 1 < std::size(Units)) {
        value /= 1024;
        ++unit;
    }
    return tenthsText(Nearest(value * 10), locale) + QLatin1Char(' ') + QLatin1String(Units[unit]);
}

QString JoinEntryCaption(const QString &entry, const QLocale &locale, const TextLookup &translate)
{
    const qint64 size = JoinEntrySize(entry);
    const QString sizeText = size < 0 ? Translated(translate, QStringLiteral("unreadable"))
                                      : ReadableSizeText(size, locale);
    return FileNamePart(JoinEntryPath(entry)) + QStringLiteral(" \u2014 ") + sizeText;
}

qint64 JoinSizeOf(const QStringList &entries, const QList<bool> &selected, bool selectedOnly, int *count)
{
    qint64 sum = 0;
    int summed = 0;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (selectedOnly && !(i < selected.size() && selected.at(i)))
            continue;
        sum += JoinEntrySize(entries.at(i));
        ++summed;
    }
    if (count)
        *count = summed;
    return sum;
}

QString JoinHintText(const QStringList &entries, const QList<bool> &selected, const QLocale &locale,
                     const TextLookup &translate)
{
    int count = 0;
    const qint64 size = JoinSizeOf(entries, selected, true, &count);
    if (count == 0)
        return Translated(translate, QStringLiteral("select files to compute their concatenated size"));
    return QString::number(size) + QStringLiteral(" Bytes (") + tenthsText(Nearest(size / 104857.6), locale)
        + QStringLiteral(" MB) in ") + QString::number(count) + QLatin1Char(' ')
        + Translated(translate, QStringLiteral("files selected"));
}

QList<FolderFile> CollectFolderFiles(const QString &folder, QStringList *leftOut)
{
    const FolderListing listing = ListFolderTree(folder);
    QList<FolderFile> files;
    files.reserve(listing.files.size());
    for (const QString &path : listing.files)
        files.append({path, ReadableSize(path)});
    if (leftOut)
        *leftOut = listing.leftOut;
    return files;
}

bool JoinEntryLess(const QString &a, const QString &b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype iEnd = i, jEnd = j;
            while (iEnd < a.size() && a[iEnd].isDigit())
                ++iEnd;
            while (jEnd < b.size() && b[jEnd].isDigit())
                ++jEnd;
            // Leading zeros do not change a value; the longer remaining run is the larger number.
            qsizetype iStart = i, jStart = j;
            while (iStart + 1 < iEnd && a[iStart] == u'0')
                ++iStart;
            while (jStart + 1 < jEnd && b[jStart] == u'0')
                ++jStart;
            const QStringView x = QStringView(a).mid(iStart, iEnd - iStart);
            const QStringView y = QStringView(b).mid(jStart, jEnd - jStart);
            if (x.size() != y.size())
                return x.size() < y.size();
            if (const int c = x.compare(y); c != 0)
                return c < 0;
            // Same value: fewer leading zeros first, so the order stays total.
            if (iEnd - i != jEnd - j)
                return iEnd - i < jEnd - j;
            i = iEnd;
            j = jEnd;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j];
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

} // namespace kbx
