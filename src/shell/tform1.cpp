#include "shell/tform1.h"

#include "analyzer/analyzepage.h"
#include "calc/calcpage.h"
#include "dvd/backuppage.h"
#include "fileproc/fileprocpage.h"
#include "ifoedit/ifoeditpage.h"
#include "moviesplit/moviesplitpage.h"
#include "monitor/cpumonpage.h"
#include "shell/aboutbox.h"
#include "ui/helpwindow.h"
#include "shell/localizedialog.h"
#include "shell/pref.h"
#include "ui/program.h"
#include "shell/setupdialog.h"
#include "ui/translator.h"

#include <QToolButton>

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace kbx {

namespace {

struct ModuleInfo
{
    const char *page;
    const char *tab;
    const char *selector;
    QRgb colour;
};

constexpr ModuleInfo Modules[TForm1::PageCount] = {
    {"Page_Backup", "Backup", "DVD Backup 0.71", 0xff2f6fb5},
    {"Page_Calc", "Calc", "Datarate Calc 3.07", 0xff3c9a4a},
    {"Page_FileProc", "Files", "File Processor 2.62", 0xffc7782a},
    {"Page_CPUmon", "CPU", "CPU Monitor 2.30", 0xffb53a3a},
    {"Page_IFOedit", "Edit", "IFO Editor 0.11", 0xff7a4fb0},
    {"Page_MovieSplit", "Movies", "Movie Splitter 0.00", 0xff2a9a9a},
    {"Page_AnalyzeVOB", "Analyze", "VOB Analyzer 1.00", 0xff6b6b6b},
};

// One symbol per module on a rounded tile of the module's colour.
void DrawSymbol(QPainter &p, int index, qreal s)
{
    p.setPen(QPen(Qt::white, s / 16, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    switch (index) {
    case TForm1::Backup:  // a disc
        p.drawEllipse(QPointF(s / 2, s / 2), s * 0.32, s * 0.32);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(s / 2, s / 2), s * 0.07, s * 0.07);
        break;
    case TForm1::Calc:  // bars
        p.setBrush(Qt::white);
        p.drawRect(QRectF(s * 0.22, s * 0.55, s * 0.14, s * 0.25));
        p.drawRect(QRectF(s * 0.43, s * 0.38, s * 0.14, s * 0.42));
        p.drawRect(QRectF(s * 0.64, s * 0.22, s * 0.14, s * 0.58));
        break;
    case TForm1::FileProc:  // two sheets and a cut
        p.drawRect(QRectF(s * 0.2, s * 0.22, s * 0.34, s * 0.5));
        p.drawRect(QRectF(s * 0.46, s * 0.3, s * 0.34, s * 0.5));
        p.drawLine(QPointF(s * 0.46, s * 0.55), QPointF(s * 0.8, s * 0.55));
        break;
    case TForm1::CPUmon: {  // a chip with pins
        p.drawRect(QRectF(s * 0.3, s * 0.3, s * 0.4, s * 0.4));
        for (qreal t : {0.38, 0.5, 0.62}) {
            p.drawLine(QPointF(s * t, s * 0.18), QPointF(s * t, s * 0.3));
            p.drawLine(QPointF(s * t, s * 0.7), QPointF(s * t, s * 0.82));
            p.drawLine(QPointF(s * 0.18, s * t), QPointF(s * 0.3, s * t));
            p.drawLine(QPointF(s * 0.7, s * t), QPointF(s * 0.82, s * t));
        }
        break;
    }
    case TForm1::IFOedit:  // a pencil
        p.drawLine(QPointF(s * 0.25, s * 0.75), QPointF(s * 0.72, s * 0.28));
        p.drawLine(QPointF(s * 0.25, s * 0.75), QPointF(s * 0.22, s * 0.8));
        p.drawLine(QPointF(s * 0.62, s * 0.22), QPointF(s * 0.78, s * 0.38));
        break;
    case TForm1::MovieSplit:  // a film strip
        p.drawRect(QRectF(s * 0.22, s * 0.2, s * 0.56, s * 0.6));
        p.drawLine(QPointF(s * 0.34, s * 0.2), QPointF(s * 0.34, s * 0.8));
        p.drawLine(QPointF(s * 0.66, s * 0.2), QPointF(s * 0.66, s * 0.8));
        p.drawLine(QPointF(s * 0.34, s * 0.5), QPointF(s * 0.66, s * 0.5));
        break;
    default:  // a magnifier
        p.drawEllipse(QPointF(s * 0.44, s * 0.44), s * 0.2, s * 0.2);
        p.drawLine(QPointF(s * 0.58, s * 0.58), QPointF(s * 0.78, s * 0.78));
        break;
    }
}

} // namespace

QIcon TForm1::ModuleIcon(int index, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath tile;
    tile.addRoundedRect(QRectF(0.5, 0.5, size - 1, size - 1), size / 5.0, size / 5.0);
    p.fillPath(tile, QColor::fromRgba(Modules[index].colour));
    DrawSymbol(p, index, size);
    return QIcon(pixmap);
}

TForm1::TForm1(QWidget *parent, bool deferredStartup)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Kinbox ") + QLatin1String(KINBOX_VERSION));
    setWindowIcon(ModuleIcon(FileProc, 48));
    // Beside the other shipped data, named after the executable.
    m_documentationFile = DocumentationFileFor(ProgramFile(QCoreApplication::applicationFilePath()));

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setObjectName(QStringLiteral("Splitter_left"));
    m_splitter->setHandleWidth(5);
    m_splitter->setChildrenCollapsible(true);

    m_selector = new QListWidget(m_splitter);
    m_selector->setObjectName(QStringLiteral("ModuleSelector"));
    BuildSelector();

    auto *pageArea = new QWidget(m_splitter);
    pageArea->setObjectName(QStringLiteral("PageArea"));
    auto *pageLayout = new QVBoxLayout(pageArea);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->setSpacing(0);
    // The page area is at least 491 pixels wide, but wider when a page needs more: an explicit minimum
    // width would hide what the pages ask for, and the layout would squeeze their controls together.
    pageLayout->addSpacerItem(new QSpacerItem(491, 0, QSizePolicy::Minimum, QSizePolicy::Fixed));
    m_tabs = new QTabWidget(pageArea);
    m_tabs->setObjectName(QStringLiteral("TabSheet"));
    m_tabs->setDocumentMode(true);
    m_tabs->setIconSize(QSize(14, 14));
    // Seven tabs share the page area's minimum width: flat and tight, never scrolled out of sight.
    m_tabs->tabBar()->setUsesScrollButtons(false);
    m_tabs->tabBar()->setExpanding(false);
    m_tabs->tabBar()->setDrawBase(true);
    // On the tab bar alone: a style sheet on the tab widget would restyle and repolish every control
    // of every page as it is added, which costs start-up a good part of its time.
    // The tab of the page that is on stands out in the selection colours; the others stay flat.
    m_tabs->tabBar()->setStyleSheet(QStringLiteral(
        "QTabBar::tab { height: 22px; padding: 0px 2px 0px 1px; margin: 0px; border: 1px solid transparent; }"
        "QTabBar::tab:selected { background: palette(highlight); color: palette(highlighted-text);"
        " border-color: palette(dark); border-radius: 3px; }"
        "QTabBar::tab:!selected:hover { border-color: palette(mid); border-radius: 3px; }"));
    pageLayout->addWidget(m_tabs);

    for (int i = 0; i < PageCount; ++i) {
        QWidget *page;
        TPage *pageInterface = nullptr;
        if (i == FileProc) {
            m_files = new TFileProcPage(m_probe, m_tabs);
            page = m_files;
            pageInterface = m_files;
            connect(m_files, &TFileProcPage::bringToFrontRequested, this, [this] { ShowPage(FileProc); });
        } else if (i == Calc) {
            m_calc = new TCalcPage(m_tabs);
            page = m_calc;
            pageInterface = m_calc;
        } else if (i == CPUmon) {
            m_cpu = new TCPUmonPage([this] { return m_files && m_files->IsBusy(); }, m_tabs);
            // A shutdown leaves no time for the closing animation.
            // The power-off ends the session before the window's own close step could save.
            connect(m_cpu, &TCPUmonPage::shutdownStarting, this, [this] {
                CloseAnimation = false;
                SaveSettings();
            });
            connect(m_cpu, &TCPUmonPage::shutdownRefused, this, [] { CloseAnimation = true; });
            page = m_cpu;
            pageInterface = m_cpu;
        } else if (i == Backup) {
            m_backup = new TBackupPage(m_probe, m_tabs);
            page = m_backup;
            pageInterface = m_backup;
        } else if (i == MovieSplit) {
            m_movies = new TMovieSplitPage(m_tabs);
            page = m_movies;
            pageInterface = m_movies;
        } else if (i == IFOedit) {
            m_ifo = new TIFOEditPage(m_tabs);
            page = m_ifo;
            pageInterface = m_ifo;
        } else if (i == AnalyzeVOB) {
            m_analyze = new TAnalyzeVOBFrame(m_tabs);
            page = m_analyze;
            pageInterface = m_analyze;
        } else {
            page = new QWidget(m_tabs);
            auto *pageLayout = new QVBoxLayout(page);
            pageLayout->setContentsMargins(6, 6, 6, 6);
            pageLayout->addStretch(1);
        }
        if (pageInterface)
            m_pages << pageInterface;
        page->setObjectName(QString::fromLatin1(Modules[i].page));
        m_tabs->addTab(page, ModuleIcon(i, 16), Translate(QString::fromLatin1(Modules[i].tab)));
    }

    BuildMenus();
    BuildShortcuts();
    ConnectPages();
    AddBanners();
    BuildToolBar();
    pageLayout->addWidget(m_toolBar);
    AssignAccelerators();

    m_splitter->addWidget(m_selector);
    m_splitter->addWidget(pageArea);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({130, 502});

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_splitter);
    // The window is at least 440 pixels high (the page control then has its 369), and higher when the
    // tallest page needs it: a floor in the layout, not a fixed minimum, so that no page is pressed
    // below the size its controls need.
    layout->addSpacerItem(new QSpacerItem(0, 440, QSizePolicy::Fixed, QSizePolicy::Minimum));

    connect(m_selector, &QListWidget::itemSelectionChanged, this, &TForm1::ModuleSelectorChange);
    connect(m_selector, &QListWidget::itemDoubleClicked, this, &TForm1::ModuleSelectorDblClick);
    connect(m_tabs, &QTabWidget::currentChanged, this, &TForm1::TabSheetChange);
    // However the page changed (tab, selector, menu, shortcut, a hand-over from another page), the
    // selector shows the page that is on.
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (index < 0 || m_selector->currentRow() == index)
            return;
        const QSignalBlocker block(m_selector);
        m_selector->setCurrentRow(index);
    });
    connect(m_splitter, &QSplitter::splitterMoved, this, &TForm1::Splitter_leftMoved);

    resize(632, 638);
    // Key preview: F1 anywhere in the window reaches the window first.
    qApp->installEventFilter(this);

    ConnectDesktop();
    CreationStep(deferredStartup);
    SetRestartPreparation([this] { SaveSettings(); });
    if (deferredStartup)
        QMetaObject::invokeMethod(this, &TForm1::DeferredStartup, Qt::QueuedConnection);
}

