// The Files page's functions end to end: each job through its controls, with the questions answered
// through the dialogs seam and the files checked byte for byte.

#include "pagetestbase.h"
#include "engine/filejob.h"
#include "fileproc/fileprocpage.h"
#include "support/fakeplatform.h"
#include "ui/fileedit.h"
#include "support/fakesteadyclock.h"
#include "support/scripteddialogs.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace kbx;

namespace {

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}



QString crcText(const QByteArray &data)
{
    return QString::number(rawCrc(data), 16).toUpper().rightJustified(8, '0');
}

} // namespace

class TestFileProcPage : public PageTestBase
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startsIdleWithEveryNamedControl();
    void functionsEnableTheirFields_data();
    void functionsEnableTheirFields();
    void truncateCutsInPlace();
    void truncateFailureIsReported();
    void cloneCopiesTheRangeAndShowsSummary();
    void summaryTimesTheWholeJob();
    void crcOnlyWritesNothing();
    void mergeConcatenates();
    void splitWritesNumberedParts();
    void mergeAndSplit();
    void maskForTwelveParts();
    void outputEqualToInputGetsOne();
    void failingJobShowsTheError();
    void ownInputIsNeverOverwritten();
    void existingPartAsksBeforeOverwrite();
    void fourGiBQuestionFollowsTheFileSystem();
    void unreadableEntryRefusesMerge();
    void nothingStartsWithoutInput();
    void stopAbortsAndPageStaysUsable();
    void closeQueryWhileBusy();
    void layoutFitsThePageArea();

private:
    QString status() const { return control<QLabel>("fpStatus")->text(); }
    void choose(const char *radio);
    void openInput(const QString &name);
    void setOutput(const QString &name) { control<TOxFileEdit>("outputFName")->setText(name); }
    void setField(const char *name, qint64 value) { control<QLineEdit>(name)->setText(QString::number(value)); }
    bool runJob();
    // What RepaintTimer does every 1.5 s: the description and the part mask catch up with the fields.
    void repaintTick() { QMetaObject::invokeMethod(m_page.get(), "RepaintTimerTimer"); }

};

