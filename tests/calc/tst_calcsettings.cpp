#include "calc/calcpage.h"
#include "support/scripteddialogs.h"
#include "support/settingsmap.h"
#include "ui/program.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace kbx;

namespace {

// A main window that holds only the Calc page; its settings go to and come from `store`.
struct Window
{
    explicit Window(SettingsMap &store) : store(store) {}
    void Load() { LoadPageSettings(*page, store); }
    void Save() { SavePageSettings(*page, store); }

    QWidget window;
    TCalcPage *page = new TCalcPage(&window);
    SettingsMap &store;

    template <class T>
    T *child(const char *name) const
    {
        return page->findChild<T *>(QLatin1String(name));
    }
};

} // namespace

class TestCalcSettings : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void roundTrip();
    void alignedDimensions();
    void brokenAndAbsentValues();

private:
    void store(const QString &name, const QString &value) { m_store.Write(name, value); }
    QString stored(const QString &name) { return m_store.Read(name); }

    SettingsMap m_store;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
};

void TestCalcSettings::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    ProgramFolder::setPath(m_dir->path());
    m_store.values.clear();
    m_dialogs = std::make_unique<ScriptedDialogs>();
}

void TestCalcSettings::cleanup()
{
    QVERIFY(m_dialogs->shown().isEmpty());
    m_dialogs.reset();
    ProgramFolder::setPath(QString());
    m_dir.reset();
}

void TestCalcSettings::roundTrip()
{
    {
        Window w(m_store);
        QVERIFY(QMetaObject::invokeMethod(w.page, "EC_AdvancedClick"));
        w.child<QSpinBox>("EC_MINe")->setValue(100);
        w.child<QSpinBox>("EC_SECe")->setValue(30);
        w.child<QRadioButton>("EC_NTSCrb")->setChecked(true);
        w.child<QRadioButton>("EC_MPEGrb")->setChecked(true);
        w.child<QRadioButton>("EC_PCMrb")->setChecked(true);
        w.child<QComboBox>("EC_AUDIOcb")->setCurrentText("  88 KB (22 kHz stereo)");
        w.child<QComboBox>("EC_MEDIAcb")->setCurrentText("150 min");
        w.child<QSpinBox>("EC_ATracks")->setValue(2);
        w.child<QSpinBox>("EC_NUMe")->setValue(3);
        w.child<QToolButton>("EC_VIDrb")->setChecked(true);
        w.child<QCheckBox>("EC_LockAspect")->setChecked(false);
        w.child<QCheckBox>("EC_Align16")->setChecked(false);
        w.child<QComboBox>("EC_Aspect_Combo")->setCurrentIndex(0);
        w.child<QSlider>("EC_TrackX")->setValue(800);
        w.child<QSlider>("EC_TrackY")->setValue(500);
        w.Save();
    }
    QCOMPARE(stored("advanced"), QString("1"));
    QCOMPARE(stored("audio"), QString("  88 KB (22 kHz stereo)"));
    QCOMPARE(stored("MultiDisc"), QString("0"));
    QCOMPARE(stored("Align"), QString("0"));
    QCOMPARE(stored("DimX"), QString("800"));
    QCOMPARE(stored("DimY"), QString("500"));

    Window w(m_store);
    w.Load();
    QVERIFY(w.page->AdvancedShown());
    QCOMPARE(w.child<QSpinBox>("EC_MINe")->value(), 100);
    QCOMPARE(w.child<QSpinBox>("EC_SECe")->value(), 30);
    QVERIFY(w.child<QRadioButton>("EC_NTSCrb")->isChecked());
    QVERIFY(w.child<QRadioButton>("EC_MPEGrb")->isChecked());
    QVERIFY(w.child<QRadioButton>("EC_PCMrb")->isChecked());
    // The audio-list refill of the loaded "PCM" keeps the loaded text.
    QCOMPARE(w.child<QComboBox>("EC_AUDIOcb")->count(), 6);
    QCOMPARE(w.child<QComboBox>("EC_AUDIOcb")->currentText(), QString("  88 KB (22 kHz stereo)"));
    QCOMPARE(w.child<QComboBox>("EC_MEDIAcb")->currentText(), QString("150 min"));
    QCOMPARE(w.child<QSpinBox>("EC_ATracks")->value(), 2);
    QCOMPARE(w.child<QSpinBox>("EC_NUMe")->value(), 3);
    QVERIFY(w.child<QToolButton>("EC_VIDrb")->isChecked());
    QVERIFY(w.child<QToolButton>("EC_VIDrb")->isEnabled());
    QVERIFY(!w.child<QCheckBox>("EC_LockAspect")->isChecked());
    QVERIFY(!w.child<QCheckBox>("EC_Align16")->isChecked());
    QCOMPARE(w.child<QComboBox>("EC_Aspect_Combo")->currentIndex(), 0);
    // The index is set without its handler: the lock ratio stays.
    QCOMPARE(w.page->LockRatio(), 16.0 / 9);
    QCOMPARE(w.child<QSlider>("EC_TrackX")->value(), 800);
    QCOMPARE(w.child<QLabel>("EC_DimX")->text(), QString("800"));
    QCOMPARE(w.child<QSlider>("EC_TrackY")->value(), 500);
    QCOMPARE(w.child<QLabel>("EC_DimY")->text(), QString("500"));
}

void TestCalcSettings::alignedDimensions()
{
    store("Align", "1");
    store("DimX", "720");
    store("DimY", "432");
    Window w(m_store);
    w.Load();
    QCOMPARE(w.child<QSlider>("EC_TrackX")->value(), 45);
    QCOMPARE(w.child<QLabel>("EC_DimX")->text(), QString("720"));
    QCOMPARE(w.child<QSlider>("EC_TrackY")->value(), 27);
    QCOMPARE(w.child<QLabel>("EC_DimY")->text(), QString("432"));

    store("Align", "0");
    Window unaligned(m_store);
    unaligned.Load();
    QCOMPARE(unaligned.child<QSlider>("EC_TrackX")->value(), 720);
    QCOMPARE(unaligned.child<QLabel>("EC_DimX")->text(), QString("720"));

    // Aligned steps round down; a broken number holds the slider at its minimum.
    store("Align", "1");
    store("DimX", "735");
    store("DimY", "x");
    Window rounded(m_store);
    rounded.Load();
    QCOMPARE(rounded.child<QSlider>("EC_TrackX")->value(), 45);
    QCOMPARE(rounded.child<QLabel>("EC_DimX")->text(), QString("720"));
    QCOMPARE(rounded.child<QLabel>("EC_DimY")->text(), QString("144"));
    // Saved from the captions, in pixels.
    rounded.Save();
    QCOMPARE(stored("DimX"), QString("720"));
    QCOMPARE(stored("DimY"), QString("144"));
}

void TestCalcSettings::brokenAndAbsentValues()
{
    store("calcMin", "abc");
    store("advanced", "0");
    Window w(m_store);
    w.Load();
    QCOMPARE(w.child<QSpinBox>("EC_MINe")->value(), 0);
    QVERIFY(!w.page->AdvancedShown());
    QCOMPARE(w.child<QComboBox>("EC_AUDIOcb")->currentText(), QString("128Kb (MP3, CD quality)"));
    QCOMPARE(w.child<QComboBox>("EC_MEDIAcb")->currentText(), QString("702 MB [80 min CD-R]"));
    QVERIFY(w.child<QCheckBox>("EC_LockAspect")->isChecked());
    QCOMPARE(w.child<QLabel>("EC_DimX")->text(), QString("720"));
}

QTEST_MAIN(TestCalcSettings)
#include "tst_calcsettings.moc"
