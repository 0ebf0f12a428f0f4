#include "support/fakeplatform.h"
#include "shell/localizedialog.h"
#include "ui/program.h"
#include "ui/registry.h"
#include "support/scripteddialogs.h"
#include "shell/setupdialog.h"
#include "ui/translator.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>

using namespace kbx;

namespace {

class RecordingRestarter : public Restarter
{
public:
    void restart() override { ++restarts; }
    int restarts = 0;
};

QStringList filesUnder(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

QStringList linesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)
                                          : QStringList();
}

bool writeFile(const QString &path, const QByteArray &bytes, bool executable = false)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()
           && (!executable || file.setPermissions(file.permissions() | QFile::ExeOwner));
}

} // namespace

class TestSetupDialog : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void execQuoting_data();
    void execQuoting();
    void boxes();
    void uncheckedBoxesCreateNothing();
    void programGroup();
    void programGroupNamedInTheCurrentLanguage();
    void singleIcons_data();
    void singleIcons();
    void failuresAreReportedTogether();
    void languageChoice();

private:
    QString userPath(const QString &relative) const { return m_dir->filePath("user/" + relative); }
    void check(const char *box) { m_setup->findChild<QCheckBox *>(box)->setCheckState(Qt::Checked); }
    void confirm();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakePlatform> m_platform;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<QWidget> m_mainWindow;
    std::unique_ptr<TfoLocalizeDialog> m_language;
    std::unique_ptr<TfoKbxSetup> m_setup;
    RecordingRestarter m_restarter;
    QString m_program;
};

// The dialog as the start-up leaves it: the language dialog has loaded the stored language (none).
void TestSetupDialog::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir->filePath("config"));
    QVERIFY(QDir(m_dir->path()).mkpath("program folder"));
    QVERIFY(QDir(m_dir->path()).mkpath("user/Desktop"));
    ProgramFolder::setPath(m_dir->filePath("program folder"));
    InstallRegistry(std::make_unique<TOxRegistry>("Kinbox"));
    Restarter::install(&m_restarter);

    m_platform = std::make_unique<FakePlatform>();
    m_platform->folders.set(UserFolder::Desktop, userPath("Desktop"));
    // Not there yet: the first shortcut creates it.
    m_platform->folders.set(UserFolder::Applications, userPath("share/applications"));
    m_dialogs = std::make_unique<ScriptedDialogs>();

    m_program = m_dir->filePath("program folder/kin box");
    QVERIFY(writeFile(m_program, "#!/bin/sh\n", true));

    m_mainWindow = std::make_unique<QWidget>();
    (new QLabel("desktop icon", m_mainWindow.get()))->setObjectName("caption");
    m_language = std::make_unique<TfoLocalizeDialog>();
    QVERIFY(!m_language->LoadStoredLanguage(m_mainWindow.get(), true));
    m_setup = std::make_unique<TfoKbxSetup>(nullptr, m_language.get());
    m_setup->SetTarget(m_program);
    m_setup->SetWebsiteAddress("https://fernhill.example/kinbox?a=1&b=2");
    m_setup->SetDocumentationFile(m_dir->filePath("program folder/kin box_features.html"));
    m_setup->FormShow();
}

void TestSetupDialog::cleanup()
{
    m_setup.reset();
    m_language.reset();
    m_mainWindow.reset();
    m_dialogs.reset();
    m_platform.reset();
    Restarter::install(nullptr);
    InstallTranslator(nullptr);
    InstallRegistry(nullptr);
    ProgramFolder::setPath(QString());
    m_dir.reset();
}

void TestSetupDialog::confirm()
{
    QVERIFY(QMetaObject::invokeMethod(m_setup.get(), "bt_OkClick"));
    QCOMPARE(m_setup->result(), int(QDialog::Accepted));
}

void TestSetupDialog::execQuoting_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("execLine");  // after the file's string escapes
    QTest::newRow("space") << "/opt/kin box" << "\"/opt/kin box\"" << "Exec=\"/opt/kin box\"";
    QTest::newRow("quote") << "/opt/a\"b" << "\"/opt/a\\\"b\"" << "Exec=\"/opt/a\\\\\"b\"";
    // A literal backslash ends up as four.
    QTest::newRow("backslash") << "/opt/a\\b" << "\"/opt/a\\\\b\"" << "Exec=\"/opt/a\\\\\\\\b\"";
    QTest::newRow("dollar, backtick") << "/opt/$x`y`" << "\"/opt/\\$x\\`y\\`\"" << "Exec=\"/opt/\\\\$x\\\\`y\\\\`\"";
    QTest::newRow("percent") << "/opt/100%" << "\"/opt/100%%\"" << "Exec=\"/opt/100%%\"";
    QTest::newRow("semicolon, apostrophe") << "/opt/a;b'c" << "\"/opt/a;b'c\"" << "Exec=\"/opt/a;b'c\"";
}

