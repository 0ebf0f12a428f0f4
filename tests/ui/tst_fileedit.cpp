#include "ui/fileedit.h"
#include "ui/program.h"
#include "support/scripteddialogs.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUrl>

using namespace kbx;

using Kind = ScriptedDialogs::Kind;

class TestFileEdit : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void partsFollowTheControlSize();
    void glyphCount();
    void styleSetsPicture();
    void browseOpenAndSave_data();
    void browseOpenAndSave();
    void initialDirAndFilterIndex();
    void browseFolder();
    void customStyleShowsNoDialog();
    void cancelLeavesTextAndSignal();
    void buttonRunsBrowse();
    void enterOrDownInEmptyFieldBrowses_data();
    void enterOrDownInEmptyFieldBrowses();
    void keysInFilledFieldAreLeftToTheEdit();
    void droppedNameCountsAsPicked();
    void typedNameTakenOnEnterOrLeaving();
    void lastFolderRememberedPerField();

private:
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    QTemporaryDir m_program;
    QTemporaryDir m_config;
};

void TestFileEdit::init()
{
    m_dialogs = std::make_unique<ScriptedDialogs>();
    ProgramFolder::setPath(m_program.path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config.path());
}

void TestFileEdit::cleanup()
{
    QVERIFY(m_dialogs->allAnswered());
    m_dialogs.reset();
    ProgramFolder::setPath(QString());
}

void TestFileEdit::partsFollowTheControlSize()
{
    TOxButtonEdit control;
    QCOMPARE(control.size(), QSize(121, 21));
    control.show(); // a hidden widget gets its resize events only when shown
    QCOMPARE(control.button()->geometry(), QRect(0, 0, 22, 21));
    QCOMPARE(control.edit()->geometry(), QRect(23, 0, 97, 21));
    control.resize(300, 30);
    QCOMPARE(control.button()->geometry(), QRect(0, 0, 22, 30));
    QCOMPARE(control.edit()->geometry(), QRect(23, 0, 276, 30));
    control.resize(10, 20); // narrower than the button: the edit shrinks to nothing
    QCOMPARE(control.edit()->width(), 0);
    control.setEnabled(false);
    QVERIFY(!control.edit()->isEnabled() && !control.button()->isEnabled());
}

void TestFileEdit::glyphCount()
{
    TOxButtonEdit control;
    QCOMPARE(control.NumGlyphs(), 1); // no bitmap: height 0
    control.setGlyph(QPixmap(32, 16));
    QCOMPARE(control.NumGlyphs(), 2);
    control.setGlyph(QPixmap(16, 16));
    QCOMPARE(control.NumGlyphs(), 1);
    control.setGlyph(QPixmap(8, 16)); // narrower than high still counts as one image
    QCOMPARE(control.NumGlyphs(), 1);
}

void TestFileEdit::styleSetsPicture()
{
    TOxFileEdit control;
    QCOMPARE(control.Style(), TOxFileEdit::bsFileOpen);
    QCOMPARE(control.Glyph().size(), QSize(32, 16));
    const QImage open = TOxFileEdit::StyleGlyph(TOxFileEdit::bsFileOpen).toImage();
    const QImage save = TOxFileEdit::StyleGlyph(TOxFileEdit::bsFileSave).toImage();
    const QImage path = TOxFileEdit::StyleGlyph(TOxFileEdit::bsPathOpen).toImage();
    QVERIFY(open != save && save != path && open != path);
    QVERIFY(open.copy(0, 0, 16, 16) != open.copy(16, 0, 16, 16)); // the disabled image differs

    control.setStyle(TOxFileEdit::bsCustom);
    QVERIFY(control.Glyph().isNull());
    QVERIFY(control.button()->icon().isNull());
    control.setGlyph(QPixmap(16, 16));
    QVERIFY(!control.button()->icon().isNull());
}

