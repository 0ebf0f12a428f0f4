#pragma once
// The setup dialog: shortcuts to Kinbox in the user's folders and the user-interface language.
// Shortcuts here are desktop entries (".desktop" files).

#include <QDialog>
#include <QPointer>
#include <QString>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;

namespace kbx {

class TfoLocalizeDialog;

// The text of a desktop entry: an application started from `target` (a local executable), or a link
// to a web address or document. `arguments`, when not empty, is passed as one argument.
QString DesktopEntryText(const QString &target, const QString &arguments, const QString &name,
                         const QString &icon = QString());
// `program` as one argument of an Exec line: quoted and escaped, before the file's own string escapes.
QString DesktopExecArgument(const QString &program);

// Writes `folder`/`linkName`.desktop for `target`, creating the folder and its parents and replacing
// an existing entry. On failure returns false and says why in `error`.
bool CreateShortcut(const QString &target, const QString &folder, const QString &arguments,
                    const QString &linkName, QString *error = nullptr);
// Into the user folder of a shell-folder kind: 0 desktop, 1 start menu, 2 programs (both the
// applications menu); every other kind has no folder here and fails.
bool CreateFolderShortcut(const QString &target, int folderKind, const QString &arguments,
                          const QString &linkName, QString *error = nullptr);
// Into a group below the applications menu; "\" in `groupPath` separates sub-groups.
bool CreateProgramGroupShortcut(const QString &target, const QString &groupPath, const QString &arguments,
                                const QString &linkName, QString *error = nullptr);

class TfoKbxSetup : public QDialog
{
    Q_OBJECT
public:
    // The language list and choice are the language dialog's; without one given, the parent's.
    explicit TfoKbxSetup(QWidget *parent = nullptr, TfoLocalizeDialog *languageDialog = nullptr);

    // The program the shortcuts start; the running executable by default.
    QString Target() const { return m_target; }
    void SetTarget(const QString &target) { m_target = target; }
    // The "Fernhill website" entry (the about box's address); without an address it is left out.
    QString WebsiteAddress() const { return m_website; }
    void SetWebsiteAddress(const QString &address) { m_website = address; }
    // The "reference and version history" entry's target: the main window's documentation page.
    QString DocumentationFile() const { return m_documentation; }
    void SetDocumentationFile(const QString &file) { m_documentation = file; }

    // Shows the dialog modally, centred on its parent; true when confirmed.
    bool Execute();

public slots:
    void FormShow();
    // Creates the checked shortcuts, applies the language and closes with OK. Shortcuts that could
    // not be written are reported together in one error box.
    void bt_OkClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QCheckBox *checkBox(const char *name, const QString &caption, QWidget *parent);
    TfoLocalizeDialog *languageDialog() const;
    void applyLanguage();

    QPointer<TfoLocalizeDialog> m_languageDialog;
    QGroupBox *m_boxIcons = nullptr;
    QCheckBox *m_programGroup = nullptr;
    QCheckBox *m_desktop = nullptr;
    QCheckBox *m_quickStart = nullptr;
    QCheckBox *m_startmenu = nullptr;
    QGroupBox *m_boxLanguage = nullptr;
    QComboBox *m_language = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_abort = nullptr;

    QString m_target;
    QString m_website;
    QString m_documentation;
};

} // namespace kbx
