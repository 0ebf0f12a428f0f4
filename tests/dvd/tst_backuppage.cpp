#include "dvd/backuppage.h"
#include "dvd/sizerow.h"
#include "discfixtures.h"
#include "dvdfixtures.h"
#include "support/fakeplatform.h"
#include "ui/fileedit.h"
#include "support/scripteddialogs.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <memory>

using namespace kbx;
using namespace dvdtest;

namespace {

constexpr qint64 GiB = qint64(1) << 30;
constexpr qint64 MiB = qint64(1) << 20;

const QString ReadError = QStringLiteral(
    "DVD cannot be read. Start a DVD player to initialize access.\n"
    "You can immediately quit the player after it has first accessed the DVD.");

// The first packs of a title: navigation pack, picture, then stream packs 2 to 9 (8 and 9 examined).
QByteArray TitleStart(int width, int height, int aspect = 3, int rate = 3, int protection = 0)
{
    QByteArray data = NavPack(protection) + VideoPack(width, height, aspect, rate);
    for (int i = 2; i < 8; ++i)
        data += StreamPack(0xE0);
    data += StreamPack(0xBD, 0x80) + StreamPack(0xE0);
    return data;
}

bool WriteTitle(const QString &path, qint64 size, int width = 720, int height = 576)
{
    return WriteFile(path, TitleStart(width, height), size);
}

} // namespace

class TestBackupPage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startState();
    void sizeRowCells_data();
    void sizeRowCells();
    void sizeRowWithoutMedium();
    void titlesOfADisc();
    void discBadges();
    void cdBar();
    void mediumZeroOrText();
    void regionTexts_data();
    void regionTexts();
    void pictureAndMpeg1();
    void fileModeAndStatus();
    void readErrors();
    void failedSearchClearsTheDisc();
    void corruptFilesDoNotCrash();
    void manyTitleSets();
    void rowAndTitleSelection();
    void mergeParts();
    void mergeWithoutContent();
    void locationHandOvers();
    void mediaSizesRebuild();
    void fitsThePage();

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
    QTreeWidget *list() { return child<QTreeWidget>("InfoList"); }
    QComboBox *titles() { return child<QComboBox>("bak_Titles"); }
    QString text(const char *name) { return child<QLineEdit>(name)->text(); }
    QStringList row(int index)
    {
        QStringList cells;
        QTreeWidgetItem *item = list()->topLevelItem(index);
        for (int column = 0; item && column < list()->columnCount(); ++column)
            cells << item->text(column);
        return cells;
    }
    void setLocation(const QString &location) { child<TOxFileEdit>("DVDLocation")->setText(location); }
    void scan() { QVERIFY(QMetaObject::invokeMethod(m_page.get(), "reCheckClick")); }
    void setMedium(const QString &medium) { child<QComboBox>("copyMediaSize")->setEditText(medium); }
    // A disc of title sets with the given sizes in a fresh folder, mounted as a read-only medium.
    QString makeDisc(const QList<qint64> &sizes, qint64 discTotal = 4000000000LL);

    PackProbeState m_probe;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakePlatform> m_platform;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<TBackupPage> m_page;
};

void TestBackupPage::init()
{
    m_probe = {};
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_platform = std::make_unique<FakePlatform>();
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_page = std::make_unique<TBackupPage>(m_probe);
    m_page->resize(600, 600);
    m_page->show();
}

void TestBackupPage::cleanup()
{
    const QStringList unexpected = m_dialogs ? m_dialogs->unexpected() : QStringList();
    // Torn down before checking, so that a failure leaves no fake installed for the next test.
    m_page.reset();
    m_dialogs.reset();
    m_platform.reset();
    m_dir.reset();
    QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join('\n')));
}

QString TestBackupPage::makeDisc(const QList<qint64> &sizes, qint64 discTotal)
{
    const QString ts = Canonical(*m_dir) + "/disc/VIDEO_TS";
    WriteFile(ts + "/VIDEO_TS.IFO", QByteArray(2048, 0));
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        const int title = int(i) + 1;
        WriteFile(ts + QStringLiteral("/VTS_%1_0.VOB").arg(title, 2, 10, QLatin1Char('0')), NavPack(), 4096);
        WriteTitle(ts + QStringLiteral("/VTS_%1_1.VOB").arg(title, 2, 10, QLatin1Char('0')), sizes.at(i));
    }
    AddDisc(m_platform->volumes, Canonical(*m_dir) + "/disc", discTotal);
    return ts;
}

