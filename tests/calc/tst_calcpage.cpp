#include "calc/bitrate.h"
#include "calc/calcpage.h"
#include "support/scripteddialogs.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolButton>

#include <memory>

using namespace kbx;

class TestCalcPage : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startsSimpleWithDefaults();
    void advancedLayoutAndBack();
    void audioListRefill();
    void mediaCountEnablesModes();
    void lockedSlidersRound();
    void lockClampsAndGreysRatio();
    void dvdPresets_data();
    void dvdPresets();
    void ratioPresetsDoNotLock();
    void alignmentRescales();
    void previewFitsRatio();
    void reportHighlights();
    void errorState();
    void textsWithoutDigitsChangeNothing();
    void profiles();
    void unitItemsAndAuto();
    void viewToggle();

private:
    template <class T>
    T *child(const char *name)
    {
        T *found = m_page->findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    QAction *action(const char *name) { return child<QAction>(name); }
    void run(const char *handler) { QVERIFY(QMetaObject::invokeMethod(m_page.get(), handler)); }
    QString bitrate() { return child<QLabel>("EC_Bitrate")->text(); }
    QString memoLine(int line) { return child<QTextEdit>("CalcMemo")->document()->findBlockByNumber(line).text(); }
    // The slider handlers act only on a slider that has the keyboard focus.
    void focus(QSlider *slider)
    {
        slider->setFocus();
        QVERIFY(slider->hasFocus());
    }

    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<TCalcPage> m_page;
};

void TestCalcPage::init()
{
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_page = std::make_unique<TCalcPage>();
    m_page->resize(560, 560);
    m_page->show();
    m_page->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_page.get()));
    // The start-up sequence runs the first calculation once the window is shown.
    run("calcRate");
}

void TestCalcPage::cleanup()
{
    m_page.reset();
    QVERIFY(m_dialogs->shown().isEmpty());
    m_dialogs.reset();
}

void TestCalcPage::startsSimpleWithDefaults()
{
    QVERIFY(!m_page->AdvancedShown());
    for (const char *group : {"EC_FPS_Box", "EC_Video_Box", "EC_Audio_Box", "EC_Storage_Box", "EC_SECe", "EC_Aspect_Box"})
        QVERIFY2(child<QWidget>(group)->isHidden(), group);
    QVERIFY(child<QWidget>("EC_Stream_Box")->isVisible());
    QCOMPARE(child<QLabel>("EC_MinLabel")->text(), QString("minutes"));
    QCOMPARE(child<QSpinBox>("EC_MINe")->value(), 90);
    QVERIFY(child<QRadioButton>("EC_PALrb")->isChecked());
    QVERIFY(child<QRadioButton>("EC_MP3rb")->isChecked());
    QCOMPARE(child<QComboBox>("EC_MEDIAcb")->currentText(), QString("702 MB [80 min CD-R]"));
    QCOMPARE(m_page->MediaTexts(), MediaPresets());
    QCOMPARE(m_page->MediaTexts().size(), 14);
    QCOMPARE(child<QComboBox>("EC_AUDIOcb")->currentText(), QString("128Kb (MP3, CD quality)"));
    QCOMPARE(child<QComboBox>("EC_Aspect_Combo")->currentText(), QString("16:9"));
    QCOMPARE(child<QSlider>("EC_TrackX")->value(), 45);
    QCOMPARE(child<QSlider>("EC_TrackY")->value(), 25);
    QCOMPARE(child<QLabel>("EC_DimX")->text(), QString("720"));
    QCOMPARE(child<QLabel>("EC_Vid_Label")->text(), QString("1.80:1"));

    QCOMPARE(bitrate(), QString("936"));
    QCOMPARE(child<QLabel>("EC_Bitrate")->palette().color(QPalette::WindowText), QColor(96, 160, 96));
    QCOMPARE(child<QGroupBox>("EC_Bitrate_Box")->title(), QString("Kbit per second -> DIVX / DVD"));
    QCOMPARE(child<QLabel>("EC_SpaceLabel")->text(), QString("617.6 + 84.4"));
    QCOMPARE(memoLine(19), QString("  912 Kb/s  =  114 KB/s  =  36 Kb/frame  =  4 KB/frame"));

    // The bars share the stream box as the medium is shared: 617.625 of 702 MB.
    auto *stream = child<QGroupBox>("EC_Stream_Box");
    auto *video = child<QWidget>("EC_VideoBar");
    auto *audio = child<QWidget>("EC_AudioBar");
    const int w = stream->width() - 16;
    QVERIFY(video->isVisible() && audio->isVisible());
    QCOMPARE(video->x(), 8);
    QCOMPARE(video->width(), int(617.625 / 702 * w));
    QCOMPARE(audio->x(), video->width() + 8);
    QCOMPARE(audio->width(), w - video->width());
}

