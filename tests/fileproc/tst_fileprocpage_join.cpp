// The Files page's join list: adding files and folders, ordering, the total, the hint and the
// hand-over from the DVD page.

#include "dirlisting.h"
#include "pagetestbase.h"
#include "fileproc/fileprocpage.h"
#include "support/fakeplatform.h"
#include "ui/fileedit.h"
#include "support/scripteddialogs.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include <memory>

using namespace kbx;

namespace {

bool writeBytes(const QString &path, qint64 size)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.resize(size);
}


} // namespace

class TestFileProcPageJoin : public PageTestBase
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void addedFilesKeepDialogOrderUnlessSorted();
    void folderAddWalksTheTree();
    void hintReportsTheSelection();
    void removeAndTotal();
    void moveOnlyTheFirstSelected();
    void handOverFromTheDvdPage();
    void droppedFilesAndFoldersAreAppended();
    void dropNeedsAMergeFunction();
    void entriesShowNameAndSize();

private:
    QListWidget *list() const { return control<QListWidget>("joinList"); }
    QStringList entries() const { return m_page->JoinEntries(); }
    void click(const char *button) { control<QToolButton>(button)->click(); }
    void select(const QList<int> &rows);

};

void TestFileProcPageJoin::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestFileProcPageJoin::init()
{
    const QString problem = SetUpPage(false);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    control<QRadioButton>("mergeRadio")->click();
}

void TestFileProcPageJoin::cleanup()
{
    const QString problems = TearDownPage();
    QVERIFY2(problems.isEmpty(), qPrintable(problems));
}

void TestFileProcPageJoin::select(const QList<int> &rows)
{
    list()->clearSelection();
    for (int row : rows)
        list()->item(row)->setSelected(true);
}

void TestFileProcPageJoin::addedFilesKeepDialogOrderUnlessSorted()
{
    QVERIFY(writeBytes(path("c.vob"), 300) && writeBytes(path("a.vob"), 100) && writeBytes(path("b.vob"), 200));
    click("joinSort");
    QVERIFY(!control<QToolButton>("joinSort")->isChecked());
    m_dialogs->chooseFiles({path("c.vob"), path("a.vob"), path("b.vob")});
    click("joinAdd");
    QCOMPARE(m_dialogs->shown().last().title, QString("Add files..."));
    QCOMPARE(entries(), QStringList({"\"" + path("c.vob") + "\"=300", "\"" + path("a.vob") + "\"=100",
                                     "\"" + path("b.vob") + "\"=200"}));
    QCOMPARE(control<TOxFileEdit>("outputFName")->Text(), path("KBX_c.vob"));
    QCOMPARE(m_page->JoinTotal(), 600);
    QCOMPARE(control<QComboBox>("offMode")->currentText(), QString("B"));

    click("joinSort");
    QCOMPARE(entries().first(), "\"" + path("a.vob") + "\"=100");
    QCOMPARE(entries().last(), "\"" + path("c.vob") + "\"=300");

    // A cancelled dialog adds nothing and keeps the name.
    m_dialogs->chooseFiles({});
    click("joinAdd");
    QCOMPARE(entries().size(), 3);
}

void TestFileProcPageJoin::folderAddWalksTheTree()
{
    QDir root(m_dir->path());
    QVERIFY(root.mkpath("tree/sub/deeper") && root.mkpath("tree/empty"));
    for (const char *name : {"tree/z.vob", "tree/a.vob", "tree/sub/m.vob", "tree/sub/deeper/b.vob", "tree/k.vob"})
        QVERIFY(writeBytes(path(name), 1000));
    QStringList expected;
    listLikeTheFileSystem(path("tree"), expected);
    QCOMPARE(expected.size(), 5);

    click("joinSort");
    m_dialogs->chooseFile(path("tree/a.vob"), "Complete directory (*)");
    click("joinAdd");
    QStringList paths;
    for (const QString &entry : entries())
        paths << entry.section('"', 1, 1);
    QCOMPARE(paths, expected);
    QCOMPARE(m_page->JoinTotal(), 5000);

    click("joinSort");
    expected.sort();
    paths.clear();
    for (const QString &entry : entries())
        paths << entry.section('"', 1, 1);
    QCOMPARE(paths, expected);
}

