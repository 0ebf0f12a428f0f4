#include "shell/setupdialog.h"

#include "platform/userfolders.h"
#include "shell/aboutbox.h"
#include "ui/dialogs.h"
#include "shell/localizedialog.h"
#include "ui/program.h"
#include "ui/translator.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSaveFile>
#include <QSignalBlocker>
#include <QUrl>
#include <QVBoxLayout>

namespace kbx {

namespace {

const QString kGroup = QStringLiteral("Fernhill Crew");
const QString kDocsGroup = QStringLiteral("Fernhill Crew\\Kinbox docs");

// The escapes every string value of a desktop entry takes.
QString EntryString(const QString &value)
{
    QString escaped;
    escaped.reserve(value.size());
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\\': escaped += QLatin1String("\\\\"); break;
        case '\n': escaped += QLatin1String("\\n"); break;
        case '\t': escaped += QLatin1String("\\t"); break;
        case '\r': escaped += QLatin1String("\\r"); break;
        default: escaped += c;
        }
    }
    // Readers drop blanks after "=".
    if (escaped.startsWith(QLatin1Char(' ')))
        escaped.replace(0, 1, QLatin1String("\\s"));
    return escaped;
}

bool IsAddress(const QString &target)
{
    return target.contains(QLatin1String("://")) || target.startsWith(QLatin1String("mailto:"));
}

bool IsProgram(const QString &target)
{
    const QFileInfo info(target);
    return !IsAddress(target) && info.isFile() && info.isExecutable();
}

// A program's icon is the picture shipped beside it under its own name.
QString IconBeside(const QString &program)
{
    const QFileInfo info(program);
    for (const char *suffix : {".png", ".svg"}) {
        const QFileInfo icon(info.absoluteDir().filePath(info.completeBaseName() + QLatin1String(suffix)));
        if (icon.isFile())
            return icon.absoluteFilePath();
    }
    return QString();
}

bool Fail(QString *error, const QString &file, const QString &reason)
{
    if (error)
        *error = Translate(QStringLiteral("Unable to create the shortcut")) + QStringLiteral(" \"") + file
                 + QStringLiteral("\": ") + reason;
    return false;
}

bool IsChecked(const QCheckBox *box)
{
    return box->checkState() == Qt::Checked;
}

} // namespace

QString DesktopExecArgument(const QString &program)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : program) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted += QLatin1Char('"');
    // A single "%" would start a field code.
    quoted.replace(QLatin1Char('%'), QLatin1String("%%"));
    return quoted;
}

QString DesktopEntryText(const QString &target, const QString &arguments, const QString &name,
                         const QString &icon)
{
    QStringList lines{QStringLiteral("[Desktop Entry]"), QStringLiteral("Version=1.0")};
    if (IsProgram(target)) {
        const QFileInfo info(target);
        QString exec = DesktopExecArgument(info.absoluteFilePath());
        if (!arguments.isEmpty())
            exec += QLatin1Char(' ') + DesktopExecArgument(arguments);
        lines << QStringLiteral("Type=Application") << QStringLiteral("Name=") + EntryString(name)
              << QStringLiteral("Exec=") + EntryString(exec)
              << QStringLiteral("Path=") + EntryString(info.absolutePath())
              << QStringLiteral("Terminal=false") << QStringLiteral("Categories=AudioVideo;Video;");
    } else {
        const QString url = IsAddress(target)
                                ? target
                                : QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath()).toString(QUrl::FullyEncoded);
        // An application entry that hands the address to the desktop's opener: menus list only
        // applications, not links.
        lines << QStringLiteral("Type=Application") << QStringLiteral("Name=") + EntryString(name)
              << QStringLiteral("Exec=") + EntryString(QStringLiteral("xdg-open ") + DesktopExecArgument(url))
              << QStringLiteral("Terminal=false");
    }
    if (!icon.isEmpty())
        lines << QStringLiteral("Icon=") + EntryString(icon);
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

