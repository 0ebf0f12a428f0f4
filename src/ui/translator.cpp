#include "ui/translator.h"

#include "ui/codepage.h"
#include "ui/dialogs.h"
#include "ui/program.h"
#include "ui/registry.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace kbx {

namespace {

std::unique_ptr<TTranslator> &translatorInstance()
{
    static std::unique_ptr<TTranslator> instance;
    return instance;
}

// Character by character, so that positions in the lower-cased text match those in the original
// (QString::toLower can lengthen a text, e.g. for U+0130).
QString lowered(const QString &text)
{
    QString result = text;
    for (QChar &ch : result)
        ch = ch.toLower();
    return result;
}

// Letters, digits and everything from "0" (48) up join a word; spaces and "!".."/" separate words.
bool separates(QChar ch)
{
    return ch.unicode() < 48;
}

QStringList splitLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (ch != QLatin1Char('\r') && ch != QLatin1Char('\n'))
            continue;
        lines << text.mid(start, i - start);
        if (ch == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines << text.mid(start);
    return lines;
}

} // namespace

QString StripAccelerators(const QString &text)
{
    if (!text.contains(QLatin1Char('&')))
        return text;
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('&')) {
            result += text.at(i);
        } else if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('&')) {
            result += QLatin1Char('&');
            ++i;
        }
    }
    return result;
}

bool TTranslator::LoadFromFile(const QString &fileName)
{
    const QString path = QFileInfo(fileName).isRelative() ? DataFile(fileName) : fileName;
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    LoadFromText(DecodeWindows1252(bytes));
    return true;
}

void TTranslator::LoadFromText(const QString &text)
{
    static const QString separator = QStringLiteral("\"=\"");
    m_sourceTexts.clear();
    m_sourceKeys.clear();
    m_translations.clear();
    for (const QString &line : splitLines(text)) {
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype p = line.indexOf(separator);
        if (p < 0)
            continue;
        // The first and last characters are taken as the enclosing quotes without being checked.
        const QString source = line.mid(1, qMax<qsizetype>(0, p - 1));
        const QString translation = line.mid(p + 3, qMax<qsizetype>(0, line.size() - p - 4));
        m_sourceTexts << StripAccelerators(source);
        m_sourceKeys << lowered(m_sourceTexts.last());
        m_translations << translation;
    }
}

QString TTranslator::Translate(const QString &text) const
{
    return translate(text, nullptr);
}

bool TTranslator::FindWhole(const QString &text, QString *translation) const
{
    const QString key = m_caseSensitive ? StripAccelerators(text) : lowered(StripAccelerators(text));
    const QStringList &keys = m_caseSensitive ? m_sourceTexts : m_sourceKeys;
    const qsizetype at = keys.indexOf(key);
    if (at < 0)
        return false;
    if (translation)
        *translation = m_translations.at(at);
    return true;
}

qsizetype TTranslator::TranslateWork(const QString &text) const
{
    qsizetype work = 0;
    translate(text, &work);
    return work;
}