void TestCalcPage::advancedLayoutAndBack()
{
    run("EC_AdvancedClick");
    QVERIFY(m_page->AdvancedShown());
    for (const char *shown : {"EC_FPS_Box", "EC_Video_Box", "EC_Audio_Box", "EC_Storage_Box", "EC_SECe", "EC_Aspect_Box"})
        QVERIFY2(child<QWidget>(shown)->isVisible(), shown);
    QVERIFY(child<QWidget>("EC_Stream_Box")->isHidden());
    QCOMPARE(child<QLabel>("EC_MinLabel")->text(), QString("min"));

    child<QSpinBox>("EC_SECe")->setValue(30);
    child<QSpinBox>("EC_ATracks")->setValue(3);
    child<QSpinBox>("EC_NUMe")->setValue(4);
    QCOMPARE(memoLine(1).left(19), QString("   Length  01:30:30"));

    child<QToolButton>("EC_Advanced")->click();
    QVERIFY(!m_page->AdvancedShown());
    QCOMPARE(child<QSpinBox>("EC_SECe")->value(), 0);
    QCOMPARE(child<QSpinBox>("EC_ATracks")->value(), 1);
    QCOMPARE(child<QSpinBox>("EC_NUMe")->value(), 1);
    QCOMPARE(memoLine(1).left(19), QString("   Length  01:30:00"));

    // Switching back does not bring them back.
    run("EC_AdvancedClick");
    QCOMPARE(child<QSpinBox>("EC_SECe")->value(), 0);
    QCOMPARE(child<QSpinBox>("EC_ATracks")->value(), 1);
}

void TestCalcPage::audioListRefill()
{
    auto *audio = child<QComboBox>("EC_AUDIOcb");
    // The simple layout offers both lists, uncompressed first.
    QCOMPARE(audio->count(), 20);
    QCOMPARE(audio->itemText(0), QString("192 KB (48 kHz stereo, DVD)"));
    QCOMPARE(audio->itemText(6), QString("768Kb (DTS Surround)"));

    run("EC_AdvancedClick");
    QCOMPARE(audio->count(), 14);
    QCOMPARE(audio->currentText(), QString("128Kb (MP3, CD quality)"));

    child<QRadioButton>("EC_PCMrb")->click();
    QCOMPARE(audio->count(), 6);
    QCOMPARE(audio->currentText(), QString("176 KB (44 kHz stereo, CD)"));
    audio->setCurrentIndex(audio->findText("  88 KB (22 kHz stereo)"));
    QCOMPARE(memoLine(4), QString("   Audio   16 bit, 44k mono / 22k st, PCM, 88 KByte/s"));

    child<QRadioButton>("EC_MP3rb")->click();
    QCOMPARE(audio->count(), 14);
    QCOMPARE(audio->currentText(), QString("128Kb (MP3, CD quality)"));

    // A text the new list holds stays chosen.
    audio->setCurrentIndex(audio->findText("  64Kb (MP3, mono)"));
    run("EC_AdvancedClick");
    QCOMPARE(audio->count(), 20);
    QCOMPARE(audio->currentText(), QString("  64Kb (MP3, mono)"));
}