void TestFileEdit::browseOpenAndSave_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("kind");
    QTest::newRow("open") << int(TOxFileEdit::bsFileOpen) << int(Kind::OpenFile);
    QTest::newRow("save") << int(TOxFileEdit::bsFileSave) << int(Kind::SaveFile);
}

void TestFileEdit::browseOpenAndSave()
{
    QFETCH(int, style);
    QFETCH(int, kind);
    TOxFileEdit control;
    control.setStyle(TOxFileEdit::TOxButtonStyle(style));
    control.setTitle("Select destination file...");
    control.setDefaultExt("vob");
    control.setText("/video/out/part??*.vob");
    QSignalSpy picked(&control, &TOxButtonEdit::buttonClicked);
    m_dialogs->chooseFile("/video/out/final.vob");

    QVERIFY(control.Browse());
    QCOMPARE(control.Text(), QString("/video/out/final.vob"));
    QCOMPARE(picked.count(), 1);
    const auto &shown = m_dialogs->shown().at(0);
    QCOMPARE(int(shown.kind), kind);
    QCOMPARE(shown.title, QString("Select destination file..."));
    QCOMPARE(shown.text, QString("/video/out/part.vob")); // the mask's wildcards removed
    QCOMPARE(shown.filter, QString("All files (*)"));
    QCOMPARE(shown.defaultSuffix, QString("vob"));
}

void TestFileEdit::initialDirAndFilterIndex()
{
    TOxFileEdit control;
    control.setFilter("All files (*.*)|*.*|MPEG-Videos (*.vob;*.mpg)|*.vob;*.mpg");
    control.setFilterIndex(2);
    control.setInitialDir("/video");
    m_dialogs->chooseFile("/video/a.vob", "All files (*)");
    m_dialogs->chooseFile("/video/b.vob");
    m_dialogs->chooseFile("/elsewhere/c.vob");

    QVERIFY(control.Browse()); // empty text: the initial folder
    QCOMPARE(m_dialogs->shown().at(0).text, QString("/video"));
    QCOMPARE(m_dialogs->shown().at(0).selectedFilter, QString("MPEG-Videos (*.vob *.mpg)"));
    QCOMPARE(control.FilterIndex(), 1); // the filter left selected is remembered

    control.setText("b.vob");
    QVERIFY(control.Browse()); // a relative name goes into the initial folder
    QCOMPARE(m_dialogs->shown().at(1).text, QString("/video/b.vob"));
    QCOMPARE(m_dialogs->shown().at(1).selectedFilter, QString("All files (*)"));

    control.setText("/elsewhere/c.vob");
    QVERIFY(control.Browse()); // an absolute name wins
    QCOMPARE(m_dialogs->shown().at(2).text, QString("/elsewhere/c.vob"));

    control.setFilterIndex(7); // out of range: the last filter
    m_dialogs->chooseFile("/x");
    control.Browse();
    QCOMPARE(m_dialogs->shown().at(3).selectedFilter, QString("MPEG-Videos (*.vob *.mpg)"));
}

void TestFileEdit::browseFolder()
{
    TOxFileEdit control;
    control.setStyle(TOxFileEdit::bsPathOpen);
    control.setTitle("Open DVD or MPEG videos...");
    m_dialogs->chooseFile("/dvd/VIDEO_TS");
    m_dialogs->chooseFile("/dvd2");

    QVERIFY(control.Browse());
    QCOMPARE(m_dialogs->shown().at(0).kind, Kind::Folder);
    QCOMPARE(m_dialogs->shown().at(0).text, m_program.path() + "/"); // empty text: the program folder
    QCOMPARE(m_dialogs->shown().at(0).title, QString("Open DVD or MPEG videos..."));
    QCOMPARE(control.Text(), QString("/dvd/VIDEO_TS"));

    QVERIFY(control.Browse());
    QCOMPARE(m_dialogs->shown().at(1).text, QString("/dvd/VIDEO_TS"));
    QCOMPARE(control.Text(), QString("/dvd2"));
}

