#include "moviesplit/moviesplitpage.h"
#include "moviesplit/splitjob.h"
#include "ui/fileedit.h"
#include "moviefixtures.h"
#include "support/scripteddialogs.h"

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

using namespace kbx;
using namespace moviefixtures;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString status(const TMovieSplitPage &page)
{
    return page.StatusBar1->findChild<QLabel *>(QStringLiteral("StatusBar1_Panel0"))->text();
}

} // namespace

class TestMovieSplitPageRun : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_vob;

    void open(TMovieSplitPage &page, const QString &output)
    {
        page.SetMovieLengthSource([] { return std::make_pair(0, 8); });
        page.MS_Source->setText(m_vob);
        page.MS_SourceButtonClick();
        page.MS_Destination->setText(output);
    }

private slots:
    void initTestCase()
    {
        if (!HaveFfmpeg())
            QSKIP("ffmpeg is not installed");
        m_vob = m_dir.filePath(QStringLiteral("movie.vob"));
        QVERIFY(MakeMovie(m_vob, QStringLiteral("vob")));
    }

    // Start writes the segments; a second Start asks before overwriting them and No keeps them.
    void startSplitsAndAsksBeforeOverwriting()
    {
        ScriptedDialogs dialogs;
        TMovieSplitPage page;
        QVERIFY(page.isEnabled());
        QVERIFY(!page.MS_Start->isEnabled());
        open(page, m_dir.filePath(QStringLiteral("part??.vob")));
        QVERIFY(page.MS_Start->isEnabled());
        page.MS_Segments->setValue(2);
        QCOMPARE(page.Request().by, SplitBy::Count);
        QSignalSpy finished(&page, &TMovieSplitPage::splitFinished);
        page.MS_Start->click();
        QVERIFY(page.IsBusy());
        QVERIFY(page.MS_Start->isHidden());
        QVERIFY(!page.MS_Stop->isHidden());
        QVERIFY(page.MS_Pause->isEnabled());
        QVERIFY(!page.MS_SplitBox->isEnabled());
        QVERIFY(finished.wait(20000));
        const QString first = m_dir.filePath(QStringLiteral("part01.vob"));
        const QString second = m_dir.filePath(QStringLiteral("part02.vob"));
        QVERIFY(readAll(first) + readAll(second) == readAll(m_vob));
        QVERIFY2(status(page).startsWith(QStringLiteral("2 segments written")), qPrintable(status(page)));
        QVERIFY(!page.MS_Start->isHidden());
        QVERIFY(!page.MS_Pause->isEnabled());
        QVERIFY(page.MS_Progress->isHidden());
        QVERIFY(dialogs.shown().isEmpty());

        QFile::resize(first, 10);
        dialogs.answer(QMessageBox::No);
        page.MS_Start->click();
        QVERIFY(finished.wait(20000));
        QCOMPARE(dialogs.shown().size(), 1);
        QVERIFY(dialogs.shown().at(0).text.contains(QStringLiteral("This will overwrite")));
        QVERIFY(dialogs.shown().at(0).text.contains(QStringLiteral("part02.vob")));
        QCOMPARE(QFileInfo(first).size(), qint64(10));
        QCOMPARE(status(page), QStringLiteral("nothing written"));
    }

    // Pause holds the split, the stop question ends it, and an error is shown with the file's name.
    void pauseStopAndError()
    {
        ScriptedDialogs dialogs;
        TMovieSplitPage page;
        open(page, m_dir.filePath(QStringLiteral("held?.vob")));
        QSignalSpy finished(&page, &TMovieSplitPage::splitFinished);
        page.MS_Start->click();
        page.MS_Pause->click();
        QVERIFY(page.Job()->Paused());
        QTRY_VERIFY(page.Job()->CurrentState() == TMovieSplitJob::State::Writing);
        QTest::qWait(300);
        QVERIFY(status(page).contains(QStringLiteral("paused")));
        QCOMPARE(page.Job()->Control().done.load(), QFileInfo(m_vob).size());
        // No keeps it going; Yes stops it.
        dialogs.answer(QMessageBox::No);
        page.MS_Stop->click();
        QVERIFY(page.IsBusy());
        dialogs.answer(QMessageBox::Yes);
        page.MS_Stop->click();
        QVERIFY(finished.wait(20000));
        QVERIFY(status(page).startsWith(QStringLiteral("aborted after")));
        QVERIFY(dialogs.shown().at(0).text.contains(QStringLiteral("abort")));
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("held1.vob"))));
        // A split stopped while paused leaves the next one running.
        page.MS_Segments->setValue(2);
        page.MS_Start->click();
        QVERIFY(finished.wait(20000));
        QVERIFY2(status(page).startsWith(QStringLiteral("2 segments written")), qPrintable(status(page)));
        QVERIFY(QFile::remove(m_dir.filePath(QStringLiteral("held1.vob"))));
        QVERIFY(QFile::remove(m_dir.filePath(QStringLiteral("held2.vob"))));

        // The smallest segment size cannot hold a stretch between navigation packs.
        page.MS_Mode->setCurrentIndex(0);
        page.MS_SegSize->setText(QStringLiteral("1000"));
        page.MS_SegSizeChange();
        QCOMPARE(page.Request().by, SplitBy::Size);
        dialogs.answer(QMessageBox::Ok);
        page.MS_Start->click();
        QVERIFY(finished.wait(20000));
        QVERIFY(dialogs.shown().last().text.contains(m_vob));
        QCOMPARE(status(page), QStringLiteral("splitting failed"));
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("held1.vob"))));
    }
};

QTEST_MAIN(TestMovieSplitPageRun)
#include "tst_moviesplitpage_run.moc"
