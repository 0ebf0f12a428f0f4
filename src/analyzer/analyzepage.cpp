#include "analyzer/analyzepage.h"

#include "analyzer/logview.h"

#include "platform/power.h"
#include "platform/shell.h"
#include "ui/dialogs.h"
#include "ui/fileedit.h"
#include "ui/translator.h"
#include "ui/named.h"
#include "ui/program.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace kbx {

namespace {

// A group's inner layout with small margins and spacing.
template <class Layout>
Layout *Compact(Layout *layout)
{
    layout->setContentsMargins(8, 2, 8, 4);
    layout->setSpacing(2);
    return layout;
}

const char *const SourceFilter = "VOB files (*.vob)|*.vob|All files (*.*)|*.*";
const char *const LogFilter = "Log files (*.log;*.txt)|*.log;*.txt|All files|*.*";

// The walk lets the window handle its events about 60 times a second, and the log shows its new
// lines about 10 times a second; doing either per pack would dominate a long run.
constexpr int EventsMs = 16;
constexpr int FlushMs = 100;
// Packs between two looks at the clock.
constexpr qint64 ClockPacks = 64;

QToolButton *toolButton(const char *name, const QString &text, const QString &hint)
{
    auto *b = named(new QToolButton, name);
    // Flat, as the program's other text tool buttons: the translator takes their captions too.
    b->setAutoRaise(true);
    b->setText(text);
    b->setToolTip(hint);
    return b;
}

QWidget *labelled(const QString &label, QWidget *field)
{
    auto *w = new QWidget;
    auto *l = new QHBoxLayout(w);
    l->setContentsMargins(0, 0, 0, 0);
    auto *caption = new QLabel(label);
    caption->setBuddy(field);
    l->addWidget(caption);
    l->addWidget(field, 1);
    return w;
}

} // namespace

