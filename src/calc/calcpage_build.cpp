// Building the Calc page: its controls, their places in the two layouts, and the result menu.

#include "calc/bitrate.h"
#include "calc/calcpage.h"
#include "ui/translator.h"

#include <QAbstractButton>
#include <QActionGroup>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace kbx {

namespace {


template <class T>
T *Named(T *object, const char *name)
{
    object->setObjectName(QLatin1String(name));
    return object;
}

QGroupBox *Box(const char *name, const char *caption, QWidget *parent)
{
    return Named(new QGroupBox(QString::fromLatin1(caption), parent), name);
}

QSpinBox *Spin(const char *name, int minimum, int maximum, int value, QWidget *parent)
{
    auto *spin = Named(new QSpinBox(parent), name);
    spin->setRange(minimum, maximum);
    spin->setValue(value);
    return spin;
}

QRadioButton *Radio(const char *name, const char *caption, const char *hint, QWidget *parent)
{
    auto *radio = Named(new QRadioButton(QString::fromLatin1(caption), parent), name);
    if (hint)
        radio->setToolTip(QString::fromLatin1(hint));
    return radio;
}

QComboBox *Combo(const char *name, QWidget *parent)
{
    auto *combo = Named(new QComboBox(parent), name);
    combo->setEditable(true);
    combo->setMaxVisibleItems(20);
    combo->setInsertPolicy(QComboBox::NoInsert);
    // The page shares the window with the module selector: the long preset names must not widen it.
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(8);
    return combo;
}

QAction *Item(QMenu *menu, const char *name, const char *caption, bool checkable = false)
{
    QAction *action = menu->addAction(QString::fromLatin1(caption));
    action->setObjectName(QLatin1String(name));
    action->setCheckable(checkable);
    return action;
}

} // namespace