void TestCalcPage::mediaCountEnablesModes()
{
    run("EC_AdvancedClick");
    auto *count = child<QSpinBox>("EC_NUMe");
    auto *discs = child<QToolButton>("EC_DISCrb");
    auto *videos = child<QToolButton>("EC_VIDrb");
    QVERIFY(!discs->isEnabled() && !videos->isEnabled());
    QVERIFY(discs->isChecked());
    count->setValue(2);
    QVERIFY(discs->isEnabled() && videos->isEnabled());
    QCOMPARE(memoLine(3), QString("  Storage  702 MB * 2 =   1404 MB   =  1,472,200,704 Bytes"));
    videos->click();
    QVERIFY(!discs->isChecked());
    QCOMPARE(memoLine(3), QString("  Storage  702 MB / 2 =    351 MB   =  368,050,176 Bytes"));
    count->setValue(1);
    QVERIFY(!discs->isEnabled());
}

void TestCalcPage::lockedSlidersRound()
{
    run("EC_AdvancedClick");
    auto *x = child<QSlider>("EC_TrackX");
    auto *y = child<QSlider>("EC_TrackY");
    focus(y);
    y->setValue(27);
    // 27 × 16/9 is exactly 48: no rounding up.
    QCOMPARE(x->value(), 48);
    QCOMPARE(child<QLabel>("EC_DimX")->text(), QString("768"));
    QCOMPARE(child<QLabel>("EC_DimY")->text(), QString("432"));
    y->setValue(25);
    QCOMPARE(x->value(), 45);  // 44.4 rounded up

    focus(x);
    x->setValue(48);
    QCOMPARE(y->value(), 27);
    x->setValue(47);
    QCOMPARE(y->value(), 26);  // 26.4 cut
    QCOMPARE(memoLine(22), QString("  752 x 416, 16 bpp, 25 fps   =>  15275.0 KB/s"));

    // Without focus a change only refreshes the caption.
    x->clearFocus();
    x->setValue(40);
    QCOMPARE(y->value(), 26);
    QCOMPARE(child<QLabel>("EC_DimX")->text(), QString("640"));
}

void TestCalcPage::lockClampsAndGreysRatio()
{
    run("EC_AdvancedClick");
    auto *x = child<QSlider>("EC_TrackX");
    auto *y = child<QSlider>("EC_TrackY");
    auto *ratio = child<QLabel>("EC_Vid_Label");
    focus(x);
    x->setValue(12);  // 12 / (16/9) = 6.75: below 9
    QCOMPARE(y->value(), 9);
    QCOMPARE(ratio->palette().color(QPalette::WindowText), ratio->palette().color(QPalette::Button));
    QVERIFY(ratio->palette().color(QPalette::WindowText) != QColor(Qt::white));
    x->setValue(40);
    QCOMPARE(y->value(), 22);
    QCOMPARE(ratio->palette().color(QPalette::WindowText), QColor(Qt::white));

    focus(y);
    y->setValue(36);  // 36 × 16/9 = 64: just inside
    QCOMPARE(x->value(), 64);
    QCOMPARE(ratio->palette().color(QPalette::WindowText), QColor(Qt::white));
    run("EC_Aspect_ComboChange");  // keeps 16:9
    child<QComboBox>("EC_Aspect_Combo")->setCurrentText("24:10");
    focus(y);
    y->setValue(30);  // 70.5 → 71: beyond 64
    QCOMPARE(x->value(), 64);
    QCOMPARE(ratio->palette().color(QPalette::WindowText), ratio->palette().color(QPalette::Button));
}

