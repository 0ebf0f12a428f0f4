// The Edit page through its controls: listing, selection by action, patching runs with their status
// texts, failures through the dialogs seam, and the hand-overs to the Backup page.

#include "ifoedit/ifoeditpage.h"
#include "ui/elidedlabel.h"
#include "ui/fileedit.h"
#include "support/scripteddialogs.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>
#include <unistd.h>

using namespace kbx;

namespace {

constexpr int Bitrate = 0;
constexpr int MpegAspect = 1;
constexpr int IfoAspect = 2;

// Two packs with a sequence header at 2084 whose aspect byte (2091) is 0x23; other bytes vary.
QByteArray vobBytes()
{
    QByteArray bytes(2 * 2048, '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char(0x40 + i % 61);
    bytes.replace(2084, 8, QByteArray("\x00\x00\x01\xB3\x2D\x02\x40\x23", 8));
    return bytes;
}

QByteArray ifoBytes()
{
    QByteArray bytes(2048, 'i');
    bytes[512] = char(0x4D);
    return bytes;
}

struct Rig {
    ScriptedDialogs dialogs;
    QTemporaryDir dir;
    std::unique_ptr<TIFOEditPage> page;

    Rig() { page = std::make_unique<TIFOEditPage>(); }

    template <class T>
    T *get(const char *name) const
    {
        T *control = page->findChild<T *>(QLatin1String(name));
        if (!control)
            qFatal("no control %s", name);
        return control;
    }
    QListWidget *files() const { return get<QListWidget>("IFO_Files"); }
    QListWidget *actions() const { return get<QListWidget>("IFO_Actions"); }
    QPushButton *start() const { return get<QPushButton>("IFO_Start"); }
    QTimer *timer() const { return get<QTimer>("IFOStatusTimer"); }

    QString write(const QString &name, const QByteArray &bytes) const
    {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(name));
        return file.fileName();
    }
    QByteArray read(const QString &name) const
    {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(name));
        return file.readAll();
    }
    void run(const char *handler) { QVERIFY(QMetaObject::invokeMethod(page.get(), handler)); }
    void list()
    {
        get<TOxFileEdit>("IFO_Source")->setText(dir.path());
        run("IFO_SourceButtonClick");
    }
    // The user clicks an action.
    void chooseAction(int row) { actions()->setCurrentRow(row, QItemSelectionModel::ClearAndSelect); }
    QStringList listed() const
    {
        QStringList names;
        for (int i = 0; i < files()->count(); ++i)
            names << files()->item(i)->text();
        return names;
    }
    QStringList selected() const
    {
        QStringList names;
        for (int i = 0; i < files()->count(); ++i) {
            if (files()->item(i)->isSelected())
                names << files()->item(i)->text();
        }
        return names;
    }
    // The user picks exactly these rows.
    void selectRows(const QList<int> &rows)
    {
        files()->clearSelection();
        for (int row : rows)
            files()->item(row)->setSelected(true);
    }
    QStringList titles() const
    {
        auto *box = get<QComboBox>("IFO_Titles");
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        return items;
    }
    QString panel(int i) const { return page->StatusText(i); }
};

} // namespace

class TestIFOEditPage : public QObject
{
    Q_OBJECT
private slots:
    void controlsAndDefaults();
    void listingWithAndWithoutBackups();
    void vobsOnlyFillTitles();
    void ifoActionSelectsOnlyIfos();
    void toggleTwiceThroughStart();
    void lowerCaseNamesArePatched();
    void progressCountsSelectedFiles();
    void skippedFilesAreNamed();
    void buttonsStayWhenTheStatusChanges();
    void asksOnceBeforeTheFirstWrite();
    void failureStopsTheRun_data();
    void failureStopsTheRun();
    void verifyHandsOver();
    void statusTimerClears();
    void pathFromBackupPage();
};