void TCalcPage::buildInputs()
{
    auto *root = static_cast<QVBoxLayout *>(layout());

    EC_Length_Box = Box("EC_Length_Box", "Movie length", this);
    auto *length = new QHBoxLayout(EC_Length_Box);
    EC_MINe = Spin("EC_MINe", 0, 999, 90, EC_Length_Box);
    EC_Colon = Named(new QLabel(QStringLiteral(":"), EC_Length_Box), "EC_Colon");
    EC_SECe = Spin("EC_SECe", 0, 59, 0, EC_Length_Box);
    EC_MinLabel = Named(new QLabel(Translate(QStringLiteral("min")), EC_Length_Box), "EC_MinLabel");
    length->addWidget(EC_MINe);
    length->addWidget(EC_Colon);
    length->addWidget(EC_SECe);
    length->addWidget(EC_MinLabel);
    length->addStretch(1);

    EC_Media_Box = Box("EC_Media_Box", "Storage media", this);
    auto *media = new QHBoxLayout(EC_Media_Box);
    EC_MEDIAcb = Combo("EC_MEDIAcb", EC_Media_Box);
    EC_MEDIAcb->addItems(MediaPresets());
    EC_MEDIAcb->setCurrentIndex(6);
    media->addWidget(EC_MEDIAcb);

    EC_AudioFormat_Box = Box("EC_AudioFormat_Box", "Audio format", this);
    EC_AudioFormat_Box->setToolTip(QStringLiteral("Audio datarate per second, always 16 bit"));
    auto *audioFormat = new QHBoxLayout(EC_AudioFormat_Box);
    EC_AUDIOcb = Combo("EC_AUDIOcb", EC_AudioFormat_Box);
    EC_AUDIOcb->addItems(CompressedAudioPresets());
    EC_AUDIOcb->setCurrentText(QStringLiteral("128Kb (MP3, CD quality)"));
    audioFormat->addWidget(EC_AUDIOcb);

    // The bitrate box joins the first row once the results are built.
    m_firstRow = new QHBoxLayout;
    m_firstRow->addWidget(EC_Length_Box);
    root->addLayout(m_firstRow);
    auto *presets = new QHBoxLayout;
    presets->addWidget(EC_Media_Box, 1);
    presets->addWidget(EC_AudioFormat_Box, 1);
    root->addLayout(presets);

    EC_FPS_Box = Box("EC_FPS_Box", "Frame rate", this);
    auto *fps = new QHBoxLayout(EC_FPS_Box);
    EC_PALrb = Radio("EC_PALrb", "PAL", "25 fps", EC_FPS_Box);
    EC_NTSCrb = Radio("EC_NTSCrb", "NTSC", "30 fps", EC_FPS_Box);
    EC_PALrb->setChecked(true);
    fps->addWidget(EC_PALrb);
    fps->addWidget(EC_NTSCrb);

    EC_Video_Box = Box("EC_Video_Box", "Video", this);
    auto *video = new QHBoxLayout(EC_Video_Box);
    EC_AVIrb = Radio("EC_AVIrb", "AVI", "AVI with MPEG4 or other codec", EC_Video_Box);
    EC_MPEGrb = Radio("EC_MPEGrb", "MPEG", "MPEG1 or MPEG2", EC_Video_Box);
    EC_AVIrb->setChecked(true);
    video->addWidget(EC_AVIrb);
    video->addWidget(EC_MPEGrb);

    EC_Audio_Box = Box("EC_Audio_Box", "Audio tracks and format", this);
    auto *audio = new QGridLayout(EC_Audio_Box);
    EC_ATracks = Spin("EC_ATracks", 1, 5, 1, EC_Audio_Box);
    EC_PCMrb = Radio("EC_PCMrb", "raw PCM", nullptr, EC_Audio_Box);
    EC_MP3rb = Radio("EC_MP3rb", "compress", nullptr, EC_Audio_Box);
    EC_MP3rb->setChecked(true);
    audio->addWidget(Named(new QLabel(QStringLiteral("Tracks"), EC_Audio_Box), "EC_TracksLabel"), 0, 0);
    audio->addWidget(EC_ATracks, 1, 0);
    audio->addWidget(EC_PCMrb, 0, 1);
    audio->addWidget(EC_MP3rb, 1, 1);

    EC_Storage_Box = Box("EC_Storage_Box", "Multiple videos or discs", this);
    auto *storage = new QGridLayout(EC_Storage_Box);
    EC_NUMe = Spin("EC_NUMe", 1, 20, 1, EC_Storage_Box);
    EC_DISCrb = Named(new QToolButton(EC_Storage_Box), "EC_DISCrb");
    EC_VIDrb = Named(new QToolButton(EC_Storage_Box), "EC_VIDrb");
    EC_DISCrb->setText(QStringLiteral("discs"));
    EC_VIDrb->setText(QStringLiteral("videos"));
    EC_DISCrb->setToolTip(QStringLiteral("multiple discs"));
    EC_VIDrb->setToolTip(QStringLiteral("multiple videos"));
    m_mediaMode = new QButtonGroup(this);
    m_mediaMode->setExclusive(true);
    for (QToolButton *button : {EC_DISCrb, EC_VIDrb}) {
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setEnabled(false);
        m_mediaMode->addButton(button);
    }
    EC_DISCrb->setChecked(true);
    storage->addWidget(EC_NUMe, 0, 0, 2, 1);
    storage->addWidget(EC_DISCrb, 0, 1);
    storage->addWidget(EC_VIDrb, 1, 1);

    auto *advanced = new QHBoxLayout;
    auto *rates = new QVBoxLayout;
    rates->addWidget(EC_FPS_Box);
    rates->addWidget(EC_Video_Box);
    advanced->addLayout(rates);
    advanced->addWidget(EC_Audio_Box);
    advanced->addWidget(EC_Storage_Box);
    advanced->addStretch(1);
    root->addLayout(advanced);

    EC_Advanced = Named(new QToolButton(this), "EC_Advanced");
    EC_Advanced->setToolTip(QStringLiteral("click to show / hide advanced settings"));
    EC_Advanced->setAutoRaise(true);
    EC_Advanced->setFixedHeight(12);
    EC_Advanced->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    root->addWidget(EC_Advanced);
}

