#include "fileproc/fileprocpage.h"
#include "ui/page.h"
#include "support/fakeplatform.h"
#include "shell/pref.h"
#include "ui/program.h"
#include "ui/registry.h"
#include "support/scripteddialogs.h"
#include "shell/tform1.h"

#include <QGuiApplication>
#include <QListWidget>
#include <QScreen>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace kbx;

namespace {

// Owns some keys and records every call the store makes, in the order it makes them.
class RecordingPage : public TPage
{
public:
    RecordingPage(QStringList keys, QStringList *calls) : m_keys(std::move(keys)), m_calls(calls) {}
    QStringList SettingKeys() const override { return m_keys; }
    void LoadSetting(const QString &key, const TSettingsAccess &store) override
    {
        *m_calls << QStringLiteral("load %1=%2").arg(key, store.Has(key) ? store.Read(key) : QStringLiteral("<absent>"));
    }
    void SaveSetting(const QString &key, TSettingsAccess &store) const override
    {
        *m_calls << QStringLiteral("save ") + key;
        store.Write(key, QStringLiteral("saved ") + key);
    }

private:
    QStringList m_keys;
    QStringList *m_calls;
};

void store(const QString &section, const QString &name, const QString &value)
{
    Registry().WriteString(section, name, value);
}

QString stored(const QString &section, const QString &name)
{
    return Registry().ValueExists(section, name) ? Registry().ReadString(section, name) : QStringLiteral("<absent>");
}

} // namespace

class TestPref : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void conversions_data();
    void conversions();
    void roundTripOfTheMainWindow();
    void firstStartIsCentredOnTheCalcPage();
    void pageAndOffsetMode_data();
    void pageAndOffsetMode();
    void placement_data();
    void placement();
    void maximisedComesBackMaximised();

    void everyValueHasOneOwner();
    void pagesAreAskedInTheStoredOrder();
    void helpComesLaterWithItsClick();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakePlatform> m_platform;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
};

void TestPref::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir->filePath("config"));
    ProgramFolder::setPath(m_dir->path());
    InstallRegistry(std::make_unique<TOxRegistry>("Kinbox"));
    m_platform = std::make_unique<FakePlatform>();
    m_dialogs = std::make_unique<ScriptedDialogs>();
}

void TestPref::cleanup()
{
    m_dialogs.reset();
    m_platform.reset();
    InstallRegistry(nullptr);
    ProgramFolder::setPath(QString());
    m_dir.reset();
}

void TestPref::conversions_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("integer");
    QTest::addColumn<bool>("flag");
    QTest::newRow("number") << "-7" << -7 << false;
    QTest::newRow("one") << "1" << 1 << true;
    QTest::newRow("empty") << "" << -1 << false;
    QTest::newRow("letters") << "abc" << -1 << false;
    QTest::newRow("trailing junk") << "12abc" << -1 << false;
    QTest::newRow("too large") << "2147483648" << -1 << false;
    QTest::newRow("true is no flag") << "true" << -1 << false;
}

void TestPref::conversions()
{
    QFETCH(QString, text);
    QFETCH(int, integer);
    QFETCH(bool, flag);
    TPref pref(nullptr);
    store("settings", "value", text);
    QCOMPARE(pref.ReadInt("value"), integer);
    QCOMPARE(pref.ReadBool("value"), flag);
    QCOMPARE(pref.ReadInt("absent"), -1);
    pref.WriteInt("n", integer);
    pref.WriteBool("b", flag);
    QCOMPARE(stored("settings", "n"), QString::number(integer));
    QCOMPARE(stored("settings", "b"), QString(flag ? "1" : "0"));
}