void TestSetupDialog::execQuoting()
{
    QFETCH(QString, program);
    QFETCH(QString, argument);
    QFETCH(QString, execLine);
    QCOMPARE(DesktopExecArgument(program), argument);

    // The same program on disk, as an entry is written for it.
    const QString root = m_dir->filePath("odd");
    QVERIFY(QDir().mkpath(root + "/opt"));
    QVERIFY(writeFile(root + program, "#!/bin/sh\n", true));
    const QStringList lines = DesktopEntryText(root + program, QString(), "Kinbox").split('\n');
    QVERIFY(lines.contains("Type=Application"));
    const QString expected = QString(execLine).replace("Exec=\"/opt", "Exec=\"" + root + "/opt");
    QVERIFY2(lines.contains(expected), qPrintable(lines.join(" | ")));
}

void TestSetupDialog::boxes()
{
    QCOMPARE(m_setup->windowTitle(), QString("Kinbox setup"));
    for (const char *name : {"cb_ProgramGroup", "cb_Desktop", "cb_Startmenu"}) {
        auto *box = m_setup->findChild<QCheckBox *>(name);
        QVERIFY(box && box->isEnabled());
        QList<Qt::CheckState> states{box->checkState()};
        for (int i = 0; i < 3; ++i) {
            box->click();
            states << box->checkState();
        }
        // Readable from the start: off, and on and off again, never half.
        QCOMPARE(states, (QList<Qt::CheckState>{Qt::Unchecked, Qt::Checked, Qt::Unchecked, Qt::Checked}));
        QVERIFY(!box->toolTip().isEmpty());
    }
    // Linux desktops have no common quick-launch bar.
    auto *quick = m_setup->findChild<QCheckBox *>("cb_QuickStart");
    QVERIFY(quick && !quick->isEnabled());
    QCOMPARE(quick->checkState(), Qt::Unchecked);
    QCOMPARE(quick->toolTip(), QString("not available on this desktop"));
}

void TestSetupDialog::uncheckedBoxesCreateNothing()
{
    m_setup->findChild<QCheckBox *>("cb_Desktop")->setCheckState(Qt::Unchecked);
    confirm();
    QVERIFY(filesUnder(userPath("")).isEmpty());
    QVERIFY(m_dialogs->shown().isEmpty());
    // Only the language is applied: the built-in one, stored now.
    QCOMPARE(Registry().ReadString(kSettingsSection, "language"), QString("default"));
}

void TestSetupDialog::programGroup()
{
    check("cb_ProgramGroup");
    confirm();
    QVERIFY(m_dialogs->shown().isEmpty());
    const QString group = userPath("share/applications/Fernhill Crew/");
    QCOMPARE(filesUnder(group), (QStringList{"Fernhill website.desktop",
                                             "Kinbox docs/reference and version history.desktop", "Kinbox.desktop"}));

    const QStringList program = linesOf(group + "Kinbox.desktop");
    QCOMPARE(program.value(0), QString("[Desktop Entry]"));
    for (const QString &line : QStringList{"Type=Application", "Name=Kinbox", "Exec=\"" + m_program + "\"",
                                           "Path=" + m_dir->filePath("program folder")})
        QVERIFY2(program.contains(line), qPrintable(line));

    const QStringList website = linesOf(group + "Fernhill website.desktop");
    // Menus list applications only: a web link is an application entry that opens the address.
    QVERIFY(website.contains("Type=Application"));
    QVERIFY2(website.contains("Exec=xdg-open \"https://fernhill.example/kinbox?a=1&b=2\""), qPrintable(website.join(" | ")));

    const QStringList docs = linesOf(group + "Kinbox docs/reference and version history.desktop");
    QVERIFY(docs.contains("Type=Application"));
    QVERIFY(docs.contains("Name=reference and version history"));
    QVERIFY2(docs.contains("Exec=xdg-open \"file://" + m_dir->filePath("program%%20folder/kin%%20box_features.html") + "\""),
             qPrintable(docs.join(" | ")));

    // Running the setup again overwrites the entries.
    m_setup->SetWebsiteAddress("https://fernhill.example/");
    confirm();
    QVERIFY(linesOf(group + "Fernhill website.desktop").contains("Exec=xdg-open \"https://fernhill.example/\""));
    QCOMPARE(filesUnder(userPath("")).size(), 3);
}

