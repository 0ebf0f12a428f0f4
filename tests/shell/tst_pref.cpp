#include "fileproc/fileprocpage.h"
#include "support/fakeplatform.h"
#include "shell/pref.h"
#include "ui/program.h"
#include "ui/registry.h"
#include "support/scripteddialogs.h"
#include "shell/tform1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace kbx;

namespace {

// Some calculator, monitor and frame controls under their names, with handlers that count or do what
// the real ones do to their captions.
class FakeWindow : public QWidget
{
    Q_OBJECT
public:
    FakeWindow()
    {
        minutes->setRange(0, 999);
        minutes->setValue(90);
        align->setChecked(true);
        trackX->setRange(0, 2000);
        aspect->addItems({"4:3", "16:9", "2.35:1"});
        aspect->setCurrentIndex(1);
        connect(aspect, &QComboBox::currentIndexChanged, this, [this] { ++aspectChanges; });
        pal->setChecked(true);
        action->addItems({"shutdown", "forced shutdown", "message", "beep"});
        action->setCurrentIndex(-1);
        radioAction->setChecked(true);
        frameRates->hide();
        // The calculator's page is not the one in front.
        pages->addWidget(otherPage);
        pages->addWidget(calcPage);
        pages->setCurrentWidget(otherPage);
        help->setCheckable(true);
        connect(help, &QToolButton::clicked, this, [this](bool down) { helpClicks << down; });
    }

    QSpinBox *minutes = add<QSpinBox>("EC_MINe");
    QCheckBox *align = add<QCheckBox>("EC_Align16");
    QSlider *trackX = add<QSlider>("EC_TrackX");
    QLabel *dimX = add<QLabel>("EC_DimX");
    QComboBox *aspect = add<QComboBox>("EC_Aspect_Combo");
    // Radio buttons of one parent exclude each other: each pair gets its own.
    QWidget *normBox = add<QWidget>("normBox");
    QRadioButton *pal = add<QRadioButton>("EC_PALrb", normBox);
    QRadioButton *ntsc = add<QRadioButton>("EC_NTSCrb", normBox);
    QComboBox *action = add<QComboBox>("Check_Action");
    QWidget *actionBox = add<QWidget>("actionBox");
    QRadioButton *radioAction = add<QRadioButton>("Check_RadioAction", actionBox);
    QRadioButton *radioRun = add<QRadioButton>("Check_RadioRun", actionBox);
    QToolButton *advanced = add<QToolButton>("EC_Advanced");
    QStackedWidget *pages = add<QStackedWidget>("pages");
    QWidget *otherPage = add<QWidget>("otherPage", pages);
    QWidget *calcPage = add<QWidget>("calcPage", pages);
    QWidget *frameRates = add<QWidget>("EC_FPS_Box", calcPage);
    QToolButton *help = add<QToolButton>("btn_oHelp");

    int aspectChanges = 0;
    int calcRuns = 0;
    int advancedClicks = 0;
    QList<bool> helpClicks;

public slots:
    void EC_TrackXChange() { dimX->setNum(trackX->value() * (align->isChecked() ? 16 : 1)); }
    void calcRate() { ++calcRuns; }
    void EC_AdvancedClick()
    {
        ++advancedClicks;
        frameRates->setHidden(!frameRates->isHidden());
    }

private:
    template <class T>
    T *add(const char *name, QWidget *parent = nullptr)
    {
        auto *w = new T(parent ? parent : this);
        w->setObjectName(QLatin1String(name));
        return w;
    }
};

void store(const QString &section, const QString &name, const QString &value)
{
    Registry().SetSection(section);
    Registry().WriteString(name, value);
}

QString stored(const QString &section, const QString &name)
{
    Registry().SetSection(section);
    return Registry().ValueExists(name) ? Registry().ReadString(name) : QStringLiteral("<absent>");
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

    void dimensionsFollowTheAlignment_data();
    void dimensionsFollowTheAlignment();
    void checkAction_data();
    void checkAction();
    void controlsHandlersAndMissingControls();
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
        form.resize(700, 520);
        form.move(30, 40);
        TPref(&form).Save();
    }
    QCOMPARE(stored("settings", "sheet"), QString("4"));