void TestPref::roundTripOfTheMainWindow()
{
    {
        TForm1 form(nullptr, false);
        form.FilesPage()->SetHexDisplay(true);
        form.FilesPage()->SetOffsetSetting("button");
        form.ShowPage(TForm1::IFOedit);
        if (auto *help = form.findChild<QToolButton *>("btn_oHelp"))
            help->setChecked(true);
        form.resize(700, 640);
        form.move(30, 40);
        form.Pref()->Save();
    }
    QCOMPARE(stored("settings", "sheet"), QString("4"));

    TForm1 form(nullptr, false);
    form.FilesPage()->SetHexDisplay(false);
    form.FilesPage()->SetOffsetSetting("slider");
    TPref &pref = *form.Pref();
    pref.Load();
    QVERIFY(form.FilesPage()->HexDisplay());
    QCOMPARE(form.FilesPage()->OffsetSetting(), QString("button"));
    QCOMPARE(form.TabSheet()->currentIndex(), int(TForm1::IFOedit));
    // The stored page is no page change, but the selector shows it.
    QCOMPARE(form.ModuleSelector()->currentRow(), int(TForm1::IFOedit));
    QCOMPARE(form.ModuleSelector()->selectedItems().size(), 1);
    QCOMPARE(form.geometry().size(), QSize(700, 640));
    QCOMPARE(form.pos(), QPoint(30, 40));
    if (auto *help = form.findChild<QToolButton *>("btn_oHelp")) {
        help->setChecked(false);
        pref.Load();
        QVERIFY2(!help->isChecked(), "the help toggle is LoadHelp's");
        pref.LoadHelp();
        QVERIFY(help->isChecked());
    }
}

void TestPref::firstStartIsCentredOnTheCalcPage()
{
    TForm1 form(nullptr, false);
    form.ShowPage(TForm1::FileProc);
    form.Pref()->Load();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(form.height(), 592);
    QCOMPARE(form.x(), screen.left() + (screen.width() - form.width()) / 2);
    QCOMPARE(form.y(), screen.top() + (screen.height() - 592) / 2);
    QCOMPARE(form.TabSheet()->currentIndex(), int(TForm1::Calc));
    QCOMPARE(form.FilesPage()->OffsetSetting(), QString("slider"));
}

void TestPref::pageAndOffsetMode_data()
{
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("offSetting");
    QTest::addColumn<QString>("mode");
    QTest::newRow("first, buttons") << "0" << 0 << "button" << "button";
    QTest::newRow("last, empty") << "6" << 6 << "" << "slider";
    QTest::newRow("past the last, other case") << "7" << int(TForm1::Calc) << "Button" << "slider";
    QTest::newRow("negative, other text") << "-3" << int(TForm1::Calc) << "buttons" << "slider";
    QTest::newRow("not a number, absent") << "abc" << int(TForm1::Calc) << "<absent>" << "slider";
}

void TestPref::pageAndOffsetMode()
{
    QFETCH(QString, sheet);
    QFETCH(int, page);
    QFETCH(QString, offSetting);
    QFETCH(QString, mode);
    store("settings", "sheet", sheet);
    if (offSetting != "<absent>")
        store("settings", "OffSetting", offSetting);
    TForm1 form(nullptr, false);
    form.ShowPage(TForm1::FileProc);
    // The opposite mode, so that loading has to change it.
    form.FilesPage()->SetOffsetSetting(mode == "slider" ? "button" : "slider");
    form.Pref()->Load();
    QCOMPARE(form.TabSheet()->currentIndex(), page);
    QCOMPARE(form.FilesPage()->OffsetSetting(), mode);
}

void TestPref::placement_data()
{
    QTest::addColumn<QStringList>("values");  // top, left, width, height
    QTest::addColumn<bool>("kept");
    QTest::newRow("on screen") << QStringList{"20", "10", "700", "500"} << true;
    QTest::newRow("partly visible") << QStringList{"30", "-200", "700", "500"} << true;
    QTest::newRow("only a sliver") << QStringList{"30", "-680", "700", "500"} << false;
    QTest::newRow("far right and down") << QStringList{"20000", "20000", "700", "500"} << false;
    QTest::newRow("far left and up") << QStringList{"-9000", "-9000", "700", "500"} << false;
    // An empty or absent size reads -1 and keeps the designed size.
    QTest::newRow("broken size") << QStringList{"10", "abc", ""} << true;
}

void TestPref::placement()
{
    QFETCH(QStringList, values);
    QFETCH(bool, kept);
    const char *names[] = {"top", "left", "width", "height"};
    for (int i = 0; i < values.size(); ++i)
        store("window", names[i], values[i]);
    TForm1 form(nullptr, false);
    const QSize designed = form.size();
    form.Pref()->Load();
    const QSize size = values.size() == 4 ? QSize(values[2].toInt(), values[3].toInt()) : designed;
    QCOMPARE(form.size(), size);
    const QPoint asStored(values[1].toInt(), values[0].toInt());
    if (kept) {
        QCOMPARE(form.pos(), values[1] == "abc" ? QPoint(-1, 10) : asStored);
        return;
    }
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY2(area.contains(QRect(form.pos(), form.size())),
             qPrintable(QString("%1,%2").arg(form.x()).arg(form.y())));
}