bool CreateShortcut(const QString &target, const QString &folder, const QString &arguments,
                    const QString &linkName, QString *error)
{
    // A name is one file, never a path.
    QString fileName = linkName;
    fileName.replace(QLatin1Char('/'), QLatin1Char('-'));
    fileName += QStringLiteral(".desktop");
    if (folder.isEmpty())
        return Fail(error, fileName, Translate(QStringLiteral("this desktop has no folder for it.")));
    const QString path = QDir(folder).filePath(fileName);
    if (target.isEmpty())
        return Fail(error, path, Translate(QStringLiteral("there is nothing to link to.")));
    if (!QDir().mkpath(folder))
        return Fail(error, path, Translate(QStringLiteral("the folder cannot be created.")));

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Fail(error, path, file.errorString());
    const QString icon = IsProgram(target) ? IconBeside(target) : QString();
    file.write(DesktopEntryText(target, arguments, linkName, icon).toUtf8());
    if (!file.commit())
        return Fail(error, path, file.errorString());
    // Desktops start launchers from the desktop folder only when they are executable; the entry is
    // written either way, so a refusal here is no failure.
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    return true;
}

bool CreateFolderShortcut(const QString &target, int folderKind, const QString &arguments,
                          const QString &linkName, QString *error)
{
    QString folder;
    switch (folderKind) {
    case 0:
        folder = UserFolderPath(UserFolder::Desktop);
        break;
    case 1:
    case 2:
        folder = UserFolderPath(UserFolder::Applications);
        break;
    default:
        // Startup, send-to, templates and the quick-launch bar have no common place on Linux desktops.
        break;
    }
    return CreateShortcut(target, folder, arguments, linkName, error);
}

bool CreateProgramGroupShortcut(const QString &target, const QString &groupPath, const QString &arguments,
                                const QString &linkName, QString *error)
{
    const QString programs = UserFolderPath(UserFolder::Applications);
    if (programs.isEmpty())
        return CreateShortcut(target, QString(), arguments, linkName, error);
    QString group = groupPath;
    group.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (group.startsWith(QLatin1Char('/')))
        group.remove(0, 1);
    const QString folder = group.isEmpty() ? programs : programs + QLatin1Char('/') + group;
    return CreateShortcut(target, folder, arguments, linkName, error);
}

