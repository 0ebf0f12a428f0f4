#include "dvd/backuppage.h"

#include "dvd/sizerow.h"
#include "ui/fileedit.h"
#include "ui/named.h"
#include "ui/translator.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QConicalGradient>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kbx {

namespace {

const QStringList &InfoColumns()
{
    static const QStringList columns{QStringLiteral("Title"), QStringLiteral("Bytes"), QStringLiteral("MB"),
                                     QStringLiteral("GB"),    QStringLiteral("CDs"),   QStringLiteral("free")};
    return columns;
}

const char *const LocationFilter =
    "MPEG-Videos (*.vob;*.mpg;*.m2v;*.m1v;*.dat)|*.vob;*.mpg;*.m2v;*.m1v;*.dat|All files (*.*)|*.*";

// The medium sizes until the main window hands over the calculator's list.
const char *const DefaultMediaSizes[] = {"128", "256", "512", "650", "652", "700", "702", "790",
                                         "740", "795", "900", "2048", "4096", "4489"};

constexpr int CDSize = CDBarWidth / CDBarMedia;

// A read-only field the user can copy from but not edit.
QLineEdit *outputField(const char *name)
{
    auto *field = named(new QLineEdit, name);
    field->setReadOnly(true);
    return field;
}

// A check box that only displays a state.
QCheckBox *markBox(const char *name, const QString &caption)
{
    auto *box = named(new QCheckBox(caption), name);
    box->setAttribute(Qt::WA_TransparentForMouseEvents);
    box->setFocusPolicy(Qt::NoFocus);
    return box;
}

void drawDisc(QPainter &painter, const QRectF &rect, bool coloured)
{
    const QPointF centre = rect.center();
    QConicalGradient surface(centre, 30);
    if (coloured) {
        surface.setColorAt(0.0, QColor(0xE8, 0xE8, 0xF0));
        surface.setColorAt(0.15, QColor(0xFF, 0xD7, 0x6E));
        surface.setColorAt(0.35, QColor(0x8C, 0xE0, 0x9A));
        surface.setColorAt(0.55, QColor(0x74, 0xB8, 0xF0));
        surface.setColorAt(0.75, QColor(0xD9, 0x8C, 0xE8));
        surface.setColorAt(1.0, QColor(0xE8, 0xE8, 0xF0));
    } else {
        surface.setColorAt(0.0, QColor(0xE4, 0xE4, 0xE4));
        surface.setColorAt(0.3, QColor(0xB0, 0xB0, 0xB0));
        surface.setColorAt(0.6, QColor(0xD0, 0xD0, 0xD0));
        surface.setColorAt(1.0, QColor(0xE4, 0xE4, 0xE4));
    }
    painter.setPen(QPen(coloured ? QColor(0x50, 0x50, 0x70) : QColor(0x90, 0x90, 0x90), 1));
    painter.setBrush(surface);
    painter.drawEllipse(rect);
    const double hub = rect.width() * 0.18;
    painter.setBrush(coloured ? QColor(0xF4, 0xF4, 0xF8) : QColor(0xEC, 0xEC, 0xEC));
    painter.drawEllipse(centre, hub, hub);
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, hub / 2.5, hub / 2.5);
}

// The 13 CD symbols of the bar, coloured or grey.
QPixmap CDStrip(bool coloured)
{
    QImage image(CDBarWidth, CDSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < CDBarMedia; ++i)
        drawDisc(painter, QRectF(i * CDSize + 1.5, 1.5, CDSize - 3, CDSize - 3), coloured);
    painter.end();
    return QPixmap::fromImage(image);
}

// A disc with its type written across it.
QPixmap DiscBadge(const QString &type, const QColor &ink)
{
    constexpr int Size = 40;
    QImage image(Size, Size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    drawDisc(painter, QRectF(1, 1, Size - 2, Size - 2), true);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(11);
    painter.setFont(font);
    const QRectF band(0, Size / 2 - 7, Size, 14);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 200));
    painter.drawRoundedRect(band, 3, 3);
    painter.setPen(ink);
    painter.drawText(band, Qt::AlignCenter, type);
    painter.end();
    return QPixmap::fromImage(image);
}

QLabel *badge(const char *name, const QString &type, const QColor &ink)
{
    auto *label = named(new QLabel, name);
    label->setPixmap(DiscBadge(type, ink));
    label->setToolTip(type);
    label->hide();
    return label;
}

} // namespace

