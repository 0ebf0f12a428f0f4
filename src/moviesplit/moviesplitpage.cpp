#include "moviesplit/moviesplitpage.h"

#include "moviesplit/splitjob.h"

#include "ui/outputname.h"
#include "ui/fileedit.h"
#include "ui/named.h"
#include "ui/translator.h"

#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QVBoxLayout>

#include <limits>

namespace kbx {

namespace {

QSpinBox *spinField(const char *name, int minimum, int maximum, int value)
{
    auto *s = named(new QSpinBox, name);
    s->setRange(minimum, maximum);
    s->setValue(value);
    return s;
}

// A group's inner layout with small margins, as on the Analyze page.
template <class Layout>
Layout *compact(Layout *layout)
{
    layout->setContentsMargins(8, 2, 8, 4);
    layout->setSpacing(4);
    return layout;
}

QLabel *wrappedLabel(const QString &text)
{
    auto *l = new QLabel(text);
    l->setWordWrap(true);
    return l;
}

// Sets a flag for the lifetime of the guard and restores its old value.
class FlagGuard
{
public:
    explicit FlagGuard(bool &flag) : m_flag(flag), m_old(flag) { m_flag = true; }
    ~FlagGuard() { m_flag = m_old; }
    FlagGuard(const FlagGuard &) = delete;
    FlagGuard &operator=(const FlagGuard &) = delete;

private:
    bool &m_flag;
    bool m_old;
};

} // namespace

TMovieSplitPage::TMovieSplitPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Page_MovieSplit"));
    auto *top = new QVBoxLayout(this);
    // Tight, as on the Analyze page: at the window's smallest size every row keeps its height.
    top->setContentsMargins(6, 4, 6, 4);
    top->setSpacing(4);

    auto *sourceRow = new QHBoxLayout;
    auto *sourceBox = named(new QGroupBox(tr("Source")), "MS_SourceBox");
    MS_Source = named(new TOxFileEdit, "MS_Source");
    MS_Source->setStyle(TOxFileEdit::bsFileOpen);
    MS_Source->setTitle(QStringLiteral("Open DVD or MPEG video..."));
    MS_Source->setReadonly(true);
    compact(new QVBoxLayout(sourceBox))->addWidget(MS_Source);
    sourceRow->addWidget(sourceBox, 1);
    MS_VideoLabel = named(new QLabel, "MS_VideoLabel");
    QFont big = MS_VideoLabel->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    MS_VideoLabel->setFont(big);
    MS_VideoLabel->setMinimumWidth(90);
    MS_VideoLabel->setAlignment(Qt::AlignCenter);
    sourceRow->addWidget(MS_VideoLabel);
    top->addLayout(sourceRow);

    // The three option boxes share one place; the classification shows one of them.
    MS_Box_MPEG = named(new QGroupBox(tr("MPEG / DVD specific options")), "MS_Box_MPEG");
    compact(new QVBoxLayout(MS_Box_MPEG))->addWidget(wrappedLabel(
        tr("MPEG specific options are still in an alpha stage and have been deactivated in this release.")));
    MS_BOX_AVI = named(new QGroupBox(tr("AVI / DIVX specific options")), "MS_BOX_AVI");
    auto *aviText = named(wrappedLabel(tr("AVI and DIVX files are not yet supported in this version.")),
                          "MS_AviText");
    aviText->hide();
    compact(new QVBoxLayout(MS_BOX_AVI))->addWidget(aviText);
    MS_Box_Unknown = named(new QGroupBox(tr("Unknown video file format")), "MS_Box_Unknown");
    auto *unknownLayout = compact(new QVBoxLayout(MS_Box_Unknown));
    unknownLayout->addWidget(wrappedLabel(tr("The file you have opened has a yet unsupported format.")));
    auto *gotoRow = new QHBoxLayout;
    gotoRow->addWidget(wrappedLabel(tr("You should try the old file processor.")), 1);
    MS_GotoFileProc = named(new QPushButton(tr("File Processor")), "MS_GotoFileProc");
    gotoRow->addWidget(MS_GotoFileProc);
    unknownLayout->addLayout(gotoRow);
    for (QGroupBox *box : {MS_Box_MPEG, MS_BOX_AVI, MS_Box_Unknown}) {
        box->hide();
        top->addWidget(box);
    }

