#include "ui/registry.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace kbx;

class TestRegistry : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void keysFollowTheSection();
    void defaultTitleComesFromExecutable();
    void sectionsRoundTrip();
    void oddValuesRoundTrip_data();
    void oddValuesRoundTrip();
    void missingValuesReadEmpty();
    void keyExistsSelectsSectionAndDoesNotCreateIt();
    void shellFolders();

private:
    std::unique_ptr<QTemporaryDir> m_config;
};

// Each test gets its own empty configuration folder.
void TestRegistry::init()
{
    m_config = std::make_unique<QTemporaryDir>();
    QVERIFY(m_config->isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config->path());
}

void TestRegistry::keysFollowTheSection()
{
    TOxRegistry registry("Kinbox");
    QCOMPARE(registry.Vendor(), QString("Fernhill Crew"));
    QCOMPARE(registry.AppTitle(), QString("Kinbox"));
    QCOMPARE(registry.BaseKey(), QString("SOFTWARE\\Fernhill Crew\\Kinbox"));
    QCOMPARE(registry.CurrentKey(), registry.BaseKey());
    registry.SetSection("window");
    QCOMPARE(registry.CurrentKey(), QString("SOFTWARE\\Fernhill Crew\\Kinbox\\window"));
    QCOMPARE(registry.Section(), QString("window"));
    registry.SetSection(QString());
    QCOMPARE(registry.CurrentKey(), registry.BaseKey());
}

void TestRegistry::defaultTitleComesFromExecutable()
{
    TOxRegistry registry;
    QCOMPARE(registry.AppTitle(), QString("tst_registry"));
}

void TestRegistry::sectionsRoundTrip()
{
    {
        TOxRegistry registry("Kinbox");
        registry.SetSection("window");
        registry.WriteString("Left", "10");
        registry.WriteString("State", "maximized");
        registry.SetSection("settings");
        registry.WriteString("language", "deutsch.lng");
        registry.WriteString("Left", "other");
        // The section chosen last stays in force.
        QCOMPARE(registry.ReadString("Left"), QString("other"));
    }
    QVERIFY(QFileInfo::exists(m_config->filePath("Fernhill Crew/Kinbox.conf")));

    TOxRegistry again("Kinbox");
    again.SetSection("window");
    QCOMPARE(again.ReadString("Left"), QString("10"));
    QCOMPARE(again.ReadString("State"), QString("maximized"));
    QVERIFY(!again.ValueExists("language"));
    again.SetSection("settings");
    QCOMPARE(again.ReadString("language"), QString("deutsch.lng"));
    QCOMPARE(again.ReadString("Left"), QString("other"));

    // Another title is another key.
    TOxRegistry other("Other");
    other.SetSection("settings");
    QVERIFY(!other.ValueExists("language"));
}

void TestRegistry::oddValuesRoundTrip_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("empty") << "";
    QTest::newRow("comma list") << "a, b, c";
    QTest::newRow("spaces kept") << "  spaced  ";
    QTest::newRow("at sign") << "@Variant(x)";
    QTest::newRow("non-ASCII") << "Käse € 5";
    QTest::newRow("separators") << "x=y;z # not a comment";
    QTest::newRow("windows path") << "C:\\rip\\movie.vob";
}

void TestRegistry::oddValuesRoundTrip()
{
    QFETCH(QString, value);
    TOxRegistry("Kinbox").WriteString("v", value);
    TOxRegistry reader("Kinbox");
    QVERIFY(reader.ValueExists("v"));
    QCOMPARE(reader.ReadString("v"), value);
}

void TestRegistry::missingValuesReadEmpty()
{
    TOxRegistry registry("Kinbox");
    registry.SetSection("settings");
    QVERIFY(!registry.ValueExists("language"));
    QCOMPARE(registry.ReadString("language"), QString());
    registry.WriteString("language", QString());
    QVERIFY(registry.ValueExists("language"));
    QCOMPARE(registry.ReadString("language"), QString());
}

void TestRegistry::keyExistsSelectsSectionAndDoesNotCreateIt()
{
    TOxRegistry registry("Kinbox");
    QVERIFY(!registry.KeyExists("settings"));
    QCOMPARE(registry.CurrentKey(), QString("SOFTWARE\\Fernhill Crew\\Kinbox\\settings"));
    QVERIFY(!registry.KeyExists(QString()));

    registry.KeyExists("settings");
    QCOMPARE(registry.ReadString("first"), QString());
    QVERIFY(!registry.KeyExists("settings")); // reading is no reason to remember a first run

    registry.WriteString("first", "no");
    QVERIFY(registry.KeyExists("settings"));
    QVERIFY(registry.KeyExists(QString()));
    QVERIFY(!registry.KeyExists("window"));
    QCOMPARE(registry.Section(), QString("window"));
}

void TestRegistry::shellFolders()
{
    TOxRegistry registry("Kinbox");
    QVERIFY(!registry.ReadShellFolder("Desktop").isEmpty());
    QVERIFY(!registry.ReadShellFolder("My Video").isEmpty());
    QCOMPARE(registry.ReadShellFolder("personal"), QDir::homePath());
    QCOMPARE(registry.ReadShellFolder("Programs"), registry.ReadShellFolder("Start Menu"));
    QVERIFY(registry.ReadShellFolder("Startup").endsWith("/autostart"));
    QCOMPARE(registry.ReadShellFolder("SendTo"), QString());
    QCOMPARE(registry.ReadShellFolder(QString()), QString());
}

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_registry.moc"