TAnalyzeVOBFrame::TAnalyzeVOBFrame(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Page_AnalyzeVOB"));
    auto *top = new QVBoxLayout(this);
    // Tight margins leave the log as many lines as the first-start window height allows.
    top->setContentsMargins(6, 4, 6, 4);
    top->setSpacing(4);

    auto *gbSource = named(new QGroupBox(tr("Source file (VOB)")), "gb_source");
    ed_source = named(new TOxFileEdit, "ed_source");
    ed_source->setToolTip(QStringLiteral("source file to read"));
    ed_source->setStyle(TOxFileEdit::bsFileOpen);
    ed_source->setFilter(QLatin1String(SourceFilter));
    auto *sourceLayout = new QVBoxLayout(gbSource);
    sourceLayout->setContentsMargins(8, 2, 8, 4);
    sourceLayout->addWidget(ed_source);
    top->addWidget(gbSource);

    auto *gbProfile = named(new QGroupBox(tr("Predefined profiles")), "gb_profile");
    auto *profileRow = new QHBoxLayout(gbProfile);
    profileRow->setContentsMargins(8, 2, 8, 4);
    ed_profile = named(new QComboBox, "ed_profile");
    ed_profile->setToolTip(QStringLiteral("settings profile"));
    ed_profile->setMaxVisibleItems(16);
    btn_save = toolButton("btn_save", tr("Save"), tr("Save profile"));
    btn_edit = toolButton("btn_edit", tr("Edit"), tr("Edit profile"));
    btn_edit->setCheckable(true);
    btn_edit->setChecked(true);
    btn_contrib = toolButton("btn_contrib", tr("Mail"), tr("Contribute profiles"));
    auto *profileLabel = new QLabel(tr("Profile:"));
    profileLabel->setBuddy(ed_profile);
    profileRow->addWidget(profileLabel);
    // The longest profile name fits; wider, the buttons would drift away from the list they act on.
    ed_profile->setMaximumWidth(ed_profile->fontMetrics().averageCharWidth() * 64);
    profileRow->addWidget(ed_profile, 1);
    profileRow->addWidget(btn_save);
    profileRow->addWidget(btn_edit);
    profileRow->addWidget(btn_contrib);
    profileRow->addStretch(0);
    top->addWidget(gbProfile);

    // Two rows: five groups side by side would clip their captions at the page's width.
    auto *params = new QHBoxLayout;
    auto *params2 = new QHBoxLayout;
    gb_offset = named(new QGroupBox(tr("Offset")), "gb_offset");
    ed_offset = named(new QLineEdit, "ed_offset");
    ed_OffsetInc = named(new QLineEdit, "ed_OffsetInc");
    // Room for a 64-bit hexadecimal offset, no more: the other groups stay beside it.
    for (QLineEdit *edit : {ed_offset, ed_OffsetInc})
        edit->setMaximumWidth(edit->fontMetrics().averageCharWidth() * 24);
    auto *offsetLayout = Compact(new QVBoxLayout(gb_offset));
    offsetLayout->addWidget(labelled(tr("absolute:"), ed_offset));
    offsetLayout->addWidget(labelled(tr("add offset:"), ed_OffsetInc));
    params->addWidget(gb_offset);

    gb_type = named(new QGroupBox(tr("Type")), "gb_type");
    type_8 = named(new QRadioButton(tr("8 bit")), "type_8");
    type_16 = named(new QRadioButton(tr("16 bit")), "type_16");
    type_32 = named(new QRadioButton(tr("32 bit")), "type_32");
    type_32->setChecked(true);
    // Three choices in two rows: three rows would not fit the window's smallest height.
    auto *typeLayout = Compact(new QGridLayout(gb_type));
    typeLayout->addWidget(type_8, 0, 0);
    typeLayout->addWidget(type_16, 0, 1);
    typeLayout->addWidget(type_32, 1, 0);
    params->addWidget(gb_type);

    gb_signed = named(new QGroupBox, "gb_signed");
    ed_diffs = named(new QCheckBox(tr("differences")), "ed_diffs");
    ed_signed = named(new QCheckBox(tr("signed")), "ed_signed");
    auto *signedLayout = Compact(new QVBoxLayout(gb_signed));
    signedLayout->addWidget(ed_signed);
    signedLayout->addWidget(ed_diffs);
    params->addWidget(gb_signed);
    params->addStretch(1);

    gb_packs = named(new QGroupBox(tr("Packs")), "gb_packs");
    pack_nav = named(new QCheckBox(tr("Navigation")), "pack_nav");
    pack_aud = named(new QCheckBox(tr("Audio")), "pack_aud");
    pack_vid = named(new QCheckBox(tr("Video")), "pack_vid");
    pack_nav->setChecked(true);
    auto *packLayout = Compact(new QGridLayout(gb_packs));
    packLayout->addWidget(pack_nav, 0, 0);
    packLayout->addWidget(pack_aud, 0, 1);
    packLayout->addWidget(pack_vid, 1, 0);
    params2->addWidget(gb_packs);

    gb_range = named(new QGroupBox, "gb_range");
    cb_Range = named(new QCheckBox(tr("Range")), "cb_Range");
    range_0 = named(new QLineEdit, "range_0");
    range_1 = named(new QLineEdit, "range_1");
    auto *rangeLayout = Compact(new QVBoxLayout(gb_range));
    rangeLayout->addWidget(cb_Range);
    // Both bounds on one line: at the window's smallest height the log keeps that line.
    auto *bounds = new QHBoxLayout;
    bounds->addWidget(labelled(QStringLiteral("x >="), range_0));
    bounds->addWidget(labelled(QStringLiteral("x <="), range_1));
    rangeLayout->addLayout(bounds);
    params2->addWidget(gb_range);
    top->addLayout(params);
    top->addLayout(params2);

    // Start and Stop share one place; only one of them is ever shown.
    auto *runRow = new QHBoxLayout;
    btn_research = named(new QPushButton(tr("Start")), "btn_research");
    btn_research->setToolTip(tr("Start analysis"));
    btn_Stop = named(new QPushButton(tr("Stop")), "btn_Stop");
    btn_Stop->setToolTip(tr("Abort processing"));
    btn_Stop->hide();
    runRow->addStretch(1);
    runRow->addWidget(btn_research, 0, Qt::AlignBottom);
    runRow->addWidget(btn_Stop, 0, Qt::AlignBottom);
    // Beside the second row of options, so the log keeps its height.
    params2->addLayout(runRow, 1);

    auto *gbOutput = named(new QGroupBox(tr("Output")), "gb_output");
    // The log buttons stand beside the log, so it keeps their row's height.
    auto *outLayout = new QHBoxLayout(gbOutput);
    outLayout->setContentsMargins(8, 2, 8, 4);
    auto *logButtons = new QVBoxLayout;
    btn_ClearLog = toolButton("btn_ClearLog", tr("Clear"), tr("Clear log"));
    btn_SaveLog = toolButton("btn_SaveLog", tr("Save"), tr("Save log"));
    logButtons->addWidget(btn_ClearLog);
    logButtons->addWidget(btn_SaveLog);
    logButtons->addStretch(1);
    output = named(new TLogView(&m_log), "output");
    output->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font(QStringLiteral("Lucida Console"));
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    output->setFont(font);
    outLayout->addWidget(output, 1);
    outLayout->addLayout(logButtons);
    top->addWidget(gbOutput, 1);

    ProgressBar1 = named(new QProgressBar, "ProgressBar1");
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);
    top->addWidget(ProgressBar1);

    connect(btn_research, &QPushButton::clicked, this, &TAnalyzeVOBFrame::btn_researchClick);
    connect(btn_Stop, &QPushButton::clicked, this, &TAnalyzeVOBFrame::btn_StopClick);
    connect(btn_save, &QToolButton::clicked, this, &TAnalyzeVOBFrame::btn_saveClick);
    connect(btn_edit, &QToolButton::clicked, this, &TAnalyzeVOBFrame::btn_editClick);
    connect(btn_contrib, &QToolButton::clicked, this, &TAnalyzeVOBFrame::btn_contribClick);
    // Only a choice by the user loads a profile; the list's own updates load explicitly.
    connect(ed_profile, &QComboBox::activated, this, &TAnalyzeVOBFrame::ed_profileChange);
    connect(ed_diffs, &QCheckBox::clicked, this, &TAnalyzeVOBFrame::ed_diffsClick);
    connect(btn_ClearLog, &QToolButton::clicked, this, &TAnalyzeVOBFrame::btn_ClearLogClick);
    connect(btn_SaveLog, &QToolButton::clicked, this, &TAnalyzeVOBFrame::btn_SaveLogClick);
}

