#include "fileproc/fileprocpage.h"

#include "engine/filejob.h"
#include "fileproc/rangefigure.h"
#include "ui/fileedit.h"
#include "ui/named.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QCursor>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace kbx {

namespace {

const QString InputFilter = QStringLiteral(
    "All files (*.*)|*.*|MPEG-Videos (*.vob;*.mpg;*.m2v;*.m1v;*.dat)|*.vob;*.mpg;*.m2v;*.m1v;*.dat");

QRadioButton *radio(QWidget *parent, const char *name, const char *caption, const char *hint)
{
    auto *button = named(new QRadioButton(QString::fromLatin1(caption), parent), name);
    button->setToolTip(QString::fromLatin1(hint));
    return button;
}

QAction *checkItem(QMenu *menu, const char *name, const char *caption, bool checked)
{
    auto *action = named(menu->addAction(QString::fromLatin1(caption)), name);
    action->setCheckable(true);
    action->setChecked(checked);
    return action;
}

QToolButton *smallButton(QWidget *parent, const char *name, const QString &caption, const QString &hint)
{
    auto *button = named(new QToolButton(parent), name);
    button->setText(caption);
    button->setToolTip(hint);
    button->setAutoRaise(false);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

// Hidden controls keep their place, so the page does not jump when they come and go.
void keepPlaceWhenHidden(QWidget *widget)
{
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

} // namespace

TFileProcPage::TFileProcPage(PackProbeState &probe, QWidget *parent)
    : QWidget(parent)
    , m_probe(probe)
{
    setObjectName(QStringLiteral("Page_FileProc"));
    buildFunctionBox();
    buildOptionBox();
    buildOptionsMenu();
    buildFigure();
    buildDrawMenu();
    buildFileFields();
    buildJoinPanel();
    buildOffsetBox();

    labOpenPrompt = named(new QLabel(QStringLiteral("Select a function and open a source file."), this),
                          "labOpenPrompt");
    keepPlaceWhenHidden(labOpenPrompt);
    startBtn = named(new QPushButton(QStringLiteral("&Start"), this), "startBtn");
    stopBtn = named(new QPushButton(QStringLiteral("S&top"), this), "stopBtn");
    stopBtn->hide();
    fpStatus = named(new QLabel(this), "fpStatus");
    fpStatus->setFrameShape(QFrame::StyledPanel);
    fpStatus->setFrameShadow(QFrame::Sunken);
    fpStatus->setWordWrap(true);
    fpStatus->setTextFormat(Qt::PlainText);
    fpStatus->setMinimumHeight(2 * fpStatus->fontMetrics().height() + 6);
    fpStatus->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    TruncTimer = named(new QTimer(this), "TruncTimer");
    TruncTimer->setInterval(330);
    RepaintTimer = named(new QTimer(this), "RepaintTimer");
    RepaintTimer->setInterval(1500);
    // Looks for the end of the job's workers; the page's "after the wait" steps run from here.
    m_parkCheck = new QTimer(this);
    m_parkCheck->setInterval(100);

    buildLayout();
    connectHandlers();

    fp_OffsetBox->setEnabled(false);
    updateAdvancedOptions();
    applyOffsetSelection();
    resetOffsetsToZero();
    RepaintTimer->start();
    RefreshFunction();
}

TFileProcPage::~TFileProcPage()
{
    // No worker may call back into a page that is going away.
    if (m_job) {
        m_job->AbortFileJob();
        m_job->WaitUntilParked();
    }
}

void TFileProcPage::buildFunctionBox()
{
    fp_FunctionBox = named(new QGroupBox(QStringLiteral("Function"), this), "fp_FunctionBox");
    truncRadio = radio(fp_FunctionBox, "truncRadio", "Truncate file", "Make a file shorter");
    cloneRadio = radio(fp_FunctionBox, "cloneRadio", "Clone file", "Copy part of source file to another file");
    crcRadio = radio(fp_FunctionBox, "crcRadio", "only compute CRC", "just compute CRC32 checksum");
    mergeRadio = radio(fp_FunctionBox, "mergeRadio", "Merge files", "Merge many files into one file");
    splitRadio = radio(fp_FunctionBox, "splitRadio", "Split file", "split file into many small parts");
    mergeSplitRadio = radio(fp_FunctionBox, "mergeSplitRadio", "Merge and split files",
                            "Merge files and split them into parts of another size");
    splitRadio->setChecked(true);

    auto *grid = new QGridLayout(fp_FunctionBox);
    grid->setContentsMargins(8, 4, 8, 4);
    grid->setVerticalSpacing(2);
    grid->addWidget(splitRadio, 0, 0);
    grid->addWidget(mergeRadio, 1, 0);
    grid->addWidget(mergeSplitRadio, 2, 0);
    grid->addWidget(cloneRadio, 0, 1);
    grid->addWidget(truncRadio, 1, 1);
    grid->addWidget(crcRadio, 2, 1);
}

void TFileProcPage::buildOptionBox()
{
    fp_OptionBox = named(new QGroupBox(QStringLiteral("Options"), this), "fp_OptionBox");
    fp_OptionBox->setContextMenuPolicy(Qt::CustomContextMenu);
    fp_simple = radio(fp_OptionBox, "fp_simple", "&simple", "quick and dirty file splitting; video file compatible");
    fp_advanced = radio(fp_OptionBox, "fp_advanced", "&advanced",
                        "advanced video processing; extended compatibility");
    fp_simple->setChecked(true);
    fp_Options = named(new QPushButton(QStringLiteral("More..."), fp_OptionBox), "fp_Options");
    fp_Options->setToolTip(QStringLiteral("file processing options"));

    parallel = named(new QSlider(Qt::Horizontal, fp_OptionBox), "parallel");
    parallel->setRange(0, MaxParallel);
    parallel->setValue(2);
    parallel->setPageStep(4);
    parallel->setToolTip(QStringLiteral("move slider right for more parallel processing (left = serial processing)"));

    dotRead = named(new TActivityDot(QColor(0x00, 0xC0, 0x00), fp_OptionBox), "dotRead");
    dotRead->setToolTip(QStringLiteral("reading"));
    dotCrc = named(new TActivityDot(QColor(0xE0, 0xC0, 0x00), fp_OptionBox), "dotCrc");
    dotCrc->setToolTip(QStringLiteral("checksum"));
    dotWrite = named(new TActivityDot(QColor(0xE0, 0x00, 0x00), fp_OptionBox), "dotWrite");
    dotWrite->setToolTip(QStringLiteral("writing"));

    auto *dots = new QHBoxLayout;
    dots->setSpacing(3);
    dots->addWidget(dotRead);
    dots->addWidget(dotCrc);
    dots->addWidget(dotWrite);

    auto *buttonRow = new QHBoxLayout;
    buttonRow->addWidget(fp_Options);
    buttonRow->addStretch(1);
    buttonRow->addLayout(dots);

    auto *column = new QVBoxLayout(fp_OptionBox);
    column->setContentsMargins(8, 4, 8, 4);
    column->setSpacing(2);
    column->addWidget(fp_simple);
    column->addWidget(fp_advanced);
    column->addWidget(parallel);
    column->addLayout(buttonRow);
}

void TFileProcPage::buildOptionsMenu()
{
    pm_FileOptions = named(new QMenu(this), "pm_FileOptions");
    calcCRC = checkItem(pm_FileOptions, "calcCRC", "compute CRC32", true);
    cbDuplicate = checkItem(pm_FileOptions, "cbDuplicate", "duplicate data", false);
    cbDVDhead = checkItem(pm_FileOptions, "cbDVDhead", "copy system header", false);

    QMenu *splitting = named(pm_FileOptions->addMenu(QStringLiteral("Advanced splitting")), "mi_AdvancedSplitting");
    splitModeGroup = new QActionGroup(this);
    cb_SplitEverywhere = checkItem(splitting, "cb_SplitEverywhere", "split whereever possible", false);
    cb_SplitAVSync = checkItem(splitting, "cb_SplitAVSync", "a/v sync mode", true);
    cb_SplitCellHeader = checkItem(splitting, "cb_SplitCellHeader", "split only at chapters", false);
    for (QAction *item : {cb_SplitEverywhere, cb_SplitAVSync, cb_SplitCellHeader})
        splitModeGroup->addAction(item);

    QMenu *selection = named(pm_FileOptions->addMenu(QStringLiteral("Offset selection")), "mi_OffsetSelection");
    off_slide = checkItem(selection, "off_slide", "slider", true);
    off_button = checkItem(selection, "off_button", "buttons", false);

    pm_FileOptions->addSeparator();
    offHexa = checkItem(pm_FileOptions, "offHexa", "hex display", false);
    buildChecksumItems();
}

void TFileProcPage::buildFigure()
{
    figureArea = named(new QWidget(this), "figureArea");
    figureArea->setFixedSize(TRangeFigure::FigureWidth, TRangeFigure::FigureHeight);
    figure = named(new TRangeFigure(figureArea), "figure");
    figure->move(0, 0);
    figure->setToolTip(QStringLiteral("right-click to choose the progress display"));
    progress = named(new TProgressImage(figureArea), "progress");
    progress->move(0, 0);
    progress->hide();
    keepPlaceWhenHidden(figure);
}

void TFileProcPage::buildDrawMenu()
{
    DrawPMenu = named(new QMenu(this), "DrawPMenu");
    auto *group = new QActionGroup(this);
    pb_Style1 = checkItem(DrawPMenu, "pb_Style1", "Paint input and output", false);
    pb_Style2 = checkItem(DrawPMenu, "pb_Style2", "Show overall progress", true);
    pb_Style3 = checkItem(DrawPMenu, "pb_Style3", "Don't show any graphics", false);
    pb_Style4 = checkItem(DrawPMenu, "pb_Style4", "Don't show progress at all", false);
    for (QAction *item : {pb_Style1, pb_Style2, pb_Style3, pb_Style4})
        group->addAction(item);
}

void TFileProcPage::buildFileFields()
{
    inputCaption = named(new QLabel(QStringLiteral("Source file"), this), "inputCaption");
    inputFName = named(new TOxFileEdit(this), "inputFName");
    inputFName->setStyle(TOxFileEdit::bsFileOpen);
    inputFName->setReadonly(true);
    inputFName->setTitle(QStringLiteral("Open source file..."));
    inputFName->setFilter(InputFilter);
    inputCaption->setBuddy(inputFName->edit());

    outputCaption = named(new QLabel(QStringLiteral("Destination file"), this), "outputCaption");
    outputFName = named(new TOxFileEdit(this), "outputFName");
    outputFName->setStyle(TOxFileEdit::bsFileSave);
    outputFName->setTitle(QStringLiteral("Select destination file..."));
    outputFName->setFilter(InputFilter);
    outputCaption->setBuddy(outputFName->edit());
}

void TFileProcPage::buildJoinPanel()
{
    joinPanel = named(new QGroupBox(QStringLiteral("Files to merge"), this), "joinPanel");
    joinList = named(new QListWidget(joinPanel), "joinList");
    joinList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    joinList->setSortingEnabled(true);
    joinList->setMinimumHeight(60);
    joinList->setToolTip(QStringLiteral("select files to compute their concatenated size"));

    joinAdd = smallButton(joinPanel, "joinAdd", QStringLiteral("+"), QStringLiteral("Add element"));
    joinRemove = smallButton(joinPanel, "joinRemove", QStringLiteral("\u2212"), QStringLiteral("Remove element"));
    joinInvert = smallButton(joinPanel, "joinInvert", QStringLiteral("\u00b1"), QStringLiteral("Invert selection"));
    joinSort = smallButton(joinPanel, "joinSort", QStringLiteral("A-Z"), QStringLiteral("Sort elements"));
    joinSort->setCheckable(true);
    joinSort->setChecked(true);
    joinMoveUp = smallButton(joinPanel, "joinMoveUp", QStringLiteral("\u25b2"), QStringLiteral("Move element up"));
    joinMoveDown =
        smallButton(joinPanel, "joinMoveDown", QStringLiteral("\u25bc"), QStringLiteral("Move element down"));

    auto *buttons = new QGridLayout;
    buttons->setSpacing(2);
    const QList<QToolButton *> all{joinAdd, joinRemove, joinInvert, joinSort, joinMoveUp, joinMoveDown};
    for (int i = 0; i < all.size(); ++i) {
        all.at(i)->setFixedSize(30, 24);
        buttons->addWidget(all.at(i), i / 2, i % 2);
    }
    buttons->setRowStretch(3, 1);

    auto *row = new QHBoxLayout(joinPanel);
    row->setContentsMargins(6, 2, 6, 6);
    row->addWidget(joinList, 1);
    row->addLayout(buttons);
}

void TFileProcPage::buildOffsetBox()
{
    fp_OffsetBox = named(new QGroupBox(QStringLiteral("Offsets"), this), "fp_OffsetBox");
    fp_OffsetBox->setContextMenuPolicy(Qt::CustomContextMenu);

    auto field = [this](const char *name, const char *hint) {
        auto *edit = named(new QLineEdit(QStringLiteral("0"), fp_OffsetBox), name);
        edit->setToolTip(QString::fromLatin1(hint));
        // Room for any 64-bit size: ten characters would cut off sizes from 10 GB up.
        edit->setMaxLength(19);
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000000000000")));
        edit->setAlignment(Qt::AlignRight);
        return edit;
    };
    offStart = field("offStart", "starting offset");
    offLength = field("offLength", "part length inside input file or for splitting");
    offLength->setText(QStringLiteral("1"));
    offEnd = field("offEnd", "ending offset");
    offEnd->setReadOnly(true);
    QPalette greyed = offEnd->palette();
    greyed.setColor(QPalette::Base, greyed.color(QPalette::Window));
    offEnd->setPalette(greyed);

    auto slider = [this](const char *name, int page) {
        auto *track = named(new QSlider(Qt::Horizontal, fp_OffsetBox), name);
        track->setRange(0, 100);
        track->setPageStep(page);
        return track;
    };
    offStartTrack = slider("offStartTrack", 20);
    offLengthTrack = slider("offLengthTrack", 10);

    const QString multiplyHint =
        QStringLiteral("multiply entered byte value by current alignment setting, e.g. convert to MegaByte");
    auto steps = [&](QToolButton *&dec1, QToolButton *&inc1, QToolButton *&dec2, QToolButton *&inc2,
                     QToolButton *&dec3, QToolButton *&inc3, QToolButton *&mx, const char *prefixInc,
                     const char *prefixDec, const char *mxName) {
        auto make = [&](const char *prefix, int pair, const QString &caption) {
            const QByteArray name = QByteArray(prefix) + QByteArray::number(pair);
            auto *button = smallButton(fp_OffsetBox, name.constData(), caption, QString());
            button->setFixedSize(32, 22);
            return button;
        };
        dec1 = make(prefixDec, 1, QStringLiteral("\u2212\u2212\u2212"));
        inc1 = make(prefixInc, 1, QStringLiteral("+++"));
        dec2 = make(prefixDec, 2, QStringLiteral("\u2212\u2212"));
        inc2 = make(prefixInc, 2, QStringLiteral("++"));
        dec3 = make(prefixDec, 3, QStringLiteral("\u2212"));
        inc3 = make(prefixInc, 3, QStringLiteral("+"));
        mx = smallButton(fp_OffsetBox, mxName, QStringLiteral("\u00d7"), multiplyHint);
        mx->setFixedSize(28, 22);
        auto *holder = new QWidget(fp_OffsetBox);
        auto *row = new QHBoxLayout(holder);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(1);
        for (QToolButton *b : {dec1, inc1, dec2, inc2, dec3, inc3})
            row->addWidget(b);
        row->addSpacing(4);
        row->addWidget(mx);
        row->addStretch(1);
        return holder;
    };
    QWidget *startButtons = steps(decStart1, incStart1, decStart2, incStart2, decStart3, incStart3, mxStart,
                                  "incStart", "decStart", "mxStart");
    QWidget *lengthButtons =
        steps(decLen1, incLen1, decLen2, incLen2, decLen3, incLen3, mxLength, "incLen", "decLen", "mxLength");
    for (QToolButton *b : {incStart1, incStart2, incStart3, incLen1, incLen2, incLen3})
        b->setToolTip(QStringLiteral("increase"));
    for (QToolButton *b : {decStart1, decStart2, decStart3, decLen1, decLen2, decLen3})
        b->setToolTip(QStringLiteral("decrease"));

    // Sliders and step buttons take turns in the same place (the "Offset selection" choice).
    auto *startStack = named(new QStackedWidget(fp_OffsetBox), "offStartStack");
    startStack->addWidget(offStartTrack);
    startStack->addWidget(startButtons);
    auto *lengthStack = named(new QStackedWidget(fp_OffsetBox), "offLengthStack");
    lengthStack->addWidget(offLengthTrack);
    lengthStack->addWidget(lengthButtons);

    offMode = named(new QComboBox(fp_OffsetBox), "offMode");
    offMode->addItems({QStringLiteral("B"), QStringLiteral("KB"), QStringLiteral("MB")});
    offMode->setToolTip(QStringLiteral("alignment mode"));
    alignBtn = named(new QPushButton(QStringLiteral("align"), fp_OffsetBox), "alignBtn");
    alignBtn->setToolTip(
        QStringLiteral("round offsets to a given alignment, e.g. 5.23 MB will become 5 MB if alignment is set to MB"));
    vobAdjust = named(new QToolButton(fp_OffsetBox), "vobAdjust");
    vobAdjust->setCheckable(true);
    vobAdjust->setText(QStringLiteral("???"));
    vobAdjust->setMinimumWidth(44);
    vobAdjust->setToolTip(
        QStringLiteral("scan .vob file for IDs and set DVD alignment mode, you still have to align manually!"));
    vobAdjust->hide();
    keepPlaceWhenHidden(vobAdjust);

    pm_Parts = named(new QMenu(this), "pm_Parts");
    pm_Parts->addAction(QStringLiteral("1 part"))->setObjectName(QStringLiteral("pm_Parts1"));
    for (int n = 2; n <= 9; ++n)
        pm_Parts->addAction(QStringLiteral("%1 parts").arg(n))->setObjectName(QStringLiteral("pm_Parts%1").arg(n));

    auto *grid = new QGridLayout(fp_OffsetBox);
    grid->setContentsMargins(8, 4, 8, 6);
    grid->setVerticalSpacing(3);
    grid->addWidget(new QLabel(QStringLiteral("start"), fp_OffsetBox), 0, 0);
    grid->addWidget(offStart, 0, 1);
    grid->addWidget(startStack, 0, 2, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("length"), fp_OffsetBox), 1, 0);
    grid->addWidget(offLength, 1, 1);
    grid->addWidget(lengthStack, 1, 2, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("end"), fp_OffsetBox), 2, 0);
    grid->addWidget(offEnd, 2, 1);
    grid->addWidget(offMode, 2, 2);
    grid->addWidget(alignBtn, 2, 3);
    grid->addWidget(vobAdjust, 2, 4, Qt::AlignLeft);
    grid->setColumnStretch(4, 1);
}