void TestSetupDialog::programGroupNamedInTheCurrentLanguage()
{
    Translator().LoadFromText("\"reference and version history\"=\"Referenz/Versionen\"\n");
    m_setup->SetWebsiteAddress(QString());
    check("cb_ProgramGroup");
    confirm();
    // A "/" in a name makes no sub-folder; without an address there is no web entry.
    const QString group = userPath("share/applications/Fernhill Crew/");
    QCOMPARE(filesUnder(group), (QStringList{"Kinbox docs/Referenz-Versionen.desktop", "Kinbox.desktop"}));
    QVERIFY(linesOf(group + "Kinbox docs/Referenz-Versionen.desktop").contains("Name=Referenz/Versionen"));
}

void TestSetupDialog::singleIcons_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("entry");
    QTest::newRow("desktop") << "cb_Desktop" << "Desktop/Kinbox.desktop";
    QTest::newRow("start menu") << "cb_Startmenu" << "share/applications/Kinbox.desktop";
}

void TestSetupDialog::singleIcons()
{
    QFETCH(QString, box);
    QFETCH(QString, entry);
    check(qPrintable(box));
    confirm();
    QCOMPARE(filesUnder(userPath("")), QStringList{entry});
    QVERIFY(linesOf(userPath(entry)).contains("Exec=\"" + m_program + "\""));
    // Desktops start only executable launchers.
    QVERIFY(QFileInfo(userPath(entry)).isExecutable());
}

void TestSetupDialog::failuresAreReportedTogether()
{
    // A file where the applications folder should be (permissions would not stop root), no desktop
    // folder, and the quick-launch box checked all the same.
    QVERIFY(writeFile(userPath("share"), "not a folder"));
    m_platform->folders.folders.remove(UserFolder::Desktop);
    for (const char *box : {"cb_Startmenu", "cb_ProgramGroup", "cb_Desktop", "cb_QuickStart"})
        check(box);
    m_dialogs->answer(QMessageBox::Ok);
    confirm();

    QCOMPARE(m_dialogs->shown().size(), 1);
    QCOMPARE(m_dialogs->shown().at(0).icon, QMessageBox::Critical);
    const QStringList lines = m_dialogs->shown().at(0).text.split('\n');
    QCOMPARE(lines.size(), 6);
    for (const QString &line : lines)
        QVERIFY2(line.startsWith("Unable to create the shortcut \""), qPrintable(line));
    QVERIFY(lines[0].contains(userPath("share/applications/Kinbox.desktop")));
    QVERIFY(lines[3].contains(userPath("share/applications/Fernhill Crew/Kinbox docs/")));
    QVERIFY(lines[4].contains("\"Kinbox.desktop\": this desktop has no folder for it."));
    QCOMPARE(filesUnder(userPath("")), QStringList{"share"});
    // The language is still applied.
    QCOMPARE(Registry().ReadString(kSettingsSection, "language"), QString("default"));
}

void TestSetupDialog::languageChoice()
{
    QVERIFY(writeFile(ProgramFolderFile("deutsch.lng"), "\"desktop icon\"=\"Desktop-Symbol\"\r\n"));
    QVERIFY(!m_language->LoadStoredLanguage(m_mainWindow.get(), true));
    m_setup->FormShow();
    auto *languages = m_setup->findChild<QComboBox *>("cb_Language");
    QCOMPARE(languages->count(), 2);
    QCOMPARE(languages->itemText(0), QString("default (english)"));
    QCOMPARE(languages->itemText(1), QString("deutsch"));
    QCOMPARE(languages->currentIndex(), 0);

    // From the built-in texts the choice translates the main window and this dialog at once.
    languages->setCurrentIndex(1);
    confirm();
    QCOMPARE(Registry().ReadString(kSettingsSection, "language"), QString("deutsch.lng"));
    QCOMPARE(m_language->ListBox1()->currentRow(), 1);
    QCOMPARE(m_mainWindow->findChild<QLabel *>("caption")->text(), QString("Desktop-Symbol"));
    QCOMPARE(m_setup->findChild<QCheckBox *>("cb_Desktop")->text(), QString("Desktop-Symbol"));
    QCOMPARE(m_restarter.restarts, 0);

    // Shown again it selects the stored language; going back to the built-in one restarts.
    m_setup->FormShow();
    QCOMPARE(languages->currentIndex(), 1);
    languages->setCurrentIndex(0);
    m_dialogs->setAcknowledgeInformation(true);
    confirm();
    QCOMPARE(Registry().ReadString(kSettingsSection, "language"), QString("default"));
    QCOMPARE(m_restarter.restarts, 1);
}

QTEST_MAIN(TestSetupDialog)
#include "tst_setupdialog.moc"
