// The Files page under the faults that cost users their files: stray clicks and keys, names the
// system allows, pipes, hand-overs during a job and jobs that would flood a folder.

#include "pagetestbase.h"
#include "engine/filejob.h"
#include "fileproc/filenames.h"
#include "ui/fileedit.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace kbx;

namespace {

bool writeRaw(const QByteArray &name, const QByteArray &data)
{
    FILE *file = std::fopen(name.constData(), "wb");
    if (!file)
        return false;
    const bool ok = std::fwrite(data.constData(), 1, size_t(data.size()), file) == size_t(data.size());
    return std::fclose(file) == 0 && ok;
}

bool writeFile(const QString &path, const QByteArray &data)
{
    return writeRaw(QFile::encodeName(path), data);
}



} // namespace

class TestFileProcSafety : public PageTestBase
{
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        const QString problem = SetUpPage(true);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }
    void cleanup()
    {
        const QString problems = TearDownPage();
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    void questionsThatWriteDefaultToNo();
    void startAndStopHaveTheirOwnPlaces();
    void typedNameKeepsItsQuestionMarks();
    void checksumAfterSplitCoversTheWholeFile();
    void pipeAsInputIsRefusedAtOnce();
    void handOversWaitForTheJob();
    void mergeAndSplitStartsWithOnePart();
    void hardLinkedOutputIsRefused();
    void namesThatAreNotTextAreMerged();

private:
    QString status() const { return control<QLabel>("fpStatus")->text(); }
    void openInput(const QString &name)
    {
        m_dialogs->chooseFile(name);
        control<TOxFileEdit>("inputFName")->Browse();
    }
    void setField(const char *name, qint64 value) { control<QLineEdit>(name)->setText(QString::number(value)); }
    bool runJob()
    {
        QSignalSpy finished(m_page.get(), &TFileProcPage::jobFinished);
        control<QPushButton>("startBtn")->click();
        return m_page->IsBusy() && finished.wait(60000);
    }
    // A job long enough to act while it runs; aborted through the close question.
    void startLongJob()
    {
        QFile big(path("big.bin"));
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(qint64(1) << 30));
        big.close();
        openInput(path("big.bin"));
        control<QRadioButton>("crcRadio")->click();
        control<QPushButton>("startBtn")->click();
        QVERIFY(m_page->IsBusy());
    }
    void abortJob()
    {
        m_dialogs->answer(QMessageBox::Yes);
        QVERIFY(m_page->FormCloseQuery());
        QTRY_VERIFY_WITH_TIMEOUT(!m_page->IsBusy(), 60000);
    }
};

void TestFileProcSafety::questionsThatWriteDefaultToNo()
{
    QVERIFY(writeFile(path("in.bin"), pattern(3000, 1)));
    QVERIFY(writeFile(path("out.bin"), "old"));
    openInput(path("in.bin"));
    control<QRadioButton>("cloneRadio")->click();
    control<TOxFileEdit>("outputFName")->setText(path("out.bin"));
    m_dialogs->answer(QMessageBox::No);
    control<QPushButton>("startBtn")->click();
    QCOMPARE(m_dialogs->shown().last().defaultButton, QMessageBox::No);

    control<QRadioButton>("truncRadio")->click();
    m_dialogs->answer(QMessageBox::No);
    control<QPushButton>("startBtn")->click();
    QVERIFY(m_dialogs->texts().last().startsWith("This will truncate"));
    QCOMPARE(m_dialogs->shown().last().defaultButton, QMessageBox::No);
    QCOMPARE(readFile(path("in.bin")), pattern(3000, 1));
    QCOMPARE(readFile(path("out.bin")), QByteArray("old"));
}