void TAnalyzeVOBFrame::Retranslate()
{
    btn_research->setText(TranslateCaption(QStringLiteral("Start"), QStringLiteral("Start analysing")));
}

void TAnalyzeVOBFrame::FrameCreate()
{
    FormCreate();
}

void TAnalyzeVOBFrame::FormCreate()
{
    // The list counts as not empty here, so the last profile is the one selected.
    ed_profile->addItem(QString());
    try {
        ReloadProfileList();
    } catch (const EConvertError &e) {
        ReportError(QString::fromUtf8(e.what()), this);
    }
    btn_editClick();
}

QString TAnalyzeVOBFrame::ContributionAddress()
{
    return QStringLiteral("profiles@kinbox.example.org");
}

QString TAnalyzeVOBFrame::ProfileFile() const
{
    // The user's own profiles, begun as a copy of the shipped ones: the shipped file may belong to root.
    return SeededUserFile(QStringLiteral("analyzeVOB.ini"));
}

static TVobProfileFile profileStore()
{
    return TVobProfileFile(QFileInfo(SeededUserFile(QStringLiteral("analyzeVOB.ini"))).absolutePath());
}

TVobProfile TAnalyzeVOBFrame::profileFromControls() const
{
    TVobProfile p;
    p.offset = ed_offset->text();
    p.offsetInc = ed_OffsetInc->text();
    p.type = type_8->isChecked() ? 8 : type_16->isChecked() ? 16 : 32;
    p.nav = pack_nav->isChecked();
    p.aud = pack_aud->isChecked();
    p.vid = pack_vid->isChecked();
    p.range0 = range_0->text();
    p.range1 = range_1->text();
    p.range = cb_Range->isChecked();
    p.isSigned = ed_signed->isChecked();
    p.diffs = ed_diffs->isChecked();
    return p;
}

void TAnalyzeVOBFrame::applyProfile(const TVobProfile &p)
{
    ed_offset->setText(p.offset);
    ed_OffsetInc->setText(p.offsetInc);
    switch (WidthOfType(p.type)) {
    case 8: type_8->setChecked(true); break;
    case 16: type_16->setChecked(true); break;
    default: type_32->setChecked(true); break;
    }
    pack_nav->setChecked(p.nav);
    pack_aud->setChecked(p.aud);
    pack_vid->setChecked(p.vid);
    range_0->setText(p.range0);
    range_1->setText(p.range1);
    cb_Range->setChecked(p.range);
    ed_signed->setChecked(p.isSigned);
    ed_diffs->setChecked(p.diffs);
}

