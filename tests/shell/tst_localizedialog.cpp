#include "shell/localizedialog.h"
#include "ui/program.h"
#include "ui/registry.h"
#include "support/scripteddialogs.h"
#include "ui/translator.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace kbx;

namespace {

class RecordingRestarter : public Restarter
{
public:
    void restart() override { ++restarts; }
    int restarts = 0;
};

QStringList entries(const QListWidget *list)
{
    QStringList result;
    for (int i = 0; i < list->count(); ++i)
        result << list->item(i)->text();
    return result;
}

} // namespace

class TestLocalizeDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void listsLanguageFilesAndGermanTexts();
    void storedLanguageIsLoadedAndApplied();
    void storedLanguageChecks_data();
    void storedLanguageChecks();
    void formShowSelects();
    void clickSwitchesDialogTexts();
    void changeFromBuiltInTranslatesAtOnce();
    void changeBetweenLanguagesRestarts_data();
    void changeBetweenLanguagesRestarts();
    void unchangedChoiceDoesNothing();
    void executeAppliesOnlyWhenConfirmed();

private:
    void writeLng(const QString &name, const QByteArray &bytes);
    void store(const QString &language);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QTemporaryDir> m_config;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    RecordingRestarter m_restarter;
    std::unique_ptr<QWidget> m_target;
    QLabel *m_label = nullptr;
};

void TestLocalizeDialog::initTestCase()
{
    QApplication::setApplicationDisplayName("Kinbox");
    Restarter::install(&m_restarter);
}

void TestLocalizeDialog::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_config = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid() && m_config->isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config->path());
    ProgramFolder::setPath(m_dir->path());
    InstallRegistry(std::make_unique<TOxRegistry>("Kinbox"));
    InstallTranslator(nullptr);
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_restarter.restarts = 0;
    m_target = std::make_unique<QWidget>();
    m_label = new QLabel("&Start", m_target.get());
}

void TestLocalizeDialog::cleanup()
{
    QVERIFY(m_dialogs->allAnswered());
    m_dialogs.reset();
    m_target.reset();
    ProgramFolder::setPath(QString());
    InstallRegistry(nullptr);
    InstallTranslator(nullptr);
}