void TestBackupPage::startState()
{
    QVERIFY(!titles()->isEnabled());
    QCOMPARE(titles()->count(), 0);
    QVERIFY(!child<QPushButton>("bak_MergeBtn")->isEnabled());
    QVERIFY(!child<QPushButton>("bak_StripBtn")->isEnabled());
    QVERIFY(!child<QLabel>("Image_DVD5")->isVisible());
    QVERIFY(!child<QLabel>("Image_DVD9")->isVisible());
    QVERIFY(!child<QLabel>("bak_CDs")->isVisible());
    QVERIFY(!child<QListWidget>("StreamBox")->isEnabled());
    QCOMPARE(m_page->StatusText(0), QString());
    QCOMPARE(m_page->StatusText(1), QString());
    QCOMPARE(child<QComboBox>("copyMediaSize")->currentText(), QStringLiteral("702"));
    QVERIFY(child<QComboBox>("copyMediaSize")->isEditable());
    QCOMPARE(child<QPushButton>("reCheck")->toolTip(),
             QStringLiteral("finds DVDs in any drive or at the specified location"));
    QStringList headers;
    for (int c = 0; c < list()->columnCount(); ++c)
        headers << list()->headerItem()->text(c);
    QCOMPARE(headers, QStringList({"Title", "Bytes", "MB", "GB", "CDs", "free"}));

    // The options menu: names, captions and defaults.
    QMenu *menu = child<QMenu>("DVDPMenu");
    QStringList items;
    for (QAction *a : menu->actions())
        items << (a->isSeparator() ? QStringLiteral("-") : a->objectName() + '=' + a->text());
    QCOMPARE(items, QStringList({"incHDDs=search &HDDs", "mi_RCfromIFO=RC from &IFO", "-", "mode_DVD=DVD mode",
                                 "mode_FILE=file mode", "-",
                                 "usepathfromIFOEditmodule1=use path from IFOEdit module"}));
    QVERIFY(!action("incHDDs")->isChecked());
    QVERIFY(action("mi_RCfromIFO")->isChecked());
    QVERIFY(!action("mode_DVD")->isEnabled());
    QVERIFY(!action("mode_FILE")->isEnabled());
    QVERIFY(QMetaObject::invokeMethod(m_page.get(), "incHDDsClick"));
    QVERIFY(action("incHDDs")->isChecked());
    QVERIFY(QMetaObject::invokeMethod(m_page.get(), "incHDDsClick", Q_ARG(QObject *, action("mi_RCfromIFO"))));
    QVERIFY(!action("mi_RCfromIFO")->isChecked());
    QVERIFY(action("incHDDs")->isChecked());

    // Nothing to merge yet: no hand-over.
    QSignalSpy merges(m_page.get(), &TBackupPage::mergeRequested);
    QVERIFY(QMetaObject::invokeMethod(m_page.get(), "bak_MergeBtnClick"));
    QCOMPARE(merges.count(), 0);
}

void TestBackupPage::sizeRowCells_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QStringList>("cells");
    QTest::newRow("two CDs exactly") << qint64(1472200704)
                                     << QStringList({"1,472,200,704", "1404.0", "1.4", "2", "0"});
    QTest::newRow("one byte more") << qint64(1472200705)
                                   << QStringList({"1,472,200,705", "1404.0", "1.4", "3", "702"});
    QTest::newRow("rounded free") << qint64(1000000000)
                                  << QStringList({"1,000,000,000", "953.7", "0.9", "2", "450"});
    QTest::newRow("below 102 MB") << qint64(106954751) << QStringList({"106,954,751", "102.0", "", "1", "600"});
    QTest::newRow("102 MB") << qint64(106954752) << QStringList({"106,954,752", "102.0", "0.1", "1", "600"});
    QTest::newRow("empty") << qint64(0) << QStringList({"0", "0.0", "", "0", "0"});
    QTest::newRow("half tenth to even down") << qint64(262144) << QStringList({"262,144", "0.2", "", "1", "702"});
    QTest::newRow("half tenth to even up") << qint64(786432) << QStringList({"786,432", "0.8", "", "1", "701"});
    QTest::newRow("three separators at most") << qint64(1234567890123)
                                              << QStringList({"1234,567,890,123", "1177375.7", "1149.8", "1678",
                                                              "580"});
    QTest::newRow("small") << qint64(999) << QStringList({"999", "0.0", "", "1", "702"});
}