void TestCalcPage::dvdPresets_data()
{
    QTest::addColumn<bool>("aligned");
    QTest::addColumn<QString>("preset");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<QString>("height");
    QTest::addColumn<double>("ratio");
    QTest::newRow("16:9 aligned") << true << "DVD 16:9" << 45 << 27 << "432" << 45.0 / 27;
    QTest::newRow("16:9 unaligned") << false << "DVD 16:9" << 720 << 432 << "432" << 720.0 / 432;
    QTest::newRow("4:3 aligned") << true << "DVD 4:3" << 45 << 36 << "576" << 1.25;
    QTest::newRow("4:3 unaligned") << false << "DVD 4:3" << 720 << 576 << "576" << 1.25;
}

void TestCalcPage::dvdPresets()
{
    QFETCH(bool, aligned);
    QFETCH(QString, preset);
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(QString, height);
    QFETCH(double, ratio);
    run("EC_AdvancedClick");
    child<QCheckBox>("EC_Align16")->setChecked(aligned);
    child<QCheckBox>("EC_LockAspect")->setChecked(false);
    child<QComboBox>("EC_Aspect_Combo")->setCurrentText(preset);
    QVERIFY(child<QCheckBox>("EC_LockAspect")->isChecked());
    QCOMPARE(child<QSlider>("EC_TrackX")->value(), x);
    QCOMPARE(child<QSlider>("EC_TrackY")->value(), y);
    QCOMPARE(child<QLabel>("EC_DimX")->text(), QString("720"));
    QCOMPARE(child<QLabel>("EC_DimY")->text(), height);
    QCOMPARE(m_page->LockRatio(), ratio);
    QCOMPARE(memoLine(22).left(11), "  720 x " + height);
}

void TestCalcPage::ratioPresetsDoNotLock()
{
    run("EC_AdvancedClick");
    auto *lock = child<QCheckBox>("EC_LockAspect");
    lock->setChecked(false);
    child<QComboBox>("EC_Aspect_Combo")->setCurrentText("4:3");
    QVERIFY(!lock->isChecked());
    QCOMPARE(m_page->LockRatio(), 4.0 / 3);
    child<QComboBox>("EC_Aspect_Combo")->setCurrentText("24:10");
    QCOMPARE(m_page->LockRatio(), 2.35);
    // Locking takes the ratio of the sliders as they stand.
    lock->setChecked(true);
    QCOMPARE(m_page->LockRatio(), 45.0 / 25);

    // With the lock on, a ratio preset moves Y after X at once.
    child<QComboBox>("EC_Aspect_Combo")->setCurrentText("4:3");
    QCOMPARE(child<QSlider>("EC_TrackY")->value(), 33);  // 45 / (4/3) = 33.75, cut
}

void TestCalcPage::alignmentRescales()
{
    run("EC_AdvancedClick");
    auto *align = child<QCheckBox>("EC_Align16");
    auto *x = child<QSlider>("EC_TrackX");
    auto *y = child<QSlider>("EC_TrackY");
    align->setChecked(false);
    QCOMPARE(x->minimum(), 192);
    QCOMPARE(x->maximum(), 1024);
    QCOMPARE(x->value(), 720);
    QCOMPARE(x->tickInterval(), 64);
    QCOMPARE(y->minimum(), 144);
    QCOMPARE(y->maximum(), 576);
    QCOMPARE(y->value(), 400);
    QCOMPARE(child<QLabel>("EC_DimX")->text(), QString("720"));

    y->setValue(401);
    QCOMPARE(child<QLabel>("EC_DimY")->text(), QString("401"));
    align->setChecked(true);
    QCOMPARE(x->minimum(), 12);
    QCOMPARE(x->maximum(), 64);
    QCOMPARE(x->tickInterval(), 4);
    QCOMPARE(y->value(), 25);  // 401 / 16, cut
    QCOMPARE(child<QLabel>("EC_DimY")->text(), QString("400"));
}