void TestFileProcSafety::startAndStopHaveTheirOwnPlaces()
{
    m_page->resize(491, 575);
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
    startLongJob();
    auto *start = control<QPushButton>("startBtn");
    auto *stop = control<QPushButton>("stopBtn");
    QCoreApplication::processEvents();
    QVERIFY(start->isHidden() && !stop->isHidden());
    // Where Stop is, nothing else appears when the job ends.
    QVERIFY2(!start->geometry().intersects(stop->geometry()),
             qPrintable(QString("start %1,%2 stop %3,%4").arg(start->y()).arg(start->height()).arg(stop->y()).arg(stop->height())));
    abortJob();
}

void TestFileProcSafety::typedNameKeepsItsQuestionMarks()
{
    QVERIFY(writeFile(path("movie.bin"), pattern(12000, 2)));
    openInput(path("movie.bin"));
    setField("offLength", 1000);
    auto *output = control<TOxFileEdit>("outputFName");
    output->setText(QString());
    QLineEdit *edit = output->edit();

    const QString typed = path("part??.bin");
    QTest::keyClicks(edit, typed);
    QMetaObject::invokeMethod(m_page.get(), "RepaintTimerTimer");
    QCOMPARE(output->Text(), typed);
    emit edit->editingFinished();
    QCOMPARE(output->Text(), typed);

    // A name typed without a mask gets it when it is finished, not after its first letter.
    output->setText(QString());
    QTest::keyClicks(edit, path("clips.vob"));
    QCOMPARE(output->Text(), path("clips.vob"));
    QVERIFY(control<QPushButton>("startBtn")->isEnabled());
    emit edit->editingFinished();
    QCOMPARE(output->Text(), path("clips??.vob"));

    // Pressed while typing, Start finishes the name first.
    output->setText(QString());
    QTest::keyClicks(edit, path("x.bin"));
    QVERIFY(runJob());
    QCOMPARE(readFile(path("x12.bin")), pattern(12000, 2).mid(11000));
    for (const QString &name : QDir(m_dir->path()).entryList(QDir::Files))
        QVERIFY2(!name.contains('?'), qPrintable(name));
}

void TestFileProcSafety::checksumAfterSplitCoversTheWholeFile()
{
    const QByteArray data = pattern(100000, 3);
    QVERIFY(writeFile(path("in.bin"), data));
    openInput(path("in.bin"));
    setField("offLength", 25000);
    control<TOxFileEdit>("outputFName")->setText(path("p?.bin"));
    QVERIFY(runJob());
    QVERIFY(QFile::exists(path("p4.bin")));

    control<QRadioButton>("crcRadio")->click();
    QCOMPARE(status(), QString("Compute CRC checksum from file \"in.bin\"."));
    QVERIFY(runJob());
    const QString crc = QString::number(rawCrc(data), 16).toUpper().rightJustified(8, '0');
    QVERIFY2(status().endsWith(", CRC32: " + crc), qPrintable(status()));
}

void TestFileProcSafety::pipeAsInputIsRefusedAtOnce()
{
    QCOMPARE(::mkfifo(QFile::encodeName(path("pipe")).constData(), 0600), 0);
    openInput(path("pipe"));
    QVERIFY2(m_dialogs->texts().last().contains("\"" + path("pipe") + "\""), qPrintable(m_dialogs->texts().last()));
    QVERIFY(control<TOxFileEdit>("inputFName")->Text().isEmpty());
    QVERIFY(!control<QPushButton>("startBtn")->isEnabled());
}