void TestLocalizeDialog::writeLng(const QString &name, const QByteArray &bytes)
{
    QFile file(m_dir->filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void TestLocalizeDialog::store(const QString &language)
{
    Registry().WriteString(kSettingsSection, "language", language);
}

void TestLocalizeDialog::listsLanguageFilesAndGermanTexts()
{
    writeLng("english.lng", "");
    writeLng("deutsch.lng", "");
    writeLng("readme.txt", "");
    QVERIFY(QDir(m_dir->path()).mkdir("folder.lng"));
    TfoLocalizeDialog dialog;
    dialog.LoadStoredLanguage(m_target.get(), false);
    QCOMPARE(entries(dialog.ListBox1()), QStringList({"Voreinstellung (deutsch)", "deutsch", "english"}));
    QVERIFY(!dialog.EnglishTexts());
    QCOMPARE(dialog.DefaultEntryText(), QString("Voreinstellung (deutsch)"));
    QCOMPARE(dialog.SavedTexts(),
             QStringList({"Lokalisierung", "Sprachressourcen-Dateien",
                          "Für diese Application stehen Ihnen folgende Sprachressourcen zur Verfügung:", "&Ok",
                          "Ab&brechen"}));
    dialog.ListBox1()->setCurrentRow(2);
    QCOMPARE(dialog.SelectedLanguageFile(), QString("english.lng"));
    dialog.ListBox1()->setCurrentRow(-1);
    QCOMPARE(dialog.SelectedLanguageFile(), QString("default"));
}

void TestLocalizeDialog::storedLanguageIsLoadedAndApplied()
{
    writeLng("deutsch.lng", "\"Start\"=\"Los\"\r\n");
    store("deutsch.lng");
    TfoLocalizeDialog dialog;
    QVERIFY(dialog.LoadStoredLanguage(m_target.get(), true));
    QCOMPARE(dialog.CurrentLanguage(), QString("deutsch.lng"));
    QVERIFY(Translator().IsLoaded());
    QCOMPARE(m_label->text(), QString("Los"));
}

void TestLocalizeDialog::storedLanguageChecks_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("label");
    QTest::newRow("none") << "" << false << "" << "&Start";
    QTest::newRow("missing file") << "klingon.lng" << false << "" << "&Start";
    QTest::newRow("a folder is no file") << "sub" << false << "" << "&Start";
    QTest::newRow("default") << "default" << true << "default" << "&Start";
    // Passes the check in any case, but only "default" itself means the built-in texts.
    QTest::newRow("DEFAULT") << "DEFAULT" << true << "DEFAULT" << "Start";
}

void TestLocalizeDialog::storedLanguageChecks()
{
    QFETCH(QString, stored);
    QFETCH(bool, result);
    QFETCH(QString, current);
    QFETCH(QString, label);
    QVERIFY(QDir(m_dir->path()).mkdir("sub"));
    store(stored);
    TfoLocalizeDialog dialog;
    QCOMPARE(dialog.LoadStoredLanguage(m_target.get(), true), result);
    QCOMPARE(dialog.CurrentLanguage(), current);
    QCOMPARE(m_label->text(), label);
    QCOMPARE(dialog.TargetForm(), m_target.get());
    // Without language files only the built-in language is listed (a folder "sub" is no file).
    QCOMPARE(entries(dialog.ListBox1()), QStringList({"default (english)"}));
    QCOMPARE(dialog.ListBox1()->currentRow(), 0);
}

void TestLocalizeDialog::formShowSelects()
{
    const QString system = SystemLanguageName().toLower();
    writeLng("aaa.lng", "");
    writeLng(system + ".lng", "");
    writeLng("deutsch.lng", "");
    writeLng("gone.LNG", ""); // exists, but is not listed: only ".lng" names can be chosen again

    TfoLocalizeDialog dialog;
    dialog.LoadStoredLanguage(m_target.get(), true);
    dialog.FormShow();
    QCOMPARE(dialog.ListBox1()->currentItem()->text(), system);

    store("deutsch.lng");
    dialog.LoadStoredLanguage(m_target.get(), true);
    dialog.FormShow();
    QCOMPARE(dialog.ListBox1()->currentItem()->text(), QString("deutsch"));
    QVERIFY(!dialog.EnglishTexts()); // the click handler ran

    store("default");
    dialog.LoadStoredLanguage(m_target.get(), true);
    dialog.ListBox1()->setCurrentRow(1);
    dialog.FormShow();
    QCOMPARE(dialog.ListBox1()->currentRow(), 0);

    store("gone.LNG");
    dialog.LoadStoredLanguage(m_target.get(), true);
    QCOMPARE(dialog.CurrentLanguage(), QString("gone.LNG"));
    dialog.FormShow();
    QCOMPARE(dialog.ListBox1()->currentRow(), -1);
    QCOMPARE(dialog.SelectedLanguageFile(), QString("default"));
}

void TestLocalizeDialog::clickSwitchesDialogTexts()
{
    writeLng("Deutsch.lng", "");
    writeLng("english-uk.lng", "");
    writeLng("klingon.lng", "");
    TfoLocalizeDialog dialog;
    dialog.LoadStoredLanguage(m_target.get(), false);
    auto *ok = dialog.findChild<QPushButton *>("Ok_Btn");
    auto *abort = dialog.findChild<QPushButton *>("Abort_Btn");
    auto *selector = dialog.findChild<QGroupBox *>("SelectorBox");

    dialog.ListBox1()->setCurrentRow(entries(dialog.ListBox1()).indexOf("english-uk"));
    QVERIFY(dialog.EnglishTexts());
    QCOMPARE(abort->text(), QString("&Abort"));
    QCOMPARE(dialog.DefaultEntryText(), QString("default (english)"));

    dialog.ListBox1()->setCurrentRow(entries(dialog.ListBox1()).indexOf("klingon"));
    QVERIFY(dialog.EnglishTexts()); // the saved texts leave the flag alone
    QCOMPARE(abort->text(), QString("Abbrechen"));
    QCOMPARE(ok->text(), QString("Ok"));
    QCOMPARE(selector->title(), QString("Sprachressourcen-Dateien"));

    dialog.ListBox1()->setCurrentRow(entries(dialog.ListBox1()).indexOf("Deutsch"));
    QVERIFY(!dialog.EnglishTexts());
    QCOMPARE(abort->text(), QString("Ab&brechen"));
}

void TestLocalizeDialog::changeFromBuiltInTranslatesAtOnce()
{
    writeLng("deutsch.lng", "\"Start\"=\"Los\"\n");
    TfoLocalizeDialog dialog;
    QVERIFY(!dialog.LoadStoredLanguage(m_target.get(), true));
    dialog.ListBox1()->setCurrentRow(1);
    dialog.ApplyLanguage();
    QCOMPARE(dialog.CurrentLanguage(), QString("deutsch.lng"));
    QCOMPARE(m_label->text(), QString("Los"));
    QCOMPARE(Registry().ReadString(kSettingsSection, "language"), QString("deutsch.lng"));
    QCOMPARE(TOxRegistry("Kinbox").KeyExists("settings"), true);
    QCOMPARE(m_restarter.restarts, 0);
    QVERIFY(m_dialogs->shown().isEmpty());
}

void TestLocalizeDialog::changeBetweenLanguagesRestarts_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("message");
    // English texts once an English file is chosen; the new dictionary translates the message.
    QTest::newRow("to English") << 2 << "english.lng" << "Please restart the program for the changes to take effect!";
    QTest::newRow("to a third language") << 3 << "schwaebisch.lng" << "Bitt schee nei starta";
    QTest::newRow("back to default") << 0 << "default" << "Please restart the program for the changes to take effect!";
}