void TFileProcPage::buildLayout()
{
    auto *top = new QHBoxLayout;
    top->addWidget(fp_FunctionBox, 3);
    top->addWidget(fp_OptionBox, 2);

    auto *figureRow = new QHBoxLayout;
    figureRow->addWidget(figureArea);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(startBtn);
    buttons->addWidget(stopBtn);
    figureRow->addLayout(buttons, 1);

    auto *files = new QGridLayout;
    files->setVerticalSpacing(1);
    files->addWidget(inputCaption, 0, 0);
    files->addWidget(inputFName, 1, 0);
    files->addWidget(outputCaption, 0, 1);
    files->addWidget(outputFName, 1, 1);
    files->setColumnStretch(0, 1);
    files->setColumnStretch(1, 1);
    inputCaption->setMinimumWidth(0);
    inputCaption->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    outputCaption->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    inputFName->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    outputFName->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

    auto *page = new QVBoxLayout(this);
    page->setContentsMargins(6, 6, 6, 6);
    page->setSpacing(5);
    page->addLayout(top);
    page->addLayout(figureRow);
    page->addLayout(files);
    page->addWidget(joinPanel, 1);
    page->addWidget(fp_OffsetBox);
    page->addWidget(labOpenPrompt);
    page->addWidget(fpStatus);
}