void TestBackupPage::sizeRowCells()
{
    QFETCH(qint64, size);
    QFETCH(QStringList, cells);
    m_page->AddSizeRow(QStringLiteral("Title 1"), size);
    QCOMPARE(list()->topLevelItemCount(), 1);
    QCOMPARE(row(0), QStringList({"Title 1"}) + cells);
    QTreeWidgetItem *item = list()->topLevelItem(0);
    QVERIFY(!(item->textAlignment(0) & Qt::AlignRight));
    for (int column = 1; column < 6; ++column)
        QVERIFY(item->textAlignment(column) & Qt::AlignRight);
}

void TestBackupPage::sizeRowWithoutMedium()
{
    for (const QString &medium : {QStringLiteral("0"), QStringLiteral("abc"), QString(), QStringLiteral("-5")}) {
        setMedium(medium);
        list()->clear();
        m_page->AddSizeRow(QStringLiteral("Capacity"), 1472200704);
        QCOMPARE(row(0), QStringList({"Capacity", "1,472,200,704", "1404.0", "1.4", "", ""}));
    }
    setMedium(QStringLiteral(" 650 "));
    list()->clear();
    m_page->AddSizeRow(QStringLiteral("Capacity"), 1472200704);
    QCOMPARE(row(0).mid(4), QStringList({"3", "546"}));
    QCOMPARE(CDBarPixels(GiB, std::nullopt), 0);
    QCOMPARE(MediumMB(QStringLiteral("702")), std::optional<qint64>(702));
    QCOMPARE(MediumMB(QStringLiteral("7e2")), std::nullopt);
}

void TestBackupPage::titlesOfADisc()
{
    const QString ts = makeDisc({3 * GiB, GiB / 2, 3 * GiB});
    scan();
    QCOMPARE(list()->topLevelItemCount(), 4);
    QCOMPARE(row(0).at(0), QStringLiteral("Capacity"));
    QCOMPARE(row(1), QStringList({"Title 1", "3,221,225,472", "3072.0", "3.0", "5", "438"}));
    QCOMPARE(row(2), QStringList({"Title 2", "536,870,912", "512.0", "0.5", "1", "190"}));
    QCOMPARE(row(3).at(0), QStringLiteral("Title 3"));
    // Capacity counts the menus and the information file too.
    QCOMPARE(row(0).at(1), BytesWithSeparators(6 * GiB + GiB / 2 + 3 * 4096 + 2048));
    QCOMPARE(titles()->count(), 3);
    QCOMPARE(titles()->itemText(2), QStringLiteral("03"));
    // The largest title wins; on a tie the lower number.
    QCOMPARE(titles()->currentText(), QStringLiteral("01"));
    QVERIFY(titles()->isEnabled());
    QVERIFY(child<QPushButton>("bak_MergeBtn")->isEnabled());
    QCOMPARE(list()->currentItem(), list()->topLevelItem(1));
    QCOMPARE(m_page->StatusText(0), QStringLiteral("3 titles found"));
    QCOMPARE(m_page->StatusText(1), QStringLiteral("DVD5 disc found in \"%1\".").arg(ts));
    QCOMPARE(m_page->DVDPath(), ts + "/");
    QCOMPARE(m_page->TitleSizes(), QList<qint64>({3 * GiB, GiB / 2, 3 * GiB}));
    QCOMPARE(int(m_probe.MpegKind), int(MpegDvd));
    QCOMPARE(m_probe.PackSize, qint64(2048));
    QVERIFY(action("mode_DVD")->isChecked());
    QVERIFY(!action("mode_FILE")->isChecked());
    QCOMPARE(text("ct_wx"), QStringLiteral("720"));
    QCOMPARE(text("ct_hy"), QStringLiteral("576"));
    QCOMPARE(text("ct_aspect"), QStringLiteral("16:9, 25 fps, PAL"));
    auto *streams = child<QListWidget>("StreamBox");
    QVERIFY(streams->isEnabled());
    QStringList lines;
    for (int i = 0; i < streams->count(); ++i)
        lines << streams->item(i)->text();
    QCOMPARE(lines, QStringList({"80 (Audiostream)", "E0 (Videostream)"}));

    // Another folder with a single title, while title 03 of the first is selected: no read error,
    // and the selector stays disabled.
    titles()->setCurrentIndex(2);
    QTemporaryDir other;
    QVERIFY(WriteTitle(Canonical(other) + "/VIDEO_TS/VTS_01_1.VOB", 8192));
    setLocation(Canonical(other) + "/VIDEO_TS");
    scan();
    QCOMPARE(titles()->count(), 1);
    QVERIFY(!titles()->isEnabled());
    QCOMPARE(m_page->StatusText(0), QStringLiteral("1 titles found"));
    QCOMPARE(m_dialogs->shown().size(), 0);
}

