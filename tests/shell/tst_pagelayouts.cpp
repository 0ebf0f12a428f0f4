// The window at its smallest size: on every page, no control lies over another or reaches past its
// parent, and none is pressed below the size it needs. And the module selector shows the page that
// is on, however the page was changed.

#include <QAbstractButton>
#include <QLayout>
#include <QListWidget>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "fileproc/fileprocpage.h"
#include "shell/tform1.h"
#include "windowtestenv.h"

#include <memory>

using namespace kbx;

namespace {

// The visible widgets a layout places, through its nested layouts.
void LaidOut(QLayout *layout, QWidget *page, QList<QWidget *> &widgets)
{
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        if (QWidget *widget = item->widget()) {
            if (widget->isVisibleTo(page) && !widget->geometry().isEmpty())
                widgets << widget;
        } else if (QLayout *inner = item->layout()) {
            LaidOut(inner, page, widgets);
        }
    }
}

QString Name(const QWidget *widget)
{
    return widget->objectName().isEmpty() ? QString::fromLatin1(widget->metaObject()->className())
                                          : widget->objectName();
}

// Walks the layouts under `parent`; each fault becomes one line.
void Walk(QWidget *parent, QWidget *page, QStringList &faults)
{
    QLayout *layout = parent->layout();
    if (!layout)
        return;
    QList<QWidget *> widgets;
    LaidOut(layout, page, widgets);
    for (int i = 0; i < widgets.size(); ++i) {
        QWidget *a = widgets.at(i);
        if (!parent->rect().contains(a->geometry()))
            faults << QStringLiteral("%1 reaches past %2").arg(Name(a), Name(parent));
        const QSize needed = a->minimumSizeHint();
        const QSizePolicy policy = a->sizePolicy();
        const bool squeezedX = policy.horizontalPolicy() != QSizePolicy::Ignored && a->minimumWidth() == 0
                               && a->width() < needed.width();
        const bool squeezedY = policy.verticalPolicy() != QSizePolicy::Ignored && a->minimumHeight() == 0
                               && a->height() < needed.height();
        if (squeezedX || squeezedY)
            faults << QStringLiteral("%1 is %2x%3, needs %4x%5")
                          .arg(Name(a))
                          .arg(a->width())
                          .arg(a->height())
                          .arg(needed.width())
                          .arg(needed.height());
        for (int j = i + 1; j < widgets.size(); ++j) {
            if (a->geometry().intersects(widgets.at(j)->geometry()))
                faults << QStringLiteral("%1 overlaps %2").arg(Name(a), Name(widgets.at(j)));
        }
        Walk(a, page, faults);
    }
}

} // namespace

class TestPageLayouts : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<WindowTestEnvironment> m_env;

    // Each page in turn, with the window at its smallest.
    QStringList FaultsAtMinimum(TForm1 &window)
    {
        QStringList faults;
        for (int index = 0; index < TForm1::PageCount; ++index) {
            window.ShowPage(index);
            window.layout()->activate();
            window.resize(window.minimumSize());
            QCoreApplication::processEvents();
            QWidget *page = window.TabSheet()->widget(index);
            QStringList pageFaults;
            Walk(page, page, pageFaults);
            for (const QString &fault : pageFaults)
                faults << page->objectName() + QStringLiteral(": ") + fault;
        }
        return faults;
    }

private slots:
    void init()
    {
        m_env = std::make_unique<WindowTestEnvironment>();
        QVERIFY(m_env->isValid());
    }
    void cleanup() { m_env.reset(); }

    void nothingOverlapsAtTheSmallestSize()
    {
        TForm1 window(nullptr, false);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QStringList faults = FaultsAtMinimum(window);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
        // The calculator's advanced layout holds more controls in the same place.
        window.ShowPage(TForm1::Calc);
        window.findChild<QToolButton *>(QStringLiteral("EC_Advanced"))->click();
        faults = FaultsAtMinimum(window);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
        // The floor of the designed window stays.
        QVERIFY(window.minimumHeight() >= 440);
    }

    void selectorShowsThePageThatIsOn()
    {
        TForm1 window(nullptr, false);
        QListWidget *selector = window.ModuleSelector();
        window.ShowPage(TForm1::CPUmon);
        QCOMPARE(selector->currentRow(), int(TForm1::CPUmon));
        // A page asking to be shown, as the Files page does when a merge is handed to it.
        emit window.FilesPage()->bringToFrontRequested();
        QCOMPARE(window.TabSheet()->currentIndex(), int(TForm1::FileProc));
        QCOMPARE(selector->currentRow(), int(TForm1::FileProc));
        // Choosing in the selector is no page change of its own; the tabs follow it and it stays.
        selector->setCurrentRow(TForm1::Calc);
        QCOMPARE(window.TabSheet()->currentIndex(), int(TForm1::Calc));
        QCOMPARE(selector->currentRow(), int(TForm1::Calc));
        QCOMPARE(selector->selectedItems().size(), 1);
    }
};

QTEST_MAIN(TestPageLayouts)
#include "tst_pagelayouts.moc"
