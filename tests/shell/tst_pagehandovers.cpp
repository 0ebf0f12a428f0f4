// What the main window carries from one page to another: a DVD title into the Files page's join
// list, the Edit page's Verify into the Backup page, the paths the two take from each other, and
// the calculator's media list into the Backup page's medium sizes.

#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "../dvd/dvdfixtures.h"
#include "calc/calcpage.h"
#include "dvd/backuppage.h"
#include "fileproc/fileprocpage.h"
#include "ifoedit/ifoeditpage.h"
#include "moviesplit/moviesplitpage.h"
#include "support/fakeplatform.h"
#include "ui/fileedit.h"
#include "ui/program.h"
#include "ui/registry.h"
#include "support/scripteddialogs.h"
#include "shell/tform1.h"
#include "windowtestenv.h"
#include "ui/translator.h"

#include <memory>

using namespace kbx;
using namespace dvdtest;

class TestPageHandovers : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<WindowTestEnvironment> m_env;
    std::unique_ptr<ScriptedDialogs> m_dialogs;

    QString Disc() const { return m_env->dir().filePath(QStringLiteral("disc/VIDEO_TS")); }

private slots:
    void init()
    {
        m_env = std::make_unique<WindowTestEnvironment>();
        QVERIFY(m_env->isValid());
        m_dialogs = std::make_unique<ScriptedDialogs>();

        // Title 1 in three parts, written out of order so the folder lists them in no useful order;
        // title 2 only a menu and one part.
        const QString disc = Disc();
        QVERIFY(WriteFile(disc + "/VIDEO_TS.IFO", QByteArray(2048, '\0')));
        QVERIFY(WriteFile(disc + "/VTS_01_0.IFO", QByteArray(2048, '\0')));
        QVERIFY(WriteVob(disc + "/VTS_01_10.VOB", 4096));
        QVERIFY(WriteVob(disc + "/VTS_01_2.VOB", 6144));
        QVERIFY(WriteVob(disc + "/VTS_01_0.VOB", 8192));
        QVERIFY(WriteVob(disc + "/VTS_01_1.VOB", 1 << 20));
        QVERIFY(WriteVob(disc + "/VTS_02_1.VOB", 2048 * 10));
    }
    void cleanup()
    {
        m_dialogs.reset();
        m_env.reset();
    }

    void mergeFillsTheJoinListInPartOrder()
    {
        TForm1 window(nullptr, false);
        TBackupPage *backup = window.BackupPage();
        backup->findChild<TOxFileEdit *>("DVDLocation")->setText(Disc());
        QVERIFY(QMetaObject::invokeMethod(backup, "reCheckClick"));
        QCOMPARE(backup->findChild<QComboBox *>("bak_Titles")->count(), 2);
        QCOMPARE(backup->findChild<QComboBox *>("bak_Titles")->currentText(), QStringLiteral("01"));

        QVERIFY(QMetaObject::invokeMethod(backup, "bak_MergeBtnClick"));
        QCOMPARE(window.TabSheet()->currentIndex(), int(TForm1::FileProc));
        TFileProcPage *files = window.FilesPage();
        QVERIFY(files->findChild<QRadioButton *>("mergeRadio")->isChecked());
        const QDir dir(Disc());
        const QStringList expected{
            QStringLiteral("\"%1\"=%2").arg(dir.absoluteFilePath("VTS_01_1.VOB")).arg(1 << 20),
            QStringLiteral("\"%1\"=6144").arg(dir.absoluteFilePath("VTS_01_2.VOB")),
            QStringLiteral("\"%1\"=4096").arg(dir.absoluteFilePath("VTS_01_10.VOB")),
        };
        QCOMPARE(files->JoinEntries(), expected);
        // The selector follows the page, as after a click on the tab.
        QCOMPARE(window.ModuleSelector()->currentRow(), int(TForm1::FileProc));
    }

    void verifyScansOnTheBackupPage()
    {
        TForm1 window(nullptr, false);
        TIFOEditPage *edit = window.IFOEditPage();
        edit->IFO_Source->setText(Disc());
        QVERIFY(QMetaObject::invokeMethod(edit, "IFO_SourceButtonClick"));
        // The first action ("adjust DVB bitrate") selects the VOB files: Verify passes the folder.
        QVERIFY(edit->IFO_Files->selectedItems().size() > 1);
        QVERIFY(QMetaObject::invokeMethod(edit, "IFO_CheckClick"));
        QCOMPARE(window.TabSheet()->currentIndex(), int(TForm1::Backup));
        TBackupPage *backup = window.BackupPage();
        QCOMPARE(backup->LocationText(), Disc());
        QCOMPARE(backup->StatusText(0), QStringLiteral("2 titles found"));

        // With one file selected, that file is verified; a VOB of a title set means its folder.
        window.ShowPage(TForm1::IFOedit);
        edit->IFO_Files->clearSelection();
        const QList<QListWidgetItem *> vob = edit->IFO_Files->findItems("VTS_02_1.VOB", Qt::MatchExactly);
        QCOMPARE(vob.size(), 1);
        vob.first()->setSelected(true);
        QVERIFY(QMetaObject::invokeMethod(edit, "IFO_CheckClick"));
        QCOMPARE(window.TabSheet()->currentIndex(), int(TForm1::Backup));
        QCOMPARE(backup->LocationText(), Disc());
        QVERIFY(!backup->LocationIsFile());
    }

    void pathsGoBothWays()
    {
        TForm1 window(nullptr, false);
        TBackupPage *backup = window.BackupPage();
        TIFOEditPage *edit = window.IFOEditPage();

        backup->findChild<TOxFileEdit *>("DVDLocation")->setText(Disc());
        QVERIFY(QMetaObject::invokeMethod(edit, "usepathfrombackupmodule1Click"));
        QCOMPARE(edit->SourceText(), Disc());
        QVERIFY(edit->IFO_Files->count() > 0);

        backup->findChild<TOxFileEdit *>("DVDLocation")->setText(QString());
        QVERIFY(QMetaObject::invokeMethod(backup, "usepathfromIFOEditmodule1Click"));
        QCOMPARE(backup->LocationText(), Disc());
        QCOMPARE(backup->StatusText(0), QStringLiteral("2 titles found"));
    }

    void mediaSizesFromTheCalculator()
    {
        TForm1 window(nullptr, false);
        QComboBox *sizes = window.BackupPage()->findChild<QComboBox *>("copyMediaSize");
        QStringList items;
        for (int i = 0; i < sizes->count(); ++i)
            items << sizes->itemText(i);
        QCOMPARE(items, QStringList({"128", "256", "512", "650", "652", "700", "702", "790", "740", "795", "900",
                                     "2048", "4096", "4489"}));
        QCOMPARE(sizes->currentText(), QStringLiteral("702"));

        QAction *menuItem = window.findChild<QAction *>(QStringLiteral("DVDBackup1"));
        QVERIFY(menuItem);
        QVERIFY(menuItem->isEnabled());
    }

    void moviesPageHandsOver()
    {
        TForm1 window(nullptr, false);
        TMovieSplitPage *movies = window.MoviesPage();
        QVERIFY(movies->isEnabled());
        movies->setEnabled(true);

        // The preset menu lists the calculator's media, one item each.
        const QList<QAction *> presets = movies->PresetMenu()->actions();
        QCOMPARE(presets.size(), 14);
        QCOMPARE(presets.first()->objectName(), QStringLiteral("MS_Pr0"));
        QCOMPARE(presets.last()->objectName(), QStringLiteral("MS_Pr13"));

        // The movie length is the calculator's.
        window.CalcPage()->findChild<QSpinBox *>(QStringLiteral("EC_MINe"))->setValue(90);
        window.CalcPage()->findChild<QSpinBox *>(QStringLiteral("EC_SECe"))->setValue(30);
        QCOMPARE(movies->MovieLength(), qint64(90 * 60 + 30));

        const QString film = m_env->dir().filePath(QStringLiteral("film.mpg"));
        QVERIFY(WriteVob(film, 3 << 20));
        movies->MS_Source->setText(film);
        QVERIFY(QMetaObject::invokeMethod(movies, "MS_SourceButtonClick"));
        QVERIFY(QMetaObject::invokeMethod(movies, "MS_GotoFileProcClick"));
        QCOMPARE(window.TabSheet()->currentIndex(), int(TForm1::FileProc));
        TFileProcPage *files = window.FilesPage();
        QCOMPARE(files->findChild<TOxFileEdit *>(QStringLiteral("inputFName"))->Text(), film);
        QVERIFY(files->findChild<QRadioButton *>(QStringLiteral("splitRadio"))->isChecked());

        QVERIFY(QMetaObject::invokeMethod(movies, "MS_TotalMovieLengthClick"));
        QCOMPARE(window.TabSheet()->currentIndex(), int(TForm1::Calc));
        QCOMPARE(window.ModuleSelector()->currentRow(), int(TForm1::Calc));
    }

    void storedMediumSurvivesTheRebuild()
    {
        Registry().WriteString(kSettingsSection, QStringLiteral("copyMedium"), QStringLiteral("4489"));
        {
            TForm1 window(nullptr, false);
            QComboBox *sizes = window.BackupPage()->findChild<QComboBox *>("copyMediaSize");
            QCOMPARE(sizes->currentText(), QStringLiteral("4489"));
            QCOMPARE(sizes->count(), 14);
            sizes->setCurrentText(QStringLiteral("650"));
            QVERIFY(window.close());
        }
        QCOMPARE(Registry().ReadString(kSettingsSection, QStringLiteral("copyMedium")), QStringLiteral("650"));
    }
};

QTEST_MAIN(TestPageHandovers)
#include "tst_pagehandovers.moc"
