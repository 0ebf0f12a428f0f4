#pragma once
#include "common/seam.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace kbx {

/// What a file dialog is asked to show. `filter` is in Qt's form ("MPEG (*.vob *.mpg);;All files (*)");
/// `start` is a folder or a folder plus a proposed file name.
struct FileDialogRequest {
    QString title;
    QString start;
    QString filter;
    QString selectedFilter;
    QString defaultSuffix;
    QFileDialog::Options options;
};

/// The dialogs seam: every message box, question, file, folder and input dialog of the program goes
/// through Dialogs::instance(). The default shows the real Qt dialogs; tests install a ScriptedDialogs
/// (see scripteddialogs.h) that answers from a queue and records every text shown.
///
/// Cancelled file and folder dialogs return an empty name; a cancelled input box returns nullopt.
class Dialogs : public Seam<Dialogs>
{
public:
    virtual ~Dialogs();

    /// A message box with the given icon and buttons; returns the button chosen.
    virtual QMessageBox::StandardButton message(QWidget *parent, QMessageBox::Icon icon,
                                                const QString &title, const QString &text,
                                                QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                                QMessageBox::StandardButton defaultButton = QMessageBox::NoButton) = 0;
    /// An existing file to open. `chosenFilter`, when given, receives the filter the user left selected.
    virtual QString openFileName(QWidget *parent, const FileDialogRequest &request,
                                 QString *chosenFilter = nullptr) = 0;
    /// Several existing files to open (empty list: cancelled).
    virtual QStringList openFileNames(QWidget *parent, const FileDialogRequest &request,
                                      QString *chosenFilter = nullptr) = 0;
    /// A file name to save to; the file need not exist.
    virtual QString saveFileName(QWidget *parent, const FileDialogRequest &request,
                                 QString *chosenFilter = nullptr) = 0;
    /// An existing folder, starting at `start`.
    virtual QString folder(QWidget *parent, const QString &title, const QString &start,
                           QFileDialog::Options options = QFileDialog::ShowDirsOnly) = 0;
    /// A line of text; `text` is the proposed value.
    virtual std::optional<QString> inputText(QWidget *parent, const QString &title, const QString &label,
                                             const QString &text = QString()) = 0;

    /// Conveniences over message().
    void information(QWidget *parent, const QString &title, const QString &text);
    void warning(QWidget *parent, const QString &title, const QString &text);
    void critical(QWidget *parent, const QString &title, const QString &text);
    /// Yes/No with a question icon; true exactly when Yes is chosen.
    bool question(QWidget *parent, const QString &title, const QString &text);
    /// Yes/No with No as the default button, for questions whose Yes changes or overwrites files:
    /// Enter alone never does it. True exactly when Yes is chosen.
    bool questionDefaultNo(QWidget *parent, const QString &title, const QString &text);

    /// The installed dialogs, or the real ones when none is installed.
    static Dialogs &instance();
};

/// The real Qt dialogs.
class QtDialogs : public Dialogs
{
public:
    QMessageBox::StandardButton message(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                        const QString &text, QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) override;
    QString openFileName(QWidget *parent, const FileDialogRequest &request, QString *chosenFilter) override;
    QStringList openFileNames(QWidget *parent, const FileDialogRequest &request, QString *chosenFilter) override;
    QString saveFileName(QWidget *parent, const FileDialogRequest &request, QString *chosenFilter) override;
    QString folder(QWidget *parent, const QString &title, const QString &start,
                   QFileDialog::Options options) override;
    std::optional<QString> inputText(QWidget *parent, const QString &title, const QString &label,
                                     const QString &text) override;
};

// The title of the program's own boxes: the application's display name.
QString ApplicationTitle();

// The one place where failures that reach the user-interface loop are shown: an error box titled
// with the application title.
void ReportError(const QString &text, QWidget *parent = nullptr);

// A "desc|pattern;pattern|desc|pattern" filter as the file edits carry it, turned into Qt's
// "desc (pattern pattern);;..." form. "*.*" means every file, so it becomes "*".
QString QtFileFilter(const QString &pipeFilter);

} // namespace kbx