void TFileProcPage::connectHandlers()
{
    connect(truncRadio, &QRadioButton::clicked, this, &TFileProcPage::truncRadioClick);
    connect(cloneRadio, &QRadioButton::clicked, this, &TFileProcPage::cloneRadioClick);
    connect(crcRadio, &QRadioButton::clicked, this, &TFileProcPage::crcRadioClick);
    connect(mergeRadio, &QRadioButton::clicked, this, &TFileProcPage::mergeRadioClick);
    connect(splitRadio, &QRadioButton::clicked, this, &TFileProcPage::splitRadioClick);
    connect(mergeSplitRadio, &QRadioButton::clicked, this, &TFileProcPage::mergeSplitRadioClick);

    connect(outputFName, &TOxFileEdit::textChanged, this, &TFileProcPage::outputFNameChange);
    connect(inputFName, &TOxFileEdit::buttonClicked, this, &TFileProcPage::browseInputClick);
    connect(startBtn, &QPushButton::clicked, this, &TFileProcPage::startBtnClick);
    connect(stopBtn, &QPushButton::clicked, this, &TFileProcPage::stopBtnClick);

    connect(fp_Options, &QPushButton::clicked, this, &TFileProcPage::fp_OptionsClick);
    connect(fp_advanced, &QRadioButton::clicked, this, &TFileProcPage::fp_advancedClick);
    auto optionsMenu = [this](const QPoint &) { pm_FileOptions->popup(QCursor::pos()); };
    connect(fp_OptionBox, &QWidget::customContextMenuRequested, this, optionsMenu);
    connect(fp_OffsetBox, &QWidget::customContextMenuRequested, this, optionsMenu);
    connect(cbDVDhead, &QAction::triggered, this, &TFileProcPage::cbDVDheadClick);
    connect(offHexa, &QAction::triggered, this, &TFileProcPage::offHexaClick);
    connect(off_slide, &QAction::triggered, this, &TFileProcPage::off_buttonClick);
    connect(off_button, &QAction::triggered, this, &TFileProcPage::off_buttonClick);

    connect(TruncTimer, &QTimer::timeout, this, &TFileProcPage::TruncTimerTimer);
    connect(RepaintTimer, &QTimer::timeout, this, &TFileProcPage::RepaintTimerTimer);
    connect(m_parkCheck, &QTimer::timeout, this, &TFileProcPage::checkJobParked);
    for (QAction *item : {pb_Style1, pb_Style2, pb_Style3, pb_Style4})
        connect(item, &QAction::triggered, this, &TFileProcPage::pb_StyleClick);
    connect(figure, &TRangeFigure::clicked, this, &TFileProcPage::figureClick);
    connect(progress, &TProgressImage::clicked, this, &TFileProcPage::progressClick);
    connect(figure, &TRangeFigure::menuRequested, this, &TFileProcPage::ShowDrawMenu);
    connect(progress, &TProgressImage::menuRequested, this, &TFileProcPage::ShowDrawMenu);

    connect(offStart, &QLineEdit::textChanged, this, &TFileProcPage::offStartChange);
    connect(offLength, &QLineEdit::textChanged, this, &TFileProcPage::offLengthChange);
    connect(offStartTrack, &QSlider::valueChanged, this, &TFileProcPage::offStartTrackChange);
    connect(offLengthTrack, &QSlider::valueChanged, this, &TFileProcPage::offLengthTrackChange);
    connect(incStart1, &QToolButton::clicked, this, &TFileProcPage::incStart1Click);
    connect(incStart2, &QToolButton::clicked, this, &TFileProcPage::incStart2Click);
    connect(incStart3, &QToolButton::clicked, this, &TFileProcPage::incStart3Click);
    connect(decStart1, &QToolButton::clicked, this, &TFileProcPage::decStart1Click);
    connect(decStart2, &QToolButton::clicked, this, &TFileProcPage::decStart2Click);
    connect(decStart3, &QToolButton::clicked, this, &TFileProcPage::decStart3Click);
    connect(incLen1, &QToolButton::clicked, this, &TFileProcPage::incLen1Click);
    connect(incLen2, &QToolButton::clicked, this, &TFileProcPage::incLen2Click);
    connect(incLen3, &QToolButton::clicked, this, &TFileProcPage::incLen3Click);
    connect(decLen1, &QToolButton::clicked, this, &TFileProcPage::decLen1Click);
    connect(decLen2, &QToolButton::clicked, this, &TFileProcPage::decLen2Click);
    connect(decLen3, &QToolButton::clicked, this, &TFileProcPage::decLen3Click);
    connect(mxStart, &QToolButton::clicked, this, &TFileProcPage::mxStartClick);
    connect(mxLength, &QToolButton::clicked, this, &TFileProcPage::mxLengthClick);
    connect(offMode, &QComboBox::currentIndexChanged, this, &TFileProcPage::offModeChange);
    connect(alignBtn, &QPushButton::clicked, this, &TFileProcPage::alignBtnClick);
    connect(vobAdjust, &QToolButton::clicked, this, &TFileProcPage::vobAdjustClick);
    for (QAction *item : pm_Parts->actions())
        connect(item, &QAction::triggered, this, &TFileProcPage::pm_PartsClick);
    connect(offLength, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { pm_Parts->popup(offLength->mapToGlobal(pos)); });

    connect(joinAdd, &QToolButton::clicked, this, &TFileProcPage::joinAddClick);
    connect(joinRemove, &QToolButton::clicked, this, &TFileProcPage::joinRemoveClick);
    connect(joinInvert, &QToolButton::clicked, this, &TFileProcPage::joinInvertClick);
    connect(joinSort, &QToolButton::clicked, this, &TFileProcPage::joinSortClick);
    connect(joinMoveUp, &QToolButton::clicked, this, &TFileProcPage::joinMoveUpClick);
    connect(joinMoveDown, &QToolButton::clicked, this, &TFileProcPage::joinMoveDownClick);
    connect(joinList, &QListWidget::itemSelectionChanged, this, &TFileProcPage::joinListClick);
    connect(joinList, &QListWidget::itemDoubleClicked, this, &TFileProcPage::joinListDblClick);
}

} // namespace kbx