void TestCalcPage::previewFitsRatio()
{
    run("EC_AdvancedClick");
    auto *pic = child<QWidget>("EC_Vid_pic");
    // 45 × 25: width 64, height 25 × 64 / 45 = 35.6 → 36.
    QCOMPARE(pic->geometry(), QRect(8, 24, 64, 36));
    child<QCheckBox>("EC_LockAspect")->setChecked(false);
    auto *y = child<QSlider>("EC_TrackY");
    focus(y);
    y->setValue(36);  // 45 × 36: too tall for 64 wide; 45 × 48 / 36 = 60
    QCOMPARE(pic->geometry(), QRect(10, 18, 60, 48));
    QCOMPARE(child<QLabel>("EC_Vid_Label")->text(), QString("1.25:1"));
}

void TestCalcPage::reportHighlights()
{
    auto *memo = child<QTextEdit>("CalcMemo");
    QCOMPARE(memo->textCursor().position(), 0);
    QVERIFY(!memo->textCursor().hasSelection());
    const QStringList marked = {"135,000 frames", " 93:45 NTSC", "   937.0", "     4.7", "   617.6  +   84.4",
                                "  912 Kb/s  =  114 KB/s  =  36 Kb/frame  =  4 KB/frame"};
    // Walk the fragments: green exactly on the marked pieces, purple elsewhere.
    QStringList green;
    for (QTextBlock block = memo->document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().foreground().color() == QColor(0, 128, 0))
                green << fragment.text();
        }
    }
    QCOMPARE(green, marked);
    QCOMPARE(memo->palette().color(QPalette::Text), QColor(128, 0, 128));
    QVERIFY(memo->font().fixedPitch() || QFontInfo(memo->font()).fixedPitch());
}