void TestIFOEditPage::controlsAndDefaults()
{
    Rig rig;
    QCOMPARE(rig.page->objectName(), QString("Page_IFOedit"));
    QVERIFY(qobject_cast<QVBoxLayout *>(rig.page->layout()));
    auto *source = rig.get<TOxFileEdit>("IFO_Source");
    QCOMPARE(source->Style(), TOxFileEdit::bsPathOpen);
    QCOMPARE(source->Title(), QString("Open DVD or MPEG videos..."));
    QVERIFY(source->edit()->isReadOnly());
    QCOMPARE(rig.files()->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(rig.actions()->count(), 3);
    QCOMPARE(rig.actions()->item(0)->text(), QString("adjust DVB bitrate"));
    QCOMPARE(rig.actions()->item(1)->text(), QString("toggle 16:9 aspect [MPEG]"));
    QCOMPARE(rig.actions()->item(2)->text(), QString("toggle 16:9 aspect [IFO]"));
    QVERIFY(!rig.actions()->isEnabled());
    QVERIFY(!rig.get<QComboBox>("IFO_Titles")->isEnabled());
    QVERIFY(!rig.start()->isEnabled());
    QCOMPARE(rig.start()->text(), QString("Start"));
    QCOMPARE(rig.start()->toolTip(), QString("execute selected operation"));
    auto *check = rig.get<QPushButton>("IFO_Check");
    QCOMPARE(check->text(), QString("Verify"));
    QCOMPARE(check->toolTip(), QString("verifies changes using the DVD info module"));
    QVERIFY(rig.get<QStatusBar>("IFO_Status"));
    QVERIFY(rig.get<QLabel>("IFO_Status_Panel0")->alignment() & Qt::AlignHCenter);
    QCOMPARE(rig.timer()->interval(), 2000);
    QVERIFY(rig.timer()->isActive());
    QStringList captions;
    for (const QGroupBox *box : rig.page->findChildren<QGroupBox *>())
        captions << box->title();
    for (const char *caption : {"affected files", "Actions to perform", "affected titles"})
        QVERIFY2(captions.contains(QLatin1String(caption)), caption);
    auto *popup = rig.get<QMenu>("IFO_Popup");
    const QList<QAction *> items = popup->actions();
    QCOMPARE(items.size(), 3);
    QCOMPARE(items.at(0), rig.get<QAction>("IFO_BUPs"));
    QCOMPARE(items.at(0)->text(), QString("include &Backups"));
    QVERIFY(!items.at(0)->isChecked());
    QVERIFY(items.at(1)->isSeparator());
    QCOMPARE(items.at(2)->text(), QString("use path from backup module"));

    // Filling again keeps the list at three and the chosen action.
    rig.actions()->setEnabled(true);
    rig.chooseAction(IfoAspect);
    rig.page->FillActions();
    QCOMPARE(rig.actions()->count(), 3);
    QCOMPARE(rig.actions()->selectedItems().value(0), rig.actions()->item(IfoAspect));
}

void TestIFOEditPage::listingWithAndWithoutBackups()
{
    Rig rig;
    for (const char *name : {"VIDEO_TS.IFO", "VTS_01_0.IFO", "VTS_01_0.BUP", "VTS_01_1.VOB"})
        rig.write(QLatin1String(name), "x");
    rig.list();
    QCOMPARE(rig.listed(), (QStringList{"VIDEO_TS.IFO", "VTS_01_0.IFO", "VTS_01_1.VOB"}));
    QVERIFY(rig.actions()->isEnabled());
    QCOMPARE(rig.actions()->selectedItems().value(0), rig.actions()->item(Bitrate));
    QCOMPARE(rig.selected(), QStringList{"VTS_01_1.VOB"});
    QVERIFY(rig.start()->isEnabled());
    QCOMPARE(rig.titles(), QStringList{"01"});
    QCOMPARE(rig.get<QComboBox>("IFO_Titles")->currentText(), QString("01"));
    QCOMPARE(rig.panel(0), QString("adjust DVB bitrate"));
    QCOMPARE(rig.panel(1), QString("makes files from digital TV DVD compatible"));

    rig.run("IFO_BUPsClick");
    QVERIFY(rig.get<QAction>("IFO_BUPs")->isChecked());
    QCOMPARE(rig.listed(), (QStringList{"VIDEO_TS.IFO", "VTS_01_0.IFO", "VTS_01_0.BUP", "VTS_01_1.VOB"}));
    // From the popup the mark flips once too.
    rig.get<QAction>("IFO_BUPs")->trigger();
    QVERIFY(!rig.get<QAction>("IFO_BUPs")->isChecked());
    QCOMPARE(rig.listed().size(), 3);

    // A blank source leaves the list alone.
    rig.get<TOxFileEdit>("IFO_Source")->setText("   ");
    rig.run("IFO_SourceButtonClick");
    QCOMPARE(rig.listed().size(), 3);
}

void TestIFOEditPage::vobsOnlyFillTitles()
{
    Rig rig;
    for (const char *name : {"VTS_01_1.VOB", "VTS_01_2.VOB", "vts_02_1.vob", "VTS_03_1.VOB", "VTS_05_1.VOB"})
        rig.write(QLatin1String(name), "x");
    rig.list();
    QCOMPARE(rig.listed(), (QStringList{"VTS_01_1.VOB", "VTS_01_2.VOB", "VTS_02_1.VOB", "VTS_03_1.VOB",
                                        "VTS_05_1.VOB"}));
    // 04 is missing, so 05 is not reached.
    QCOMPARE(rig.titles(), (QStringList{"01", "02", "03"}));

    // An empty folder empties both lists and disables the actions.
    QTemporaryDir empty;
    rig.get<TOxFileEdit>("IFO_Source")->setText(empty.path());
    rig.run("IFO_SourceButtonClick");
    QCOMPARE(rig.files()->count(), 0);
    QVERIFY(rig.titles().isEmpty());
    QVERIFY(!rig.actions()->isEnabled());
    QVERIFY(rig.actions()->selectedItems().isEmpty());
    QVERIFY(!rig.start()->isEnabled());
}

void TestIFOEditPage::ifoActionSelectsOnlyIfos()
{
    Rig rig;
    for (const char *name : {"VIDEO_TS.IFO", "VTS_01_0.IFO", "VTS_01_1.VOB", "VTS_01_2.VOB"})
        rig.write(QLatin1String(name), "x");
    rig.list();
    rig.chooseAction(IfoAspect);
    QCOMPARE(rig.selected(), (QStringList{"VIDEO_TS.IFO", "VTS_01_0.IFO"}));
    QCOMPARE(rig.panel(0), QString("toggle 16:9 aspect [IFO]"));
    QCOMPARE(rig.panel(1), QString("switches between 4:3 and 16:9 aspect ratio in IFO files"));

    // Selecting a VOB as the user does has no effect.
    rig.files()->item(2)->setSelected(true);
    QCOMPARE(rig.selected(), (QStringList{"VIDEO_TS.IFO", "VTS_01_0.IFO"}));
    rig.selectRows({3});
    QVERIFY(rig.selected().isEmpty());
    QVERIFY(!rig.start()->isEnabled());
    rig.selectRows({1});
    QCOMPARE(rig.selected(), QStringList{"VTS_01_0.IFO"});
    QVERIFY(rig.start()->isEnabled());

    // The other way round for an MPEG action.
    rig.chooseAction(MpegAspect);
    QCOMPARE(rig.selected(), (QStringList{"VTS_01_1.VOB", "VTS_01_2.VOB"}));
}

void TestIFOEditPage::toggleTwiceThroughStart()
{
    Rig rig;
    const QByteArray original = vobBytes();
    rig.write("VTS_01_1.VOB", original);
    rig.write("VTS_01_0.IFO", ifoBytes());
    rig.list();
    rig.chooseAction(MpegAspect);
    rig.timer()->stop();
    rig.dialogs.answer(QMessageBox::Yes);
    rig.start()->click();
    QByteArray expected = original;
    expected[2091] = char(0x33);
    QCOMPARE(rig.read("VTS_01_1.VOB"), expected);
    QCOMPARE(rig.read("VTS_01_0.IFO"), ifoBytes());
    QCOMPARE(rig.panel(0), QString("file 1 of 1"));
    QCOMPARE(rig.panel(1), QString("action successful"));
    QVERIFY(rig.timer()->isActive());

    // A double click on the action runs it again.
    rig.dialogs.answer(QMessageBox::Yes);
    rig.run("IFO_ActionsDblClick");
    QCOMPARE(rig.read("VTS_01_1.VOB"), original);

    rig.chooseAction(IfoAspect);
    rig.dialogs.answer(QMessageBox::Yes);
    rig.run("IFO_StartClick");
    QByteArray ifo = ifoBytes();
    ifo[512] = char(0x41);
    QCOMPARE(rig.read("VTS_01_0.IFO"), ifo);
    QCOMPARE(rig.read("VTS_01_1.VOB"), original);
    QCOMPARE(rig.dialogs.shown().size(), 3);   // the three questions before the three runs

    // Nothing selected: nothing runs.
    rig.selectRows({});
    rig.run("IFO_StartClick");
    QCOMPARE(rig.read("VTS_01_0.IFO"), ifo);
}

void TestIFOEditPage::lowerCaseNamesArePatched()
{
    Rig rig;
    rig.write("vts_01_1.vob", vobBytes());
    rig.list();
    QCOMPARE(rig.listed(), QStringList{"VTS_01_1.VOB"});
    rig.dialogs.answer(QMessageBox::Yes);
    rig.run("IFO_StartClick");
    QByteArray expected = vobBytes();
    expected.replace(2092, 3, QByteArray("\x13\x88\x23", 3));
    QCOMPARE(rig.read("vts_01_1.vob"), expected);
    QVERIFY(!QFile::exists(rig.dir.filePath("VTS_01_1.VOB")));
    QCOMPARE(rig.panel(1), QString("action successful"));
}

void TestIFOEditPage::progressCountsSelectedFiles()
{
    Rig rig;
    const QStringList names{"A.VOB", "B.VOB", "C.VOB", "D.VOB", "E.VOB"};
    for (const QString &name : names)
        rig.write(name, vobBytes());
    rig.list();
    rig.chooseAction(MpegAspect);
    rig.selectRows({2, 4});
    QSignalSpy spy(rig.page.get(), &TIFOEditPage::statusChanged);
    rig.dialogs.answer(QMessageBox::Yes);
    rig.run("IFO_StartClick");
    QStringList panel0;
    QStringList panel1;
    for (const QList<QVariant> &change : spy)
        (change.at(0).toInt() == 0 ? panel0 : panel1) << change.at(1).toString();
    QCOMPARE(panel0, (QStringList{"file 1 of 2", "file 2 of 2"}));
    QCOMPARE(panel1.first(), QString("executing selected action..."));
    QCOMPARE(panel1.last(), QString("action successful"));
    QByteArray patched = vobBytes();
    patched[2091] = char(0x33);
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(rig.read(names.at(i)), (i == 2 || i == 4) ? patched : vobBytes());
}

void TestIFOEditPage::skippedFilesAreNamed()
{
    Rig rig;
    QByteArray noHeader = vobBytes();
    noHeader[2087] = 'x';
    rig.write("A.VOB", vobBytes());
    rig.write("B.VOB", vobBytes().left(2090));
    rig.write("C.VOB", noHeader);
    rig.write("D.VOB", vobBytes());
    rig.list();
    rig.chooseAction(MpegAspect);
    rig.timer()->stop();
    rig.dialogs.answer(QMessageBox::Yes);
    rig.run("IFO_StartClick");
    QCOMPARE(rig.read("A.VOB").at(2091), char(0x33));
    QCOMPARE(rig.read("B.VOB"), vobBytes().left(2090));
    QCOMPARE(rig.read("C.VOB"), noHeader);
    QCOMPARE(rig.read("D.VOB").at(2091), char(0x33));
    QCOMPARE(rig.panel(0), QString("2 of 4 files patched"));
    QCOMPARE(rig.panel(1), QString("skipped: B.VOB (file too short), C.VOB (no sequence header)"));
    QVERIFY(!rig.timer()->isActive());
    QCOMPARE(rig.dialogs.shown().size(), 1);   // the question only: skips are no errors

    // A 512-byte IFO is too short for the edit at 512.
    rig.write("VTS_01_0.IFO", ifoBytes().left(512));
    rig.list();
    rig.chooseAction(IfoAspect);
    rig.dialogs.answer(QMessageBox::Yes);
    rig.run("IFO_StartClick");
    QCOMPARE(rig.read("VTS_01_0.IFO"), ifoBytes().left(512));
    QCOMPARE(rig.panel(0), QString("0 of 1 files patched"));
    QCOMPARE(rig.panel(1), QString("skipped: VTS_01_0.IFO (file too short)"));
}

// A long skip list ends in "..." within its two lines; the buttons above keep their place through
// empty, short and long status texts, and the panel still holds the whole text.
void TestIFOEditPage::buttonsStayWhenTheStatusChanges()
{
    Rig rig;
    QStringList names;
    for (int i = 0; i < 40; ++i) {
        names << QStringLiteral("VTS_%1_1.VOB").arg(i + 10);
        rig.write(names.last(), vobBytes().left(100));
    }
    rig.page->resize(480, 360);
    rig.page->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.page.get()));
    rig.list();
    rig.timer()->stop();
    rig.run("IFOStatusTimerTimer");
    QCoreApplication::processEvents();
    const QRect empty = rig.start()->geometry();

    rig.chooseAction(MpegAspect);
    QCoreApplication::processEvents();
    QCOMPARE(rig.start()->geometry(), empty);

    rig.dialogs.answer(QMessageBox::Yes);
    rig.run("IFO_StartClick");
    QCoreApplication::processEvents();
    QCOMPARE(rig.start()->geometry(), empty);
    QVERIFY(rig.panel(1).endsWith(names.last() + " (file too short)"));
    auto *panel = rig.get<TElidedLabel>("IFO_Status_Panel1");
    panel->grab();
    QVERIFY(panel->IsElided());
    QVERIFY(panel->height() < 3 * panel->fontMetrics().lineSpacing());
}

