#pragma once
// The main window: the seven module pages, the module selector beside them, and what connects them.

#include "dvd/packprobe.h"

#include <QWidget>

class QListWidget;
class QListWidgetItem;
class QSplitter;
class QTabWidget;

namespace kbx {

class TFileProcPage;

class TForm1 : public QWidget
{
    Q_OBJECT

public:
    enum PageIndex { Backup, Calc, FileProc, CPUmon, IFOedit, MovieSplit, AnalyzeVOB, PageCount };

    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    QTabWidget *TabSheet() const { return m_tabs; }
    QListWidget *ModuleSelector() const { return m_selector; }
    TFileProcPage *FilesPage() const { return m_files; }
    PackProbeState &PackProbe() { return m_probe; }

    // The program's pictures of the modules, drawn rather than loaded: 16 and 48 pixels.
    static QIcon ModuleIcon(int index, int size);

public slots:
    // Activates the page of the selected item; this is no page change.
    void ModuleSelectorChange();
    // Switches between large and small icons.
    void ModuleSelectorDblClick();
    // A page change made by the user on the tabs.
    void TabSheetChange(int index);
    // Whether the window may close now (asks while a file job runs).
    bool FormCloseQuery();
    void ShowPage(int index);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void BuildSelector();
    void SetSelectorLargeIcons(bool large);

    PackProbeState m_probe;
    QSplitter *m_splitter = nullptr;
    QListWidget *m_selector = nullptr;
    QTabWidget *m_tabs = nullptr;
    TFileProcPage *m_files = nullptr;
    bool m_activating = false;
};

} // namespace kbx