void TestFileEdit::customStyleShowsNoDialog()
{
    TOxFileEdit control;
    control.setStyle(TOxFileEdit::bsCustom);
    control.setText("keep");
    QSignalSpy clicked(&control, &TOxButtonEdit::buttonClicked);
    QVERIFY(!control.Browse());
    QVERIFY(m_dialogs->shown().isEmpty());
    QCOMPARE(control.Text(), QString("keep"));
    QCOMPARE(clicked.count(), 1); // the owner's handler does the work
}

void TestFileEdit::cancelLeavesTextAndSignal()
{
    for (auto style : {TOxFileEdit::bsFileOpen, TOxFileEdit::bsFileSave, TOxFileEdit::bsPathOpen}) {
        TOxFileEdit control;
        control.setStyle(style);
        control.setText("/video/old.vob");
        QSignalSpy picked(&control, &TOxButtonEdit::buttonClicked);
        QSignalSpy changed(&control, &TOxButtonEdit::textChanged);
        m_dialogs->cancelFile();
        QVERIFY(!control.Browse());
        QCOMPARE(control.Text(), QString("/video/old.vob"));
        QCOMPARE(picked.count(), 0);
        QCOMPARE(changed.count(), 0);
    }
    QCOMPARE(m_dialogs->shown().size(), 3);
}

void TestFileEdit::buttonRunsBrowse()
{
    TOxFileEdit control;
    QSignalSpy picked(&control, &TOxButtonEdit::buttonClicked);
    m_dialogs->chooseFile("/video/in.vob");
    QTest::mouseClick(control.button(), Qt::LeftButton);
    QCOMPARE(control.Text(), QString("/video/in.vob"));
    QCOMPARE(picked.count(), 1);

    TOxButtonEdit plain; // the plain edit only reports the press
    QSignalSpy pressed(&plain, &TOxButtonEdit::buttonClicked);
    QTest::mouseClick(plain.button(), Qt::LeftButton);
    QCOMPARE(pressed.count(), 1);
}

void TestFileEdit::enterOrDownInEmptyFieldBrowses_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("Enter") << int(Qt::Key_Return) << false;
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << false;
    QTest::newRow("Down") << int(Qt::Key_Down) << false;
    QTest::newRow("Enter, read-only") << int(Qt::Key_Return) << true;
}

void TestFileEdit::enterOrDownInEmptyFieldBrowses()
{
    QFETCH(int, key);
    QFETCH(bool, readOnly);
    TOxFileEdit control;
    control.setReadonly(readOnly);
    m_dialogs->chooseFile("/video/in.vob");
    QTest::keyClick(control.edit(), Qt::Key(key));
    QCOMPARE(m_dialogs->shown().size(), 1);
    QCOMPARE(control.Text(), QString("/video/in.vob"));
}

void TestFileEdit::keysInFilledFieldAreLeftToTheEdit()
{
    TOxFileEdit control;
    QTest::keyClick(control.edit(), Qt::Key_A); // other keys in an empty field type as usual
    QCOMPARE(control.Text(), QString("a"));
    QSignalSpy returned(control.edit(), &QLineEdit::returnPressed);
    // Enter takes the typed name, which does not exist: a message, not the file dialog.
    m_dialogs->answer(QMessageBox::Ok);
    QTest::keyClick(control.edit(), Qt::Key_Return);
    QTest::keyClick(control.edit(), Qt::Key_Down);
    QCOMPARE(returned.count(), 1);
    QCOMPARE(m_dialogs->shown().size(), 1);
    QCOMPARE(m_dialogs->shown().at(0).kind, Kind::Message);
}

namespace {

// Drags `url` onto `field` as a file manager does and drops it when the field accepts; true when it did.
bool dropUrl(TOxFileEdit &field, const QUrl &url)
{
    QMimeData data;
    data.setUrls({url});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&field, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&field, &drop);
    return drop.isAccepted();
}

} // namespace