void TestIFOEditPage::asksOnceBeforeTheFirstWrite()
{
    Rig rig;
    for (const char *name : {"A.VOB", "B.VOB", "C.VOB"})
        rig.write(QLatin1String(name), vobBytes());
    rig.list();
    rig.chooseAction(MpegAspect);
    QCOMPARE(rig.selected().size(), 3);
    const QString expected =
        QStringLiteral("Change 3 file(s) in place with \"%1\"?").arg(rig.actions()->item(MpegAspect)->text());

    // No (and Enter, which takes the default) leaves every file and the status as they were.
    const QString status = rig.panel(1);
    rig.dialogs.answer(QMessageBox::No);
    rig.run("IFO_StartClick");
    QCOMPARE(rig.dialogs.shown().size(), 1);
    const ScriptedDialogs::Shown question = rig.dialogs.shown().at(0);
    QCOMPARE(question.text, expected);
    QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(question.defaultButton, QMessageBox::No);
    for (const char *name : {"A.VOB", "B.VOB", "C.VOB"})
        QCOMPARE(rig.read(QLatin1String(name)), vobBytes());
    QCOMPARE(rig.panel(1), status);

    // Yes: one question for the whole run, not one per file.
    rig.dialogs.answer(QMessageBox::Yes);
    rig.run("IFO_StartClick");
    QCOMPARE(rig.dialogs.shown().size(), 2);
    for (const char *name : {"A.VOB", "B.VOB", "C.VOB"})
        QCOMPARE(rig.read(QLatin1String(name)).at(2091), char(0x33));
}

