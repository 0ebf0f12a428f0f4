#include "moviesplit/moviesplitpage.h"
#include "ui/fileedit.h"
#include "support/scripteddialogs.h"

#include <QAction>
#include <QBoxLayout>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

using namespace kbx;

namespace {

constexpr qint64 Billion = 1000000000;

// A sparse file of `size` bytes.
QString makeFile(const QTemporaryDir &dir, const QString &name, qint64 size)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || !f.resize(size))
        return QString();
    return path;
}

// What the size, count and duration fields show, as one text.
QString shown(const TMovieSplitPage &page)
{
    return QStringLiteral("%1 x%2 %3:%4")
        .arg(page.MS_SegSize->text())
        .arg(page.MS_Segments->value())
        .arg(page.MS_MinE->value())
        .arg(page.MS_SecE->value(), 2, 10, QLatin1Char('0'));
}

} // namespace

class TestMovieSplitPage : public QObject
{
    Q_OBJECT

    // The page with a source chosen and a movie length of minutes:seconds.
    void open(TMovieSplitPage &page, const QString &source, int minutes = 90, int seconds = 0)
    {
        page.setEnabled(true);
        page.SetMovieLengthSource([minutes, seconds] { return std::make_pair(minutes, seconds); });
        page.MS_Source->setText(source);
        page.MS_SourceButtonClick();
    }

private slots:
    void namesAndStartState()
    {
        TMovieSplitPage page;
        QCOMPARE(page.objectName(), QStringLiteral("Page_MovieSplit"));
        QVERIFY(qobject_cast<QBoxLayout *>(page.layout()));
        QVERIFY(page.isEnabled());
        QVERIFY(!page.MS_SplitBox->isEnabled());
        QVERIFY(!page.MS_Start->isEnabled());
        QVERIFY(!page.MS_Pause->isEnabled());
        QCOMPARE(page.MS_Segments->minimum(), 1);
        QCOMPARE(page.MS_Segments->maximum(), 99);
        QCOMPARE(page.MS_MinE->maximum(), 999);
        QCOMPARE(page.MS_SecE->maximum(), 59);
        QCOMPARE(shown(page), QStringLiteral(" x1 10:00"));
        QCOMPARE(page.MS_Mode->currentText(), QStringLiteral("MByte"));
        QCOMPARE(page.Unit(), qint64(1048576));
        QCOMPARE(page.MS_Source->Title(), QStringLiteral("Open DVD or MPEG video..."));
        QVERIFY(page.MS_Source->Readonly());
        QCOMPARE(page.Label8->text(), QStringLiteral("segments at"));
        QCOMPARE(page.MS_TotalMovieLength->toolTip(),
                 QStringLiteral("edit total movie length (required for using time based splitting)"));
        QCOMPARE(page.StatusBar1->findChild<QLabel *>("StatusBar1_Panel0")->text(),
                 QStringLiteral("please open a video file"));
        for (const char *name : {"MS_Source", "MS_Destination"})
            QVERIFY(page.findChild<TOxFileEdit *>(QLatin1String(name)));
        for (const char *name : {"MS_Box_MPEG", "MS_BOX_AVI", "MS_Box_Unknown", "MS_SplitBox"})
            QVERIFY(page.findChild<QGroupBox *>(QLatin1String(name)));
        QVERIFY(page.findChild<QMenu *>(QStringLiteral("MS_Preset")));
        // Spin fields clamp what is set into them.
        page.MS_Segments->setValue(150);
        QCOMPARE(page.MS_Segments->value(), 99);
        QCOMPARE(page.MS_SegSize->text(), QStringLiteral("0"));
    }