    MS_SplitBox = named(new QGroupBox(tr("Splitting options")), "MS_SplitBox");
    auto *grid = compact(new QGridLayout(MS_SplitBox));
    MS_Segments = spinField("MS_Segments", MinSegments, MaxSegments, 1);
    Label8 = named(new QLabel(tr("segments at")), "Label8");
    Label8->setCursor(Qt::PointingHandCursor);
    MS_SegSize = named(new QLineEdit, "MS_SegSize");
    MS_Mode = named(new QComboBox, "MS_Mode");
    MS_Mode->addItems({tr("Byte"), tr("KByte"), tr("MByte")});
    MS_Mode->setCurrentIndex(2);
    grid->addWidget(MS_Segments, 0, 0);
    grid->addWidget(Label8, 0, 1);
    grid->addWidget(MS_SegSize, 0, 2);
    grid->addWidget(MS_Mode, 0, 3);
    MS_MinE = spinField("MS_MinE", 0, MaxSegmentMinutes, 10);
    MS_SecE = spinField("MS_SecE", 0, 59, 0);
    auto *timeRow = new QHBoxLayout;
    auto *minutes = new QLabel(tr("min"));
    auto *seconds = new QLabel(tr("sec"));
    minutes->setBuddy(MS_MinE);
    seconds->setBuddy(MS_SecE);
    timeRow->addWidget(MS_MinE);
    timeRow->addWidget(minutes);
    timeRow->addWidget(MS_SecE);
    timeRow->addWidget(seconds);
    timeRow->addStretch(1);
    grid->addLayout(timeRow, 1, 0, 1, 3);
    MS_TotalMovieLength = named(new QPushButton(tr("Edit")), "MS_TotalMovieLength");
    MS_TotalMovieLength->setToolTip(tr("edit total movie length (required for using time based splitting)"));
    grid->addWidget(MS_TotalMovieLength, 1, 3);
    // A size needs a dozen digits; the room beyond stays to the right of the unit.
    MS_SegSize->setMaximumWidth(MS_SegSize->fontMetrics().averageCharWidth() * 20);
    grid->setColumnStretch(4, 1);
    MS_SplitBox->setEnabled(false);
    top->addWidget(MS_SplitBox);

    auto *destBox = named(new QGroupBox(tr("Destination")), "MS_DestinationBox");
    MS_Destination = named(new TOxFileEdit, "MS_Destination");
    MS_Destination->setStyle(TOxFileEdit::bsFileSave);
    compact(new QVBoxLayout(destBox))->addWidget(MS_Destination);
    top->addWidget(destBox);

    auto *runRow = new QHBoxLayout;
    MS_Start = named(new QPushButton(tr("Start")), "MS_Start");
    MS_Pause = named(new QPushButton(tr("Pause")), "MS_Pause");
    MS_Stop = named(new QPushButton(tr("Stop")), "MS_Stop");
    MS_Progress = named(new QProgressBar, "MS_Progress");
    MS_Start->setEnabled(false);
    MS_Pause->setEnabled(false);
    MS_Pause->setCheckable(true);
    MS_Stop->hide();
    MS_Progress->setRange(0, 100);
    MS_Progress->hide();
    runRow->addWidget(MS_Progress, 1);
    runRow->addStretch(1);
    runRow->addWidget(MS_Start);
    runRow->addWidget(MS_Stop);
    runRow->addWidget(MS_Pause);
    top->addLayout(runRow);
    top->addStretch(1);