void TestIFOEditPage::failureStopsTheRun_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("file gone") << false;
    QTest::newRow("file read-only") << true;
}

void TestIFOEditPage::failureStopsTheRun()
{
    QFETCH(bool, readOnly);
    if (readOnly && ::geteuid() == 0)
        QSKIP("file modes do not bind the superuser");
    Rig rig;
    for (const char *name : {"A.VOB", "B.VOB", "C.VOB"})
        rig.write(QLatin1String(name), vobBytes());
    rig.list();
    rig.chooseAction(MpegAspect);
    if (readOnly)
        QVERIFY(QFile::setPermissions(rig.dir.filePath("B.VOB"), QFile::ReadOwner | QFile::ReadGroup));
    else
        QVERIFY(QFile::remove(rig.dir.filePath("B.VOB")));
    rig.timer()->stop();
    rig.dialogs.answer(QMessageBox::Yes);
    rig.dialogs.answer(QMessageBox::Ok);
    rig.run("IFO_StartClick");

    QCOMPARE(rig.dialogs.shown().size(), 2);
    QCOMPARE(rig.dialogs.shown().at(1).icon, QMessageBox::Critical);
    QVERIFY2(rig.dialogs.shown().at(1).text.contains(rig.dir.filePath("B.VOB")),
             qPrintable(rig.dialogs.shown().at(1).text));
    QCOMPARE(rig.read("A.VOB").at(2091), char(0x33));
    QCOMPARE(QFile::exists(rig.dir.filePath("B.VOB")), readOnly);
    if (readOnly)
        QCOMPARE(rig.read("B.VOB"), vobBytes());
    QCOMPARE(rig.read("C.VOB"), vobBytes());
    QCOMPARE(rig.panel(0), QString("file 2 of 3"));
    QCOMPARE(rig.panel(1), QString("action failed"));
    QVERIFY(!rig.timer()->isActive());
}
void TestIFOEditPage::verifyHandsOver()
{
    Rig rig;
    for (const char *name : {"VTS_01_0.IFO", "vts_01_1.vob", "VTS_01_2.VOB"})
        rig.write(QLatin1String(name), "x");
    rig.list();
    QSignalSpy spy(rig.page.get(), &TIFOEditPage::verifyRequested);

    rig.chooseAction(IfoAspect);
    rig.get<QPushButton>("IFO_Check")->click();
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), rig.dir.filePath("VTS_01_0.IFO"));

    rig.chooseAction(MpegAspect);
    rig.run("IFO_CheckClick");
    QCOMPARE(spy.size(), 2);
    QCOMPARE(spy.at(1).at(0).toString(), rig.dir.path());

    // One VOB: its name as it is on disk.
    rig.selectRows({1});
    rig.run("IFO_CheckClick");
    QCOMPARE(spy.size(), 3);
    QCOMPARE(spy.at(2).at(0).toString(), rig.dir.filePath("vts_01_1.vob"));

    rig.selectRows({});
    rig.run("IFO_CheckClick");
    QCOMPARE(spy.size(), 3);
}