TfoKbxSetup::TfoKbxSetup(QWidget *parent, TfoLocalizeDialog *languageDialog)
    : QDialog(parent)
    , m_languageDialog(languageDialog)
    , m_target(QCoreApplication::applicationFilePath())
    , m_website(TAboutBox::WebsiteAddress())
    // The main window's documentation page.
    , m_documentation(ExecutableBasePath() + QStringLiteral("_features.html"))
{
    setObjectName(QStringLiteral("foKbxSetup"));
    setWindowTitle(QStringLiteral("Kinbox setup"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowOpacity(240.0 / 255.0);

    m_boxIcons = new QGroupBox(Translate(QStringLiteral("Create icons")), this);
    m_boxIcons->setObjectName(QStringLiteral("Box_Icons"));
    m_programGroup = checkBox("cb_ProgramGroup", QStringLiteral("startmenu program group"), m_boxIcons);
    m_desktop = checkBox("cb_Desktop", QStringLiteral("desktop icon"), m_boxIcons);
    m_quickStart = checkBox("cb_QuickStart", QStringLiteral("quickstart bar entry"), m_boxIcons);
    m_quickStart->setEnabled(false);
    m_quickStart->setToolTip(Translate(QStringLiteral("not available on this desktop")));
    m_programGroup->setToolTip(Translate(QStringLiteral("a Fernhill Crew folder in the application menu")));
    m_desktop->setToolTip(Translate(QStringLiteral("a Kinbox icon on the desktop")));

    m_boxLanguage = new QGroupBox(Translate(QStringLiteral("Language")), this);
    m_boxLanguage->setObjectName(QStringLiteral("Box_Language"));
    m_language = new QComboBox(m_boxLanguage);
    m_language->setObjectName(QStringLiteral("cb_Language"));

    m_ok = new QPushButton(Translate(QStringLiteral("OK")), this);
    m_ok->setObjectName(QStringLiteral("bt_Ok"));
    m_ok->setDefault(true);
    m_abort = new QPushButton(Translate(QStringLiteral("Abort")), this);
    m_abort->setObjectName(QStringLiteral("bt_Abort"));

    m_startmenu = checkBox("cb_Startmenu", QStringLiteral("startmenu icon"), m_boxIcons);
    m_startmenu->setToolTip(Translate(QStringLiteral("a Kinbox entry in the application menu")));

    auto *icons = new QVBoxLayout(m_boxIcons);
    icons->setSpacing(2);
    for (QCheckBox *box : {m_startmenu, m_programGroup, m_desktop, m_quickStart})
        icons->addWidget(box);

    auto *language = new QVBoxLayout(m_boxLanguage);
    language->addWidget(m_language);
    language->addStretch(1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_abort);

    auto *right = new QVBoxLayout;
    right->addWidget(m_boxLanguage, 1);
    right->addLayout(buttons);

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(m_boxIcons, 1);
    layout->addLayout(right, 1);
    resize(380, 133);

    connect(m_ok, &QPushButton::clicked, this, &TfoKbxSetup::bt_OkClick);
    connect(m_abort, &QPushButton::clicked, this, &QDialog::reject);
}

QCheckBox *TfoKbxSetup::checkBox(const char *name, const QString &caption, QWidget *parent)
{
    auto *box = new QCheckBox(Translate(caption), parent);
    box->setObjectName(QLatin1String(name));
    // Two states a user can read: a half-checked box would create nothing all the same.
    box->setCheckState(Qt::Unchecked);
    return box;
}

bool TfoKbxSetup::Execute()
{
    if (QWidget *anchor = parentWidget())
        move(anchor->frameGeometry().center() - QPoint(width() / 2, height() / 2));
    return exec() == QDialog::Accepted;
}

TfoLocalizeDialog *TfoKbxSetup::languageDialog() const
{
    if (m_languageDialog)
        return m_languageDialog;
    return parentWidget() ? parentWidget()->findChild<TfoLocalizeDialog *>() : nullptr;
}

void TfoKbxSetup::FormShow()
{
    TfoLocalizeDialog *dialog = languageDialog();
    if (!dialog)
        return;
    const QListWidget *list = dialog->ListBox1();
    m_language->clear();
    for (int i = 0; i < list->count(); ++i)
        m_language->addItem(list->item(i)->text());
    dialog->FormShow();
    m_language->setCurrentIndex(list->currentRow());
}

void TfoKbxSetup::bt_OkClick()
{
    const QString linkName = QStringLiteral("Kinbox");
    QStringList failures;
    QString error;
    auto note = [&](bool created) {
        if (!created)
            failures << error;
    };

    if (IsChecked(m_startmenu))
        note(CreateFolderShortcut(m_target, 1, QString(), linkName, &error));
    if (IsChecked(m_programGroup)) {
        note(CreateProgramGroupShortcut(m_target, kGroup, QString(), linkName, &error));
        if (!m_website.isEmpty())
            note(CreateProgramGroupShortcut(m_website, kGroup, QString(), QStringLiteral("Fernhill website"), &error));
        note(CreateProgramGroupShortcut(m_documentation, kDocsGroup, QString(),
                                        Translate(QStringLiteral("reference and version history")), &error));
    }
    if (IsChecked(m_desktop))
        note(CreateFolderShortcut(m_target, 0, QString(), linkName, &error));
    if (IsChecked(m_quickStart))
        note(CreateFolderShortcut(m_target, 6, QString(), linkName, &error));

    // Before the language: a language change may restart the program.
    if (!failures.isEmpty())
        ReportError(failures.join(QLatin1Char('\n')), this);
    applyLanguage();
    accept();
}

void TfoKbxSetup::applyLanguage()
{
    TfoLocalizeDialog *dialog = languageDialog();
    if (!dialog)
        return;
    QListWidget *list = dialog->ListBox1();
    const int chosen = m_language->currentIndex();
    if (chosen == list->currentRow()) {
        dialog->ApplyLanguage();
        return;
    }
    {
        const QSignalBlocker blocker(list);
        list->setCurrentRow(chosen);
    }
    dialog->ApplyLanguage();
    Translator().TranslateComponent(this);
}

void TfoKbxSetup::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormShow();
}

} // namespace kbx