void TestBackupPage::discBadges()
{
    const QString ts = makeDisc({GiB}, 4700000001LL);
    scan();
    QVERIFY(child<QLabel>("Image_DVD9")->isVisible());
    QVERIFY(!child<QLabel>("Image_DVD5")->isVisible());
    QVERIFY(m_page->StatusText(1).startsWith("DVD9 disc found in"));
    m_platform->volumes.volumes.last().bytesTotal = 4700000000LL;
    scan();
    QVERIFY(child<QLabel>("Image_DVD5")->isVisible());
    QVERIFY(!child<QLabel>("Image_DVD9")->isVisible());
    // A copy on a disk with free space: no disc type, no badge.
    m_platform->volumes.volumes.last().readOnly = false;
    m_platform->volumes.volumes.last().bytesFree = GiB;
    m_platform->volumes.volumes.last().optical = false;
    setLocation(ts);
    scan();
    QVERIFY(!child<QLabel>("Image_DVD5")->isVisible());
    QVERIFY(!child<QLabel>("Image_DVD9")->isVisible());
    QCOMPARE(m_page->StatusText(1), QStringLiteral("Unknown disc found in \"%1\".").arg(ts));
}

void TestBackupPage::cdBar()
{
    makeDisc({4831838208LL, 100 * MiB});
    scan();
    auto *bar = child<QLabel>("bak_CDs");
    QVERIFY(bar->isVisible());
    QCOMPARE(bar->width(), 184);
    QCOMPARE(child<QLabel>("bak_GrayCDs")->width(), 364);
    QCOMPARE(bar->pixmap().size(), QSize(364, 28));
    // More than 13 media run past the grey picture.
    setMedium("128");
    QCOMPARE(bar->width(), 1008);
    QCOMPARE(row(1).mid(4), QStringList({"36", "0"}));
    setMedium("702");
    QVERIFY(QMetaObject::invokeMethod(m_page.get(), "InfoListSelectItem", Q_ARG(int, 2)));
    QCOMPARE(bar->width(), 4);
}

void TestBackupPage::mediumZeroOrText()
{
    makeDisc({3 * GiB, GiB});
    scan();
    for (const char *medium : {"0", "abc", ""}) {
        // Every change rescans; nothing divides by the missing size and no box interrupts.
        setMedium(QLatin1String(medium));
        QCOMPARE(list()->topLevelItemCount(), 3);
        QCOMPARE(row(1).mid(4), QStringList({"", ""}));
        QVERIFY(!child<QLabel>("bak_CDs")->isVisible());
        QCOMPARE(text("ct_wx"), QStringLiteral("720"));
        QCOMPARE(m_page->StatusText(0), QStringLiteral("2 titles found"));
    }
    QCOMPARE(m_dialogs->shown().size(), 0);
    setMedium("702");
    QCOMPARE(row(1).mid(4), QStringList({"5", "438"}));
    QVERIFY(child<QLabel>("bak_CDs")->isVisible());
}

void TestBackupPage::regionTexts_data()
{
    QTest::addColumn<int>("ifoByte");
    QTest::addColumn<int>("protection");
    QTest::addColumn<bool>("fromIfo");
    QTest::addColumn<QString>("region");
    QTest::addColumn<bool>("macrovision");
    QTest::newRow("region 1 only") << 254 << 0 << true << "Code 1 (USA/Canada)" << false;
    QTest::newRow("regions 1 to 6") << 192 << 0 << true << "1 2 3 4 5 6 " << false;
    QTest::newRow("no region forbidden") << 255 << 0 << true << "region free" << false;
    QTest::newRow("byte 0 falls back to the VOB") << 0 << 0 << true << "region free" << false;
    QTest::newRow("VOB protection byte") << 0 << 64 << true << "Code 2 (Europe)" << true;
    QTest::newRow("IFO ignored") << 254 << 0x10 << false << "Code 4 (Australia)" << true;
    QTest::newRow("only region 2") << 253 << 0x40 << true << "Code 2 (Europe)" << true;
}

