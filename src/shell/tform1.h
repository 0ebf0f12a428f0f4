#pragma once
// The main window: the seven module pages, the module selector beside them, the tool bar with its
// two menus, and what connects the pages with each other and with the shell.

#include "dvd/packprobe.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include <memory>

class QAction;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QSplitter;
class QTabWidget;
class QToolBar;
class QToolButton;

namespace kbx {

class TAboutBox;
class TAnalyzeVOBFrame;
class TBackupPage;
class TCalcPage;
class TCPUmonPage;
class TFileProcPage;
class TIFOEditPage;
class TMovieSplitPage;
class TfoHelp;
class TfoKbxSetup;
class TfoLocalizeDialog;
class TPage;
class TPref;

class TForm1 : public QWidget
{
    Q_OBJECT

public:
    enum PageIndex { Backup, Calc, FileProc, CPUmon, IFOedit, MovieSplit, AnalyzeVOB, PageCount };

    // Without the deferred start-up (language, first-run setup, help) for programs that embed the
    // window, such as the benchmarks.
    explicit TForm1(QWidget *parent = nullptr, bool deferredStartup = true);
    ~TForm1() override;

    QTabWidget *TabSheet() const { return m_tabs; }
    QListWidget *ModuleSelector() const { return m_selector; }
    TFileProcPage *FilesPage() const { return m_files; }
    TCalcPage *CalcPage() const { return m_calc; }
    TCPUmonPage *CPUmonPage() const { return m_cpu; }
    TIFOEditPage *IFOEditPage() const { return m_ifo; }
    TBackupPage *BackupPage() const { return m_backup; }
    TMovieSplitPage *MoviesPage() const { return m_movies; }
    // The seven pages in page order, as the frame and the settings store speak to them.
    const QList<TPage *> &Pages() const { return m_pages; }
    // After a language was loaded into the window: the selector, the banners, what each page
    // translates itself, and the pages' Alt keys from the new captions.
    void RetranslateAll();
    PackProbeState &PackProbe() { return m_probe; }
    TfoHelp *HelpWindow() const;
    TfoKbxSetup *SetupDialog() const;
    TfoLocalizeDialog *LanguageDialog() const;
    TAboutBox *AboutBox() const;
    TPref *Pref() const { return m_pref.get(); }
    QMenu *ConfigMenu() const { return m_configMenu; }
    QMenu *HelpMenu() const { return m_helpMenu; }

    // The documentation page: the executable's path without its extension + "_features.html".
    QString DocumentationFile() const { return m_documentationFile; }
    static QString DocumentationFileFor(const QString &executablePath);
    // The help file of a language file ("default" or empty: the executable's own).
    static QString HelpFileFor(const QString &languageFile, const QString &executablePath);
    bool DeferredStartupDone() const { return m_startupDone; }

    // Off while a shutdown action closes the window: no time for the animation then.
    static bool CloseAnimation;

    // The program's pictures of the modules, drawn rather than loaded: 16 and 48 pixels.
    static QIcon ModuleIcon(int index, int size);

signals:
    // The deferred start-up has run (tests wait for it).
    void startupFinished();

public slots:
    // Activates the page of the selected item; this is no page change.
    void ModuleSelectorChange();
    // Switches between large and small icons.
    void ModuleSelectorDblClick();
    // A page change made by the user on the tabs.
    void TabSheetChange(int index);
    // Whether every page lets the window close now (the Files page asks while a job runs).
    bool FormCloseQuery();
    void ShowPage(int index);

    // The second step of the start-up, once the event loop runs and every window exists.
    void DeferredStartup();

    // Opens a program, document or web address; reports a failure in a message box.
    void OpenDocument(const QString &target, const QString &parameters = QString());

    void btn_IconsClick();
    void btn_DocsClick();
    void btn_ToolsClick();
    void btn_oHelpClick();
    void Splitter_leftMoved();
    void Setup1Click();
    void Progressbar1Click();
    void Bitrate1Click();
    void DVDBackup1Click();
    void Language1Click();
    void Calculator1Click();
    void MediaPlayer1Click();
    void VolumeControl1Click();
    void aboutKinbox1Click();
    void Programoverview1Click();
    void HelpandHistory1Click();
    void mi_WebsiteClick();
    void emailtheauthor1Click();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CreationStep(bool interactive);
    void BuildSelector();
    void SetSelectorLargeIcons(bool large);
    void BuildToolBar();
    void BuildMenus();
    // Ctrl+Return starts the current page's action, Esc asks to stop a running one.
    void BuildShortcuts();
    void PressPageButton(bool start);
    // Alt+letter for each page's labelled buttons and fields, from the captions as they stand.
    void AssignAccelerators();
    void ConnectPages();
    void AddBanners();
    void ApplyHelpToggle();
    void ShrinkAway();
    void SaveSettings();
    void EnsureSetupDialog();
    void RetranslateSelector();
    QString ProgramFile(const QString &name) const;
    // The window seen from the desktop: job progress in the title, notifications raise it.
    void ConnectDesktop();
    void DisconnectDesktop();
    void RefreshUserTools();
    void StartUserTool(int tool);

    PackProbeState m_probe;
    QSplitter *m_splitter = nullptr;
    QListWidget *m_selector = nullptr;
    QTabWidget *m_tabs = nullptr;
    QToolBar *m_toolBar = nullptr;
    QToolButton *m_btnIcons = nullptr;
    QToolButton *m_btnDocs = nullptr;
    QToolButton *m_btnTools = nullptr;
    QToolButton *m_btnHelp = nullptr;
    QMenu *m_configMenu = nullptr;
    QMenu *m_helpMenu = nullptr;
    TFileProcPage *m_files = nullptr;
    TCalcPage *m_calc = nullptr;
    TCPUmonPage *m_cpu = nullptr;
    TAnalyzeVOBFrame *m_analyze = nullptr;
    TIFOEditPage *m_ifo = nullptr;
    TBackupPage *m_backup = nullptr;
    TMovieSplitPage *m_movies = nullptr;
    QList<TPage *> m_pages;
    QPointer<TfoHelp> m_help;
    QPointer<TfoKbxSetup> m_setup;
    QPointer<TfoLocalizeDialog> m_language;
    QPointer<TAboutBox> m_about;
    std::unique_ptr<TPref> m_pref;
    QString m_documentationFile;
    bool m_activating = false;
    bool m_startupDone = false;
    bool m_closing = false;
    bool m_firstRun = false;
};

} // namespace kbx