void TestFileProcPage::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestFileProcPage::init()
{
    const QString problem = SetUpPage(true);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void TestFileProcPage::cleanup()
{
    const QString problems = TearDownPage();
    QVERIFY2(problems.isEmpty(), qPrintable(problems));
}

void TestFileProcPage::choose(const char *radio)
{
    auto *button = control<QRadioButton>(radio);
    QVERIFY(button);
    button->click();
}

void TestFileProcPage::openInput(const QString &name)
{
    // As the user does it: the browse button, the file dialog, then the field's handler.
    m_dialogs->chooseFile(name);
    control<TOxFileEdit>("inputFName")->Browse();
}

bool TestFileProcPage::runJob()
{
    QSignalSpy finished(m_page.get(), &TFileProcPage::jobFinished);
    control<QPushButton>("startBtn")->click();
    if (!m_page->IsBusy())
        return false;
    return finished.wait(60000);
}

void TestFileProcPage::startsIdleWithEveryNamedControl()
{
    QCOMPARE(m_page->objectName(), QString("Page_FileProc"));
    const char *names[] = {"truncRadio", "cloneRadio", "crcRadio", "mergeRadio", "splitRadio", "mergeSplitRadio",
                           "inputFName", "outputFName", "joinPanel", "joinList", "joinAdd", "joinRemove",
                           "joinInvert", "joinSort", "joinMoveUp", "joinMoveDown", "fp_OffsetBox", "offStart",
                           "offLength", "offEnd", "offStartTrack", "offLengthTrack", "incStart1", "decStart3",
                           "incLen2", "decLen1", "mxStart", "mxLength", "offMode", "alignBtn", "vobAdjust",
                           "fp_simple", "fp_advanced", "fp_Options", "pm_FileOptions", "pm_Parts", "figure",
                           "progress", "DrawPMenu", "fpStatus", "startBtn", "stopBtn", "labOpenPrompt", "parallel",
                           "dotRead", "dotWrite", "dotCrc"};
    for (const char *name : names)
        QVERIFY2(m_page->findChild<QObject *>(name), name);
    for (const char *name : {"calcCRC", "cbDuplicate", "cbDVDhead", "cb_SplitEverywhere", "cb_SplitAVSync",
                             "cb_SplitCellHeader", "off_slide", "off_button", "offHexa", "pb_Style1", "pb_Style2",
                             "pb_Style3", "pb_Style4"})
        QVERIFY2(m_page->findChild<QAction *>(name), name);

    QVERIFY(control<QRadioButton>("splitRadio")->isChecked());
    QVERIFY(control<QAction>("cb_SplitAVSync")->isChecked());
    QVERIFY(control<QAction>("pb_Style2")->isChecked());
    QVERIFY(!control<QPushButton>("startBtn")->isEnabled());
    QVERIFY(control<QPushButton>("stopBtn")->isHidden());
    QCOMPARE(status(), QString("Required parameters for split: input file name, output file name with wildcards "
                               "(?), part length"));
    auto *trunc = control<QTimer>("TruncTimer");
    auto *repaint = control<QTimer>("RepaintTimer");
    QCOMPARE(trunc->interval(), 330);
    QVERIFY(!trunc->isActive());
    QCOMPARE(repaint->interval(), 1500);
    QVERIFY(repaint->isActive());
    QVERIFY(m_page->FormCloseQuery());
}

void TestFileProcPage::functionsEnableTheirFields_data()
{
    QTest::addColumn<QString>("radio");
    QTest::addColumn<bool>("input");
    QTest::addColumn<bool>("output");
    QTest::addColumn<bool>("start");
    QTest::addColumn<bool>("length");
    QTest::addColumn<bool>("end");
    QTest::newRow("truncate") << "truncRadio" << true << false << false << true << false;
    QTest::newRow("clone") << "cloneRadio" << true << true << true << true << true;
    QTest::newRow("crc") << "crcRadio" << true << false << false << false << false;
    QTest::newRow("merge") << "mergeRadio" << false << true << false << false << false;
    QTest::newRow("split") << "splitRadio" << true << true << false << true << false;
    QTest::newRow("merge and split") << "mergeSplitRadio" << false << true << false << true << false;
}

void TestFileProcPage::functionsEnableTheirFields()
{
    QFETCH(QString, radio);
    QFETCH(bool, input);
    QFETCH(bool, output);
    QFETCH(bool, start);
    QFETCH(bool, length);
    QFETCH(bool, end);
    QVERIFY(writeFile(path("in.bin"), pattern(5000, 1)));
    openInput(path("in.bin"));
    control<QListWidget>("joinList")->addItem("\"" + path("in.bin") + "\"=5000");
    m_page->UpdateJoinTotal();
    choose(radio.toLatin1().constData());

    QCOMPARE(control<TOxFileEdit>("inputFName")->isEnabled(), input);
    QCOMPARE(control<QGroupBox>("joinPanel")->isEnabled(), !input);
    QCOMPARE(control<TOxFileEdit>("outputFName")->isEnabled(), output);
    QCOMPARE(control<QLineEdit>("offStart")->isEnabled(), start);
    QCOMPARE(control<QWidget>("incStart1")->isEnabled(), start);
    QCOMPARE(control<QLineEdit>("offLength")->isEnabled(), length);
    QCOMPARE(control<QWidget>("offLengthTrack")->isEnabled(), length);
    QCOMPARE(control<QLineEdit>("offEnd")->isEnabled(), end);
    auto *crc = control<QAction>("calcCRC");
    QCOMPARE(crc->isEnabled(), radio != "crcRadio");
    if (radio == "crcRadio")
        QVERIFY(crc->isChecked());
    const bool splits = radio == "splitRadio" || radio == "mergeSplitRadio";
    QCOMPARE(control<QLineEdit>("offLength")->contextMenuPolicy() == Qt::CustomContextMenu, splits);
}

void TestFileProcPage::truncateCutsInPlace()
{
    const QByteArray data = pattern(10000, 2);
    QVERIFY(writeFile(path("t.bin"), data));
    openInput(path("t.bin"));
    choose("truncRadio");
    setField("offLength", 4000);
    QVERIFY(m_page->FigureDirty());
    repaintTick();
    QVERIFY(!m_page->FigureDirty());
    QCOMPARE(status(), QString("Truncate \"t.bin\" at 3999 B. "));

    m_dialogs->answer(QMessageBox::No);
    control<QPushButton>("startBtn")->click();
    QCOMPARE(readFile(path("t.bin")), data);
    QCOMPARE(m_dialogs->shown().last().text,
             "This will truncate \"" + path("t.bin") + "\".\nAre you sure you want to do that ?");

    m_dialogs->answer(QMessageBox::Yes);
    control<QPushButton>("startBtn")->click();
    QCOMPARE(readFile(path("t.bin")), data.left(4000));
    QVERIFY(control<TOxFileEdit>("inputFName")->Text().isEmpty());
    QVERIFY(!m_page->IsBusy());
    QVERIFY(!control<QPushButton>("startBtn")->isEnabled());
    QCOMPARE(control<QLineEdit>("offLength")->text(), QString("0"));
}

void TestFileProcPage::truncateFailureIsReported()
{
    QVERIFY(writeFile(path("gone.bin"), pattern(3000, 3)));
    openInput(path("gone.bin"));
    choose("truncRadio");
    setField("offLength", 1000);
    QVERIFY(QFile::remove(path("gone.bin")));

    m_dialogs->answer(QMessageBox::Yes);
    control<QPushButton>("startBtn")->click();
    const ScriptedDialogs::Shown error = m_dialogs->shown().last();
    QCOMPARE(error.icon, QMessageBox::Critical);
    QVERIFY2(error.text.contains("Reset") && error.text.contains("gone.bin"), qPrintable(error.text));
    QVERIFY(!QFile::exists(path("gone.bin")));
    QCOMPARE(control<TOxFileEdit>("inputFName")->Text(), path("gone.bin"));
}

void TestFileProcPage::cloneCopiesTheRangeAndShowsSummary()
{
    const QByteArray data = pattern(3000000, 4);
    QVERIFY(writeFile(path("src.bin"), data));
    openInput(path("src.bin"));
    QCOMPARE(control<QLabel>("inputCaption")->text(), QString("src.bin (3000000 Bytes)"));
    choose("cloneRadio");
    setField("offStart", 1000);
    setField("offLength", 2500000);
    control<QComboBox>("offMode")->setCurrentText("B");
    setOutput(path("copy.bin"));
    repaintTick();
    QCOMPARE(status(),
             QString("Clone 1000 B - 2500999 B from \"src.bin\" to \"copy.bin\" (length is 2500000 B)."));

    QSignalSpy front(m_page.get(), &TFileProcPage::bringToFrontRequested);
    QSignalSpy finished(m_page.get(), &TFileProcPage::jobFinished);
    control<QPushButton>("startBtn")->click();
    QVERIFY(m_page->IsBusy());
    QCOMPARE(status(), QString("Initializing..."));
    QVERIFY(control<QTimer>("TruncTimer")->isActive());
    QVERIFY(!control<QPushButton>("stopBtn")->isHidden());
    QVERIFY(control<QPushButton>("stopBtn")->isEnabled());
    QVERIFY(control<QPushButton>("startBtn")->isHidden());
    QVERIFY(!control<QLineEdit>("offStart")->isEnabled());
    QVERIFY(!control<QRadioButton>("splitRadio")->isEnabled());
    QVERIFY(control<QWidget>("figure")->isEnabled());
    QVERIFY(control<QLabel>("fpStatus")->isEnabled());
    QVERIFY(finished.wait(60000));

    QCOMPARE(readFile(path("copy.bin")), data.mid(1000, 2500000));
    QCOMPARE(front.count(), 1);
    const QRegularExpression summary("^completed in \\d\\d:\\d\\d min \\( *\\d+\\.\\d\\d MB/s\\), CRC32: "
                                     + crcText(data.mid(1000, 2500000)) + "$");
    QVERIFY2(summary.match(status()).hasMatch(), qPrintable(status()));
    QVERIFY(control<QPushButton>("stopBtn")->isHidden());
    QVERIFY(!control<QPushButton>("startBtn")->isHidden());
    QVERIFY(control<QLineEdit>("offStart")->isEnabled());
    QVERIFY(control<QRadioButton>("splitRadio")->isEnabled());
    QVERIFY(!control<QTimer>("TruncTimer")->isActive());
    QVERIFY(control<QWidget>("progress")->isHidden());
}

void TestFileProcPage::summaryTimesTheWholeJob()
{
    // The job's time comes from the steady clock, started with the job and read when it ends: a
    // job that ends within one progress tick is no longer timed as one tick (0.33 s).
    ManualSteadyClock clock;
    const QByteArray data = pattern(5 << 20, 6);
    QVERIFY(writeFile(path("src.bin"), data));
    openInput(path("src.bin"));
    choose("cloneRadio");
    setOutput(path("copy.bin"));
    QSignalSpy finished(m_page.get(), &TFileProcPage::jobFinished);
    control<QPushButton>("startBtn")->click();
    QVERIFY(m_page->IsBusy());
    clock.advance(2'000'000'000);
    QVERIFY(finished.wait(60000));
    QCOMPARE(readFile(path("copy.bin")), data);
    QCOMPARE(status(), "completed in 00:02 min (2.50 MB/s), CRC32: " + crcText(data));

    // The time the stop question held the job paused is not the job's.
    QFile big(path("big.bin"));
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(qint64(512) << 20));
    big.close();
    openInput(path("big.bin"));
    setOutput(path("copy2.bin"));
    control<QPushButton>("startBtn")->click();
    QVERIFY(m_page->IsBusy());
    clock.advance(1'500'000'000);
    m_dialogs->answer(QMessageBox::Yes, [&clock] { clock.advance(90'000'000'000); });
    control<QPushButton>("stopBtn")->click();
    QVERIFY(finished.wait(60000));
    QVERIFY2(status().endsWith("aborted after 00:01 min"), qPrintable(status()));
}

void TestFileProcPage::crcOnlyWritesNothing()
{
    const QByteArray data = pattern(9000001, 5);
    QVERIFY(writeFile(path("c.bin"), data));
    openInput(path("c.bin"));
    control<QAction>("calcCRC")->setChecked(false);
    choose("crcRadio");
    QCOMPARE(status(), QString("Compute CRC checksum from file \"c.bin\"."));
    QVERIFY(runJob());
    QVERIFY2(status().endsWith(", CRC32: " + crcText(data)), qPrintable(status()));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"c.bin"});
}

void TestFileProcPage::mergeConcatenates()
{
    const QByteArray a = pattern(5000000, 6), b = pattern(123457, 7), c = pattern(4194304, 8);
    QVERIFY(writeFile(path("a.vob"), a) && writeFile(path("b.vob"), b) && writeFile(path("c.vob"), c));
    choose("mergeRadio");
    m_dialogs->chooseFiles({path("a.vob"), path("b.vob"), path("c.vob")});
    QMetaObject::invokeMethod(m_page.get(), "joinAddClick");
    QCOMPARE(control<TOxFileEdit>("outputFName")->Text(), path("KBX_a.vob"));
    QCOMPARE(m_page->JoinTotal(), a.size() + b.size() + c.size());
    QVERIFY(runJob());
    QCOMPARE(readFile(path("KBX_a.vob")), a + b + c);
    QVERIFY2(status().startsWith("3 files read, completed in "), qPrintable(status()));
    QVERIFY(status().endsWith(crcText(a + b + c)));
}

void TestFileProcPage::splitWritesNumberedParts()
{
    const QByteArray data = pattern(2500000, 9);
    QVERIFY(writeFile(path("movie.bin"), data));
    openInput(path("movie.bin"));
    setField("offLength", 1000000);
    repaintTick();
    setOutput(path("part.bin"));
    QCOMPARE(control<TOxFileEdit>("outputFName")->Text(), path("part?.bin"));
    QCOMPARE(status(), QString("Split \"movie.bin\" into 3 parts named \"part?.bin\", each 976.6 KB long."));
    QVERIFY(runJob());
    QCOMPARE(readFile(path("part1.bin")), data.left(1000000));
    QCOMPARE(readFile(path("part2.bin")), data.mid(1000000, 1000000));
    QCOMPARE(readFile(path("part3.bin")), data.mid(2000000));
    QVERIFY(!QFile::exists(path("part4.bin")));
    QVERIFY2(status().startsWith("3 files written, completed in "), qPrintable(status()));
}

void TestFileProcPage::mergeAndSplit()
{
    const QByteArray a = pattern(700000, 10), b = pattern(900001, 11);
    QVERIFY(writeFile(path("a.bin"), a) && writeFile(path("b.bin"), b));
    choose("mergeSplitRadio");
    m_page->MergeFiles({path("a.bin"), path("b.bin")});
    choose("mergeSplitRadio");
    QVERIFY(control<QGroupBox>("fp_OffsetBox")->isEnabled());
    setField("offLength", 600000);
    repaintTick();
    setOutput(path("out.bin"));
    QCOMPARE(control<TOxFileEdit>("outputFName")->Text(), path("out?.bin"));
    QVERIFY(runJob());
    const QByteArray all = a + b;
    QCOMPARE(readFile(path("out1.bin")), all.left(600000));
    QCOMPARE(readFile(path("out2.bin")), all.mid(600000, 600000));
    QCOMPARE(readFile(path("out3.bin")), all.mid(1200000));
    QVERIFY2(status().startsWith("2 files read, 3 files written, completed in "), qPrintable(status()));
}

void TestFileProcPage::maskForTwelveParts()
{
    const QByteArray data = pattern(12000, 12);
    QVERIFY(writeFile(path("clip.bin"), data));
    openInput(path("clip.bin"));
    setField("offLength", 1000);
    repaintTick();
    auto *output = control<TOxFileEdit>("outputFName");
    output->setText(path("clips.vob"));
    QCOMPARE(output->Text(), path("clips??.vob"));
    QCOMPARE(output->SelStart(), output->Text().size());
    QCOMPARE(m_page->PartsMaskText(), QString("??"));
    QVERIFY(runJob());
    for (int n = 1; n <= 12; ++n)
        QCOMPARE(readFile(path(QString("clips%1.vob").arg(n, 2, 10, QChar('0')))), data.mid((n - 1) * 1000, 1000));
    QVERIFY(!QFile::exists(path("clips13.vob")));
}

void TestFileProcPage::outputEqualToInputGetsOne()
{
    QVERIFY(writeFile(path("movie.vob"), pattern(3000, 13)));
    openInput(path("movie.vob"));
    choose("cloneRadio");
    setOutput(path("movie.vob"));
    QCOMPARE(control<TOxFileEdit>("outputFName")->Text(), path("movie1.vob"));
    setOutput(path("a?b?.vob"));
    QCOMPARE(control<TOxFileEdit>("outputFName")->Text(), path("ab.vob"));
}

void TestFileProcPage::failingJobShowsTheError()
{
    QVERIFY(writeFile(path("in.bin"), pattern(200000, 14)));
    openInput(path("in.bin"));
    choose("cloneRadio");
    setOutput(path("no/such/folder/out.bin"));
    QVERIFY(runJob());
    QVERIFY2(status().startsWith("File processing failed: "), qPrintable(status()));
    QVERIFY2(status().contains("out.bin"), qPrintable(status()));
    QVERIFY(!status().contains("completed"));
    QVERIFY(!QFile::exists(path("no")));
}

void TestFileProcPage::ownInputIsNeverOverwritten()
{
    const QByteArray data = pattern(4000, 15);
    QVERIFY(writeFile(path("a01.bin"), data));
    openInput(path("a01.bin"));
    setField("offLength", 1000);
    setOutput(path("a??.bin"));
    control<QPushButton>("startBtn")->click();
    QVERIFY(!m_page->IsBusy());
    QVERIFY2(m_dialogs->texts().last().contains(path("a01.bin")), qPrintable(m_dialogs->texts().last()));
    QCOMPARE(readFile(path("a01.bin")), data);

    // The same file reached through a link is still the input.
    QVERIFY(QFile::link(path("a01.bin"), path("alias.bin")));
    choose("cloneRadio");
    setOutput(path("alias.bin"));
    const int shown = m_dialogs->shown().size();
    control<QPushButton>("startBtn")->click();
    QVERIFY(!m_page->IsBusy());
    QCOMPARE(m_dialogs->shown().size(), shown + 1);
    QVERIFY(m_dialogs->texts().last().contains(path("alias.bin")));

    QVERIFY(writeFile(path("b.bin"), pattern(100, 16)));
    m_page->MergeFiles({path("a01.bin"), path("b.bin")});
    setOutput(path("b.bin"));
    control<QPushButton>("startBtn")->click();
    QVERIFY(!m_page->IsBusy());
    QVERIFY(m_dialogs->texts().last().contains(path("b.bin")));
    QCOMPARE(readFile(path("a01.bin")), data);
    QCOMPARE(readFile(path("b.bin")), pattern(100, 16));
}

void TestFileProcPage::existingPartAsksBeforeOverwrite()
{
    const QByteArray data = pattern(30000, 17);
    QVERIFY(writeFile(path("in.bin"), data));
    QVERIFY(writeFile(path("p02.bin"), "old"));
    QVERIFY(writeFile(path("p11.bin"), "beyond the last part"));
    openInput(path("in.bin"));
    setField("offLength", 10000);
    setOutput(path("p??.bin"));

    m_dialogs->answer(QMessageBox::No);
    control<QPushButton>("startBtn")->click();
    QVERIFY(!m_page->IsBusy());
    QCOMPARE(m_dialogs->shown().last().text,
             "This will overwrite \"" + path("p02.bin") + "\".\nAre you sure you want to do that ?");
    QVERIFY(!QFile::exists(path("p01.bin")));
    QCOMPARE(readFile(path("p02.bin")), QByteArray("old"));

    m_dialogs->answer(QMessageBox::Yes);
    QVERIFY(runJob());
    QCOMPARE(readFile(path("p02.bin")), data.mid(10000, 10000));
    QCOMPARE(readFile(path("p11.bin")), QByteArray("beyond the last part"));
}

void TestFileProcPage::fourGiBQuestionFollowsTheFileSystem()
{
    QFile big(path("big.vob"));
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(qint64(4294967295) + 1));
    big.close();
    QVERIFY(writeFile(path("out.vob"), "exists"));
    choose("mergeRadio");
    m_page->MergeFiles({path("big.vob")});
    setOutput(path("out.vob"));

    m_platform->volumes.add("/", "ext4");
    m_dialogs->answer(QMessageBox::No);
    control<QPushButton>("startBtn")->click();
    QVERIFY(m_dialogs->texts().last().startsWith("This will overwrite"));

    m_platform->volumes.add(QDir(m_dir->path()).canonicalPath(), "vfat");
    m_dialogs->answer(QMessageBox::No);
    control<QPushButton>("startBtn")->click();
    QCOMPARE(m_dialogs->texts().last(),
             QString("The destination file is to be created on a non-NTFS drive and is larger than 4 GB.\n"
                     "This might not be supported. Are you sure you want to do that ?"));
    QVERIFY(!m_page->IsBusy());
    QCOMPARE(readFile(path("out.vob")), QByteArray("exists"));
}

void TestFileProcPage::unreadableEntryRefusesMerge()
{
    QVERIFY(writeFile(path("ok.vob"), pattern(1000, 18)));
    m_page->MergeFiles({path("ok.vob"), path("missing.vob")});
    QCOMPARE(m_page->JoinTotal(), 999);
    setOutput(path("out.vob"));
    control<QPushButton>("startBtn")->click();
    QVERIFY(!m_page->IsBusy());
    QVERIFY2(m_dialogs->texts().last().contains("\"" + path("missing.vob") + "\""),
             qPrintable(m_dialogs->texts().last()));
    QVERIFY(!QFile::exists(path("out.vob")));
}

void TestFileProcPage::nothingStartsWithoutInput()
{
    for (const char *radio : {"cloneRadio", "splitRadio", "mergeSplitRadio"}) {
        choose(radio);
        for (const char *field : {"offStart", "offLength", "offEnd"})
            QCOMPARE(control<QLineEdit>(field)->text(), QString("0"));
    }
    setOutput(path("x??.bin"));
    QVERIFY(!control<QPushButton>("startBtn")->isEnabled());
    QMetaObject::invokeMethod(m_page.get(), "startBtnClick");
    QCOMPARE(m_dialogs->texts(), QStringList{"There are parameters missing."});
    QVERIFY(!m_page->IsBusy());

    // Only empty files listed: nothing to merge either.
    QVERIFY(writeFile(path("empty.vob"), QByteArray()));
    m_page->MergeFiles({path("empty.vob")});
    QVERIFY(!control<QPushButton>("startBtn")->isEnabled());
}

void TestFileProcPage::stopAbortsAndPageStaysUsable()
{
    QFile big(path("big.bin"));
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(qint64(512) << 20));
    big.close();
    openInput(path("big.bin"));
    choose("cloneRadio");
    setOutput(path("copy.bin"));
    control<QPushButton>("startBtn")->click();
    QVERIFY(m_page->IsBusy());

    control<QAction>("pb_Style4")->trigger();
    QCOMPARE(status(), QString("Working..."));
    QVERIFY(control<QWidget>("progress")->isHidden());
    control<QAction>("pb_Style2")->trigger();
    QVERIFY(!control<QWidget>("progress")->isHidden());

    m_dialogs->answer(QMessageBox::No);
    control<QPushButton>("stopBtn")->click();
    QVERIFY(m_page->IsBusy());
    QVERIFY(!m_page->Job()->Paused());
    QCOMPARE(m_dialogs->texts().last(), QString("Are you sure you want to abort file processing ?"));

    QSignalSpy finished(m_page.get(), &TFileProcPage::jobFinished);
    m_dialogs->answer(QMessageBox::Yes);
    control<QPushButton>("stopBtn")->click();
    QVERIFY(finished.wait(60000));
    QVERIFY2(status().startsWith("aborted after "), qPrintable(status()));
    QVERIFY(QFileInfo(path("copy.bin")).size() < (qint64(512) << 20));
    QVERIFY(!control<QPushButton>("startBtn")->isHidden());
}

void TestFileProcPage::closeQueryWhileBusy()
{
    QFile big(path("big.bin"));
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(qint64(512) << 20));
    big.close();
    openInput(path("big.bin"));
    choose("crcRadio");
    control<QPushButton>("startBtn")->click();
    QVERIFY(m_page->IsBusy());

    m_dialogs->answer(QMessageBox::No);
    QVERIFY(!m_page->FormCloseQuery());
    QCOMPARE(m_dialogs->texts().last(), QString("Kinbox is currently processing files !\nAre you sure you want to quit ?"));
    QVERIFY(m_page->IsBusy());

    m_dialogs->answer(QMessageBox::Yes);
    QVERIFY(m_page->FormCloseQuery());
    QTRY_VERIFY_WITH_TIMEOUT(!m_page->IsBusy(), 60000);
}

