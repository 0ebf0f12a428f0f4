// Arbitrary bytes as the analyzer's profile file: the section list, loading every profile, saving
// one back and the contribution mail built from the file. Nothing may crash; a saved profile loads
// back as it was, and the other profiles do not change.

#include "analyzer/profiles.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>

namespace {

using namespace kbx;

void check(bool condition)
{
    if (!condition)
        std::abort();
}

std::optional<TVobProfile> load(const TVobProfileFile &file, const QString &name)
{
    TVobProfile p;
    try {
        file.LoadProfile(name, p);
    } catch (const EConvertError &) {
        return std::nullopt;
    }
    return p;
}

bool same(const TVobProfile &a, const TVobProfile &b)
{
    return a.offset == b.offset && a.offsetInc == b.offsetInc && a.type == b.type && a.nav == b.nav
        && a.aud == b.aud && a.vid == b.vid && a.range0 == b.range0 && a.range1 == b.range1
        && a.range == b.range && a.isSigned == b.isSigned && a.diffs == b.diffs;
}

// What a text field reads as once written: the writer keeps every profile on its own lines.
QString oneLine(QString text)
{
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    check(dir.isValid());
    const TVobProfileFile file(dir.path());
    {
        QFile f(file.fileName());
        check(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        check(f.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size));
    }

    const QStringList names = file.SectionNames();
    QList<std::optional<TVobProfile>> before;
    for (qsizetype i = 0; i < names.size(); ++i) {
        check(!names.at(i).isEmpty());
        for (qsizetype j = 0; j < i; ++j)
            check(names.at(i).compare(names.at(j), Qt::CaseInsensitive) != 0);
        before.append(load(file, names.at(i)));
        if (before.last()) {
            const int width = WidthOfType(before.last()->type);
            check(width == 8 || width == 16 || width == 32);
        }
    }
    // A missing section gives the defaults.
    if (!names.contains(QStringLiteral("no such profile"), Qt::CaseInsensitive))
        check(load(file, QStringLiteral("no such profile")).has_value());

    QFile f(file.fileName());
    check(f.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    f.close();
    const QString url = ContributionMailUrl(lines, QStringLiteral("a@b.example"));
    check(!url.contains(QLatin1Char(' ')) && !url.contains(QLatin1Char('\r')) && !url.contains(QLatin1Char('\n')));
    check(!url.contains(QLatin1Char('#')) && url.count(QLatin1Char('&')) == 1);

    // Save the first profile that loads under a name the writer accepts.
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (!before.at(i) || !TVobProfileFile::ValidProfileName(names.at(i)))
            continue;
        TVobProfile changed = *before.at(i);
        changed.diffs = !changed.diffs;
        changed.offset = oneLine(changed.offset);
        changed.offsetInc = oneLine(changed.offsetInc);
        changed.range0 = oneLine(changed.range0);
        changed.range1 = oneLine(changed.range1);
        check(file.SaveProfile(names.at(i), changed));
        const QStringList after = file.SectionNames();
        check(after.size() == names.size());
        for (qsizetype j = 0; j < names.size(); ++j) {
            const std::optional<TVobProfile> now = load(file, names.at(j));
            if (j == i) {
                check(now && same(*now, changed));
            } else {
                check(now.has_value() == before.at(j).has_value());
                if (now)
                    check(same(*now, *before.at(j)));
            }
        }
        break;
    }
    return 0;
}
