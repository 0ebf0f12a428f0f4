#include "dvd/dvdnames.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace kbx {

QString TitleNumberText(int title)
{
    QString text = QString::number(title);
    if (text.size() < 2)
        text.prepend(QLatin1Char('0'));
    return text;
}

QString TitleVobName(int title, int part)
{
    return QStringLiteral("VTS_%1_%2.VOB").arg(TitleNumberText(title)).arg(part);
}

QString TitleIfoName(int title)
{
    return QStringLiteral("VTS_%1_0.IFO").arg(TitleNumberText(title));
}

QString TitleBupName(int title)
{
    return QStringLiteral("VTS_%1_0.BUP").arg(TitleNumberText(title));
}

namespace {

QRegularExpression MaskExpression(const QString &mask)
{
    // "*.*" meant "every file" even for names without a dot.
    const QString pattern = mask == QLatin1String("*.*") ? QStringLiteral("*") : mask;
    QString expression;
    for (const QChar c : pattern) {
        if (c == QLatin1Char('*'))
            expression += QLatin1String(".*");
        else if (c == QLatin1Char('?'))
            expression += QLatin1Char('.');
        else
            expression += QRegularExpression::escape(QString(c));
    }
    return QRegularExpression(QRegularExpression::anchoredPattern(expression),
                              QRegularExpression::CaseInsensitiveOption
                                  | QRegularExpression::DotMatchesEverythingOption);
}

} // namespace

bool WildcardMatch(const QString &mask, const QString &name)
{
    return MaskExpression(mask).match(name).hasMatch();
}

qint64 SumFileSizes(const QString &folder, const QString &mask)
{
    if (folder.isEmpty())
        return 0;
    const QRegularExpression expression = MaskExpression(mask);
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    qint64 sum = 0;
    for (const QFileInfo &entry : entries) {
        if (entry.isFile() && expression.match(entry.fileName()).hasMatch())
            sum += entry.size();
    }
    return sum;
}

QString FindEntryNoCase(const QString &folder, const QString &name)
{
    if (folder.isEmpty() || name.isEmpty())
        return QString();
    const QDir dir(folder);
    if (QFileInfo::exists(dir.filePath(name)))
        return dir.filePath(name);
    const QStringList entries =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    }
    return QString();
}

QString WithTrailingSlash(const QString &folder)
{
    QString text = folder;
    while (text.size() > 1 && text.endsWith(QLatin1Char('/')))
        text.chop(1);
    if (!text.endsWith(QLatin1Char('/')))
        text += QLatin1Char('/');
    return text;
}

} // namespace kbx