void TestPref::maximisedComesBackMaximised()
{
    {
        TForm1 form(nullptr, false);
        form.resize(700, 640);
        form.move(30, 40);
        form.showMaximized();
        QVERIFY(form.isMaximized());
        form.Pref()->Save();
    }
    QCOMPARE(stored("window", "maximized"), QString("1"));
    QCOMPARE(stored("window", "width"), QString("700"));
    TForm1 form(nullptr, false);
    form.Pref()->Load();
    QVERIFY(form.windowState() & Qt::WindowMaximized);
    form.showNormal();
    QCOMPARE(form.size(), QSize(700, 640));
}

void TestPref::everyValueHasOneOwner()
{
    TForm1 form(nullptr, false);
    QCOMPARE(form.Pref()->Problems(), QStringList());

    // A store without pages owns only the frame's values.
    TPref bare(nullptr);
    const QStringList problems = bare.Problems();
    QVERIFY(problems.contains("no page owns \"calcMin\""));
    QVERIFY(!problems.join('\n').contains("\"sheet\""));
    QCOMPARE(problems.size(), TPref::SaveOrder().size() - 2);

    QStringList calls;
    RecordingPage twice({"calcMin", "bogus"}, &calls);
    form.Pref()->AddPage(&twice);
    QCOMPARE(form.Pref()->Problems(),
             (QStringList{"\"calcMin\" is owned 2 times", "\"bogus\" is owned but not stored"}));

    // Both orders name the same values.
    QStringList loaded = TPref::LoadOrder();
    loaded << "help";
    loaded.sort();
    QStringList saved = TPref::SaveOrder();
    saved.sort();
    QCOMPARE(loaded, saved);
}

void TestPref::pagesAreAskedInTheStoredOrder()
{
    store("settings", "calcMin", "95");
    store("settings", "help", "1");
    QStringList calls;
    QStringList keys = TPref::SaveOrder();
    keys.removeAll("help");
    keys.removeAll("sheet");
    // Two pages whose keys interleave in the store's order.
    QStringList even, odd;
    for (int i = 0; i < keys.size(); ++i)
        (i % 2 ? odd : even) << keys[i];
    RecordingPage first(even, &calls), second(odd, &calls);
    QWidget window;
    TPref pref(&window);
    pref.SetFrame(nullptr, nullptr, [&calls] { calls << "calculation"; });
    pref.AddPage(&first);
    pref.AddPage(&second);
    QCOMPARE(pref.Problems(), QStringList());

    pref.Load();
    QStringList expected;
    for (const QString &key : TPref::LoadOrder()) {
        if (key == "sheet")
            expected << "calculation";  // even with no page control
        else
            expected << QString("load %1=%2").arg(key, key == "calcMin" ? "95" : "<absent>");
    }
    QCOMPARE(calls, expected);

    calls.clear();
    pref.Save();
    QStringList ordered;
    for (const QString &key : TPref::SaveOrder()) {
        if (keys.contains(key))
            ordered << "save " + key;
    }
    QCOMPARE(calls, ordered);
    QCOMPARE(stored("settings", "CheckRunProgram"), QString("saved CheckRunProgram"));
    // No frame controls: neither the page nor the help toggle is written.
    QCOMPARE(stored("settings", "sheet"), QString("<absent>"));
    QCOMPARE(stored("settings", "help"), QString("1"));
}

void TestPref::helpComesLaterWithItsClick()
{
    QToolButton help;
    help.setCheckable(true);
    QList<bool> clicks;
    connect(&help, &QToolButton::clicked, &help, [&clicks](bool down) { clicks << down; });
    QWidget window;
    TPref pref(&window);
    pref.SetFrame(nullptr, &help, nullptr);
    pref.LoadHelp();
    QVERIFY(clicks.isEmpty());

    store("settings", "help", "1");
    pref.Load();
    QVERIFY(!help.isChecked());
    pref.LoadHelp();
    pref.LoadHelp();
    // The click runs each time, also when the state does not change.
    QVERIFY(help.isChecked());
    QCOMPARE(clicks, (QList<bool>{true, true}));

    store("settings", "help", "0");
    pref.LoadHelp();
    QVERIFY(!help.isChecked());
    QCOMPARE(clicks.last(), false);
    help.setChecked(true);
    pref.Save();
    QCOMPARE(stored("settings", "help"), QString("1"));
}

QTEST_MAIN(TestPref)
#include "tst_pref.moc"