TBackupPage::TBackupPage(PackProbeState &probe, QWidget *parent)
    : QWidget(parent), m_probe(probe)
{
    setObjectName(QStringLiteral("Page_Backup"));
    auto *top = new QVBoxLayout(this);
    // Tight margins: the page has to fit the window's first-start height of 592 pixels.
    top->setContentsMargins(6, 4, 6, 4);
    top->setSpacing(4);
    buildMenu();
    top->addWidget(buildLocation());
    top->addWidget(buildTitles(), 1);
    top->addWidget(buildInfo());
    top->addWidget(buildCDBar());

    bak_MergeBtn = named(new QPushButton(QStringLiteral("merge to HDD")), "bak_MergeBtn");
    bak_MergeBtn->setEnabled(false);
    bak_StripBtn = named(new QPushButton(QStringLiteral("strip streams")), "bak_StripBtn");
    bak_StripBtn->setEnabled(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(bak_StripBtn);
    buttons->addWidget(bak_MergeBtn);
    top->addLayout(buttons);

    connect(reCheck, &QPushButton::clicked, this, &TBackupPage::reCheckClick);
    connect(DVDLocation, &TOxFileEdit::buttonClicked, this, &TBackupPage::browseClick);
    connect(copyMediaSize, &QComboBox::editTextChanged, this, &TBackupPage::copyMediaSizeChange);
    connect(bak_Titles, &QComboBox::activated, this, [this] { bak_TitlesChange(bak_Titles); });
    connect(InfoList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection &selected) {
                // Rows that only lose the selection change nothing: the gaining row decides.
                for (const QModelIndex &index : selected.indexes()) {
                    if (index.column() == 0)
                        InfoListSelectItem(index.row());
                }
            });
    connect(bak_MergeBtn, &QPushButton::clicked, this, &TBackupPage::bak_MergeBtnClick);
}

void TBackupPage::buildMenu()
{
    DVDPMenu = named(new QMenu(this), "DVDPMenu");
    incHDDs = named(DVDPMenu->addAction(QStringLiteral("search &HDDs")), "incHDDs");
    incHDDs->setCheckable(true);
    mi_RCfromIFO = named(DVDPMenu->addAction(QStringLiteral("RC from &IFO")), "mi_RCfromIFO");
    mi_RCfromIFO->setCheckable(true);
    mi_RCfromIFO->setChecked(true);
    DVDPMenu->addSeparator();
    auto *modes = new QActionGroup(this);
    mode_DVD = named(DVDPMenu->addAction(QStringLiteral("DVD mode")), "mode_DVD");
    mode_FILE = named(DVDPMenu->addAction(QStringLiteral("file mode")), "mode_FILE");
    for (QAction *mode : {mode_DVD, mode_FILE}) {
        mode->setCheckable(true);
        mode->setEnabled(false);
        modes->addAction(mode);
    }
    DVDPMenu->addSeparator();
    usepathfromIFOEditmodule1 = named(DVDPMenu->addAction(QStringLiteral("use path from IFOEdit module")),
                                      "usepathfromIFOEditmodule1");
    connect(usepathfromIFOEditmodule1, &QAction::triggered, this, &TBackupPage::usepathfromIFOEditmodule1Click);
}

QGroupBox *TBackupPage::buildLocation()
{
    gb_location = named(new QGroupBox(QStringLiteral("DVD location")), "gb_location");
    DVDLocation = named(new TOxFileEdit, "DVDLocation");
    DVDLocation->setStyle(TOxFileEdit::bsFileOpen);
    DVDLocation->setTitle(QStringLiteral("Open DVD or MPEG videos..."));
    DVDLocation->setFilter(QLatin1String(LocationFilter));
    DVDLocation->setToolTip(QStringLiteral("DVD folder, drive or MPEG file (empty: search the drives)"));
    reCheck = named(new QPushButton(QStringLiteral("search")), "reCheck");
    reCheck->setToolTip(QStringLiteral("finds DVDs in any drive or at the specified location"));
    auto *row = new QHBoxLayout(gb_location);
    row->setContentsMargins(8, 2, 8, 4);
    row->addWidget(DVDLocation, 1);
    row->addWidget(reCheck);

    // The options menu belongs to the whole location box.
    for (QWidget *w : {static_cast<QWidget *>(gb_location), static_cast<QWidget *>(reCheck),
                       static_cast<QWidget *>(DVDLocation->edit())}) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this,
                [this, w](const QPoint &pos) { ShowDVDMenu(w->mapToGlobal(pos)); });
    }
    return gb_location;
}