TForm1::~TForm1()
{
    SetRestartPreparation(nullptr);
    DisconnectDesktop();
    qApp->removeEventFilter(this);
    // The help window is a top-level window of its own (translating the main window must not reach
    // its buttons), so it is not among the children that go with the window.
    delete m_help;
}

TfoHelp *TForm1::HelpWindow() const { return m_help; }
TfoKbxSetup *TForm1::SetupDialog() const { return m_setup; }
TfoLocalizeDialog *TForm1::LanguageDialog() const { return m_language; }
TAboutBox *TForm1::AboutBox() const { return m_about; }

void TForm1::BuildSelector()
{
    m_selector->setMinimumWidth(0);
    m_selector->setMovement(QListView::Static);
    m_selector->setResizeMode(QListView::Adjust);
    m_selector->setSelectionMode(QAbstractItemView::SingleSelection);
    m_selector->setWordWrap(true);
    // The page that is on stays marked while the focus is elsewhere in the window.
    QPalette marked = m_selector->palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        marked.setColor(QPalette::Inactive, role, marked.color(QPalette::Active, role));
    m_selector->setPalette(marked);
    for (int i = 0; i < PageCount; ++i) {
        auto *item = new QListWidgetItem(m_selector);
        item->setData(Qt::UserRole, QString::fromLatin1(Modules[i].selector));
        item->setText(Translate(QString::fromLatin1(Modules[i].selector)));
        // The selection colour marks the current item; its picture stays as it is, not tinted.
        QIcon icon = ModuleIcon(i, 48);
        icon.addPixmap(icon.pixmap(48), QIcon::Selected);
        item->setIcon(icon);
        item->setTextAlignment(Qt::AlignHCenter | Qt::AlignTop);
    }
    SetSelectorLargeIcons(true);
}