void TAnalyzeVOBFrame::LoadProfile(const QString &name)
{
    // Starting from the controls keeps the ones after a malformed key as they were.
    TVobProfile p = profileFromControls();
    try {
        profileStore().LoadProfile(name, p);
    } catch (const EConvertError &) {
        applyProfile(p);
        throw;
    }
    applyProfile(p);
}

void TAnalyzeVOBFrame::ReloadProfileList()
{
    const bool hadEntries = ed_profile->count() > 0;
    ed_profile->clear();
    ed_profile->addItems(profileStore().SectionNames());
    if (ed_profile->count() > 0)
        ed_profile->setCurrentIndex(hadEntries ? ed_profile->count() - 1 : 0);
    LoadProfile(ed_profile->currentText());
}

void TAnalyzeVOBFrame::SaveProfile(const QString &name)
{
    if (!profileStore().SaveProfile(name, profileFromControls())) {
        Dialogs::instance().warning(this, ApplicationTitle(),
                                    QStringLiteral("Cannot save the profile \"%1\".").arg(name));
        return;
    }
    ReloadProfileList();
    // An overwritten profile need not be the last one; keep the saved one selected.
    const int index = ed_profile->findText(name);
    if (index >= 0 && index != ed_profile->currentIndex()) {
        ed_profile->setCurrentIndex(index);
        LoadProfile(name);
    }
    btn_edit->setChecked(false);
    btn_editClick();
}

void TAnalyzeVOBFrame::ContributionMail()
{
    QFile file(ProfileFile());
    if (!file.open(QIODevice::ReadOnly)) {
        ReportError(QStringLiteral("Cannot open file \"%1\". %2").arg(file.fileName(), file.errorString()),
                    this);
        return;
    }
    QString text = QString::fromLocal8Bit(file.readAll());
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    const QString url = ContributionMailUrl(lines, ContributionAddress());
    if (!OpenDocumentTarget(url)) {
        Dialogs::instance().message(this, QMessageBox::NoIcon, ApplicationTitle(),
                                    QStringLiteral("Unable to open requested URL \"%1\".").arg(url));
    }
}

PackWalkOptions TAnalyzeVOBFrame::currentOptions() const
{
    PackWalkOptions o;
    o.nav = pack_nav->isChecked();
    o.aud = pack_aud->isChecked();
    o.vid = pack_vid->isChecked();
    o.isSigned = ed_signed->isChecked();
    o.diffs = ed_diffs->isChecked();
    o.range = cb_Range->isChecked();
    o.range0 = range_0->text();
    o.range1 = range_1->text();
    return o;
}

void TAnalyzeVOBFrame::setRunning(bool running)
{
    m_running = running;
    btn_research->setVisible(!running);
    btn_Stop->setVisible(running);
}

void TAnalyzeVOBFrame::flushLog()
{
    output->sync();
}

void TAnalyzeVOBFrame::btn_researchClick()
{
    if (m_running)
        return;
    StopRequested = false;
    if (ed_source->Text().isEmpty())
        ed_source->Browse();

    PackWalkSetup setup;
    setup.fileName = ed_source->Text();
    setup.bits = type_8->isChecked() ? 8 : type_16->isChecked() ? 16 : 32;
    setup.offsetText = ed_offset->text();
    setup.offsetIncText = ed_OffsetInc->text();
    setup.nav = pack_nav->isChecked();
    setup.aud = pack_aud->isChecked();
    setup.vid = pack_vid->isChecked();

    QPointer<TAnalyzeVOBFrame> self(this);
    bool started = false;
    QElapsedTimer sinceEvents;
    QElapsedTimer sinceFlush;
    sinceEvents.start();
    sinceFlush.start();
    // The options as the controls stood at the last round of events: only events change them.
    PackWalkOptions options = currentOptions();

    PackWalkHooks hooks;
    hooks.beforePack = [&](qint64 done, qint64 total) {
        if (!self)
            return;
        if (done == 0) {
            ProgressBar1->setRange(0, ProgressMaximum(total));
        } else if (done % ClockPacks != 0 || sinceEvents.elapsed() < EventsMs) {
            return;
        }
        sinceEvents.restart();
        ProgressBar1->setValue(ProgressPosition(done, total));
        if (sinceFlush.elapsed() >= FlushMs) {
            flushLog();
            sinceFlush.restart();
        }
        // Lets Stop and the other controls react during the run.
        QCoreApplication::processEvents();
        if (self)
            options = currentOptions();
    };
    hooks.options = [&]() { return options; };
    auto start = [&] {
        if (!started) {
            // The first line comes once the inputs are accepted and the file is open.
            started = true;
            output->setFocus();
            btn_ClearLog->setEnabled(true);
            btn_SaveLog->setEnabled(true);
        }
    };
    hooks.line = [&](const PackLogLine &line) {
        if (!self)
            return;
        start();
        m_log.appendText(line.text);
    };
    hooks.pack = [&](const PackLine &line) {
        if (self)
            m_log.appendPack(line);
    };
    hooks.stopRequested = [&]() { return !self || StopRequested; };

    setRunning(true);
    // The desktop's idle suspend must not end a long walk through a disc.
    const SleepInhibitor awake(QStringLiteral("Analyzing ") + QFileInfo(setup.fileName).fileName());
    const PackWalkOutcome outcome = WalkPacks(setup, hooks);
    if (!self)
        return;
    flushLog();
    ProgressBar1->setValue(0);
    setRunning(false);

    switch (outcome.result) {
    case PackWalkResult::BadInput:
        Dialogs::instance().message(this, QMessageBox::NoIcon, ApplicationTitle(), Translate(outcome.message));
        break;
    case PackWalkResult::OpenFailed:
        ReportError(outcome.message, this);
        break;
    default:
        break;
    }
}