void TestFileProcPageJoin::hintReportsTheSelection()
{
    QVERIFY(writeBytes(path("a.vob"), qint64(1) << 30) && writeBytes(path("b.vob"), qint64(1) << 30)
            && writeBytes(path("c.vob"), 1572864));
    m_page->MergeFiles({path("a.vob"), path("b.vob"), path("c.vob")});
    QCOMPARE(control<QComboBox>("offMode")->currentText(), QString("MB"));
    select({});
    QCOMPARE(list()->toolTip(), QString("select files to compute their concatenated size"));
    select({0, 1});
    QCOMPARE(list()->toolTip(), QString("2147483648 Bytes (2048 MB) in 2 files selected"));
    click("joinInvert");
    QCOMPARE(list()->toolTip(), QString("1572864 Bytes (1.5 MB) in 1 files selected"));
    QVERIFY(QMetaObject::invokeMethod(m_page.get(), "joinListDblClick"));
    QCOMPARE(list()->selectedItems().size(), 3);
    QCOMPARE(list()->toolTip(), QString("2149056512 Bytes (2049.5 MB) in 3 files selected"));
}

void TestFileProcPageJoin::removeAndTotal()
{
    QVERIFY(writeBytes(path("a.vob"), 10) && writeBytes(path("b.vob"), 20) && writeBytes(path("c.vob"), 12000));
    m_page->MergeFiles({path("a.vob"), path("b.vob"), path("c.vob"), path("gone.vob")});
    QCOMPARE(entries().last(), "\"" + path("gone.vob") + "\"=-1");
    QCOMPARE(m_page->JoinTotal(), 12029);
    QCOMPARE(control<QComboBox>("offMode")->currentText(), QString("KB"));

    select({1, 3});
    click("joinRemove");
    QCOMPARE(entries(), QStringList({"\"" + path("a.vob") + "\"=10", "\"" + path("c.vob") + "\"=12000"}));
    QCOMPARE(m_page->JoinTotal(), 12010);

    select({});
    click("joinRemove");
    QVERIFY(entries().isEmpty());
    QCOMPARE(m_page->JoinTotal(), 0);
    QCOMPARE(control<QComboBox>("offMode")->currentText(), QString("B"));
}

void TestFileProcPageJoin::moveOnlyTheFirstSelected()
{
    for (const char *name : {"a.vob", "b.vob", "c.vob", "d.vob"})
        QVERIFY(writeBytes(path(name), 1));
    m_page->MergeFiles({path("a.vob"), path("b.vob"), path("c.vob"), path("d.vob")});
    auto names = [this] {
        QString order;
        for (const QString &entry : entries())
            order += QFileInfo(entry.section('"', 1, 1)).baseName();
        return order;
    };
    select({0});
    click("joinMoveUp");
    QCOMPARE(names(), QString("abcd"));
    QVERIFY(control<QToolButton>("joinSort")->isChecked());

    select({1, 3});
    click("joinMoveUp");
    QCOMPARE(names(), QString("bacd"));
    QVERIFY(!control<QToolButton>("joinSort")->isChecked());
    QVERIFY(list()->item(0)->isSelected());
    QVERIFY(!list()->item(1)->isSelected());
    QVERIFY(list()->item(3)->isSelected());

    select({2, 3});
    click("joinMoveDown");
    QCOMPARE(names(), QString("badc"));
    QVERIFY(list()->item(3)->isSelected());
    QVERIFY(!list()->item(2)->isSelected());

    select({3});
    click("joinMoveDown");
    QCOMPARE(names(), QString("badc"));
}

void TestFileProcPageJoin::handOverFromTheDvdPage()
{
    QVERIFY(QDir(m_dir->path()).mkpath("dvd/VIDEO_TS"));
    QVERIFY(writeBytes(path("dvd/VIDEO_TS/VTS_03_1.VOB"), 2048) && writeBytes(path("dvd/VIDEO_TS/VTS_03_2.VOB"), 4096));
    QVERIFY(QDir(m_dir->path()).mkpath("videos"));
    m_platform->volumes.add(QDir(path("dvd")).canonicalPath(), "udf", "/dev/sr0");
    m_platform->folders.set(UserFolder::Videos, path("videos"));
    control<QRadioButton>("splitRadio")->click();

    m_page->MergeFiles({path("dvd/VIDEO_TS/VTS_03_1.VOB"), path("dvd/VIDEO_TS/VTS_03_2.VOB")});
    QVERIFY(control<QRadioButton>("mergeRadio")->isChecked());
    QCOMPARE(m_page->JoinTotal(), 6144);
    QCOMPARE(control<TOxFileEdit>("outputFName")->Text(), path("videos/VTS_03_1.VOB"));
    QCOMPARE(m_page->DefaultOutputName(QString(), "\"" + path("x/movie.vob") + "\"=5"), path("x/KBX_movie.vob"));
    QVERIFY(control<QWidget>("joinPanel")->isEnabled());
    QVERIFY(!control<QWidget>("inputFName")->isEnabled());
}