void TForm1::SetSelectorLargeIcons(bool large)
{
    m_selector->setViewMode(large ? QListView::IconMode : QListView::ListMode);
    m_selector->setFlow(QListView::TopToBottom);
    m_selector->setWrapping(false);
    m_selector->setIconSize(large ? QSize(48, 48) : QSize(16, 16));
    m_selector->setGridSize(large ? QSize(120, 78) : QSize());
    // Large icons: at its narrowest the selector still shows whole captions (dragging or the Icons
    // button can still fold it away).
    m_selector->setMinimumWidth(large ? 120 + 2 * m_selector->frameWidth() : 0);
    m_selector->setSpacing(large ? 0 : 2);
    for (int i = 0; i < m_selector->count(); ++i) {
        m_selector->item(i)->setTextAlignment(large ? Qt::AlignHCenter | Qt::AlignTop
                                                    : Qt::AlignLeft | Qt::AlignVCenter);
        // Large-icon view shows the captions under their pictures, in at most two lines.
        m_selector->item(i)->setSizeHint(large ? QSize(120, 78) : QSize());
    }
}

void TForm1::ModuleSelectorChange()
{
    ShowPage(m_selector->currentRow());
}

void TForm1::ModuleSelectorDblClick()
{
    SetSelectorLargeIcons(m_selector->viewMode() != QListView::IconMode);
}