void TestLocalizeDialog::changeBetweenLanguagesRestarts()
{
    QFETCH(int, row);
    QFETCH(QString, file);
    QFETCH(QString, message);
    writeLng("deutsch.lng", "\"Start\"=\"Los\"\n");
    writeLng("english.lng", "");
    writeLng("schwaebisch.lng", "\"Das Programm mu\xDF geschlossen werden, damit die \xC4nderungen wirksam "
                                "werden!\"=\"Bitt schee nei starta\"\n");
    store("deutsch.lng");
    TfoLocalizeDialog dialog;
    QVERIFY(dialog.LoadStoredLanguage(m_target.get(), false));
    dialog.ListBox1()->setCurrentRow(row);
    m_dialogs->answer(QMessageBox::Ok);
    dialog.ApplyLanguage();
    QCOMPARE(m_dialogs->texts(), QStringList({message}));
    QCOMPARE(m_restarter.restarts, 1);
    QCOMPARE(Registry().ReadString(kSettingsSection, "language"), file);
    QCOMPARE(m_label->text(), QString("Los")); // translated once at start, not again
}

void TestLocalizeDialog::unchangedChoiceDoesNothing()
{
    writeLng("deutsch.lng", "\"Start\"=\"Los\"\n");
    store("deutsch.lng");
    TfoLocalizeDialog dialog;
    dialog.LoadStoredLanguage(m_target.get(), true);
    dialog.FormShow();
    Registry().WriteString(kSettingsSection, "language", "marker");
    dialog.ApplyLanguage();
    QCOMPARE(Registry().ReadString(kSettingsSection, "language"), QString("marker"));
    QCOMPARE(m_restarter.restarts, 0);
}

void TestLocalizeDialog::executeAppliesOnlyWhenConfirmed()
{
    writeLng("deutsch.lng", "\"Start\"=\"Los\"\n");
    TfoLocalizeDialog dialog;
    dialog.LoadStoredLanguage(m_target.get(), true);

    const auto press = [&](const char *buttonName, int row) {
        QTimer::singleShot(0, &dialog, [&dialog, buttonName, row] {
            dialog.ListBox1()->setCurrentRow(row);
            dialog.findChild<QPushButton *>(buttonName)->click();
        });
        QTimer::singleShot(5000, &dialog, [&dialog] { dialog.reject(); }); // never hang
        return dialog.Execute();
    };
    QVERIFY(!press("Abort_Btn", 1));
    QCOMPARE(dialog.CurrentLanguage(), QString());
    QCOMPARE(m_label->text(), QString("&Start"));

    QVERIFY(press("Ok_Btn", 1));
    QCOMPARE(dialog.CurrentLanguage(), QString("deutsch.lng"));
    QCOMPARE(m_label->text(), QString("Los"));
}

QTEST_MAIN(TestLocalizeDialog)
#include "tst_localizedialog.moc"
