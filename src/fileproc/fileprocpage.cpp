#include "fileproc/fileprocpage.h"

#include "engine/filejob.h"
#include "fileproc/joinpanel.h"
#include "fileproc/offsetbox.h"
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
    // Each keeps its own place: a click meant for Stop as a job ends must not land on Start.
    keepPlaceWhenHidden(startBtn);
    keepPlaceWhenHidden(stopBtn);
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
    fp_OffsetBox->ShowSliders(off_slide->isChecked());
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
    // A wide window leaves the spare room beside the two columns, not between them.
    grid->setColumnStretch(2, 1);
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
    joinPanel = new TJoinPanel(this);
    joinList = joinPanel->List();
}

void TFileProcPage::buildOffsetBox()
{
    fp_OffsetBox = new TOffsetBox(this);
    offStart = fp_OffsetBox->offStart;
    offLength = fp_OffsetBox->offLength;
    offEnd = fp_OffsetBox->offEnd;
    offStartTrack = fp_OffsetBox->offStartTrack;
    offLengthTrack = fp_OffsetBox->offLengthTrack;
    offMode = fp_OffsetBox->offMode;
    alignBtn = fp_OffsetBox->alignBtn;
    vobAdjust = fp_OffsetBox->vobAdjust;
    pm_Parts = fp_OffsetBox->pm_Parts;
}

void TFileProcPage::buildLayout()
{
    auto *top = new QHBoxLayout;
    top->addWidget(fp_FunctionBox, 1);
    top->addWidget(fp_OptionBox);

    // The buttons fill the room beside the figure up to a size a button should have, and stand at
    // the right edge of a wide window.
    auto *figureRow = new QHBoxLayout;
    figureRow->addWidget(figureArea);
    figureRow->addStretch(1);
    auto *buttons = new QVBoxLayout;
    for (QPushButton *button : {startBtn, stopBtn}) {
        button->setMaximumWidth(240);
        QSizePolicy policy = button->sizePolicy();
        policy.setHorizontalPolicy(QSizePolicy::Expanding);
        button->setSizePolicy(policy);
        buttons->addWidget(button);
    }
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
    // Typing comes before the change it makes, so the rule knows to wait for the end of the name.
    connect(outputFName->edit(), &QLineEdit::textEdited, this, [this] { m_outputTyping = true; });
    connect(outputFName->edit(), &QLineEdit::editingFinished, this, [this] {
        if (!m_outputTyping)
            return;
        m_outputTyping = false;
        outputFNameChange();
    });
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
    connect(fp_OffsetBox->incStart1, &QToolButton::clicked, this, &TFileProcPage::incStart1Click);
    connect(fp_OffsetBox->incStart2, &QToolButton::clicked, this, &TFileProcPage::incStart2Click);
    connect(fp_OffsetBox->incStart3, &QToolButton::clicked, this, &TFileProcPage::incStart3Click);
    connect(fp_OffsetBox->decStart1, &QToolButton::clicked, this, &TFileProcPage::decStart1Click);
    connect(fp_OffsetBox->decStart2, &QToolButton::clicked, this, &TFileProcPage::decStart2Click);
    connect(fp_OffsetBox->decStart3, &QToolButton::clicked, this, &TFileProcPage::decStart3Click);
    connect(fp_OffsetBox->incLen1, &QToolButton::clicked, this, &TFileProcPage::incLen1Click);
    connect(fp_OffsetBox->incLen2, &QToolButton::clicked, this, &TFileProcPage::incLen2Click);
    connect(fp_OffsetBox->incLen3, &QToolButton::clicked, this, &TFileProcPage::incLen3Click);
    connect(fp_OffsetBox->decLen1, &QToolButton::clicked, this, &TFileProcPage::decLen1Click);
    connect(fp_OffsetBox->decLen2, &QToolButton::clicked, this, &TFileProcPage::decLen2Click);
    connect(fp_OffsetBox->decLen3, &QToolButton::clicked, this, &TFileProcPage::decLen3Click);
    connect(fp_OffsetBox->mxStart, &QToolButton::clicked, this, &TFileProcPage::mxStartClick);
    connect(fp_OffsetBox->mxLength, &QToolButton::clicked, this, &TFileProcPage::mxLengthClick);
    connect(offMode, &QComboBox::currentIndexChanged, this, &TFileProcPage::offModeChange);
    connect(alignBtn, &QPushButton::clicked, this, &TFileProcPage::alignBtnClick);
    connect(vobAdjust, &QToolButton::clicked, this, &TFileProcPage::vobAdjustClick);
    for (QAction *item : pm_Parts->actions())
        connect(item, &QAction::triggered, this, &TFileProcPage::pm_PartsClick);
    connect(offLength, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { pm_Parts->popup(offLength->mapToGlobal(pos)); });

    connect(joinPanel->AddButton(), &QToolButton::clicked, this, &TFileProcPage::joinAddClick);
    connect(joinPanel->RemoveButton(), &QToolButton::clicked, this, &TFileProcPage::joinRemoveClick);
    connect(joinPanel->InvertButton(), &QToolButton::clicked, this, &TFileProcPage::joinInvertClick);
    connect(joinPanel->SortButton(), &QToolButton::clicked, this, &TFileProcPage::joinSortClick);
    connect(joinPanel->MoveUpButton(), &QToolButton::clicked, this, &TFileProcPage::joinMoveUpClick);
    connect(joinPanel->MoveDownButton(), &QToolButton::clicked, this, &TFileProcPage::joinMoveDownClick);
    connect(joinList, &QListWidget::itemSelectionChanged, this, &TFileProcPage::joinListClick);
    connect(joinList, &QListWidget::itemDoubleClicked, this, &TFileProcPage::joinListDblClick);
    connect(joinPanel, &TJoinPanel::pathsDropped, this, &TFileProcPage::joinListDragDrop);
}

} // namespace kbx