void TCalcPage::buildResults()
{
    auto *root = static_cast<QVBoxLayout *>(layout());

    EC_Aspect_Box = Box("EC_Aspect_Box", "Video dimensions and aspect ratio", this);
    auto *aspect = new QGridLayout(EC_Aspect_Box);
    EC_Vid_Area = Named(new QFrame(EC_Aspect_Box), "EC_Vid_Area");
    EC_Vid_Area->setFixedSize(80, 70);
    EC_Vid_Area->setAutoFillBackground(true);
    QPalette dark = EC_Vid_Area->palette();
    dark.setColor(QPalette::Window, QColor(32, 32, 48));
    EC_Vid_Area->setPalette(dark);
    EC_Vid_pic = Named(new QFrame(EC_Vid_Area), "EC_Vid_pic");
    EC_Vid_pic->setAutoFillBackground(true);
    QPalette picture = EC_Vid_pic->palette();
    picture.setColor(QPalette::Window, QColor(70, 110, 190));
    EC_Vid_pic->setPalette(picture);
    EC_Vid_Label = Named(new QLabel(EC_Vid_Area), "EC_Vid_Label");
    EC_Vid_Label->setGeometry(0, 1, 80, 16);
    EC_Vid_Label->setAlignment(Qt::AlignCenter);
    QPalette ratio = EC_Vid_Label->palette();
    ratio.setColor(QPalette::WindowText, Qt::white);
    EC_Vid_Label->setPalette(ratio);

    EC_TrackX = Named(new QSlider(Qt::Horizontal, EC_Aspect_Box), "EC_TrackX");
    EC_TrackY = Named(new QSlider(Qt::Horizontal, EC_Aspect_Box), "EC_TrackY");
    EC_TrackX->setRange(12, 64);
    EC_TrackX->setValue(45);
    EC_TrackY->setRange(9, 36);
    EC_TrackY->setValue(25);
    for (QSlider *slider : {EC_TrackX, EC_TrackY}) {
        slider->setTickInterval(4);
        slider->setTickPosition(QSlider::TicksBelow);
        slider->setFocusPolicy(Qt::StrongFocus);
    }
    EC_DimX = Named(new QLabel(QStringLiteral("720"), EC_Aspect_Box), "EC_DimX");
    EC_DimY = Named(new QLabel(QStringLiteral("400"), EC_Aspect_Box), "EC_DimY");
    for (QLabel *label : {EC_DimX, EC_DimY}) {
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("00000")));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    EC_LockAspect = Named(new QCheckBox(QStringLiteral("lock aspect"), EC_Aspect_Box), "EC_LockAspect");
    EC_LockAspect->setChecked(true);
    EC_Align16 = Named(new QCheckBox(QStringLiteral("Align by 16"), EC_Aspect_Box), "EC_Align16");
    EC_Align16->setChecked(true);
    EC_Aspect_Combo = Named(new QComboBox(EC_Aspect_Box), "EC_Aspect_Combo");
    EC_Aspect_Combo->addItems({QStringLiteral("4:3"), QStringLiteral("16:9"), QStringLiteral("24:10"),
                               QStringLiteral("DVD 4:3"), QStringLiteral("DVD 16:9")});
    aspect->addWidget(EC_Vid_Area, 0, 0, 3, 1, Qt::AlignTop);
    aspect->addWidget(EC_TrackX, 0, 1);
    aspect->addWidget(EC_DimX, 0, 2);
    aspect->addWidget(EC_TrackY, 1, 1);
    aspect->addWidget(EC_DimY, 1, 2);
    auto *options = new QHBoxLayout;
    options->addWidget(EC_LockAspect);
    options->addWidget(EC_Align16);
    options->addWidget(EC_Aspect_Combo);
    // A wide page keeps the check boxes and the ratio together at the left.
    options->addStretch(1);
    aspect->addLayout(options, 2, 1, 1, 2);
    aspect->setColumnStretch(1, 1);

    EC_Stream_Box = Box("EC_Stream_Box", "Space required for video and audio streams in Megabytes", this);
    auto *stream = new QVBoxLayout(EC_Stream_Box);
    // The bars sit in this gap at fixed places (step 13 of the calculation gives their geometry).
    stream->addSpacing(22);
    EC_VideoBar = Named(new QFrame(EC_Stream_Box), "EC_VideoBar");
    EC_AudioBar = Named(new QFrame(EC_Stream_Box), "EC_AudioBar");
    const QColor barColours[] = {QColor(64, 96, 200), QColor(220, 150, 40)};
    int colour = 0;
    for (QFrame *bar : {EC_VideoBar, EC_AudioBar}) {
        bar->setFrameShape(QFrame::Box);
        bar->setAutoFillBackground(true);
        QPalette palette = bar->palette();
        palette.setColor(QPalette::Window, barColours[colour++]);
        bar->setPalette(palette);
        bar->hide();
        bar->installEventFilter(this);
    }
    EC_SpaceLabel = Named(new QLabel(EC_Stream_Box), "EC_SpaceLabel");
    EC_SpaceLabel->setAlignment(Qt::AlignCenter);
    EC_SpaceLabel->installEventFilter(this);
    stream->addWidget(EC_SpaceLabel);
    stream->addStretch(1);
    EC_Stream_Box->installEventFilter(this);
    EC_Aspect_Box->installEventFilter(this);

    EC_Bitrate_Box = Box("EC_Bitrate_Box", "Kbit per second -> DIVX / DVD", this);
    auto *bitrate = new QVBoxLayout(EC_Bitrate_Box);
    EC_Bitrate = Named(new QLabel(EC_Bitrate_Box), "EC_Bitrate");
    QFont big = EC_Bitrate->font();
    big.setPointSize(22);
    big.setBold(true);
    EC_Bitrate->setFont(big);
    EC_Bitrate->setAlignment(Qt::AlignCenter);
    EC_Bitrate->setMinimumWidth(EC_Bitrate->fontMetrics().horizontalAdvance(QStringLiteral("000000")));
    bitrate->addWidget(EC_Bitrate);
    for (QWidget *w : {static_cast<QWidget *>(EC_Bitrate_Box), static_cast<QWidget *>(EC_Bitrate)}) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this,
                [this, w](const QPoint &pos) { ShowRateMenu(w->mapToGlobal(pos)); });
    }

    // The stream and aspect boxes share one place; their captions need the page's whole width.
    root->addWidget(EC_Stream_Box);
    root->addWidget(EC_Aspect_Box);
    m_firstRow->addWidget(EC_Bitrate_Box, 1);

    EC_Memo_Box = Box("EC_Memo_Box", "additional information", this);
    auto *memo = new QVBoxLayout(EC_Memo_Box);
    CalcMemo = Named(new QTextEdit(EC_Memo_Box), "CalcMemo");
    CalcMemo->setReadOnly(true);
    CalcMemo->setLineWrapMode(QTextEdit::NoWrap);
    // The report's columns line up only in a fixed-pitch font.
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setStyleHint(QFont::Monospace);
    mono.setFixedPitch(true);
    mono.setPointSizeF(qMin(mono.pointSizeF(), 8.0));
    CalcMemo->setFont(mono);
    QPalette purple = CalcMemo->palette();
    purple.setColor(QPalette::Text, QColor(128, 0, 128));
    CalcMemo->setPalette(purple);
    memo->addWidget(CalcMemo);
    root->addWidget(EC_Memo_Box, 1);
}

