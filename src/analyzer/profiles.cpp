#include "analyzer/profiles.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace kbx {

namespace {

// Profile files are a few kilobytes; anything far larger is not one of ours.
constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

QStringList ReadLines(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Reading with the cap as the size would allocate the whole cap for every small file.
    const qint64 size = file.size();
    const QString text = QString::fromUtf8(file.read(size > 0 ? qMin(size, MaxFileSize) : MaxFileSize));
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The name of a "[name]" line; false for other lines.
bool SectionOf(const QString &line, QString &name)
{
    const QString t = line.trimmed();
    if (!t.startsWith(QLatin1Char('[')))
        return false;
    const qsizetype close = t.indexOf(QLatin1Char(']'));
    if (close < 0)
        return false;
    name = t.mid(1, close - 1).trimmed();
    return true;
}

// Key and value of a "key=value" line; false for lines without "=" and comments.
bool KeyOf(const QString &line, QString &key, QString &value)
{
    const QString t = line.trimmed();
    if (t.startsWith(QLatin1Char(';')))
        return false;
    const qsizetype eq = t.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return false;
    key = t.left(eq).trimmed();
    value = t.mid(eq + 1).trimmed();
    return true;
}

bool SameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Decimal integer within 32 bits, optional sign.
bool DecimalInt(const QString &text, qint32 &value)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            && !(i == 0 && (c == QLatin1Char('-') || c == QLatin1Char('+'))))
            return false;
    }
    bool ok = false;
    value = t.toInt(&ok);
    return ok;
}

QString OneLine(QString text)
{
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

} // namespace

int WidthOfType(int type)
{
    const int low = type & 0xFF;
    return low == 8 ? 8 : low == 16 ? 16 : 32;
}

bool ProfileBool(const QString &text)
{
    qint32 n = 0;
    if (DecimalInt(text, n))
        return n != 0;
    const QString t = text.trimmed();
    if (SameName(t, QStringLiteral("true")))
        return true;
    if (SameName(t, QStringLiteral("false")))
        return false;
    throw EConvertError(QStringLiteral("'%1' is not a valid boolean value").arg(text).toStdString());
}

QString ProfileBoolText(bool value)
{
    return value ? QStringLiteral("-1") : QStringLiteral("0");
}

TVobProfileFile::TVobProfileFile(const QString &folder)
    : m_fileName(QDir(folder).filePath(QStringLiteral("analyzeVOB.ini")))
{
}

QStringList TVobProfileFile::SectionNames() const
{
    QStringList names;
    QString name;
    for (const QString &line : ReadLines(m_fileName)) {
        if (SectionOf(line, name) && !name.isEmpty()) {
            bool seen = false;
            for (const QString &n : names)
                seen = seen || SameName(n, name);
            if (!seen)
                names.append(name);
        }
    }
    return names;
}

void TVobProfileFile::LoadProfile(const QString &name, TVobProfile &profile) const
{
    // Keys of the first section of that name; later duplicates of a key are ignored.
    QList<QPair<QString, QString>> keys;
    bool inside = false;
    bool found = false;
    QString section;
    QString key;
    QString value;
    for (const QString &line : ReadLines(m_fileName)) {
        if (SectionOf(line, section)) {
            if (found && inside)
                break;
            inside = SameName(section, name);
            found = found || inside;
        } else if (inside && KeyOf(line, key, value)) {
            keys.append({key, value});
        }
    }
    auto get = [&](const char *k, const QString &fallback) {
        for (const auto &kv : keys) {
            if (SameName(kv.first, QLatin1String(k)))
                return kv.second;
        }
        return fallback;
    };
    const QString empty;
    const QString one = QStringLiteral("1");
    const QString zero = QStringLiteral("0");
    profile.offset = get("offset", empty);
    profile.offsetInc = get("offsetInc", empty);
    qint32 type = 1;
    if (!DecimalInt(get("type", one), type))
        type = 1;
    profile.type = type;
    profile.nav = ProfileBool(get("p_nav", one));
    profile.aud = ProfileBool(get("p_aud", one));
    profile.vid = ProfileBool(get("p_vid", one));
    profile.range0 = get("range0", empty);
    profile.range1 = get("range1", empty);
    profile.range = ProfileBool(get("range", one));
    profile.isSigned = ProfileBool(get("signed", zero));
    profile.diffs = ProfileBool(get("diffs", zero));
}

