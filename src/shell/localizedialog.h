#pragma once
#include <QDialog>
#include <QPointer>
#include <QString>
#include <QStringList>

class QGroupBox;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace kbx {

// The language selection dialog. Lists the built-in language and every ".lng" file of the program
// folder, stores the choice in the "language" value of the registry section chosen last, and either
// translates the target window at once (coming from the built-in texts) or restarts the program.
// Works on the process-wide Translator() and Registry().
class TfoLocalizeDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TfoLocalizeDialog(QWidget *parent = nullptr);

    const QStringList &SavedTexts() const { return m_savedTexts; }
    bool EnglishTexts() const { return m_englishTexts; }
    QString DefaultEntryText() const { return m_defaultEntryText; }
    QString CurrentLanguage() const { return m_currentLanguage; }
    QWidget *TargetForm() const { return m_targetForm; }
    QListWidget *ListBox1() const { return m_listBox; }

    bool LoadStoredLanguage(QWidget *target, bool englishTexts);
    // Shows the dialog modally and applies the choice when it is confirmed; true when confirmed.
    bool Execute();
    void ApplyLanguage();
    QString SelectedLanguageFile() const;

public slots:
    void FormShow();
    void ListBox1Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    enum class Texts { English, German };
    void showTexts(Texts texts);
    void showSavedTexts();
    QStringList currentTexts() const;
    void setTexts(const QStringList &texts);
    void selectRow(int row);

    QGroupBox *m_descriptionBox = nullptr;
    QPlainTextEdit *m_descriptionMemo = nullptr;
    QGroupBox *m_selectorBox = nullptr;
    QListWidget *m_listBox = nullptr;
    QPushButton *m_okBtn = nullptr;
    QPushButton *m_abortBtn = nullptr;

    QStringList m_savedTexts;
    bool m_englishTexts = true;
    QString m_defaultEntryText;
    QString m_currentLanguage;
    QPointer<QWidget> m_targetForm;
};

} // namespace kbx
