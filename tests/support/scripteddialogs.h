#pragma once
#include "ui/dialogs.h"

#include <QList>
#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <functional>

namespace kbx {

/// The test double of the dialogs seam (library kinbox_shelltest, which links Qt Test).
///
/// Answers are queued in the order the dialogs will appear; each dialog takes the next answer, which
/// must be of its kind (a button for a message box, names for a file or folder dialog, a text for an
/// input box). Every dialog shown is recorded. A dialog with no fitting answer queued fails the
/// running test (QTest::qFail, so QEXPECT_FAIL can expect it), is listed in unexpected() and gets a
/// safe answer: Cancel, No or Abort when offered, an empty name, or a cancelled input.
///
/// Construction installs the double; destruction restores the real dialogs.
///
///     ScriptedDialogs dialogs;
///     dialogs.answer(QMessageBox::Yes);
///     dialogs.chooseFile(dir.filePath("out.vob"));
///     ... run the handler ...
///     QCOMPARE(dialogs.shown().at(0).text, "Overwrite?");
///     QVERIFY(dialogs.allAnswered());
class ScriptedDialogs : public Dialogs
{
public:
    enum class Kind { Message, OpenFile, OpenFiles, SaveFile, Folder, Input };

    struct Shown {
        Kind kind;
        QString title;
        QString text; // message text, input label, or the start folder/name of a file or folder dialog
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QString filter;
        QString selectedFilter;
        QString defaultSuffix;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    };

    ScriptedDialogs();
    ~ScriptedDialogs() override;
    ScriptedDialogs(const ScriptedDialogs &) = delete;
    ScriptedDialogs &operator=(const ScriptedDialogs &) = delete;

    /// The next message box is answered with `button`; `meanwhile` runs while it is open (a clock
    /// moving on while the user reads, say).
    void answer(QMessageBox::StandardButton button, std::function<void()> meanwhile = {});
    /// The next open, save or folder dialog picks `name`; an empty name cancels it.
    void chooseFile(const QString &name, const QString &filter = QString());
    /// The next open-files dialog picks `names`; an empty list cancels it.
    void chooseFiles(const QStringList &names);
    /// The next file or folder dialog is cancelled.
    void cancelFile() { chooseFile(QString()); }
    /// The next input box is confirmed with `text`.
    void enterText(const QString &text);
    /// The next input box is cancelled.
    void cancelInput();
    /// Message boxes with only an OK button are acknowledged without taking a queued answer (they are
    /// still recorded).
    void setAcknowledgeInformation(bool on) { m_acknowledge = on; }

    const QList<Shown> &shown() const { return m_shown; }
    /// The texts of the dialogs shown, in order.
    QStringList texts() const;
    QStringList unexpected() const { return m_unexpected; }
    int pending() const { return int(m_queue.size()); }
    bool allAnswered() const { return m_queue.isEmpty(); }
    void clear();

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

private:
    enum class AnswerKind { Button, Names, Text };
    struct Answer {
        AnswerKind kind;
        QMessageBox::StandardButton button = QMessageBox::NoButton;
        QStringList names;
        QString filter;
        std::optional<QString> text;
        std::function<void()> meanwhile;
    };

    bool take(AnswerKind kind, const Shown &shown, Answer *answer);
    void fail(const QString &why);
    QStringList pickNames(Kind kind, const FileDialogRequest &request, QString *chosenFilter);

    QList<Answer> m_queue;
    QList<Shown> m_shown;
    QStringList m_unexpected;
    bool m_acknowledge = false;
};

} // namespace kbx