void TestFileProcPage::layoutFitsThePageArea()
{
    QVERIFY(writeFile(path("in.vob"), pattern(30000000, 19)));
    openInput(path("in.vob"));
    m_page->resize(491, 575);
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
    QVERIFY(m_page->minimumSizeHint().width() <= 491);
    QVERIFY(m_page->minimumSizeHint().height() <= 575);

    const QRect area = m_page->rect();
    QList<QWidget *> parts;
    for (const char *name : {"fp_FunctionBox", "fp_OptionBox", "figureArea", "startBtn", "inputFName",
                             "outputFName", "joinPanel", "fp_OffsetBox", "fpStatus"})
        parts << control<QWidget>(name);
    for (QWidget *part : parts) {
        QVERIFY2(part, "missing part");
        const QRect place(part->mapTo(m_page.get(), QPoint(0, 0)), part->size());
        QVERIFY2(area.contains(place), qPrintable(part->objectName()));
        for (QWidget *other : parts) {
            const QRect otherPlace(other->mapTo(m_page.get(), QPoint(0, 0)), other->size());
            QVERIFY2(other == part || !place.intersects(otherPlace),
                     qPrintable(part->objectName() + " overlaps " + other->objectName()));
        }
    }
    for (const char *name : {"offStart", "offLength", "offEnd", "offMode", "alignBtn", "vobAdjust"}) {
        auto *field = control<QWidget>(name);
        const QRect place(field->mapTo(m_page.get(), QPoint(0, 0)), field->size());
        QVERIFY2(area.contains(place) && field->width() >= field->minimumSizeHint().width(), name);
    }
}

QTEST_MAIN(TestFileProcPage)
#include "tst_fileprocpage.moc"