QString TTranslator::translate(const QString &text, qsizetype *workDone) const
{
    if (text.isEmpty() || !IsLoaded())
        return StripAccelerators(text);
    QString work = text;
    QString cmp = m_caseSensitive ? work : lowered(work);
    // Later entries also replace words inside earlier translations, so a hostile file ("a"="a a"
    // a few dozen times) could double the text with every entry; stop growing it past this.
    const qsizetype limit = std::max<qsizetype>(4096, 16 * text.size());
    // Each entry costs a pass over the text as it stands. Entries that feed each other keep the
    // text at its limit through every entry, so the passes are counted and stop at a budget: one
    // text costs at most this many characters visited, whatever the file holds.
    qsizetype spent = 0;
    for (qsizetype i = 0; i < m_sourceTexts.size() && work.size() <= limit; ++i) {
        const QString &source = m_sourceTexts.at(i);
        spent += cmp.size() + source.size();
        if (spent > TranslateWorkBudget)
            break;
        const QString &key = m_caseSensitive ? source : m_sourceKeys.at(i);
        if (key == cmp) {
            work = m_translations.at(i);
            break;
        }
        if (key.isEmpty())
            continue;
        qsizetype pos = cmp.indexOf(key);
        if (pos < 0)
            continue;
        // One pass per entry: the text is rebuilt once, not once per replacement. The search goes
        // on after each inserted translation, so one that holds its own source is not replaced again.
        const QString &translation = m_translations.at(i);
        const QString translationCmp = m_caseSensitive ? translation : lowered(translation);
        QString out;
        QString outCmp;
        qsizetype copied = 0;
        qsizetype size = work.size();
        while (pos >= 0) {
            const qsizetype end = pos + key.size();
            // Right after a replacement, the character before the match is what the rebuilt text
            // ends with (the translation's last, or nothing at all).
            bool wordStart = true;
            if (copied > 0 && pos == copied)
                wordStart = outCmp.isEmpty() || separates(outCmp.back());
            else if (pos > 0)
                wordStart = separates(cmp.at(pos - 1));
            const bool wordEnd = end == cmp.size() || separates(cmp.at(end));
            if (wordStart && wordEnd) {
                if (size - key.size() + translation.size() > limit)
                    break;
                out += QStringView(work).mid(copied, pos - copied);
                out += translation;
                outCmp += QStringView(cmp).mid(copied, pos - copied);
                outCmp += translationCmp;
                size += translation.size() - key.size();
                copied = end;
                pos = cmp.indexOf(key, end);
            } else {
                pos = cmp.indexOf(key, pos + 1);
            }
        }
        spent += cmp.size();
        if (copied == 0)
            continue;
        out += QStringView(work).mid(copied);
        outCmp += QStringView(cmp).mid(copied);
        work = std::move(out);
        cmp = std::move(outCmp);
    }
    if (workDone)
        *workDone = spent;
    return work;
}

void TTranslator::Inform(const QString &text) const
{
    const QString shown = IsLoaded() ? Translate(text) : text;
    Dialogs::instance().information(QApplication::activeWindow(), ApplicationTitle(), shown);
}

bool TTranslator::Confirm(const QString &text) const
{
    const QString shown = IsLoaded() ? Translate(text) : text;
    return Dialogs::instance().question(QApplication::activeWindow(), ApplicationTitle(), shown);
}

TTranslator &Translator()
{
    auto &instance = translatorInstance();
    if (!instance)
        instance = std::make_unique<TTranslator>();
    return *instance;
}

void InstallTranslator(std::unique_ptr<TTranslator> translator)
{
    translatorInstance() = std::move(translator);
}

void CreateShellInstances()
{
    Registry();
    Translator();
}

QString Translate(const QString &text)
{
    return Translator().Translate(text);
}

QString TranslateCaption(const QString &caption, const QString &meaning)
{
    QString translation;
    if (Translator().FindWhole(meaning, &translation))
        return translation;
    return Translator().Translate(caption);
}

void Inform(const QString &text)
{
    Translator().Inform(text);
}

bool Confirm(const QString &text)
{
    return Translator().Confirm(text);
}

bool AskQuestion(const QString &text)
{
    return Dialogs::instance().question(QApplication::activeWindow(),
                                        ApplicationTitle() + QLatin1Char(' ')
                                            + Translate(QStringLiteral("has a question")),
                                        text);
}

QString SystemLanguageName(const QLocale &locale)
{
    // The language's own name without a region ("Deutsch", not "Schweizer Hochdeutsch"); Qt names
    // English after a region in every locale except the World one.
    QString name;
    if (locale.language() == QLocale::C || locale.language() == QLocale::AnyLanguage)
        name = QStringLiteral("English");
    else
        name = QLocale(locale.language(), QLocale::World).nativeLanguageName();
    if (name.isEmpty())
        name = QLocale::languageToString(locale.language());
    name.truncate(50);
    const qsizetype space = name.indexOf(QLatin1Char(' '));
    return space < 0 ? name : name.left(space);
}

} // namespace kbx
