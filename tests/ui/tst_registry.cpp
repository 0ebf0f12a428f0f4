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
    void keyExistsDoesNotCreateTheSection();
    void shellFolders();
    void batchWritesOnceAtItsEnd();

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
    QCOMPARE(registry.SectionKey("window"), QString("SOFTWARE\\Fernhill Crew\\Kinbox\\window"));
    QCOMPARE(registry.SectionKey(QString()), registry.BaseKey());
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
        registry.WriteString("window", "Left", "10");
        registry.WriteString("window", "State", "maximized");
        registry.WriteString("settings", "language", "deutsch.lng");
        registry.WriteString("settings", "Left", "other");
        // Each call names its own section; nothing of the last one is remembered.
        QCOMPARE(registry.ReadString("window", "Left"), QString("10"));
        QCOMPARE(registry.ReadString("settings", "Left"), QString("other"));
    }
    // The layout of the file the program has always written: one group per section.
    const QString file = m_config->filePath("Fernhill Crew/Kinbox.conf");
    QVERIFY(QFileInfo::exists(file));
    QSettings raw(file, QSettings::IniFormat);
    QCOMPARE(raw.value("window/Left").toString(), QString("10"));
    QCOMPARE(raw.value("settings/language").toString(), QString("deutsch.lng"));

    TOxRegistry again("Kinbox");
    QCOMPARE(again.ReadString("window", "Left"), QString("10"));
    QCOMPARE(again.ReadString("window", "State"), QString("maximized"));
    QVERIFY(!again.ValueExists("window", "language"));
    QCOMPARE(again.ReadString("settings", "language"), QString("deutsch.lng"));
    QCOMPARE(again.ReadString("settings", "Left"), QString("other"));

    // Another title is another key.
    TOxRegistry other("Other");
    QVERIFY(!other.ValueExists("settings", "language"));
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
    TOxRegistry("Kinbox").WriteString(QString(), "v", value);
    TOxRegistry reader("Kinbox");
    QVERIFY(reader.ValueExists(QString(), "v"));
    QCOMPARE(reader.ReadString(QString(), "v"), value);
}

void TestRegistry::missingValuesReadEmpty()
{
    TOxRegistry registry("Kinbox");
    QVERIFY(!registry.ValueExists("settings", "language"));
    QCOMPARE(registry.ReadString("settings", "language"), QString());
    registry.WriteString("settings", "language", QString());
    QVERIFY(registry.ValueExists("settings", "language"));
    QCOMPARE(registry.ReadString("settings", "language"), QString());
}

void TestRegistry::keyExistsDoesNotCreateTheSection()
{
    TOxRegistry registry("Kinbox");
    QVERIFY(!registry.KeyExists("settings"));
    QVERIFY(!registry.KeyExists(QString()));

    QCOMPARE(registry.ReadString("settings", "first"), QString());
    QVERIFY(!registry.ValueExists("settings", "first"));
    QVERIFY(!registry.KeyExists("settings")); // reading is no reason to remember a first run

    registry.WriteString("settings", "first", "no");
    QVERIFY(registry.KeyExists("settings"));
    QVERIFY(registry.KeyExists(QString()));
    QVERIFY(!registry.KeyExists("window"));
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

// Inside a batch the values are read back from the batch; the file gets them when the outermost batch
// ends, with the same layout as single writes.
void TestRegistry::batchWritesOnceAtItsEnd()
{
    const QString file = m_config->filePath("Fernhill Crew/Kinbox.conf");
    TOxRegistry registry("Kinbox");
    {
        const TOxRegistry::Batch batch(registry);
        registry.WriteString("window", "Left", "10");
        {
            const TOxRegistry::Batch inner(registry);
            registry.WriteString("settings", "language", "deutsch.lng");
        }
        QVERIFY(!QFileInfo::exists(file));
        QCOMPARE(registry.ReadString("window", "Left"), QString("10"));
        QVERIFY(registry.ValueExists("settings", "language"));
        QVERIFY(!registry.ValueExists("window", "language"));
    }
    QSettings raw(file, QSettings::IniFormat);
    QCOMPARE(raw.value("window/Left").toString(), QString("10"));
    QCOMPARE(raw.value("settings/language").toString(), QString("deutsch.lng"));
    registry.WriteString("window", "Left", "20");
    QCOMPARE(TOxRegistry("Kinbox").ReadString("window", "Left"), QString("20"));
}

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_registry.moc"