    TForm1 form(nullptr, false);
    form.FilesPage()->SetHexDisplay(false);
    form.FilesPage()->SetOffsetSetting("slider");
    TPref pref(&form);
    pref.Load();
    QVERIFY(form.FilesPage()->HexDisplay());
    QCOMPARE(form.FilesPage()->OffsetSetting(), QString("button"));
    QCOMPARE(form.TabSheet()->currentIndex(), int(TForm1::IFOedit));
    // The stored page is no page change: the selector keeps no selection.
    QVERIFY(form.ModuleSelector()->selectedItems().isEmpty());
    QCOMPARE(form.geometry().size(), QSize(700, 520));
    QCOMPARE(form.pos(), QPoint(30, 40));
    QCOMPARE(Registry().Section(), QString("settings"));
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
    TPref(&form).Load();
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
    TPref(&form).Load();
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
    TPref(&form).Load();
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

void TestPref::dimensionsFollowTheAlignment_data()
{
    QTest::addColumn<QString>("align");
    QTest::addColumn<QString>("dimX");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("caption");
    QTest::newRow("pixels") << "0" << "720" << 720 << "720";
    QTest::newRow("aligned") << "1" << "720" << 45 << "720";
    QTest::newRow("aligned, rounded down") << "1" << "735" << 45 << "720";
    QTest::newRow("broken") << "0" << "x" << 0 << "0";
}

void TestPref::dimensionsFollowTheAlignment()
{
    QFETCH(QString, align);
    QFETCH(QString, dimX);
    QFETCH(int, position);
    QFETCH(QString, caption);
    store("settings", "Align", align);
    store("settings", "DimX", dimX);
    FakeWindow window;
    TPref pref(&window);
    pref.Load();
    QCOMPARE(window.trackX->value(), position);
    QCOMPARE(window.dimX->text(), caption);
    // Saved from the caption, in pixels.
    pref.Save();
    QCOMPARE(stored("settings", "DimX"), caption);
}

void TestPref::checkAction_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("execute");
    // No action chosen: "run", with the harmless "show a message" preselected rather than a forced
    // power-off one click on "execute" away.
    QTest::newRow("none") << "-1" << 2 << false;
    QTest::newRow("message") << "2" << 2 << true;
    QTest::newRow("first") << "0" << 0 << true;
    QTest::newRow("forced") << "1" << 1 << true;
    QTest::newRow("past the list") << "9" << 2 << false;
    QTest::newRow("not a number") << "abc" << 2 << false;
}

void TestPref::checkAction()
{
    QFETCH(QString, value);
    QFETCH(int, index);
    QFETCH(bool, execute);
    store("settings", "CheckAction", value);
    FakeWindow window;
    (execute ? window.radioRun : window.radioAction)->setChecked(true);
    TPref pref(&window);
    pref.Load();
    QCOMPARE(window.action->currentIndex(), index);
    QCOMPARE(window.radioAction->isChecked(), execute);
    QCOMPARE(window.radioRun->isChecked(), !execute);

    pref.Save();
    QCOMPARE(stored("settings", "CheckAction"), QString::number(execute ? index : -1));
    // "execute" with nothing chosen stores -1 as well.
    window.radioAction->setChecked(true);
    window.action->setCurrentIndex(-1);
    pref.Save();
    QCOMPARE(stored("settings", "CheckAction"), QString("-1"));
}

void TestPref::controlsHandlersAndMissingControls()
{
    store("settings", "calcMin", "abc");
    store("settings", "Aspect", "2");
    store("settings", "PAL", "0");
    store("settings", "advanced", "1");
    // Values of modules whose controls do not exist stay as the store has them.
    store("settings", "Normalize", "1");
    store("settings", "CheckRunProgram", "/usr/bin/true");
    FakeWindow window;
    TPref pref(&window);
    pref.Load();
    // -1 from a broken number: the spin box holds its minimum.
    QCOMPARE(window.minutes->value(), 0);
    QCOMPARE(window.aspect->currentIndex(), 2);
    QCOMPARE(window.aspectChanges, 0);
    QVERIFY(window.ntsc->isChecked() && !window.pal->isChecked());
    QCOMPARE(window.advancedClicks, 1);
    // The calculation runs after the page, even with no page control.
    QCOMPARE(window.calcRuns, 1);

    pref.Save();
    const QStringList expected{"0", "2", "0", "1", "1", "/usr/bin/true", "0"};
    QStringList written;
    for (const char *name : {"calcMin", "Aspect", "PAL", "advanced", "Normalize", "CheckRunProgram", "help"})
        written << stored("settings", name);
    QCOMPARE(written, expected);
    for (const char *absent : {"calcSec", "audio", "AVI", "copyMedium", "CheckSeconds", "sheet", "OffSetting"})
        QCOMPARE(stored("settings", absent), QString("<absent>"));

    store("settings", "advanced", "0");
    FakeWindow simple;
    TPref(&simple).Load();
    QCOMPARE(simple.advancedClicks, 0);
    TPref(&simple).Save();
    QCOMPARE(stored("settings", "advanced"), QString("0"));
}

void TestPref::helpComesLaterWithItsClick()
{
    FakeWindow window;
    TPref pref(&window);
    pref.LoadHelp();
    QVERIFY(window.helpClicks.isEmpty());

    store("settings", "help", "1");
    pref.Load();
    QVERIFY(!window.help->isChecked());
    pref.LoadHelp();
    pref.LoadHelp();
    // The click runs each time, also when the state does not change.
    QVERIFY(window.help->isChecked());
    QCOMPARE(window.helpClicks, (QList<bool>{true, true}));

    store("settings", "help", "0");
    pref.LoadHelp();
    QVERIFY(!window.help->isChecked());
    QCOMPARE(window.helpClicks.last(), false);
}

QTEST_MAIN(TestPref)
#include "tst_pref.moc"
