#include "support/scripteddialogs.h"

#include <QTest>

namespace kbx {

namespace {

const char *kindName(ScriptedDialogs::Kind kind)
{
    switch (kind) {
    case ScriptedDialogs::Kind::Message: return "message box";
    case ScriptedDialogs::Kind::OpenFile: return "open dialog";
    case ScriptedDialogs::Kind::OpenFiles: return "open-files dialog";
    case ScriptedDialogs::Kind::SaveFile: return "save dialog";
    case ScriptedDialogs::Kind::Folder: return "folder dialog";
    case ScriptedDialogs::Kind::Input: return "input box";
    }
    return "dialog";
}

QMessageBox::StandardButton safeButton(QMessageBox::StandardButtons buttons)
{
    for (const auto button : {QMessageBox::Cancel, QMessageBox::No, QMessageBox::Abort, QMessageBox::Close,
                              QMessageBox::Ok}) {
        if (buttons.testFlag(button))
            return button;
    }
    return QMessageBox::NoButton;
}

} // namespace

ScriptedDialogs::ScriptedDialogs()
{
    Dialogs::install(this);
}

ScriptedDialogs::~ScriptedDialogs()
{
    if (&Dialogs::instance() == this)
        Dialogs::install(nullptr);
}

void ScriptedDialogs::answer(QMessageBox::StandardButton button, std::function<void()> meanwhile)
{
    m_queue.append({AnswerKind::Button, button, {}, {}, {}, std::move(meanwhile)});
}

void ScriptedDialogs::chooseFile(const QString &name, const QString &filter)
{
    m_queue.append({AnswerKind::Names, QMessageBox::NoButton,
                    name.isEmpty() ? QStringList() : QStringList{name}, filter, {}});
}

void ScriptedDialogs::chooseFiles(const QStringList &names)
{
    m_queue.append({AnswerKind::Names, QMessageBox::NoButton, names, {}, {}});
}

void ScriptedDialogs::enterText(const QString &text)
{
    m_queue.append({AnswerKind::Text, QMessageBox::NoButton, {}, {}, text});
}

void ScriptedDialogs::cancelInput()
{
    m_queue.append({AnswerKind::Text, QMessageBox::NoButton, {}, {}, std::nullopt});
}

QStringList ScriptedDialogs::texts() const
{
    QStringList result;
    for (const Shown &shown : m_shown)
        result << shown.text;
    return result;
}

void ScriptedDialogs::clear()
{
    m_queue.clear();
    m_shown.clear();
    m_unexpected.clear();
}

void ScriptedDialogs::fail(const QString &why)
{
    m_unexpected << why;
    QTest::qFail(qPrintable(why), __FILE__, __LINE__);
}

// Records the dialog and takes the next answer when it is of the dialog's kind; the queue is left as
// it is otherwise, so one stray dialog does not shift every later answer.
bool ScriptedDialogs::take(AnswerKind kind, const Shown &shown, Answer *answer)
{
    m_shown << shown;
    const QString what = QStringLiteral("Unexpected %1 \"%2\": \"%3\"")
                             .arg(QLatin1String(kindName(shown.kind)), shown.title, shown.text);
    if (m_queue.isEmpty()) {
        fail(what + QStringLiteral(" (no answer queued)"));
        return false;
    }
    if (m_queue.first().kind != kind) {
        fail(what + QStringLiteral(" (the next answer is for another kind of dialog)"));
        return false;
    }
    *answer = m_queue.takeFirst();
    return true;
}

QMessageBox::StandardButton ScriptedDialogs::message(QWidget *, QMessageBox::Icon icon, const QString &title,
                                                     const QString &text, QMessageBox::StandardButtons buttons,
                                                     QMessageBox::StandardButton defaultButton)
{
    const Shown shown{Kind::Message, title, text, icon, buttons, {}, {}, {}, defaultButton};
    const bool onlyOk = buttons == QMessageBox::StandardButtons(QMessageBox::Ok);
    if (m_acknowledge && onlyOk) {
        m_shown << shown;
        return QMessageBox::Ok;
    }
    Answer answer;
    if (!take(AnswerKind::Button, shown, &answer))
        return safeButton(buttons);
    if (!buttons.testFlag(answer.button)) {
        fail(QStringLiteral("Answer %1 is not a button of the message box \"%2\"").arg(answer.button).arg(text));
        return safeButton(buttons);
    }
    if (answer.meanwhile)
        answer.meanwhile();
    return answer.button;
}

QStringList ScriptedDialogs::pickNames(Kind kind, const FileDialogRequest &request, QString *chosenFilter)
{
    const Shown shown{kind, request.title, request.start, QMessageBox::NoIcon, {}, request.filter,
                      request.selectedFilter, request.defaultSuffix};
    Answer answer;
    if (!take(AnswerKind::Names, shown, &answer))
        return QStringList();
    if (chosenFilter && !answer.names.isEmpty())
        *chosenFilter = answer.filter.isEmpty() ? request.selectedFilter : answer.filter;
    return answer.names;
}

QString ScriptedDialogs::openFileName(QWidget *, const FileDialogRequest &request, QString *chosenFilter)
{
    const QStringList names = pickNames(Kind::OpenFile, request, chosenFilter);
    return names.isEmpty() ? QString() : names.first();
}

QStringList ScriptedDialogs::openFileNames(QWidget *, const FileDialogRequest &request, QString *chosenFilter)
{
    return pickNames(Kind::OpenFiles, request, chosenFilter);
}

QString ScriptedDialogs::saveFileName(QWidget *, const FileDialogRequest &request, QString *chosenFilter)
{
    const QStringList names = pickNames(Kind::SaveFile, request, chosenFilter);
    return names.isEmpty() ? QString() : names.first();
}

QString ScriptedDialogs::folder(QWidget *, const QString &title, const QString &start, QFileDialog::Options)
{
    FileDialogRequest request;
    request.title = title;
    request.start = start;
    const QStringList names = pickNames(Kind::Folder, request, nullptr);
    return names.isEmpty() ? QString() : names.first();
}

std::optional<QString> ScriptedDialogs::inputText(QWidget *, const QString &title, const QString &label,
                                                  const QString &)
{
    const Shown shown{Kind::Input, title, label, QMessageBox::NoIcon, {}, {}, {}, {}};
    Answer answer;
    if (!take(AnswerKind::Text, shown, &answer))
        return std::nullopt;
    return answer.text;
}

} // namespace kbx