void TAnalyzeVOBFrame::btn_StopClick()
{
    StopRequested = true;
}

void TAnalyzeVOBFrame::btn_saveClick()
{
    const std::optional<QString> name = Dialogs::instance().inputText(
        this, QStringLiteral("als Vorlage speichern..."), QStringLiteral("Name der Vorlage:"),
        ed_profile->currentText());
    if (!name)
        return;
    try {
        SaveProfile(*name);
    } catch (const EConvertError &e) {
        ReportError(QString::fromUtf8(e.what()), this);
    }
}

void TAnalyzeVOBFrame::btn_editClick()
{
    const bool down = btn_edit->isChecked();
    for (QGroupBox *group : {gb_offset, gb_type, gb_signed, gb_packs, gb_range})
        group->setVisible(down);
}

void TAnalyzeVOBFrame::btn_contribClick()
{
    ContributionMail();
}

void TAnalyzeVOBFrame::ed_profileChange()
{
    try {
        LoadProfile(ed_profile->currentText());
    } catch (const EConvertError &e) {
        ReportError(QString::fromUtf8(e.what()), this);
    }
}

void TAnalyzeVOBFrame::ed_diffsClick()
{
    // Differences are always taken of signed values.
    if (ed_diffs->isChecked()) {
        ed_signed->setChecked(true);
        ed_signed->setEnabled(false);
    } else {
        ed_signed->setEnabled(true);
    }
}

void TAnalyzeVOBFrame::btn_ClearLogClick()
{
    m_log.clear();
    output->reset();
    btn_ClearLog->setEnabled(false);
    btn_SaveLog->setEnabled(false);
}

void TAnalyzeVOBFrame::btn_SaveLogClick()
{
    FileDialogRequest request;
    request.title = QStringLiteral("Logdatei speichern...");
    request.start = m_lastLog.isEmpty() ? UserDataFile(QStringLiteral("analyseVOB.log")) : m_lastLog;
    request.filter = QtFileFilter(QLatin1String(LogFilter));
    request.defaultSuffix = QStringLiteral("log");
    const QString name = Dialogs::instance().saveFileName(this, request);
    if (name.isEmpty())
        return;
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        ReportError(QStringLiteral("Cannot create file \"%1\". %2").arg(name, file.errorString()), this);
        return;
    }
    if (!m_log.write(file))
        ReportError(QStringLiteral("Cannot write file \"%1\". %2").arg(name, file.errorString()), this);
    m_lastLog = name;
}

void TAnalyzeVOBFrame::FormResize()
{
    // The layout keeps the progress bar at the bottom; nothing to place by hand.
}

void TAnalyzeVOBFrame::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    FormResize();
}

QAbstractButton *TAnalyzeVOBFrame::StartButton() const
{
    return btn_research;
}

QAbstractButton *TAnalyzeVOBFrame::StopButton() const
{
    return btn_Stop;
}

} // namespace kbx