QGroupBox *TBackupPage::buildTitles()
{
    auto *box = named(new QGroupBox(QStringLiteral("Titles")), "gb_titles");
    bak_Titles = named(new QComboBox, "bak_Titles");
    bak_Titles->setEnabled(false);
    bak_Titles->setMinimumContentsLength(3);
    copyMediaSize = named(new QComboBox, "copyMediaSize");
    copyMediaSize->setEditable(true);
    copyMediaSize->setInsertPolicy(QComboBox::NoInsert);
    copyMediaSize->setMinimumContentsLength(5);
    for (const char *size : DefaultMediaSizes)
        copyMediaSize->addItem(QLatin1String(size));
    copyMediaSize->setEditText(QStringLiteral("702"));
    copyMediaSize->setToolTip(QStringLiteral("size of one target medium in MB"));
    Image_DVD5 = badge("Image_DVD5", QStringLiteral("DVD5"), QColor(0x10, 0x30, 0x80));
    Image_DVD9 = badge("Image_DVD9", QStringLiteral("DVD9"), QColor(0x80, 0x10, 0x20));

    auto *titleLabel = new QLabel(QStringLiteral("Title:"));
    titleLabel->setBuddy(bak_Titles);
    auto *mediumLabel = new QLabel(QStringLiteral("Medium (MB):"));
    mediumLabel->setBuddy(copyMediaSize);
    auto *selectors = new QHBoxLayout;
    selectors->addWidget(titleLabel);
    selectors->addWidget(bak_Titles);
    selectors->addSpacing(12);
    selectors->addWidget(mediumLabel);
    selectors->addWidget(copyMediaSize);
    selectors->addStretch(1);
    selectors->addWidget(Image_DVD5);
    selectors->addWidget(Image_DVD9);

    InfoList = named(new QTreeWidget, "InfoList");
    InfoList->setRootIsDecorated(false);
    InfoList->setUniformRowHeights(true);
    InfoList->setAllColumnsShowFocus(true);
    InfoList->setSelectionMode(QAbstractItemView::SingleSelection);
    InfoList->setHeaderLabels(InfoColumns());
    for (int column = 1; column < InfoList->columnCount(); ++column)
        InfoList->headerItem()->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    InfoList->header()->setStretchLastSection(false);
    InfoList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    InfoList->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    InfoList->setMinimumHeight(84);

    InfoStatus = named(new QWidget, "InfoStatus");
    auto *panels = new QHBoxLayout(InfoStatus);
    panels->setContentsMargins(0, 0, 0, 0);
    panels->setSpacing(2);
    for (int i = 0; i < 2; ++i) {
        m_status[i] = new QLabel;
        m_status[i]->setObjectName(QStringLiteral("InfoStatusPanel%1").arg(i));
        m_status[i]->setFrameShape(QFrame::Panel);
        m_status[i]->setFrameShadow(QFrame::Sunken);
        m_status[i]->setTextFormat(Qt::PlainText);
    }
    m_status[0]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_status[0]->setMinimumWidth(100);
    // A long path must not widen the page; the hint shows it whole.
    m_status[1]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    panels->addWidget(m_status[0]);
    panels->addWidget(m_status[1], 1);

    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(8, 2, 8, 4);
    layout->setSpacing(4);
    layout->addLayout(selectors);
    layout->addWidget(InfoList, 1);
    layout->addWidget(InfoStatus);
    return box;
}