void TestBackupPage::regionTexts()
{
    QFETCH(int, ifoByte);
    QFETCH(int, protection);
    QFETCH(bool, fromIfo);
    QFETCH(QString, region);
    QFETCH(bool, macrovision);
    const QString ts = Canonical(*m_dir) + "/VIDEO_TS";
    QByteArray ifo(2048, 0);
    ifo[35] = char(ifoByte);
    QVERIFY(WriteFile(ts + "/video_ts.ifo", ifo));
    QVERIFY(WriteFile(ts + "/VTS_01_1.VOB", TitleStart(720, 480, 2, 4, protection)));
    action("mi_RCfromIFO")->setChecked(fromIfo);
    setLocation(ts);
    scan();
    QCOMPARE(text("ct_Region"), region);
    QCOMPARE(child<QCheckBox>("ct_macro")->isChecked(), macrovision);
    QCOMPARE(text("ct_aspect"), QStringLiteral("4:3, 29.97 fps, NTSC"));
}

void TestBackupPage::pictureAndMpeg1()
{
    const QString root = Canonical(*m_dir);
    // The sequence header behind a longer PES header is still read.
    QByteArray film = NavPack(0x40) + VideoPack(352, 240, 2, 3, 20, 0x91);
    QVERIFY(WriteFile(root + "/film.mpg", film));
    setLocation(root + "/film.mpg");
    scan();
    QCOMPARE(text("ct_wx"), QStringLiteral("352"));
    QCOMPARE(text("ct_hy"), QStringLiteral("240"));
    QVERIFY(child<QCheckBox>("ct_CSS")->isChecked());
    QCOMPARE(int(m_probe.MpegKind), int(MpegDvd));

    QVERIFY(WriteFile(root + "/film.mpg", NavPack(0x40) + VideoPack(352, 242, 2, 3)));
    scan();
    QCOMPARE(text("ct_aspect"), QStringLiteral("MPEG1 stream"));
    QCOMPARE(text("ct_Region"), QStringLiteral("not applicable"));
    QCOMPARE(text("ct_wx"), QString());
    QCOMPARE(text("ct_hy"), QString());
    QVERIFY(!child<QCheckBox>("ct_CSS")->isChecked());
    QVERIFY(!child<QCheckBox>("ct_macro")->isChecked());
    QCOMPARE(int(m_probe.MpegKind), int(MpegOne));
}

void TestBackupPage::fileModeAndStatus()
{
    const QString root = Canonical(*m_dir);
    // Nothing anywhere.
    scan();
    QCOMPARE(m_page->StatusText(1), QStringLiteral("Please insert a DVD and retry!"));
    QCOMPARE(list()->topLevelItemCount(), 0);

    QVERIFY(WriteFile(root + "/movies/film.mpg", NavPack() + VideoPack(720, 576, 3, 3), 5 * GiB));
    setLocation(root + "/movies/film.mpg");
    QVERIFY(QMetaObject::invokeMethod(m_page.get(), "browseClick"));
    QVERIFY(action("incHDDs")->isChecked());
    QVERIFY(m_page->LocationIsFile());
    QCOMPARE(m_page->StatusText(1), QStringLiteral("DVD backup found as \"%1/movies/film.mpg\".").arg(root));
    QCOMPARE(m_page->StatusText(0), QString());
    QCOMPARE(list()->topLevelItemCount(), 1);
    QCOMPARE(row(0), QStringList({"Capacity", "5,368,709,120", "5120.0", "5.0", "8", "496"}));
    QCOMPARE(titles()->count(), 1);
    QCOMPARE(titles()->currentText(), QStringLiteral("01"));
    QVERIFY(!titles()->isEnabled());
    QVERIFY(action("mode_FILE")->isChecked());
    QCOMPARE(child<QLabel>("bak_CDs")->width(), 204);

    // SVCD packs.
    QVERIFY(WriteFile(root + "/movies/svcd.mpg", NavPack(0, 2324) + VideoPack(480, 576, 2, 3, 13, 0x81, 2324)));
    setLocation(root + "/movies/svcd.mpg");
    scan();
    QCOMPARE(m_page->StatusText(1), QStringLiteral("SVCD video found as \"%1/movies/svcd.mpg\".").arg(root));
    QCOMPARE(m_probe.PackSize, qint64(2324));
    QCOMPARE(text("ct_wx"), QStringLiteral("480"));

    // The location disappears: the list and the selector are cleared.
    setLocation(root + "/gone/film.mpg");
    scan();
    QCOMPARE(m_page->StatusText(1), QStringLiteral("Please insert a DVD and retry!"));
    QCOMPARE(list()->topLevelItemCount(), 0);
    QCOMPARE(titles()->count(), 0);
}