void TForm1::TabSheetChange(int index)
{
    if (m_activating || index < 0)
        return;
    const QSignalBlocker block(m_selector);
    m_selector->setCurrentRow(index);
    if (m_btnHelp->isChecked())
        ApplyHelpToggle();
}

void TForm1::ShowPage(int index)
{
    if (index >= 0 && index < m_tabs->count()) {
        m_activating = true;
        m_tabs->setCurrentIndex(index);
        m_activating = false;
    }
}

// The hand-overs between pages; no page knows another.
void TForm1::ConnectPages()
{
    connect(m_backup, &TBackupPage::mergeRequested, this, [this](const QStringList &paths) {
        m_files->MergeFiles(paths);
        ShowPage(FileProc);
        TabSheetChange(FileProc);
    });
    m_backup->SetIfoSourceGetter([this] { return m_ifo->SourceText(); });
    connect(m_ifo, &TIFOEditPage::verifyRequested, this, [this](const QString &location) {
        ShowPage(Backup);
        TabSheetChange(Backup);
        m_backup->VerifyLocation(location);
    });
    m_ifo->SetBackupLocationGetter([this] { return m_backup->LocationText(); });

    m_movies->SetMovieLengthSource([this] { return m_calc->MovieLength(); });
    connect(m_movies, &TMovieSplitPage::fileProcessorRequested, this, [this](const QString &source) {
        ShowPage(FileProc);
        TabSheetChange(FileProc);
        m_files->SplitFile(source);
    });
    connect(m_movies, &TMovieSplitPage::calcEditRequested, this, [this] {
        ShowPage(Calc);
        TabSheetChange(Calc);
        m_calc->FocusMovieLength();
    });
}

bool TForm1::FormCloseQuery()
{
    for (TPage *page : m_pages) {
        if (!page->MayClose())
            return false;
    }
    return true;
}

} // namespace kbx