void TestFileProcSafety::handOversWaitForTheJob()
{
    QVERIFY(writeFile(path("a.bin"), pattern(100, 4)));
    startLongJob();
    const int shown = m_dialogs->shown().size();
    m_page->MergeFiles({path("a.bin")});
    m_page->SplitFile(path("a.bin"));
    m_page->OpenInputFile(path("a.bin"));
    QCOMPARE(m_dialogs->shown().size(), shown + 3);
    // A drop from a file manager is refused as well: the list is locked and takes no drag.
    QVERIFY(!dropOnJoinList({QUrl::fromLocalFile(path("a.bin"))}, false));
    QVERIFY(!dropOnJoinList({QUrl::fromLocalFile(path("a.bin"))}));
    QCOMPARE(m_dialogs->shown().size(), shown + 3);
    // Should one reach the handler all the same, it says why it waits, as the hand-overs do.
    QVERIFY(QMetaObject::invokeMethod(m_page.get(), "joinListDragDrop", Q_ARG(QStringList, {path("a.bin")})));
    QCOMPARE(m_dialogs->shown().size(), shown + 4);
    QVERIFY(m_dialogs->texts().last().contains("processing"));
    QCOMPARE(control<QListWidget>("joinList")->count(), 0);
    QCOMPARE(control<TOxFileEdit>("inputFName")->Text(), path("big.bin"));
    QVERIFY(control<QRadioButton>("crcRadio")->isChecked());
    QVERIFY(!control<QRadioButton>("mergeRadio")->isEnabled());
    QVERIFY(!control<QWidget>("joinPanel")->isEnabled());
    QVERIFY(m_page->IsBusy() && !m_page->Job()->AllParked());
    abortJob();
}

void TestFileProcSafety::mergeAndSplitStartsWithOnePart()
{
    QVERIFY(writeFile(path("a.bin"), pattern(700, 5)) && writeFile(path("b.bin"), pattern(301, 6)));
    control<QRadioButton>("mergeSplitRadio")->click();
    m_page->MergeFiles({path("a.bin"), path("b.bin")});
    control<QRadioButton>("mergeSplitRadio")->click();
    QCOMPARE(control<QLineEdit>("offLength")->text(), QString("1001"));

    control<TOxFileEdit>("outputFName")->setText(path("o????.bin"));
    setField("offLength", 1);
    m_dialogs->answer(QMessageBox::No);
    control<QPushButton>("startBtn")->click();
    QVERIFY(!m_page->IsBusy());
    QVERIFY2(m_dialogs->texts().last().contains("1001"), qPrintable(m_dialogs->texts().last()));
    QCOMPARE(m_dialogs->shown().last().defaultButton, QMessageBox::No);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).size(), 2);
}

void TestFileProcSafety::hardLinkedOutputIsRefused()
{
    const QByteArray data = pattern(5000, 7);
    QVERIFY(writeFile(path("in.bin"), data));
    QCOMPARE(::link(QFile::encodeName(path("in.bin")).constData(), QFile::encodeName(path("hl.bin")).constData()), 0);
    openInput(path("in.bin"));
    control<QRadioButton>("cloneRadio")->click();
    control<TOxFileEdit>("outputFName")->setText(path("hl.bin"));
    control<QPushButton>("startBtn")->click();
    QVERIFY(!m_page->IsBusy());
    QVERIFY2(m_dialogs->texts().last().contains("\"" + path("hl.bin") + "\""), qPrintable(m_dialogs->texts().last()));
    QCOMPARE(readFile(path("in.bin")), data);
}

void TestFileProcSafety::namesThatAreNotTextAreMerged()
{
    const QByteArray a = pattern(3000, 8), b = pattern(2000, 9);
    const QByteArray rawA = QFile::encodeName(path("p1")) + "\xff.bin";
    QVERIFY(writeRaw(rawA, a) && writeFile(path("p2.bin"), b));
    control<QRadioButton>("mergeRadio")->click();
    m_page->MergeFiles({NameFromBytes(rawA), path("p2.bin")});
    QCOMPARE(m_page->JoinTotal(), 5000);
    control<TOxFileEdit>("outputFName")->setText(path("all.bin"));
    QVERIFY(runJob());
    QVERIFY2(!status().contains("failed"), qPrintable(status()));
    QCOMPARE(readFile(path("all.bin")), a + b);
    // The temporary folder's own clean-up passes over such names.
    QCOMPARE(::unlink(rawA.constData()), 0);
}

QTEST_MAIN(TestFileProcSafety)
#include "tst_fileprocpage_safety.moc"