void TestBackupPage::readErrors()
{
    const QString root = Canonical(*m_dir);
    // Fewer than 4096 bytes: the box, then the status.
    QVERIFY(WriteFile(root + "/short.mpg", NavPack()));
    setLocation(root + "/short.mpg");
    m_dialogs->answer(QMessageBox::Ok);
    scan();
    QCOMPARE(m_dialogs->texts(), QStringList({ReadError}));
    QCOMPARE(m_page->StatusText(1), QStringLiteral("MPEG file read error!"));
    QCOMPARE(list()->topLevelItemCount(), 0);
    QCOMPARE(int(m_probe.MpegKind), int(MpegNone));

    // Pack headers 2332 bytes apart: no box, no rows, the selector keeps its items.
    QVERIFY(WriteFile(root + "/odd.mpg", NavPack(0, 2332) + VideoPack(720, 576, 3, 3, 13, 0x81, 2332)));
    setLocation(root + "/odd.mpg");
    m_dialogs->clear();
    scan();
    QCOMPARE(m_dialogs->shown().size(), 0);
    QCOMPARE(m_page->StatusText(1), QStringLiteral("MPEG file read error!"));
    QCOMPARE(list()->topLevelItemCount(), 0);
    QCOMPARE(titles()->count(), 0);

    // A title whose VOB starts without a pack header: the box, and the previous title's fields stay.
    const QString ts = makeDisc({GiB, GiB / 2});
    QVERIFY(WriteFile(ts + "/VTS_02_1.VOB", QByteArray(8192, 0), GiB / 2));
    setLocation(QString());
    scan();
    QCOMPARE(text("ct_wx"), QStringLiteral("720"));
    m_dialogs->answer(QMessageBox::Ok);
    titles()->setCurrentIndex(1);
    QVERIFY(QMetaObject::invokeMethod(m_page.get(), "bak_TitlesChange", Q_ARG(QObject *, titles())));
    QCOMPARE(m_dialogs->texts(), QStringList({ReadError}));
    QCOMPARE(text("ct_wx"), QStringLiteral("720"));
    QCOMPARE(list()->currentItem(), list()->topLevelItem(2));
}

void TestBackupPage::failedSearchClearsTheDisc()
{
    const QString root = Canonical(*m_dir);
    QVERIFY(WriteFile(root + "/short.mpg", NavPack()));
    QSignalSpy merges(m_page.get(), &TBackupPage::mergeRequested);
    const QString ts = makeDisc({GiB, GiB / 2});
    // Once with a file too short to probe, once with the disc gone from its drive.
    for (const bool ejected : {false, true}) {
        setLocation(QString());
        scan();
        QCOMPARE(titles()->count(), 2);
        QCOMPARE(text("ct_wx"), QStringLiteral("720"));
        QVERIFY(child<QLabel>("Image_DVD5")->isVisible());

        if (ejected) {
            QVERIFY(QDir(ts).removeRecursively());
        } else {
            setLocation(root + "/short.mpg");
            m_dialogs->answer(QMessageBox::Ok);   // the read error
        }
        scan();
        QCOMPARE(titles()->count(), 0);
        QVERIFY(!titles()->isEnabled());
        QVERIFY(!child<QPushButton>("bak_MergeBtn")->isEnabled());
        QVERIFY(!child<QLabel>("Image_DVD5")->isVisible());
        QVERIFY(!child<QLabel>("bak_CDs")->isVisible());
        QCOMPARE(child<QListWidget>("StreamBox")->count(), 0);
        for (const char *field : {"ct_Region", "ct_wx", "ct_hy", "ct_aspect"})
            QVERIFY2(text(field).isEmpty(), field);
        QVERIFY(!child<QCheckBox>("ct_CSS")->isChecked());
        QVERIFY(!child<QCheckBox>("ct_macro")->isChecked());
        QVERIFY(QMetaObject::invokeMethod(m_page.get(), "bak_MergeBtnClick"));
        QCOMPARE(merges.count(), 0);
    }
}

void TestBackupPage::corruptFilesDoNotCrash()
{
    const QString ts = Canonical(*m_dir) + "/VIDEO_TS";
    // Pack headers where the probe wants them, noise everywhere else, and a truncated IFO.
    QRandomGenerator random(4711);
    QByteArray noise(2048 * 140, 0);
    for (char &c : noise)
        c = char(random.bounded(256));
    for (int pack = 0; pack < 140; ++pack) {
        noise[pack * 2048] = 0;
        noise[pack * 2048 + 1] = 0;
        noise[pack * 2048 + 2] = 1;
        noise[pack * 2048 + 3] = char(0xBA);
    }
    QVERIFY(WriteFile(ts + "/VTS_01_1.VOB", noise));
    QVERIFY(WriteFile(ts + "/VIDEO_TS.IFO", QByteArray(20, 0)));
    // A file cut inside pack 1.
    QVERIFY(WriteFile(ts + "/VTS_02_1.VOB", noise.left(4096 + 100)));
    setLocation(ts);
    scan();
    QCOMPARE(titles()->count(), 2);
    QVERIFY(m_probe.MpegKind == MpegDvd || m_probe.MpegKind == MpegOne);
    QVERIFY(QMetaObject::invokeMethod(m_page.get(), "InfoListSelectItem", Q_ARG(int, 2)));
    QCOMPARE(titles()->currentText(), QStringLiteral("02"));
    QCOMPARE(m_dialogs->shown().size(), 0);
}