void TestIFOEditPage::statusTimerClears()
{
    Rig rig;
    rig.write("VTS_01_1.VOB", "x");
    rig.list();
    QVERIFY(!rig.panel(0).isEmpty());
    QVERIFY(!rig.panel(1).isEmpty());
    QVERIFY(rig.timer()->isActive());
    rig.run("IFOStatusTimerTimer");
    QCOMPARE(rig.panel(0), QString());
    QCOMPARE(rig.panel(1), QString());
    QVERIFY(!rig.timer()->isActive());
}

void TestIFOEditPage::pathFromBackupPage()
{
    Rig rig;
    rig.write("VTS_01_1.VOB", "x");
    // Without a getter the item does nothing.
    rig.run("usepathfrombackupmodule1Click");
    QCOMPARE(rig.page->SourceText(), QString());
    QCOMPARE(rig.files()->count(), 0);

    rig.page->SetBackupLocationGetter([&rig] { return rig.dir.path(); });
    rig.get<QAction>("usepathfrombackupmodule1")->trigger();
    QCOMPARE(rig.page->SourceText(), rig.dir.path());
    QCOMPARE(rig.listed(), QStringList{"VTS_01_1.VOB"});
    QCOMPARE(rig.titles(), QStringList{"01"});
}

QTEST_MAIN(TestIFOEditPage)
#include "tst_ifoeditpage.moc"
