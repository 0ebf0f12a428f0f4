#pragma once
#include <QLocale>
#include <QString>
#include <QStringList>

#include <memory>

class QObject;

namespace kbx {

// A text with its accelerator ampersands removed; "&&" stays as one "&".
QString StripAccelerators(const QString &text);

// The dictionary of one language file (".lng"): source texts and translations in file order.
// Replacements are made word by word; see Translate.
class TTranslator
{
public:
    bool CaseSensitive() const { return m_caseSensitive; }
    void setCaseSensitive(bool on) { m_caseSensitive = on; }
    const QStringList &SourceTexts() const { return m_sourceTexts; }
    const QStringList &Translations() const { return m_translations; }

    bool IsLoaded() const { return !m_sourceTexts.isEmpty(); }
    // Relative names resolve against the program folder.
    bool LoadFromFile(const QString &fileName);
    // Parses the lines of a language file already decoded to Unicode.
    void LoadFromText(const QString &text);

    QString Translate(const QString &text) const;
    // Whether the file has an entry for `text` as a whole; its translation goes to `translation`.
    bool FindWhole(const QString &text, QString *translation) const;
    // The characters Translate(text) visits: at most TranslateWorkBudget (plus one pass), however
    // the file's entries feed each other.
    qsizetype TranslateWork(const QString &text) const;
    static constexpr qsizetype TranslateWorkBudget = qsizetype(1) << 22;
    // Translates the captions and hints of every object `component` owns, depth first.
    void TranslateComponent(QObject *component) const;

    // Message boxes through the dialogs seam, titled with the application title.
    void Inform(const QString &text) const;
    bool Confirm(const QString &text) const;

private:
    QString translate(const QString &text, qsizetype *workDone) const;
    void translateOne(QObject *object) const;

    bool m_caseSensitive = false;
    QStringList m_sourceTexts;
    QStringList m_sourceKeys;   // the source texts lower-cased once, for comparing without case
    QStringList m_translations;
};

// The process-wide translator, created on first use if CreateShellInstances() has not run.
TTranslator &Translator();
// Replaces it (tests); nullptr makes a fresh, empty one on next use.
void InstallTranslator(std::unique_ptr<TTranslator> translator);
// Creates the registry wrapper and the translator; main calls this before any window exists.
void CreateShellInstances();

// Shortcuts to the process-wide translator.
QString Translate(const QString &text);
// A caption whose word the language file gives another sense elsewhere ("Start" of a button and the
// "start" of an offset): the whole-text entry `meaning` names the caption's own translation; a
// language file without it translates the caption as it stands. English shows the caption.
QString TranslateCaption(const QString &caption, const QString &meaning);
void Inform(const QString &text);
bool Confirm(const QString &text);

// Yes/No box with the text as given, titled "<application title> hat eine Frage".
bool AskQuestion(const QString &text);

// The name of the user's language in that language ("Deutsch", "English"), cut before its first
// space and at most 50 characters; the C locale counts as English.
QString SystemLanguageName(const QLocale &locale = QLocale::system());

} // namespace kbx