void TestBackupPage::manyTitleSets()
{
    QList<qint64> sizes;
    for (int i = 1; i <= 40; ++i)
        sizes << 8192 + i * 2048;
    makeDisc(sizes);
    scan();
    QCOMPARE(titles()->count(), 40);
    QCOMPARE(list()->topLevelItemCount(), 41);
    QCOMPARE(row(40).mid(0, 2), QStringList({"Title 40", "90,112"}));
    QCOMPARE(m_page->StatusText(0), QStringLiteral("40 titles found"));
    QCOMPARE(titles()->currentText(), QStringLiteral("40"));
    QCOMPARE(list()->currentItem(), list()->topLevelItem(40));
    QVERIFY(QMetaObject::invokeMethod(m_page.get(), "InfoListSelectItem", Q_ARG(int, 35)));
    QCOMPARE(titles()->currentText(), QStringLiteral("35"));
    QCOMPARE(child<QLabel>("bak_CDs")->width(), 0);
    QVERIFY(child<QLabel>("bak_CDs")->isVisible());
}

void TestBackupPage::rowAndTitleSelection()
{
    const QString ts = makeDisc({GiB, GiB / 2, GiB / 4});
    QVERIFY(WriteTitle(ts + "/VTS_03_1.VOB", GiB / 4, 704, 480));
    scan();
    QCOMPARE(titles()->currentText(), QStringLiteral("01"));
    // Clicking a row selects its title.
    list()->setCurrentItem(list()->topLevelItem(3));
    QCOMPARE(titles()->currentText(), QStringLiteral("03"));
    QCOMPARE(text("ct_wx"), QStringLiteral("704"));
    QCOMPARE(child<QLabel>("bak_CDs")->width(), 10);
    // The capacity row shows the title as it is.
    list()->setCurrentItem(list()->topLevelItem(0));
    QCOMPARE(titles()->currentText(), QStringLiteral("03"));
    // Choosing a title selects its row.
    titles()->setCurrentIndex(1);
    emit titles()->activated(1);
    QCOMPARE(list()->currentItem(), list()->topLevelItem(2));
    QCOMPARE(text("ct_wx"), QStringLiteral("720"));
    QCOMPARE(child<QLabel>("bak_CDs")->width(), 20);
}

void TestBackupPage::mergeParts()
{
    const QString ts = makeDisc({GiB, GiB / 2, GiB});
    // Parts created out of order, with a menu, a stray copy, a folder and a non-numeric name beside them.
    const QList<int> order = {10, 2, 7, 1, 9, 3, 5, 4, 8, 6};
    for (int part : order) {
        if (part > 1)
            QVERIFY(WriteFile(ts + QStringLiteral("/VTS_03_%1.VOB").arg(part), QByteArray(100, 'x')));
    }
    QVERIFY(WriteFile(ts + "/VTS_03_1.VOB.bak", QByteArray(10, 'x')));
    QVERIFY(WriteFile(ts + "/VTS_03_x.VOB", QByteArray(10, 'x')));
    QVERIFY(WriteFile(ts + "/VTS_04_1.IFO", QByteArray(10, 'x')));
    QVERIFY(QDir(ts).mkdir("VTS_03_11.VOB"));
    QVERIFY(WriteFile(ts + "/vts_03_0.vob", QByteArray(10, 'x')));
    scan();
    titles()->setCurrentIndex(2);
    QSignalSpy merges(m_page.get(), &TBackupPage::mergeRequested);
    child<QPushButton>("bak_MergeBtn")->click();
    QCOMPARE(merges.count(), 1);
    QStringList expected;
    for (int part = 1; part <= 10; ++part)
        expected << ts + QStringLiteral("/VTS_03_%1.VOB").arg(part);
    QCOMPARE(merges.at(0).at(0).toStringList(), expected);
}