QGroupBox *TBackupPage::buildInfo()
{
    auto *box = named(new QGroupBox(QStringLiteral("Title information")), "gb_info");
    ct_Region = outputField("ct_Region");
    ct_CSS = markBox("ct_CSS", QStringLiteral("CSS"));
    ct_macro = markBox("ct_macro", QStringLiteral("Macrovision"));
    ct_wx = outputField("ct_wx");
    ct_hy = outputField("ct_hy");
    for (QLineEdit *size : {ct_wx, ct_hy}) {
        size->setAlignment(Qt::AlignRight);
        size->setMaximumWidth(60);
    }
    ct_aspect = outputField("ct_aspect");
    StreamBox = named(new QListWidget, "StreamBox");
    StreamBox->setEnabled(false);
    StreamBox->setMaximumHeight(100);

    auto *marks = new QHBoxLayout;
    marks->addWidget(ct_CSS);
    marks->addWidget(ct_macro);
    marks->addStretch(1);
    auto *picture = new QHBoxLayout;
    picture->addWidget(ct_wx);
    picture->addWidget(new QLabel(QStringLiteral("x")));
    picture->addWidget(ct_hy);
    picture->addStretch(1);

    auto *grid = new QGridLayout;
    grid->setVerticalSpacing(3);
    grid->addWidget(new QLabel(QStringLiteral("Region:")), 0, 0);
    grid->addWidget(ct_Region, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Protection:")), 1, 0);
    grid->addLayout(marks, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Picture:")), 2, 0);
    grid->addLayout(picture, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Aspect:")), 3, 0);
    grid->addWidget(ct_aspect, 3, 1);

    auto *streams = new QVBoxLayout;
    streams->addWidget(new QLabel(QStringLiteral("Streams:")));
    streams->addWidget(StreamBox, 1);

    auto *layout = new QHBoxLayout(box);
    layout->setContentsMargins(8, 2, 8, 4);
    layout->addLayout(grid, 3);
    layout->addLayout(streams, 2);
    return box;
}

QGroupBox *TBackupPage::buildCDBar()
{
    auto *box = named(new QGroupBox(QStringLiteral("Media needed by the title")), "gb_media");
    // The coloured strip lies over the grey one; its width shows how many media the title fills.
    m_cdBar = new QWidget;
    m_cdBar->setFixedSize(CDBarWidth, CDSize);
    bak_GrayCDs = named(new QLabel(m_cdBar), "bak_GrayCDs");
    bak_GrayCDs->setPixmap(CDStrip(false));
    bak_GrayCDs->setGeometry(0, 0, CDBarWidth, CDSize);
    bak_CDs = named(new QLabel(m_cdBar), "bak_CDs");
    bak_CDs->setPixmap(CDStrip(true));
    bak_CDs->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    bak_CDs->setGeometry(0, 0, 0, CDSize);
    bak_CDs->hide();
    auto *layout = new QHBoxLayout(box);
    layout->setContentsMargins(8, 2, 8, 4);
    layout->addWidget(m_cdBar);
    layout->addStretch(1);
    return box;
}

QString TBackupPage::LocationText() const
{
    return DVDLocation->Text();
}

QString TBackupPage::StatusText(int panel) const
{
    return panel == 0 || panel == 1 ? m_status[panel]->text() : QString();
}

void TBackupPage::setStatus(int panel, const QString &text)
{
    m_status[panel]->setText(text);
    m_status[panel]->setToolTip(panel == 1 ? text : QString());
}

void TBackupPage::ShowDVDMenu(const QPoint &globalPos)
{
    DVDPMenu->popup(globalPos);
}

void TBackupPage::SetMediaSizes(const QStringList &calculatorMediaTexts)
{
    const QString text = copyMediaSize->currentText();
    const QSignalBlocker blocker(copyMediaSize);
    copyMediaSize->clear();
    for (const QString &entry : calculatorMediaTexts) {
        const qsizetype space = entry.indexOf(QLatin1Char(' '));
        copyMediaSize->addItem(space < 0 ? QString() : entry.left(space).trimmed());
    }
    copyMediaSize->setEditText(text);
}

QStringList TBackupPage::SettingKeys() const
{
    return {QStringLiteral("copyMedium"), QStringLiteral("BackupLocation")};
}

void TBackupPage::LoadSetting(const QString &key, const TSettingsAccess &store)
{
    if (key == QLatin1String("copyMedium") && store.Has(key))
        copyMediaSize->setCurrentText(store.Read(key));
    // The location comes back without a search: a drive would spin up at every start. The search
    // runs when the user asks for it.
    else if (key == QLatin1String("BackupLocation") && store.Has(key))
        DVDLocation->setText(store.Read(key));
}

void TBackupPage::SaveSetting(const QString &key, TSettingsAccess &store) const
{
    if (key == QLatin1String("copyMedium"))
        store.Write(key, copyMediaSize->currentText());
    else if (key == QLatin1String("BackupLocation"))
        store.Write(key, DVDLocation->Text());
}

void TBackupPage::Retranslate()
{
    const QStringList &columns = InfoColumns();
    for (int column = 0; column < columns.size(); ++column)
        InfoList->headerItem()->setText(column, Translate(columns.at(column)));
}

} // namespace kbx