void TCalcPage::buildMenu()
{
    RatePMenu = Named(new QMenu(this), "RatePMenu");
    QMenu *profiles = Named(RatePMenu->addMenu(QStringLiteral("Profiles")), "ProfilesMenu");
    rateAuto = Item(profiles, "rateAuto", "Autodetect", true);
    rateAuto->setChecked(true);
    rateBuz = Item(profiles, "rateBuz", "MJPEG capturing");
    rateDIVX = Item(profiles, "rateDIVX", "DIVX ;-) MPEG4");
    DVAVI1 = Item(profiles, "DVAVI1", "DV-AVI (Camera)");
    RatePMenu->addSeparator();
    rateSec = Item(RatePMenu, "rateSec", "per second", true);
    rateFrame = Item(RatePMenu, "rateFrame", "per frame", true);
    RatePMenu->addSeparator();
    rateBit = Item(RatePMenu, "rateBit", "Kbit", true);
    rateByte = Item(RatePMenu, "rateByte", "KByte", true);
    auto *per = new QActionGroup(this);
    per->addAction(rateSec);
    per->addAction(rateFrame);
    auto *unit = new QActionGroup(this);
    unit->addAction(rateBit);
    unit->addAction(rateByte);
    rateSec->setChecked(true);
    rateBit->setChecked(true);
}

void TCalcPage::connectHandlers()
{
    for (QSpinBox *spin : {EC_MINe, EC_SECe, EC_ATracks})
        connect(spin, &QSpinBox::valueChanged, this, &TCalcPage::calcRate);
    connect(EC_NUMe, &QSpinBox::valueChanged, this, &TCalcPage::EC_NUMeChange);
    // A radio pair changes two buttons; only the one turned on runs the handler.
    for (QAbstractButton *button : std::initializer_list<QAbstractButton *>{
             EC_PALrb, EC_NTSCrb, EC_AVIrb, EC_MPEGrb, EC_DISCrb, EC_VIDrb}) {
        connect(button, &QAbstractButton::toggled, this, [this](bool on) {
            if (on)
                calcRate();
        });
    }
    for (QRadioButton *radio : {EC_PCMrb, EC_MP3rb}) {
        connect(radio, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                EC_PCMrbClick();
        });
    }
    connect(EC_MEDIAcb, &QComboBox::currentTextChanged, this, &TCalcPage::calcRate);
    connect(EC_AUDIOcb, &QComboBox::currentTextChanged, this, &TCalcPage::calcRate);
    connect(EC_Advanced, &QToolButton::clicked, this, &TCalcPage::EC_AdvancedClick);
    connect(EC_TrackX, &QSlider::valueChanged, this, &TCalcPage::EC_TrackXChange);
    connect(EC_TrackY, &QSlider::valueChanged, this, &TCalcPage::EC_TrackYChange);
    connect(EC_Aspect_Combo, &QComboBox::currentIndexChanged, this, &TCalcPage::EC_Aspect_ComboChange);
    connect(EC_LockAspect, &QCheckBox::toggled, this, &TCalcPage::EC_LockAspectClick);
    connect(EC_Align16, &QCheckBox::toggled, this, &TCalcPage::EC_Align16Click);
    for (QAction *item : {rateSec, rateFrame, rateBit, rateByte})
        connect(item, &QAction::triggered, this, &TCalcPage::rateByteClick);
    connect(rateAuto, &QAction::triggered, this, &TCalcPage::rateAutoClick);
    connect(rateBuz, &QAction::triggered, this, &TCalcPage::rateBuzClick);
    connect(rateDIVX, &QAction::triggered, this, &TCalcPage::rateDIVXClick);
    connect(DVAVI1, &QAction::triggered, this, &TCalcPage::DVAVI1Click);
}

} // namespace kbx