void TestFileEdit::droppedNameCountsAsPicked()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("movie.vob");
    QFile(file).open(QIODevice::WriteOnly);

    TOxFileEdit open;
    QSignalSpy picked(&open, &TOxButtonEdit::buttonClicked);
    QVERIFY(!dropUrl(open, QUrl::fromLocalFile(dir.path())));        // a folder is no file
    QVERIFY(!dropUrl(open, QUrl("https://example.org/movie.vob")));   // nor a web address
    QVERIFY(dropUrl(open, QUrl::fromLocalFile(file)));
    QCOMPARE(open.Text(), file);
    QCOMPARE(picked.count(), 1);

    TOxFileEdit folder;
    folder.setStyle(TOxFileEdit::bsPathOpen);
    QVERIFY(!dropUrl(folder, QUrl::fromLocalFile(file)));
    QVERIFY(dropUrl(folder, QUrl::fromLocalFile(dir.path())));
    QCOMPARE(folder.Text(), dir.path());

    open.setEnabled(false);
    QVERIFY(!dropUrl(open, QUrl::fromLocalFile(file)));
    QVERIFY(m_dialogs->shown().isEmpty());
}

void TestFileEdit::typedNameTakenOnEnterOrLeaving()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("movie.vob");
    QFile(file).open(QIODevice::WriteOnly);

    TOxFileEdit open;
    open.show();
    QSignalSpy picked(&open, &TOxButtonEdit::buttonClicked);
    open.edit()->setFocus();
    QTest::keyClicks(open.edit(), dir.filePath("missing.vob"));
    QCOMPARE(picked.count(), 0); // nothing is taken mid-typing
    m_dialogs->answer(QMessageBox::Ok);
    QTest::keyClick(open.edit(), Qt::Key_Return);
    QCOMPARE(picked.count(), 0);
    QCOMPARE(m_dialogs->shown().size(), 1);
    QVERIFY(m_dialogs->shown().at(0).text.contains("missing.vob"));

    open.edit()->clear();
    QTest::keyClicks(open.edit(), file);
    QTest::keyClick(open.edit(), Qt::Key_Return);
    QCOMPARE(picked.count(), 1);
    // Leaving the field again without typing takes nothing twice.
    emit open.edit()->editingFinished();
    QCOMPARE(picked.count(), 1);

    // A save field takes a name that does not exist yet.
    TOxFileEdit save;
    save.setStyle(TOxFileEdit::bsFileSave);
    QSignalSpy saved(&save, &TOxButtonEdit::buttonClicked);
    QTest::keyClicks(save.edit(), dir.filePath("new.vob"));
    emit save.edit()->editingFinished();
    QCOMPARE(saved.count(), 1);
    QCOMPARE(m_dialogs->shown().size(), 1);
}

void TestFileEdit::lastFolderRememberedPerField()
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("videos");
    const QString videos = dir.filePath("videos");
    {
        TOxFileEdit first;
        first.setObjectName("inputFName");
        QVERIFY(!first.button()->toolTip().isEmpty());
        QCOMPARE(first.button()->accessibleName(), first.button()->toolTip());
        m_dialogs->chooseFile(videos + "/a.vob");
        QVERIFY(first.Browse());
    }
    // The same field in a new window starts where the last dialog ended; another field does not.
    TOxFileEdit again;
    again.setObjectName("inputFName");
    QCOMPARE(again.RememberedFolder(), videos);
    m_dialogs->cancelFile();
    again.Browse();
    QCOMPARE(m_dialogs->shown().last().text, videos);

    TOxFileEdit other;
    other.setObjectName("outputFName");
    QCOMPARE(other.RememberedFolder(), QString());
    // A folder that has gone is not offered.
    QDir(videos).removeRecursively();
    QCOMPARE(again.RememberedFolder(), QString());
}

QTEST_MAIN(TestFileEdit)
#include "tst_fileedit.moc"