void TestBackupPage::mergeWithoutContent()
{
    const QString ts = makeDisc({GiB, GiB, GiB});
    scan();
    titles()->setCurrentIndex(2);
    QVERIFY(QFile::remove(ts + "/VTS_03_1.VOB"));
    QSignalSpy merges(m_page.get(), &TBackupPage::mergeRequested);
    QVERIFY(QMetaObject::invokeMethod(m_page.get(), "bak_MergeBtnClick"));
    // Only the menu is left: the hand-over still comes, with nothing in it.
    QCOMPARE(merges.count(), 1);
    QCOMPARE(merges.at(0).at(0).toStringList(), QStringList());
}

void TestBackupPage::locationHandOvers()
{
    const QString root = Canonical(*m_dir);
    const QString ts = root + "/copy/VIDEO_TS";
    QVERIFY(WriteTitle(ts + "/VTS_01_1.VOB", 8192));
    QVERIFY(WriteTitle(ts + "/VTS_01_2.VOB", 8192));

    // A title VOB stands for its folder and keeps the drive search as it was.
    m_page->VerifyLocation(ts + "/VTS_01_2.VOB");
    QCOMPARE(child<TOxFileEdit>("DVDLocation")->Text(), ts);
    QVERIFY(!action("incHDDs")->isChecked());
    QVERIFY(!m_page->LocationIsFile());
    QCOMPARE(m_page->DVDPath(), ts + "/");

    // The file dialog: its title and filter, then the scan of the picked name.
    auto *location = child<TOxFileEdit>("DVDLocation");
    location->setText(QString());
    m_dialogs->chooseFile(ts + "/vts_01_1.vob");
    QVERIFY(location->Browse());
    QCOMPARE(m_dialogs->shown().at(0).title, QStringLiteral("Open DVD or MPEG videos..."));
    QCOMPARE(m_dialogs->shown().at(0).filter,
             QStringLiteral("MPEG-Videos (*.vob *.mpg *.m2v *.m1v *.dat);;All files (*)"));
    QCOMPARE(location->Text(), ts);
    QCOMPARE(m_page->StatusText(0), QStringLiteral("1 titles found"));

    // The Edit page's path: without a source nothing changes.
    QVERIFY(QMetaObject::invokeMethod(m_page.get(), "usepathfromIFOEditmodule1Click"));
    QCOMPARE(location->Text(), ts);
    QVERIFY(WriteFile(root + "/film.m2v", NavPack() + VideoPack(720, 576, 3, 3)));
    m_page->SetIfoSourceGetter([&] { return root + "/film.m2v"; });
    action("usepathfromIFOEditmodule1")->trigger();
    QCOMPARE(location->Text(), root + "/film.m2v");
    QVERIFY(m_page->LocationIsFile());
    QVERIFY(action("incHDDs")->isChecked());
    QVERIFY(m_page->StatusText(1).startsWith("DVD backup found as"));
}

void TestBackupPage::mediaSizesRebuild()
{
    auto *sizes = child<QComboBox>("copyMediaSize");
    setMedium("650");
    QCOMPARE(m_page->StatusText(1), QStringLiteral("Please insert a DVD and retry!"));
    m_page->findChild<QLabel *>("InfoStatusPanel1")->clear();
    m_page->SetMediaSizes({"128 MB stick", " 702 MB (80 min) CD-R", "4489", "4489 MB DVD+R"});
    QStringList items;
    for (int i = 0; i < sizes->count(); ++i)
        items << sizes->itemText(i);
    QCOMPARE(items, QStringList({"128", "", "", "4489"}));
    QCOMPARE(sizes->currentText(), QStringLiteral("650"));
    // No rescan for a text that stayed.
    QCOMPARE(m_page->StatusText(1), QString());

    // The settings store sets the text through the combo; the page rescans with it.
    makeDisc({GiB});
    sizes->setCurrentText("4489");
    QCOMPARE(sizes->currentText(), QStringLiteral("4489"));
    QCOMPARE(row(1).mid(4), QStringList({"1", "3465"}));
}

void TestBackupPage::fitsThePage()
{
    const QSize hint = m_page->minimumSizeHint();
    QVERIFY2(hint.width() <= 600 && hint.height() <= 600,
             qPrintable(QStringLiteral("%1 x %2").arg(hint.width()).arg(hint.height())));
    // Long status texts do not widen it.
    makeDisc({GiB});
    setLocation(Canonical(*m_dir) + "/disc/VIDEO_TS" + QString(300, QLatin1Char('x')));
    scan();
    QVERIFY(m_page->minimumSizeHint().width() <= 600);
}

QTEST_MAIN(TestBackupPage)
#include "tst_backuppage.moc"
