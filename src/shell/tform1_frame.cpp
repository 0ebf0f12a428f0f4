// The main window's frame: tool bar, its two menus, page banners, F1 and the closing animation.

#include "shell/tform1.h"

#include "calc/calcpage.h"
#include "dvd/backuppage.h"
#include "fileproc/fileprocpage.h"
#include "monitor/cpumonpage.h"
#include "platform/shell.h"
#include "shell/aboutbox.h"
#include "ui/accelerators.h"
#include "ui/dialogs.h"
#include "ui/page.h"
#include "ui/program.h"
#include "ui/translator.h"

#include <QAbstractButton>
#include <QShortcut>
#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

#include <cmath>

namespace kbx {

bool TForm1::CloseAnimation = true;

namespace {

// The picture at the top of every page; a right click opens the configuration menu.
class TPageBanner : public QWidget
{
public:
    TPageBanner(const QString &caption, const QIcon &icon, QColor colour, QMenu *menu, QWidget *parent)
        : QWidget(parent), m_caption(caption), m_icon(icon), m_colour(colour), m_menu(menu)
    {
        setFixedHeight(26);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient gradient(0, 0, width(), 0);
        gradient.setColorAt(0, m_colour);
        gradient.setColorAt(1, m_colour.lighter(170));
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
        p.fillPath(path, gradient);
        m_icon.paint(&p, QRect(5, 5, 16, 16));
        QFont font = p.font();
        font.setBold(true);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(rect().adjusted(28, 0, -6, 0), Qt::AlignVCenter | Qt::AlignLeft, m_caption);
    }
    void contextMenuEvent(QContextMenuEvent *event) override { m_menu->popup(event->globalPos()); }

public:
    void SetCaption(const QString &caption)
    {
        m_caption = caption;
        update();
    }

private:
    QString m_caption;
    QIcon m_icon;
    QColor m_colour;
    QMenu *m_menu;
};

QToolButton *ToolButton(QToolBar *bar, const char *name, const QString &caption, const QString &hint, bool toggle)
{
    auto *button = new QToolButton(bar);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(caption);
    button->setToolTip(hint);
    button->setCheckable(toggle);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setFixedWidth(72);
    bar->addWidget(button);
    return button;
}

QAction *MenuItem(QMenu *menu, const char *name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

} // namespace

QString TForm1::DocumentationFileFor(const QString &executablePath)
{
    const QFileInfo info(executablePath);
    QString base = info.absolutePath() + QLatin1Char('/') + info.completeBaseName();
    if (info.suffix().isEmpty())
        base = info.absoluteFilePath();
    return base + QStringLiteral("_features.html");
}

QString TForm1::ProgramFile(const QString &name) const
{
    return ProgramFolderFile(name);
}

void TForm1::BuildMenus()
{
    m_configMenu = new QMenu(this);
    m_configMenu->setObjectName(QStringLiteral("ConfigMenu"));
    connect(MenuItem(m_configMenu, "Setup1", Translate(QStringLiteral("Setup..."))), &QAction::triggered, this,
            &TForm1::Setup1Click);
    QMenu *configuration = m_configMenu->addMenu(Translate(QStringLiteral("&Configuration")));
    configuration->menuAction()->setObjectName(QStringLiteral("Configuration1"));
    connect(MenuItem(configuration, "Progressbar1", Translate(QStringLiteral("&Progress bar..."))),
            &QAction::triggered, this, &TForm1::Progressbar1Click);
    QAction *bitrate = MenuItem(configuration, "Bitrate1", Translate(QStringLiteral("&Bitrate...")));
    connect(bitrate, &QAction::triggered, this, &TForm1::Bitrate1Click);
    QAction *dvd = MenuItem(configuration, "DVDBackup1", Translate(QStringLiteral("&DVD Backup...")));
    connect(dvd, &QAction::triggered, this, &TForm1::DVDBackup1Click);
    connect(MenuItem(m_configMenu, "Language1", Translate(QStringLiteral("Language..."))), &QAction::triggered, this,
            &TForm1::Language1Click);
    QMenu *tools = m_configMenu->addMenu(Translate(QStringLiteral("&User tools")));
    tools->menuAction()->setObjectName(QStringLiteral("mi_Tools"));
    connect(MenuItem(tools, "Calculator1", Translate(QStringLiteral("&Calculator"))), &QAction::triggered, this,
            &TForm1::Calculator1Click);
    connect(MenuItem(tools, "MediaPlayer1", Translate(QStringLiteral("MediaPlayer"))), &QAction::triggered, this,
            &TForm1::MediaPlayer1Click);
    connect(MenuItem(tools, "VolumeControl1", Translate(QStringLiteral("Volume Control"))), &QAction::triggered,
            this, &TForm1::VolumeControl1Click);
    tools->setToolTipsVisible(true);
    connect(tools, &QMenu::aboutToShow, this, &TForm1::RefreshUserTools);

    m_helpMenu = new QMenu(this);
    m_helpMenu->setObjectName(QStringLiteral("HelpMenu"));
    connect(MenuItem(m_helpMenu, "aboutKinbox1", Translate(QStringLiteral("&about Kinbox"))), &QAction::triggered,
            this, &TForm1::aboutKinbox1Click);
    connect(MenuItem(m_helpMenu, "Programoverview1", Translate(QStringLiteral("&Program overview"))),
            &QAction::triggered, this, &TForm1::Programoverview1Click);
    connect(MenuItem(m_helpMenu, "HelpandHistory1", Translate(QStringLiteral("&Help and History"))),
            &QAction::triggered, this, &TForm1::HelpandHistory1Click);
    connect(MenuItem(m_helpMenu, "mi_Website", Translate(QStringLiteral("&Kinbox website"))), &QAction::triggered,
            this, &TForm1::mi_WebsiteClick);
    connect(MenuItem(m_helpMenu, "emailtheauthor1", Translate(QStringLiteral("&email the author"))),
            &QAction::triggered, this, &TForm1::emailtheauthor1Click);
}

void TForm1::BuildToolBar()
{
    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("ToolBar3"));
    m_toolBar->setFixedHeight(31);
    m_toolBar->setMovable(false);
    m_btnIcons = ToolButton(m_toolBar, "btn_Icons", Translate(QStringLiteral("&Icons")),
                            Translate(QStringLiteral("show navigation icons")), true);
    m_btnIcons->setChecked(true);
    m_toolBar->addSeparator();
    m_btnDocs = ToolButton(m_toolBar, "btn_Docs", Translate(QStringLiteral("&Docs...")),
                           Translate(QStringLiteral("display change log")), false);
    m_toolBar->addSeparator();
    m_btnTools = ToolButton(m_toolBar, "btn_Tools", Translate(QStringLiteral("&Config...")),
                            Translate(QStringLiteral("user tools and configuration")), false);
    m_toolBar->addSeparator();
    m_btnHelp = ToolButton(m_toolBar, "btn_oHelp", Translate(QStringLiteral("Help F1")),
                           Translate(QStringLiteral("display Online Help")), true);
    connect(m_btnIcons, &QToolButton::clicked, this, &TForm1::btn_IconsClick);
    connect(m_btnDocs, &QToolButton::clicked, this, &TForm1::btn_DocsClick);
    connect(m_btnTools, &QToolButton::clicked, this, &TForm1::btn_ToolsClick);
    connect(m_btnHelp, &QToolButton::clicked, this, &TForm1::btn_oHelpClick);
    // The right-click menus of the two menu buttons.
    for (auto [button, menu] : {std::pair{m_btnDocs, m_helpMenu}, std::pair{m_btnTools, m_configMenu}}) {
        button->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(button, &QWidget::customContextMenuRequested, this,
                [button, menu](const QPoint &at) { menu->popup(button->mapToGlobal(at)); });
    }
}

void TForm1::AddBanners()
{
    const QString hint = Translate(QStringLiteral("right-click to activate popup menu"));
    for (int i = 0; i < m_tabs->count(); ++i) {
        QWidget *page = m_tabs->widget(i);
        auto *layout = qobject_cast<QBoxLayout *>(page->layout());
        if (!layout)
            continue;
        auto *banner = new TPageBanner(m_selector->item(i)->text(), ModuleIcon(i, 16),
                                       ModuleIcon(i, 48).pixmap(48).toImage().pixelColor(24, 4), m_configMenu, page);
        banner->setObjectName(page->objectName() + QStringLiteral("_Banner"));
        banner->setToolTip(hint);
        layout->insertWidget(0, banner);
    }
}

void TForm1::RetranslateSelector()
{
    // List items and painted banners are no captions the window's translation reaches.
    for (int i = 0; i < m_selector->count(); ++i) {
        QListWidgetItem *item = m_selector->item(i);
        item->setText(Translate(item->data(Qt::UserRole).toString()));
        const QString page = m_tabs->widget(i)->objectName();
        if (auto *banner = m_tabs->widget(i)->findChild<QWidget *>(page + QStringLiteral("_Banner")))
            static_cast<TPageBanner *>(banner)->SetCaption(item->text());
    }
}

void TForm1::btn_IconsClick()
{
    const QPoint mouse = QCursor::pos();
    const int rest = m_splitter->width() - m_splitter->handleWidth();
    if (m_btnIcons->isChecked()) {
        m_splitter->setSizes({130, rest - 130});
        QCursor::setPos(mouse + QPoint(130, 0));
    } else {
        m_splitter->setSizes({0, rest});
        QCursor::setPos(mouse - QPoint(130, 0));
    }
}

void TForm1::Splitter_leftMoved()
{
    m_btnIcons->setChecked(m_splitter->sizes().value(0) != 0);
}

void TForm1::btn_DocsClick()
{
    m_helpMenu->popup(QCursor::pos());
}

void TForm1::btn_ToolsClick()
{
    m_configMenu->popup(QCursor::pos());
}

void TForm1::Progressbar1Click()
{
    m_files->ShowDrawMenu(QCursor::pos());
}

void TForm1::Bitrate1Click()
{
    m_calc->ShowRateMenu(QCursor::pos());
}

void TForm1::DVDBackup1Click()
{
    m_backup->ShowDVDMenu(QCursor::pos());
}

void TForm1::aboutKinbox1Click()
{
    if (!m_about) {
        m_about = new TAboutBox(this);
        connect(m_about, &TAboutBox::websiteRequested, this, &TForm1::mi_WebsiteClick);
    }
    m_about->setVisible(!m_about->isVisible());
}

void TForm1::HelpandHistory1Click()
{
    OpenDocument(m_documentationFile);
}

void TForm1::mi_WebsiteClick()
{
    OpenDocument(TAboutBox::WebsiteAddress());
}

void TForm1::emailtheauthor1Click()
{
    OpenDocument(TAboutBox::ContactAddress());
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_F1) {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && widget->window() == this) {
            m_btnHelp->setChecked(!m_btnHelp->isChecked());
            ApplyHelpToggle();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::closeEvent(QCloseEvent *event)
{
    if (!m_closing && !FormCloseQuery()) {
        event->ignore();
        return;
    }
    m_closing = true;
    SaveSettings();
    m_cpu->HideGraphics();
    if (CloseAnimation && isVisible())
        ShrinkAway();
    event->accept();
}

void TForm1::ShrinkAway()
{
    int w = width(), h = height();
    const int dw = int(std::nearbyint(w / 10.0)), dh = int(std::nearbyint(h / 10.0));
    int r = 0;
    do {
        w -= dw;
        h -= dh;
        r += 10;
        const int x = int(std::nearbyint((width() - w) / 2.0)), y = int(std::nearbyint((height() - h) / 2.0));
        QPainterPath path;
        path.addRoundedRect(QRectF(x, y, w, h), r / 2.0, r / 2.0);
        setMask(QRegion(path.toFillPolygon().toPolygon()));
        repaint();
        QElapsedTimer clock;
        clock.start();
        do
            QApplication::processEvents();
        while (clock.elapsed() < 1);
    } while (w >= 80 && h >= 60);
}

void TForm1::BuildShortcuts()
{
    auto *start = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return), this);
    connect(start, &QShortcut::activated, this, [this] { PressPageButton(true); });
    auto *startEnter = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Enter), this);
    connect(startEnter, &QShortcut::activated, this, [this] { PressPageButton(true); });
    auto *stop = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(stop, &QShortcut::activated, this, [this] { PressPageButton(false); });
}

void TForm1::AssignAccelerators()
{
    for (TPage *page : m_pages) {
        if (auto *widget = dynamic_cast<QWidget *>(page))
            TAccelerators::Assign(widget, page->StartButton());
    }
}

void TForm1::PressPageButton(bool start)
{
    auto *page = dynamic_cast<TPage *>(m_tabs->currentWidget());
    QAbstractButton *button = page ? (start ? page->StartButton() : page->StopButton()) : nullptr;
    // Only what a click could do: a hidden or disabled button stays as it is.
    if (button && button->isVisible() && button->isEnabled())
        button->click();
}

} // namespace kbx
