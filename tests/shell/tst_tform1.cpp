#include <QListWidget>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTest>

#include "shell/scripteddialogs.h"
#include "shell/tform1.h"

using namespace kbx;

class TestTForm1 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void pagesInOrder()
    {
        TForm1 form;
        const QStringList pages{"Page_Backup", "Page_Calc", "Page_FileProc", "Page_CPUmon",
                                "Page_IFOedit", "Page_MovieSplit", "Page_AnalyzeVOB"};
        const QStringList tabs{"Backup", "Calc", "Files", "CPU", "Edit", "Movies", "Analyze"};
        const QStringList selector{"DVD Backup 0.71", "Datarate Calc 3.07", "File Processor 2.62",
                                   "CPU Monitor 2.30", "IFO Editor 0.11", "Movie Splitter 0.00",
                                   "VOB Analyzer 1.00"};
        QTabWidget *tabSheet = form.findChild<QTabWidget *>("TabSheet");
        QListWidget *list = form.findChild<QListWidget *>("ModuleSelector");
        QVERIFY(tabSheet && list);
        QCOMPARE(tabSheet->count(), 7);
        QCOMPARE(list->count(), 7);
        for (int i = 0; i < 7; ++i) {
            QCOMPARE(tabSheet->widget(i)->objectName(), pages[i]);
            QCOMPARE(tabSheet->tabText(i), tabs[i]);
            QCOMPARE(list->item(i)->text(), selector[i]);
            QVERIFY(!list->item(i)->icon().isNull());
            QVERIFY(form.findChild<QWidget *>(pages[i]));
        }
        // At start no selector item is selected.
        QVERIFY(list->selectedItems().isEmpty());
    }

    void navigation()
    {
        TForm1 form;
        auto *tabSheet = form.findChild<QTabWidget *>("TabSheet");
        auto *list = form.findChild<QListWidget *>("ModuleSelector");
        list->setCurrentRow(4);
        QCOMPARE(tabSheet->currentIndex(), 4);
        // A page change on the tabs moves the selection along.
        tabSheet->setCurrentIndex(2);
        QCOMPARE(list->currentRow(), 2);
        QCOMPARE(tabSheet->currentWidget()->objectName(), QStringLiteral("Page_FileProc"));

        // A double click switches between large and small icons, and back.
        QCOMPARE(list->viewMode(), QListView::IconMode);
        QVERIFY(QMetaObject::invokeMethod(&form, "ModuleSelectorDblClick"));
        QCOMPARE(list->viewMode(), QListView::ListMode);
        QCOMPARE(list->iconSize(), QSize(16, 16));
        QVERIFY(QMetaObject::invokeMethod(&form, "ModuleSelectorDblClick"));
        QCOMPARE(list->viewMode(), QListView::IconMode);
        QCOMPARE(list->iconSize(), QSize(48, 48));
    }

    void closesWhenIdle()
    {
        ScriptedDialogs dialogs;
        TForm1 form;
        form.show();
        QVERIFY(form.close());
        QVERIFY(dialogs.shown().isEmpty());
    }
};

QTEST_MAIN(TestTForm1)
#include "tst_tform1.moc"