    StatusBar1 = named(new QStatusBar, "StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    // A label rather than a status message, so the window's translation reaches it.
    StatusBar1->addWidget(named(new QLabel(tr("please open a video file")), "StatusBar1_Panel0"), 1);
    top->addWidget(StatusBar1);

    MS_Preset = named(new QMenu(this), "MS_Preset");
    MS_SplitBox->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(MS_SplitBox, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { MS_Preset->popup(MS_SplitBox->mapToGlobal(pos)); });

    m_prevUnit = Unit();

    connect(MS_Source, &TOxFileEdit::buttonClicked, this, &TMovieSplitPage::MS_SourceButtonClick);
    // Typing only: the page's own writes to the size field do not come back here.
    connect(MS_SegSize, &QLineEdit::textEdited, this, &TMovieSplitPage::MS_SegSizeChange);
    connect(MS_Segments, &QSpinBox::valueChanged, this, [this] {
        if (!m_updating)
            MS_SegmentsChange();
    });
    for (QSpinBox *time : {MS_MinE, MS_SecE}) {
        connect(time, &QSpinBox::valueChanged, this, [this] {
            if (!m_updating)
                MS_MinEChange();
        });
    }
    connect(MS_Mode, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_updating)
            MS_ModeChange();
    });
    MS_Mode->installEventFilter(this);
    Label8->installEventFilter(this);
    connect(MS_TotalMovieLength, &QPushButton::clicked, this, &TMovieSplitPage::MS_TotalMovieLengthClick);
    connect(MS_GotoFileProc, &QPushButton::clicked, this, &TMovieSplitPage::MS_GotoFileProcClick);
    connect(MS_Start, &QPushButton::clicked, this, &TMovieSplitPage::MS_StartClick);
    connect(MS_Pause, &QPushButton::clicked, this, &TMovieSplitPage::MS_PauseClick);
    connect(MS_Stop, &QPushButton::clicked, this, &TMovieSplitPage::MS_StopClick);
}

void TMovieSplitPage::Retranslate()
{
    MS_Start->setText(TranslateCaption(QStringLiteral("Start"), QStringLiteral("Start splitting")));
}

void TMovieSplitPage::SetMovieLengthSource(std::function<std::pair<int, int>()> source)
{
    m_lengthSource = std::move(source);
}

void TMovieSplitPage::SetPresets(const QStringList &calculatorMediaTexts)
{
    MS_Preset->clear();
    for (qsizetype i = 0; i < calculatorMediaTexts.size(); ++i) {
        auto *item = new QAction(calculatorMediaTexts.at(i), MS_Preset);
        item->setObjectName(QStringLiteral("MS_Pr%1").arg(i));
        connect(item, &QAction::triggered, this, &TMovieSplitPage::MS_PresetsChange);
        MS_Preset->addAction(item);
    }
}

qint64 TMovieSplitPage::MovieLength() const
{
    if (!m_lengthSource)
        return 0;
    const auto [minutes, seconds] = m_lengthSource();
    return MovieLengthSeconds(minutes, seconds);
}

qint64 TMovieSplitPage::Unit() const
{
    return UnitOfMode(MS_Mode->currentIndex());
}

void TMovieSplitPage::setDuration(qint64 bytes)
{
    const SegmentView view = SegmentBytesView(bytes, m_movieSize, Unit(), MovieLength());
    FlagGuard guard(m_updating);
    MS_MinE->setValue(view.minutes);
    MS_SecE->setValue(view.seconds);
}

void TMovieSplitPage::setSegments(int count)
{
    FlagGuard guard(m_updating);
    MS_Segments->setValue(count);
}

void TMovieSplitPage::SetSegmentBytes(qint64 bytes)
{
    const SegmentView view = SegmentBytesView(bytes, m_movieSize, Unit(), MovieLength());
    {
        FlagGuard guard(m_updating);
        MS_SegSize->setText(QString::number(view.size));
    }
    setDuration(bytes);
}