bool TVobProfileFile::ValidProfileName(const QString &name)
{
    if (name.trimmed().isEmpty())
        return false;
    for (const QChar c : name) {
        if (c == QLatin1Char('[') || c == QLatin1Char(']') || c == QLatin1Char('\r')
            || c == QLatin1Char('\n'))
            return false;
    }
    return true;
}

bool TVobProfileFile::SaveProfile(const QString &name, const TVobProfile &p) const
{
    if (!ValidProfileName(name))
        return false;
    const QString section = name.trimmed();
    const QList<QPair<QString, QString>> values = {
        {QStringLiteral("offset"), OneLine(p.offset)},
        {QStringLiteral("offsetInc"), OneLine(p.offsetInc)},
        {QStringLiteral("type"), QString::number(p.type)},
        {QStringLiteral("p_nav"), ProfileBoolText(p.nav)},
        {QStringLiteral("p_aud"), ProfileBoolText(p.aud)},
        {QStringLiteral("p_vid"), ProfileBoolText(p.vid)},
        {QStringLiteral("range0"), OneLine(p.range0)},
        {QStringLiteral("range1"), OneLine(p.range1)},
        {QStringLiteral("range"), ProfileBoolText(p.range)},
        {QStringLiteral("signed"), ProfileBoolText(p.isSigned)},
        {QStringLiteral("diffs"), ProfileBoolText(p.diffs)},
    };

    QStringList lines = ReadLines(m_fileName);
    // Find the section and drop its keys we are about to write; keep anything else in it.
    qsizetype start = -1;
    qsizetype end = lines.size();
    QString current;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (SectionOf(lines.at(i), current)) {
            if (start >= 0) {
                end = i;
                break;
            }
            if (SameName(current, section))
                start = i;
        }
    }
    QStringList block;
    for (const auto &kv : values)
        block.append(kv.first + QLatin1Char('=') + kv.second);
    if (start < 0) {
        lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
        lines.append(block);
    } else {
        QStringList kept;
        QString key;
        QString value;
        for (qsizetype i = start + 1; i < end; ++i) {
            bool ours = false;
            if (KeyOf(lines.at(i), key, value)) {
                for (const auto &kv : values)
                    ours = ours || SameName(kv.first, key);
            }
            if (!ours && !lines.at(i).trimmed().isEmpty())
                kept.append(lines.at(i));
        }
        QStringList rebuilt = lines.mid(0, start + 1);
        rebuilt.append(block);
        rebuilt.append(kept);
        if (end < lines.size())
            rebuilt.append(QString());
        rebuilt.append(lines.mid(end));
        lines = rebuilt;
    }

    QSaveFile file(m_fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray data;
    for (const QString &line : lines)
        data += line.toUtf8() + "\r\n";
    file.write(data);
    return file.commit();
}

QString ContributionMailUrl(const QStringList &fileLines, const QString &address)
{
    const QString cr = QStringLiteral("\r");
    const QString crlf = QStringLiteral("\r\n");
    QString body = cr + cr + cr + QString(30, QLatin1Char('-')) + cr
        + QStringLiteral("analyzeVOB.ini:") + cr + cr;
    for (const QString &line : fileLines)
        body += line + crlf;
    // "%", "&" and "#" would otherwise end or garble the body; escape them before the rest.
    body.replace(QLatin1Char('%'), QStringLiteral("%25"));
    body.replace(QLatin1Char('&'), QStringLiteral("%26"));
    body.replace(QLatin1Char('#'), QStringLiteral("%23"));
    body.replace(QLatin1Char(' '), QStringLiteral("%20"));
    body.replace(crlf, QStringLiteral("%0D%0A"));
    body.replace(cr, QStringLiteral("%0D%0A"));
    return QStringLiteral("mailto:") + address
        + QStringLiteral("?subject=Analyze%20VOB%20contribution&body=") + body;
}

} // namespace kbx
