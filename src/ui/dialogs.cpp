#include "ui/dialogs.h"

#include "ui/translator.h"

#include <QApplication>
#include <QGuiApplication>
#include <QInputDialog>
#include <QRegularExpression>

namespace kbx {

namespace {

// The file dialog set up from a request; static helpers of QFileDialog know no default suffix.
int runFileDialog(QFileDialog &dialog, const FileDialogRequest &request, QString *chosenFilter)
{
    dialog.setWindowTitle(request.title);
    dialog.setOptions(request.options);
    if (!request.filter.isEmpty())
        dialog.setNameFilter(request.filter);
    if (!request.selectedFilter.isEmpty())
        dialog.selectNameFilter(request.selectedFilter);
    dialog.setDefaultSuffix(request.defaultSuffix);
    const QFileInfo start(request.start);
    if (!request.start.isEmpty() && start.isDir()) {
        dialog.setDirectory(request.start);
    } else if (!request.start.isEmpty()) {
        dialog.setDirectory(start.absolutePath());
        dialog.selectFile(start.fileName());
    }
    const int result = dialog.exec();
    if (result == QDialog::Accepted && chosenFilter)
        *chosenFilter = dialog.selectedNameFilter();
    return result;
}

} // namespace

Dialogs::~Dialogs() = default;

void Dialogs::information(QWidget *parent, const QString &title, const QString &text)
{
    message(parent, QMessageBox::Information, title, text, QMessageBox::Ok);
}

void Dialogs::warning(QWidget *parent, const QString &title, const QString &text)
{
    message(parent, QMessageBox::Warning, title, text, QMessageBox::Ok);
}

void Dialogs::critical(QWidget *parent, const QString &title, const QString &text)
{
    message(parent, QMessageBox::Critical, title, text, QMessageBox::Ok);
}

bool Dialogs::question(QWidget *parent, const QString &title, const QString &text)
{
    return message(parent, QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No,
                   QMessageBox::Yes)
        == QMessageBox::Yes;
}

bool Dialogs::questionDefaultNo(QWidget *parent, const QString &title, const QString &text)
{
    return message(parent, QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No,
                   QMessageBox::No)
        == QMessageBox::Yes;
}

Dialogs &Dialogs::instance()
{
    return InstanceOr<QtDialogs>();
}

QMessageBox::StandardButton QtDialogs::message(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                               const QString &text, QMessageBox::StandardButtons buttons,
                                               QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, title, text, buttons, parent);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    box.exec();
    return box.standardButton(box.clickedButton());
}

// One name from a file dialog of the given kind; empty when cancelled.
static QString runForOneFile(QWidget *parent, QFileDialog::AcceptMode accept, QFileDialog::FileMode mode,
                      const FileDialogRequest &request, QString *chosenFilter)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(accept);
    dialog.setFileMode(mode);
    if (runFileDialog(dialog, request, chosenFilter) != QDialog::Accepted)
        return QString();
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

QString QtDialogs::openFileName(QWidget *parent, const FileDialogRequest &request, QString *chosenFilter)
{
    return runForOneFile(parent, QFileDialog::AcceptOpen, QFileDialog::ExistingFile, request, chosenFilter);
}

QStringList QtDialogs::openFileNames(QWidget *parent, const FileDialogRequest &request, QString *chosenFilter)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (runFileDialog(dialog, request, chosenFilter) != QDialog::Accepted)
        return QStringList();
    return dialog.selectedFiles();
}

QString QtDialogs::saveFileName(QWidget *parent, const FileDialogRequest &request, QString *chosenFilter)
{
    return runForOneFile(parent, QFileDialog::AcceptSave, QFileDialog::AnyFile, request, chosenFilter);
}

QString QtDialogs::folder(QWidget *parent, const QString &title, const QString &start,
                          QFileDialog::Options options)
{
    return QFileDialog::getExistingDirectory(parent, title, start, options | QFileDialog::ShowDirsOnly);
}

std::optional<QString> QtDialogs::inputText(QWidget *parent, const QString &title, const QString &label,
                                            const QString &text)
{
    bool ok = false;
    const QString value = QInputDialog::getText(parent, title, label, QLineEdit::Normal, text, &ok);
    if (!ok)
        return std::nullopt;
    return value;
}

QString ApplicationTitle()
{
    return QGuiApplication::applicationDisplayName();
}

void ReportError(const QString &text, QWidget *parent)
{
    Dialogs::instance().critical(parent ? parent : QApplication::activeWindow(), ApplicationTitle(), text);
}

QString QtFileFilter(const QString &pipeFilter)
{
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        QString description = parts.at(i);
        QString patterns = i + 1 < parts.size() ? parts.at(i + 1) : QString();
        if (description.trimmed().isEmpty() && patterns.trimmed().isEmpty())
            continue;
        if (patterns.trimmed().isEmpty()) {
            const QRegularExpressionMatch own = trailingPatterns.match(description);
            patterns = own.hasMatch() ? own.captured().trimmed().mid(1).chopped(1) : QStringLiteral("*");
        }
        QStringList list;
        for (QString pattern : patterns.split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts)) {
            if (pattern == QLatin1String("*.*"))
                pattern = QStringLiteral("*");
            if (!list.contains(pattern))
                list << pattern;
        }
        if (list.isEmpty())
            list << QStringLiteral("*");
        description.remove(trailingPatterns);
        description = Translate(description.trimmed());
        filters << QStringLiteral("%1 (%2)").arg(description.trimmed(), list.join(QLatin1Char(' ')));
    }
    return filters.join(QStringLiteral(";;"));
}

} // namespace kbx