    void classification_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("box");
        QTest::newRow("dvd") << "movie.VOB" << "DVD" << "MS_Box_MPEG";
        QTest::newRow("avi") << "clip.avi" << "AVI" << "MS_BOX_AVI";
        QTest::newRow("other") << "notes.txt" << "???" << "MS_Box_Unknown";
    }
    void classification()
    {
        QFETCH(QString, name);
        QFETCH(QString, label);
        QFETCH(QString, box);
        QTemporaryDir dir;
        const QString source = makeFile(dir, name, 4096);
        TMovieSplitPage page;
        page.MS_Box_Unknown->show(); // left over from an earlier file
        open(page, source);
        QCOMPARE(page.MS_VideoLabel->text(), label);
        for (QGroupBox *b : {page.MS_Box_MPEG, page.MS_BOX_AVI, page.MS_Box_Unknown})
            QCOMPARE(!b->isHidden(), b->objectName() == box);
        QVERIFY(page.findChild<QLabel *>(QStringLiteral("MS_AviText"))->isHidden());
        QVERIFY(page.MS_SplitBox->isEnabled());
        QCOMPARE(page.Splitter().SourceName(), source);
        // The output goes beside the input, marked so that it cannot overwrite it.
        QCOMPARE(page.MS_Destination->Text(), dir.filePath(QStringLiteral("KBX_") + name));
    }

    void pickedThroughTheBrowseButton()
    {
        ScriptedDialogs dialogs;
        QTemporaryDir dir;
        const QString source = makeFile(dir, QStringLiteral("AVSEQ01.DAT"), 2048);
        TMovieSplitPage page;
        page.setEnabled(true);
        dialogs.chooseFile(source);
        QVERIFY(page.MS_Source->Browse());
        QCOMPARE(dialogs.shown().size(), 1);
        QCOMPARE(dialogs.shown().at(0).title, QStringLiteral("Open DVD or MPEG video..."));
        QCOMPARE(page.MS_VideoLabel->text(), QStringLiteral("VCD"));
        QVERIFY(!page.MS_Box_MPEG->isHidden());
        QCOMPARE(page.MovieSize(), qint64(2048));
        QVERIFY(page.MS_SplitBox->isEnabled());
    }

    void wholeMovieAsOneSegment()
    {
        QTemporaryDir dir;
        TMovieSplitPage page;
        open(page, makeFile(dir, QStringLiteral("big.vob"), Billion), 90, 30);
        QCOMPARE(page.MovieSize(), Billion);
        QCOMPARE(shown(page), QStringLiteral("953 x1 90:30"));
    }

    void typedSize()
    {
        QTemporaryDir dir;
        TMovieSplitPage page;
        open(page, makeFile(dir, QStringLiteral("big.vob"), Billion));
        // Typed key by key: the letter is dropped as it comes and the caret stays in place.
        page.MS_SegSize->clear();
        QTest::keyClicks(page.MS_SegSize, QStringLiteral("12a3"));
        // 123 MB = 128,974,848 bytes: 8 parts, 5400 s x 0.128974848 = 696.46 s.
        QCOMPARE(shown(page), QStringLiteral("123 x8 11:36"));

        page.MS_SegSize->setText(QStringLiteral("1x2"));
        page.MS_SegSize->setCursorPosition(2);
        page.MS_SegSizeChange();
        QCOMPARE(page.MS_SegSize->text(), QStringLiteral("12"));
        QCOMPARE(page.MS_SegSize->cursorPosition(), 1);

        // Larger than the movie: capped at the movie's size in the unit.
        page.MS_SegSize->setText(QStringLiteral("99999999999999999999999"));
        page.MS_SegSizeChange();
        QCOMPARE(shown(page), QStringLiteral("953 x2 89:56"));

        // No digits at all: "1".
        page.MS_SegSize->setText(QStringLiteral("abc"));
        page.MS_SegSizeChange();
        QCOMPARE(page.MS_SegSize->text(), QStringLiteral("1"));
        QCOMPARE(page.MS_Segments->value(), 99);
        page.MS_SegSize->setText(QString());
        page.MS_SegSizeChange();
        QCOMPARE(page.MS_SegSize->text(), QStringLiteral("1"));
    }

    void countRoundsUpToWholeUnit()
    {
        QTemporaryDir dir;
        TMovieSplitPage page;
        open(page, makeFile(dir, QStringLiteral("big.vob"), Billion));
        // 333,333,333 bytes raised to 318 MB = 333,447,168 bytes; the count itself stays.
        page.MS_Segments->setValue(3);
        QCOMPARE(shown(page), QStringLiteral("318 x3 30:01"));

        page.MS_Mode->setCurrentIndex(0);
        page.MS_Segments->setValue(3);
        page.MS_SegmentsChange();
        QCOMPARE(page.MS_SegSize->text(), QStringLiteral("333333333"));
    }

    void durationToSize()
    {
        QTemporaryDir dir;
        TMovieSplitPage page;
        open(page, makeFile(dir, QStringLiteral("big.vob"), Billion));
        page.MS_MinE->setValue(30);
        // 333,333,333 bytes: three of them leave one byte, so four segments.
        QCOMPARE(shown(page), QStringLiteral("317 x4 30:00"));
        // Longer than the movie: capped at the movie, one segment.
        page.MS_MinE->setValue(120);
        QCOMPARE(shown(page), QStringLiteral("953 x1 90:00"));
        page.MS_MinE->setValue(89);
        page.MS_SecE->setValue(59);
        QCOMPARE(shown(page), QStringLiteral("953 x2 89:59"));
    }

    void unitChange()
    {
        QTemporaryDir dir;
        TMovieSplitPage page;
        open(page, makeFile(dir, QStringLiteral("big.vob"), Billion));
        page.MS_ModeEnter();
        page.MS_Mode->setCurrentIndex(0);
        QCOMPARE(page.MS_SegSize->text(), QStringLiteral("999292928")); // 953 x 1,048,576
        page.MS_Mode->setCurrentIndex(1);
        QCOMPARE(page.MS_SegSize->text(), QStringLiteral("975872"));
        page.MS_Mode->setCurrentIndex(2);
        QCOMPARE(page.MS_SegSize->text(), QStringLiteral("953"));
    }

    void presets()
    {
        QTemporaryDir dir;
        TMovieSplitPage page;
        page.SetPresets({QStringLiteral("obsolete")});
        const QStringList media = {QStringLiteral("128 MB [Flash]"), QStringLiteral("702 MB [80 min CD-R]"),
                                   QStringLiteral("&4489 MB [DVD-R]"), QStringLiteral("none")};
        page.SetPresets(media);
        const QList<QAction *> items = page.MS_Preset->actions();
        QCOMPARE(items.size(), media.size());
        for (int i = 0; i < media.size(); ++i) {
            QCOMPARE(items.at(i)->objectName(), QStringLiteral("MS_Pr%1").arg(i));
            QCOMPARE(items.at(i)->text(), media.at(i));
        }
        open(page, makeFile(dir, QStringLiteral("big.vob"), Billion));
        page.findChild<QAction *>(QStringLiteral("MS_Pr1"))->trigger();
        // 702 MB = 736,100,352 bytes: two segments, 5400 s x 0.736100352 = 3974.94 s.
        QCOMPARE(shown(page), QStringLiteral("702 x2 66:15"));
        page.findChild<QAction *>(QStringLiteral("MS_Pr2"))->trigger();
        QCOMPARE(page.MS_SegSize->text(), QStringLiteral("4489"));
        QCOMPARE(page.MS_Segments->value(), 1);
        page.MS_Mode->setCurrentIndex(1);
        page.findChild<QAction *>(QStringLiteral("MS_Pr0"))->trigger();
        QCOMPARE(page.MS_SegSize->text(), QStringLiteral("128"));
        QCOMPARE(page.MS_Segments->value(), 99);

        page.Label8Click();
        QVERIFY(page.MS_Preset->isVisible());
        page.MS_Preset->hide();
        QTest::mouseClick(page.Label8, Qt::LeftButton);
        QVERIFY(page.MS_Preset->isVisible());
        page.MS_Preset->hide();
        emit page.MS_SplitBox->customContextMenuRequested(QPoint(1, 1));
        QVERIFY(page.MS_Preset->isVisible());
        page.MS_Preset->hide();
    }

    void handOvers()
    {
        QTemporaryDir dir;
        TMovieSplitPage page;
        const QString source = makeFile(dir, QStringLiteral("notes.txt"), 10);
        open(page, source);
        QSignalSpy files(&page, &TMovieSplitPage::fileProcessorRequested);
        QSignalSpy calc(&page, &TMovieSplitPage::calcEditRequested);
        page.MS_GotoFileProc->click();
        QCOMPARE(files.size(), 1);
        QCOMPARE(files.at(0).at(0).toString(), source);
        page.MS_TotalMovieLength->click();
        QCOMPARE(calc.size(), 1);
        QCOMPARE(files.size(), 1);
        // Start splits on the page itself; it hands nothing over.
        page.MS_Start->click();
        QCOMPARE(files.size() + calc.size(), 2);
    }

    void zeroLengthOrSizeShowsZero()
    {
        QTemporaryDir dir;
        {
            TMovieSplitPage page;
            open(page, makeFile(dir, QStringLiteral("big.vob"), Billion), 0, 0);
            QCOMPARE(shown(page), QStringLiteral("953 x1 0:00"));
            page.MS_MinE->setValue(25);
            QCOMPARE(shown(page), QStringLiteral("953 x1 0:00"));
            page.MS_Segments->setValue(2);
            QCOMPARE(shown(page), QStringLiteral("477 x2 0:00"));
        }
        {
            TMovieSplitPage page;
            open(page, makeFile(dir, QStringLiteral("empty.vob"), 0));
            QCOMPARE(shown(page), QStringLiteral("0 x1 0:00"));
            page.MS_MinE->setValue(25);
            QCOMPARE(shown(page), QStringLiteral("0 x1 0:00"));
            page.MS_Segments->setValue(7);
            QCOMPARE(shown(page), QStringLiteral("0 x7 0:00"));
            page.MS_SegSize->setText(QStringLiteral("5"));
            page.MS_SegSizeChange();
            QCOMPARE(shown(page), QStringLiteral("1 x1 0:00"));
            page.MS_Mode->setCurrentIndex(0);
            QCOMPARE(page.MS_SegSize->text(), QStringLiteral("1048576"));
        }
        {
            // A vanished source counts as empty.
            TMovieSplitPage page;
            open(page, dir.filePath(QStringLiteral("gone.mpg")));
            QCOMPARE(page.MS_VideoLabel->text(), QStringLiteral("MPEG"));
            QCOMPARE(shown(page), QStringLiteral("0 x1 0:00"));
        }
    }

    void noLengthSourceAndNoFile()
    {
        ScriptedDialogs dialogs;
        TMovieSplitPage page;
        page.setEnabled(true);
        page.MS_SourceButtonClick();
        QCOMPARE(page.MovieLength(), qint64(0));
        QVERIFY(!page.MS_SplitBox->isEnabled());
        QVERIFY(page.MS_Destination->Text().isEmpty());
        QVERIFY(dialogs.shown().isEmpty());
    }
};

QTEST_MAIN(TestMovieSplitPage)
#include "tst_moviesplitpage.moc"