void TMovieSplitPage::MS_SourceButtonClick()
{
    const QString source = MS_Source->Text();
    const MovieKind kind = m_splitter.Open(source, MS_Destination->Text());
    m_movieSize = qint64(qMin<quint64>(m_splitter.MovieSize(), quint64(std::numeric_limits<qint64>::max())));
    setSegments(1);
    SetSegmentBytes(m_movieSize);

    for (QGroupBox *box : {MS_Box_MPEG, MS_BOX_AVI, MS_Box_Unknown})
        box->hide();
    switch (kind) {
    case MovieKind::Mpeg: MS_Box_MPEG->show(); break;
    case MovieKind::Avi: MS_BOX_AVI->show(); break;
    case MovieKind::Unknown: MS_Box_Unknown->show(); break;
    }
    MS_VideoLabel->setText(m_splitter.FormatLabel());

    if (!source.isEmpty())
        MS_Destination->setText(DefaultOutputName(MS_Destination->Text(), source));
    // The status asked for a movie: once one is open it names it, with its size.
    setStatus(source.isEmpty() ? Translator().Translate(QStringLiteral("please open a video file"))
                               : QStringLiteral("%1 (%2 MB)")
                                     .arg(QFileInfo(source).fileName(),
                                          QLocale().toString(double(m_movieSize) / 1e6, 'f', 1)));
    MS_SplitBox->setEnabled(!source.isEmpty());
    MS_Start->setEnabled(!source.isEmpty());
    m_splitBy = SplitBy::Count;
}

void TMovieSplitPage::MS_SegSizeChange()
{
    const QString text = MS_SegSize->text();
    TypedSize typed = SegmentSizeTyped(text, m_movieSize, Unit());
    if (typed.reset) {
        // No digits left: the field becomes "1", which is then taken like a typed "1".
        {
            FlagGuard guard(m_updating);
            MS_SegSize->setText(typed.text);
        }
        typed = SegmentSizeTyped(typed.text, m_movieSize, Unit());
    } else if (typed.changed) {
        const int caret = MS_SegSize->cursorPosition();
        FlagGuard guard(m_updating);
        MS_SegSize->setText(typed.text);
        MS_SegSize->setCursorPosition(qMax(0, caret - 1));
    }
    setDuration(typed.bytes);
    setSegments(SegmentsFor(m_movieSize, typed.bytes));
    m_splitBy = SplitBy::Size;
}

void TMovieSplitPage::MS_SegmentsChange()
{
    SetSegmentBytes(BytesForCount(m_movieSize, MS_Segments->value(), Unit()));
    m_splitBy = SplitBy::Count;
}

void TMovieSplitPage::MS_MinEChange()
{
    const qint64 length = MovieLength();
    if (length <= 0 || m_movieSize <= 0) {
        // Without a movie length or a movie there is no time to convert: the duration reads 0.
        setDuration(0);
        return;
    }
    const qint64 bytes = BytesForDuration(MS_MinE->value(), MS_SecE->value(), length, m_movieSize);
    SetSegmentBytes(bytes);
    setSegments(SegmentsFor(m_movieSize, bytes));
    m_splitBy = SplitBy::Duration;
}

void TMovieSplitPage::MS_ModeEnter()
{
    m_prevUnit = Unit();
}

void TMovieSplitPage::MS_ModeChange()
{
    const qint64 bytes = BytesForUnitChange(MS_SegSize->text(), m_prevUnit);
    SetSegmentBytes(bytes);
    m_prevUnit = Unit();
    m_splitBy = SplitBy::Size;
}

void TMovieSplitPage::MS_PresetsChange()
{
    if (const auto *item = qobject_cast<const QAction *>(sender()))
        ApplyPreset(item->text());
}

void TMovieSplitPage::ApplyPreset(const QString &caption)
{
    const qint64 bytes = BytesForPreset(caption, Unit());
    SetSegmentBytes(bytes);
    // The count follows the preset size, as it does for a typed size.
    setSegments(SegmentsFor(m_movieSize, bytes));
    m_splitBy = SplitBy::Size;
}

void TMovieSplitPage::Label8Click()
{
    MS_Preset->popup(QCursor::pos());
}

void TMovieSplitPage::MS_TotalMovieLengthClick()
{
    emit calcEditRequested();
}

void TMovieSplitPage::MS_GotoFileProcClick()
{
    emit fileProcessorRequested(MS_Source->Text());
}

bool TMovieSplitPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == MS_Mode && event->type() == QEvent::FocusIn)
        MS_ModeEnter();
    else if (watched == Label8 && event->type() == QEvent::MouseButtonRelease && Label8->isEnabled())
        Label8Click();
    return QWidget::eventFilter(watched, event);
}

QAbstractButton *TMovieSplitPage::StartButton() const
{
    return MS_Start;
}

} // namespace kbx
