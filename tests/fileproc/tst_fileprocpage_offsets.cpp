// The Files page's offset fields, the input choice with its type and options, and the range figure.

#include "pagetestbase.h"
#include "fileproc/fileprocpage.h"
#include "fileproc/rangefigure.h"
#include "support/fakeplatform.h"
#include "ui/fileedit.h"
#include "support/scripteddialogs.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace kbx;

namespace {

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

bool sparseFile(const QString &path, qint64 size)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.resize(size);
}


// A program stream whose pack headers stand 2048 bytes apart, as on a DVD.
QByteArray dvdStream(int packs)
{
    QByteArray data(packs * 2048, Qt::Uninitialized);
    for (int i = 0; i < data.size(); ++i)
        data[i] = char(0x40 + (i % 53));
    for (int p = 0; p < packs; ++p)
        data.replace(p * 2048, 4, QByteArray::fromHex("000001BA"));
    return data;
}

} // namespace

class TestFileProcPageOffsets : public PageTestBase
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void typedTextKeepsOnlyDigits();
    void fieldsKeepTheRangeInsideTheFile();
    void alignRoundsToTheUnit();
    void dvdInputAlignsToPacksAndCopiesTheHeader();
    void aviAsksBeforeStarting();
    void unusableInputIsRejected();
    void stepButtonsSlidersAndMultiply();
    void partsMenuSetsTheLength();
    void hexDisplayInDescriptions();
    void figureShowsTheRanges();

private:
    QLineEdit *field(const char *name) const { return control<QLineEdit>(name); }
    void choose(const char *radio) { control<QRadioButton>(radio)->click(); }
    void openInput(const QString &name) { m_page->OpenInputFile(name); }
    void invoke(const char *handler) { QVERIFY(QMetaObject::invokeMethod(m_page.get(), handler)); }

};