void TestCalcPage::errorState()
{
    auto *video = child<QWidget>("EC_VideoBar");
    const QRect bar = video->geometry();
    child<QComboBox>("EC_MEDIAcb")->setCurrentText("1 MB");
    QCOMPARE(bitrate(), QString("Error"));
    QCOMPARE(child<QLabel>("EC_SpaceLabel")->text(), QString("out of space"));
    QCOMPARE(child<QLabel>("EC_Bitrate")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(memoLine(5), QString("0.2 KByte/s system bandwidth are not enough."));
    // The bars and the unit line keep what the last good run left.
    QVERIFY(video->isVisible());
    QCOMPARE(video->geometry(), bar);
    QCOMPARE(child<QGroupBox>("EC_Bitrate_Box")->title(), QString("Kbit per second -> DIVX / DVD"));

    child<QComboBox>("EC_MEDIAcb")->setCurrentText("4489 MB [DVD-R]");
    QCOMPARE(bitrate(), QString("6681"));
    QCOMPARE(child<QLabel>("EC_Bitrate")->palette().color(QPalette::WindowText), QColor(64, 160, 64));
}

void TestCalcPage::textsWithoutDigitsChangeNothing()
{
    auto *memo = child<QTextEdit>("CalcMemo");
    const QString before = memo->toPlainText();
    child<QComboBox>("EC_MEDIAcb")->setCurrentText("DVD-R");
    child<QComboBox>("EC_MEDIAcb")->setCurrentText("");
    child<QComboBox>("EC_AUDIOcb")->setCurrentText("MP3");
    child<QSpinBox>("EC_MINe")->setValue(0);
    QCOMPARE(memo->toPlainText(), before);
    QCOMPARE(bitrate(), QString("936"));

    // A typed medium needs only its leading number.
    child<QSpinBox>("EC_MINe")->setValue(90);
    child<QComboBox>("EC_AUDIOcb")->setCurrentText("128Kb");
    child<QComboBox>("EC_MEDIAcb")->setCurrentText("150 min");
    QCOMPARE(memoLine(3).left(20), QString("  Storage  150 MB * "));
}

void TestCalcPage::profiles()
{
    run("EC_AdvancedClick");
    child<QComboBox>("EC_MEDIAcb")->setCurrentText("4489 MB [DVD-R]");
    child<QRadioButton>("EC_MPEGrb")->click();
    QCOMPARE(bitrate(), QString("6664"));

    action("rateBuz")->trigger();
    QVERIFY(!action("rateAuto")->isChecked());
    QVERIFY(child<QRadioButton>("EC_AVIrb")->isChecked());
    QVERIFY(child<QRadioButton>("EC_PCMrb")->isChecked());
    QVERIFY(action("rateByte")->isChecked() && action("rateFrame")->isChecked());
    QCOMPARE(child<QComboBox>("EC_AUDIOcb")->currentText(), QString("176 KB (44 kHz stereo, CD)"));
    QCOMPARE(child<QGroupBox>("EC_Bitrate_Box")->title(), QString("KByte per frame -> MJPEG"));
    QCOMPARE(bitrate(), QString("27"));  // 5401 / 8 / 25

    action("rateDIVX")->trigger();
    QVERIFY(child<QRadioButton>("EC_MP3rb")->isChecked());
    QVERIFY(action("rateBit")->isChecked() && action("rateSec")->isChecked());
    QCOMPARE(child<QComboBox>("EC_AUDIOcb")->currentText(), QString("128Kb (MP3, CD quality)"));
    QCOMPARE(bitrate(), QString("6681"));

    action("DVAVI1")->trigger();
    QVERIFY(child<QRadioButton>("EC_PCMrb")->isChecked());
    QVERIFY(action("rateByte")->isChecked() && action("rateSec")->isChecked());
    QCOMPARE(child<QGroupBox>("EC_Bitrate_Box")->title(), QString("KByte per second"));
    QCOMPARE(bitrate(), QString("675"));

    // In the simple layout the audio radios stay as they are.
    run("EC_AdvancedClick");
    action("rateDIVX")->trigger();
    QVERIFY(child<QRadioButton>("EC_PCMrb")->isChecked());
}

void TestCalcPage::unitItemsAndAuto()
{
    QMenu *menu = m_page->RateMenu();
    QCOMPARE(menu->objectName(), QString("RatePMenu"));
    QVERIFY(action("rateAuto")->isChecked());
    // While automatic, a unit chosen by hand lasts until the next calculation.
    action("rateFrame")->trigger();
    QVERIFY(action("rateSec")->isChecked());
    QCOMPARE(bitrate(), QString("936"));

    run("rateAutoClick");
    QVERIFY(!action("rateAuto")->isChecked());
    QCOMPARE(bitrate(), QString("936"));  // no recalculation
    action("rateFrame")->trigger();
    QCOMPARE(bitrate(), QString("37"));
    QCOMPARE(child<QGroupBox>("EC_Bitrate_Box")->title(), QString("Kbit per frame"));
    action("rateAuto")->trigger();
    QVERIFY(action("rateAuto")->isChecked());
    QCOMPARE(bitrate(), QString("37"));
}

void TestCalcPage::viewToggle()
{
    auto *stream = child<QWidget>("EC_Stream_Box");
    auto *aspect = child<QWidget>("EC_Aspect_Box");
    QTest::mouseDClick(stream, Qt::LeftButton);
    QVERIFY(aspect->isVisible() && stream->isHidden());
    QTest::mouseDClick(aspect, Qt::LeftButton);
    QVERIFY(stream->isVisible() && aspect->isHidden());
    QTest::mouseClick(child<QWidget>("EC_SpaceLabel"), Qt::LeftButton);
    QVERIFY(aspect->isVisible());
    run("EC_Aspect_BoxClick");
    QTest::mouseClick(child<QWidget>("EC_AudioBar"), Qt::LeftButton);
    QVERIFY(aspect->isVisible());
}

QTEST_MAIN(TestCalcPage)
#include "tst_calcpage.moc"