void TestFileProcPageJoin::droppedFilesAndFoldersAreAppended()
{
    QDir root(m_dir->path());
    QVERIFY(root.mkpath("tree/sub"));
    for (const char *name : {"c.vob", "a.vob", "tree/z.vob", "tree/sub/m.vob", "tree/b.vob"})
        QVERIFY(writeBytes(path(name), 100));
    QStringList folder;
    listLikeTheFileSystem(path("tree"), folder);
    click("joinSort");
    m_dialogs->chooseFiles({path("a.vob")});
    click("joinAdd");

    // Only local names count: a drag of web links alone is not taken.
    QVERIFY(!dropOnJoinList({QUrl("https://example.org/x.vob")}, false));
    QVERIFY(!dropOnJoinList({QUrl("https://example.org/x.vob")}));
    QCOMPARE(entries().size(), 1);
    QVERIFY(dropOnJoinList({QUrl::fromLocalFile(path("c.vob"))}, false));

    // Appended in the order dropped; the folder's files as "Add files..." lists a whole directory.
    QVERIFY(dropOnJoinList({QUrl::fromLocalFile(path("c.vob")), QUrl("ftp://example.org/y.vob"),
                            QUrl::fromLocalFile(path("tree")), QUrl::fromLocalFile(path("a.vob"))}));
    QStringList paths;
    for (const QString &entry : entries())
        paths << entry.section('"', 1, 1);
    QCOMPARE(paths, QStringList({path("a.vob"), path("c.vob")}) + folder + QStringList({path("a.vob")}));
    QCOMPARE(entries().at(1), "\"" + path("c.vob") + "\"=100");
    QCOMPARE(m_page->JoinTotal(), 600);
    QCOMPARE(control<TOxFileEdit>("outputFName")->Text(), path("KBX_a.vob"));

    // A folder that cannot be read is named, and the rest is still added.
    QVERIFY(root.mkpath("locked"));
    QVERIFY(QFile::setPermissions(path("locked"), QFileDevice::Permissions()));
    const bool privileged = QDir(path("locked")).isReadable();
    if (!privileged)
        m_dialogs->answer(QMessageBox::Ok);
    QVERIFY(dropOnJoinList({QUrl::fromLocalFile(path("locked")), QUrl::fromLocalFile(path("c.vob"))}));
    QVERIFY(QFile::setPermissions(path("locked"), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                      | QFileDevice::ExeOwner));
    if (!privileged)
        QVERIFY2(m_dialogs->texts().last().endsWith(path("locked")), qPrintable(m_dialogs->texts().last()));
    QCOMPARE(entries().last(), "\"" + path("c.vob") + "\"=100");
    QCOMPARE(m_page->JoinTotal(), 700);
}

void TestFileProcPageJoin::dropNeedsAMergeFunction()
{
    QVERIFY(writeBytes(path("a.vob"), 10));
    control<QRadioButton>("splitRadio")->click();
    QVERIFY(!dropOnJoinList({QUrl::fromLocalFile(path("a.vob"))}, false));
    dropOnJoinList({QUrl::fromLocalFile(path("a.vob"))});
    QVERIFY(entries().isEmpty());
    QVERIFY(m_dialogs->shown().isEmpty());
}

void TestFileProcPageJoin::entriesShowNameAndSize()
{
    QVERIFY(QDir(m_dir->path()).mkpath("x=1"));
    QVERIFY(writeBytes(path("x=1/part10.vob"), 1503238553) && writeBytes(path("part2.vob"), 700));
    m_page->MergeFiles({path("x=1/part10.vob"), path("part2.vob"), path("gone.vob")});
    // Shown: the name and a readable size; kept: the entry the job, the total and the sorting read.
    QStringList shown, tips;
    for (int row = 0; row < list()->count(); ++row) {
        shown << list()->item(row)->text();
        tips << list()->item(row)->toolTip();
    }
    // Sorted by the entries (the full paths), not by what the rows show.
    QCOMPARE(shown, QStringList({QString::fromUtf8("gone.vob \u2014 unreadable"),
                                 QString::fromUtf8("part2.vob \u2014 700 B"),
                                 QString::fromUtf8("part10.vob \u2014 1.4 GB")}));
    QCOMPARE(tips, QStringList({path("gone.vob"), path("part2.vob"), path("x=1/part10.vob")}));
    QCOMPARE(entries(), QStringList({"\"" + path("gone.vob") + "\"=-1", "\"" + path("part2.vob") + "\"=700",
                                     "\"" + path("x=1/part10.vob") + "\"=1503238553"}));
    QCOMPARE(list()->item(2)->data(Qt::UserRole).toString(), entries().at(2));
    QCOMPARE(m_page->JoinTotal(), 1503239252);
    select({2});
    QCOMPARE(list()->toolTip(), QString("1503238553 Bytes (1433.6 MB) in 1 files selected"));
}

QTEST_MAIN(TestFileProcPageJoin)
#include "tst_fileprocpage_join.moc"