void TestFileProcPageOffsets::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestFileProcPageOffsets::init()
{
    const QString problem = SetUpPage(true);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void TestFileProcPageOffsets::cleanup()
{
    const QString problems = TearDownPage();
    QVERIFY2(problems.isEmpty(), qPrintable(problems));
}

void TestFileProcPageOffsets::typedTextKeepsOnlyDigits()
{
    QVERIFY(writeFile(path("in.bin"), QByteArray(10000, 'x')));
    openInput(path("in.bin"));
    choose("cloneRadio");
    QLineEdit *start = field("offStart");

    start->selectAll();
    QTest::keyClicks(start, "12a3");
    QCOMPARE(start->text(), QString("123"));

    start->setCursorPosition(1);
    QTest::keyClick(start, 'a');
    QCOMPARE(start->text(), QString("123"));
    QCOMPARE(start->cursorPosition(), 1);
    QCOMPARE(field("offEnd")->text(), QString("9999"));
    QCOMPARE(field("offLength")->text(), QString("9877"));

    field("offLength")->setText(QString());
    QCOMPARE(field("offLength")->text(), QString("1"));
    QCOMPARE(field("offEnd")->text(), QString("123"));
}

void TestFileProcPageOffsets::fieldsKeepTheRangeInsideTheFile()
{
    QVERIFY(writeFile(path("in.bin"), QByteArray(10000, 'x')));
    openInput(path("in.bin"));
    choose("cloneRadio");
    field("offStart")->setText("100");
    QCOMPARE(field("offLength")->text(), QString("9900"));
    QCOMPARE(control<QSlider>("offStartTrack")->value(), 1);

    field("offLength")->setText("10000");
    QCOMPARE(field("offStart")->text(), QString("0"));
    QCOMPARE(field("offEnd")->text(), QString("9999"));
    QCOMPARE(control<QSlider>("offLengthTrack")->value(), 100);

    field("offStart")->setText("25000");
    QCOMPARE(field("offStart")->text(), QString("9999"));
    QCOMPARE(field("offLength")->text(), QString("1"));
    QCOMPARE(field("offEnd")->text(), QString("9999"));

    field("offLength")->setText("123456789012");
    QCOMPARE(field("offLength")->text(), QString("10000"));
    QCOMPARE(field("offStart")->text(), QString("0"));
}

void TestFileProcPageOffsets::alignRoundsToTheUnit()
{
    QVERIFY(writeFile(path("in.bin"), QByteArray(3000000, 'x')));
    openInput(path("in.bin"));
    QCOMPARE(control<QComboBox>("offMode")->currentText(), QString("KB"));
    QVERIFY(!control<QToolButton>("vobAdjust")->isHidden());
    QCOMPARE(control<QToolButton>("vobAdjust")->text(), QString("???"));
    QVERIFY(!control<QToolButton>("vobAdjust")->isEnabled());
    choose("cloneRadio");
    control<QComboBox>("offMode")->setCurrentText("MB");
    QCOMPARE(m_page->AlignUnit(), 1048576);
    field("offStart")->setText("2900000");
    control<QPushButton>("alignBtn")->click();
    QCOMPARE(field("offStart")->text(), QString("2097152"));
    QCOMPARE(field("offLength")->text(), QString("1"));
    QCOMPARE(control<QToolButton>("vobAdjust")->toolTip(), QString("current alignment setting: 1048576 Byte"));
}

void TestFileProcPageOffsets::dvdInputAlignsToPacksAndCopiesTheHeader()
{
    const QByteArray data = dvdStream(20);
    QVERIFY(writeFile(path("VTS_01_1.VOB"), data));
    openInput(path("VTS_01_1.VOB"));
    auto *dvd = control<QToolButton>("vobAdjust");
    QCOMPARE(m_probe.MpegKind, MpegDvd);
    QCOMPARE(dvd->text(), QString("DVD"));
    QVERIFY(dvd->isEnabled() && dvd->isChecked());
    QCOMPARE(dvd->toolTip(), QString("current alignment setting: 2048 Byte"));
    QVERIFY(control<QRadioButton>("fp_advanced")->isEnabled());
    auto *header = control<QAction>("cbDVDhead");
    QVERIFY(header->isEnabled() && header->isChecked());
    QVERIFY(control<QAction>("cbDuplicate")->isEnabled());

    header->trigger();
    QVERIFY(header->isChecked());

    choose("cloneRadio");
    control<QComboBox>("offMode")->setCurrentText("B");
    field("offStart")->setText("5000");
    invoke("alignBtnClick");
    QCOMPARE(field("offStart")->text(), QString("4096"));

    choose("splitRadio");
    field("offLength")->setText("16000");
    control<TOxFileEdit>("outputFName")->setText(path("part?.vob"));
    QSignalSpy finished(m_page.get(), &TFileProcPage::jobFinished);
    control<QPushButton>("startBtn")->click();
    QCOMPARE(field("offLength")->text(), QString("16384"));
    QVERIFY(finished.wait(60000));
    QCOMPARE(readFile(path("part1.vob")), data.left(16384));
    QCOMPARE(readFile(path("part2.vob")), data.left(4096) + data.mid(16384, 16384));
    QCOMPARE(readFile(path("part3.vob")), data.left(4096) + data.mid(32768));

    control<QRadioButton>("fp_advanced")->click();
    QVERIFY(!header->isChecked());
}

void TestFileProcPageOffsets::aviAsksBeforeStarting()
{
    QVERIFY(writeFile(path("clip.avi"), QByteArray(5000, 'a')));
    openInput(path("clip.avi"));
    QCOMPARE(control<QToolButton>("vobAdjust")->text(), QString("AVI"));
    QVERIFY(!control<QRadioButton>("fp_advanced")->isEnabled());
    control<TOxFileEdit>("outputFName")->setText(path("part?.avi"));
    m_dialogs->answer(QMessageBox::No);
    control<QPushButton>("startBtn")->click();
    QVERIFY(!m_page->IsBusy());
    QVERIFY(m_dialogs->texts().last().startsWith("You are trying to process an AVI video."));
    QVERIFY(m_dialogs->texts().last().endsWith("\nWould you like to continue processing anyway ?"));
    QVERIFY(!QFile::exists(path("part1.avi")));
}

void TestFileProcPageOffsets::unusableInputIsRejected()
{
    QVERIFY(writeFile(path("good.bin"), QByteArray(20000, 'g')));
    openInput(path("good.bin"));
    QVERIFY(control<QGroupBox>("fp_OffsetBox")->isEnabled());
    QVERIFY(control<QLabel>("labOpenPrompt")->isHidden());
    QCOMPARE(control<TOxFileEdit>("outputFName")->Text(), path("KBX_good?.bin"));

    QVERIFY(writeFile(path("empty.bin"), QByteArray()));
    for (const QString &name : {path("empty.bin"), path("missing.bin")}) {
        openInput(name);
        QCOMPARE(m_dialogs->texts().last(), QString("File open error. The file may be in use."));
        QVERIFY(control<TOxFileEdit>("inputFName")->Text().isEmpty());
        QVERIFY(!control<QGroupBox>("fp_OffsetBox")->isEnabled());
        QCOMPARE(field("offLength")->text(), QString("0"));
        QVERIFY(!control<QPushButton>("startBtn")->isEnabled());
    }

    // A short MPEG-named file cannot be probed: the reader's advice, and no MPEG options.
    QVERIFY(writeFile(path("short.mpg"), QByteArray(3000, 'm')));
    openInput(path("short.mpg"));
    QCOMPARE(m_dialogs->texts().last(), QString("DVD cannot be read. Start a DVD player to initialize access.\n"
                                                "You can immediately quit the player after it has first accessed "
                                                "the DVD."));
    QCOMPARE(control<QToolButton>("vobAdjust")->text(), QString("MPG"));
    QVERIFY(!control<QRadioButton>("fp_advanced")->isEnabled());
}

void TestFileProcPageOffsets::stepButtonsSlidersAndMultiply()
{
    QVERIFY(sparseFile(path("big.bin"), qint64(1) << 30));
    openInput(path("big.bin"));
    QCOMPARE(control<QComboBox>("offMode")->currentText(), QString("MB"));
    choose("cloneRadio");

    control<QAction>("off_button")->trigger();
    QVERIFY(!control<QAction>("off_slide")->isChecked());
    QCOMPARE(m_page->OffsetSetting(), QString("button"));
    QCOMPARE(control<QStackedWidget>("offStartStack")->currentIndex(), 1);

    field("offStart")->setText("700");
    control<QToolButton>("mxStart")->click();
    QCOMPARE(field("offStart")->text(), QString("734003200"));
    control<QToolButton>("incStart3")->click();
    QCOMPARE(field("offStart")->text(), QString("735051776"));
    control<QToolButton>("decStart2")->click();
    QCOMPARE(field("offStart")->text(), QString("724566016"));
    for (int i = 0; i < 7; ++i)
        control<QToolButton>("decStart1")->click();
    QCOMPARE(field("offStart")->text(), QString("0"));
    // Moving the start down leaves the length as the start's way up had shrunk it.
    QCOMPARE(field("offLength")->text(), QString("338690048"));
    control<QToolButton>("incLen1")->click();
    QCOMPARE(field("offLength")->text(), QString("443547648"));

    choose("splitRadio");
    invoke("incStart1Click");
    QCOMPARE(field("offStart")->text(), QString("0"));

    m_page->SetOffsetSetting("slider");
    QVERIFY(control<QAction>("off_slide")->isChecked());
    QCOMPARE(control<QStackedWidget>("offLengthStack")->currentIndex(), 0);
    control<QSlider>("offLengthTrack")->setValue(25);
    QCOMPARE(field("offLength")->text(), QString("268435456"));
}

void TestFileProcPageOffsets::partsMenuSetsTheLength()
{
    QVERIFY(writeFile(path("in.bin"), QByteArray(10001, 'p')));
    openInput(path("in.bin"));
    auto *menu = control<QMenu>("pm_Parts");
    QCOMPARE(menu->actions().size(), 9);
    QCOMPARE(menu->actions().at(0)->text(), QString("1 part"));
    menu->actions().at(2)->trigger();
    QCOMPARE(field("offLength")->text(), QString("3334"));
    menu->actions().at(0)->trigger();
    QCOMPARE(field("offLength")->text(), QString("10001"));
}

void TestFileProcPageOffsets::hexDisplayInDescriptions()
{
    QVERIFY(sparseFile(path("in.bin"), 5767168 * 2));
    openInput(path("in.bin"));
    choose("cloneRadio");
    control<QComboBox>("offMode")->setCurrentText("MB");
    field("offLength")->setText("5767168");
    control<TOxFileEdit>("outputFName")->setText(path("out.bin"));
    invoke("RepaintTimerTimer");
    auto status = [this] { return control<QLabel>("fpStatus")->text(); };
    QVERIFY2(status().endsWith("(length is 5.5 MB)."), qPrintable(status()));
    control<QAction>("offHexa")->trigger();
    QVERIFY(m_page->HexDisplay());
    QVERIFY2(status().endsWith("(length is 5.8h MB)."), qPrintable(status()));
    m_page->SetHexDisplay(false);
    QVERIFY(status().endsWith("(length is 5.5 MB)."));
}

void TestFileProcPageOffsets::figureShowsTheRanges()
{
    const QRgb blue = qRgb(0, 0, 255), green = qRgb(0, 0x80, 0);
    auto *figure = control<TRangeFigure>("figure");
    QCOMPARE(figure->size(), QSize(316, 37));
    QVERIFY(figure->isHidden());

    QVERIFY(writeFile(path("in.bin"), QByteArray(4000, 'f')));
    openInput(path("in.bin"));
    field("offLength")->setText("1000");
    invoke("RepaintTimerTimer");
    QVERIFY(!figure->isHidden());
    const QImage split = figure->Image();
    for (int edge : {78, 157, 236, 315})
        QCOMPARE(split.pixel(edge, 28), blue);
    QVERIFY(split.pixel(100, 28) != blue);
    QCOMPARE(split.pixel(0, 5), green);

    choose("cloneRadio");
    field("offStart")->setText("1000");
    field("offLength")->setText("1000");
    invoke("RepaintTimerTimer");
    const QImage clone = figure->Image();
    QCOMPARE(clone.pixel(80, 9), blue);
    QCOMPARE(clone.pixel(157, 9), blue);
    QCOMPARE(clone.pixel(0, 9), green);

    control<QAction>("pb_Style3")->trigger();
    field("offStart")->setText("0");
    invoke("RepaintTimerTimer");
    QCOMPARE(figure->Image(), clone);
    invoke("figureClick");
    QVERIFY(control<QAction>("pb_Style2")->isChecked());
    QVERIFY(figure->Image() != clone);
    invoke("progressClick");
    QVERIFY(control<QAction>("pb_Style1")->isChecked());
}

QTEST_MAIN(TestFileProcPageOffsets)
#include "tst_fileprocpage_offsets.moc"
