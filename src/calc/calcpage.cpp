#include "calc/calcpage.h"

#include "calc/bitrate.h"
#include "ui/translator.h"

#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace kbx {

namespace {

const QString kPcmDefault = QStringLiteral("176 KB (44 kHz stereo, CD)");
const QString kCompressedDefault = QStringLiteral("128Kb (MP3, CD quality)");

QColor Rgb(const CalcColour &c)
{
    return QColor(c.red, c.green, c.blue);
}

} // namespace

TCalcPage::TCalcPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Page_Calc"));
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(6, 6, 6, 6);
    root->setSpacing(4);
    buildInputs();
    buildResults();
    buildMenu();
    connectHandlers();
    // Tight boxes: the page shares the window with the module selector and still needs room for the
    // report.
    for (QGroupBox *box : findChildren<QGroupBox *>()) {
        if (QLayout *inner = box->layout()) {
            inner->setContentsMargins(6, 2, 6, 4);
            inner->setSpacing(4);
        }
    }

    // Start as the form was designed: "16:9" without its handler, X following a locked Y, then the
    // simple layout.
    {
        const QSignalBlocker blocker(EC_Aspect_Combo);
        EC_Aspect_Combo->setCurrentIndex(1);
    }
    trackYChange(EC_Aspect_Combo);
    EC_AdvancedClick();
}

std::pair<int, int> TCalcPage::MovieLength() const
{
    return {EC_MINe->value(), EC_SECe->value()};
}

void TCalcPage::FocusMovieLength()
{
    EC_MINe->setFocus(Qt::OtherFocusReason);
}

QStringList TCalcPage::MediaTexts() const
{
    QStringList texts;
    for (int i = 0; i < EC_MEDIAcb->count(); ++i)
        texts << EC_MEDIAcb->itemText(i);
    return texts;
}

void TCalcPage::ShowRateMenu(const QPoint &globalPos)
{
    RatePMenu->popup(globalPos);
}

bool TCalcPage::AdvancedShown() const
{
    return !EC_FPS_Box->isHidden();
}

void TCalcPage::calcRate()
{
    // While the window is being built and its settings loaded, only the first change computes.
    if (!window()->isVisible() && !CalcMemo->document()->isEmpty())
        return;
    CalcInputs in;
    in.minutes = EC_MINe->value();
    in.seconds = EC_SECe->value();
    in.pal = EC_PALrb->isChecked();
    in.audioTracks = EC_ATracks->value();
    in.mediumText = EC_MEDIAcb->currentText();
    in.mediaCount = EC_NUMe->value();
    in.multipleVideos = EC_VIDrb->isChecked();
    in.audioText = EC_AUDIOcb->currentText();
    in.aviOutput = EC_AVIrb->isChecked();
    in.audioBoxShown = !EC_Audio_Box->isHidden();
    in.pcm = EC_PCMrb->isChecked();
    in.dimXText = EC_DimX->text();
    in.dimYText = EC_DimY->text();
    in.perFrame = rateFrame->isChecked();
    in.inBytes = rateByte->isChecked();
    in.autoUnit = rateAuto->isChecked();
    // A text that does not begin with a digit stops the run quietly, as an empty one does.
    const std::optional<CalcResult> result =
        CalculateBitrate(in, [](const QString &text) { return Translate(text); });
    if (result)
        showResult(*result);
}

void TCalcPage::showResult(const CalcResult &r)
{
    QPalette number = EC_Bitrate->palette();
    number.setColor(QPalette::WindowText, Rgb(r.colour));
    EC_Bitrate->setPalette(number);
    EC_Bitrate->setText(r.bitrateText);
    EC_SpaceLabel->setText(r.spaceLabel);
    if (!r.error) {
        if (rateAuto->isChecked()) {
            rateSec->setChecked(true);
            (r.inBytes ? rateByte : rateBit)->setChecked(true);
        }
        EC_Bitrate_Box->setTitle(r.boxCaption);
        m_videoShare = r.videoMB / r.totalMB;
        placeBars();
    }

    CalcMemo->setPlainText(ReportText(r));
    QTextCharFormat green;
    green.setForeground(QColor(0, 128, 0));
    QTextCursor cursor(CalcMemo->document());
    for (const CalcHighlight &h : r.highlights) {
        // The document counts one character per line break, the report two.
        const int at = h.start - h.line;
        cursor.setPosition(at);
        cursor.setPosition(at + h.length, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(green);
    }
    QTextCursor start(CalcMemo->document());
    CalcMemo->setTextCursor(start);
}

void TCalcPage::placeBars()
{
    if (m_videoShare < 0)
        return;
    const int width = EC_Stream_Box->width() - 16;
    const int video = int(m_videoShare * width);
    EC_VideoBar->setGeometry(8, 22, video, 16);
    EC_AudioBar->setGeometry(video + 8, 22, width - video, 16);
    EC_VideoBar->show();
    EC_AudioBar->show();
}

void TCalcPage::EC_PCMrbClick()
{
    const QString remembered = EC_AUDIOcb->currentText();
    const bool simple = EC_Audio_Box->isHidden();
    {
        const QSignalBlocker blocker(EC_AUDIOcb);
        EC_AUDIOcb->clear();
        if (EC_PCMrb->isChecked() || simple) {
            EC_AUDIOcb->addItems(PcmAudioPresets());
            EC_AUDIOcb->setCurrentIndex(EC_AUDIOcb->findText(kPcmDefault, Qt::MatchExactly | Qt::MatchCaseSensitive));
        }
        if (!EC_PCMrb->isChecked() || simple) {
            EC_AUDIOcb->addItems(CompressedAudioPresets());
            EC_AUDIOcb->setCurrentIndex(
                EC_AUDIOcb->findText(kCompressedDefault, Qt::MatchExactly | Qt::MatchCaseSensitive));
        }
        const int again = EC_AUDIOcb->findText(remembered, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (again >= 0)
            EC_AUDIOcb->setCurrentIndex(again);
    }
    calcRate();
}

void TCalcPage::EC_AdvancedClick()
{
    const QList<QWidget *> groups = {EC_FPS_Box, EC_Video_Box, EC_Audio_Box, EC_Storage_Box};
    const bool shown = window()->isVisible();
    const int stripBefore = EC_Advanced->mapToGlobal(QPoint()).y();
    if (AdvancedShown()) {
        EC_SECe->hide();
        EC_Colon->hide();
        EC_MinLabel->setText(Translate(QStringLiteral("minutes")));
        EC_SECe->setValue(0);
        for (QWidget *group : groups)
            group->hide();
        EC_Advanced->setArrowType(Qt::DownArrow);
        EC_Stream_Box->show();
        EC_Aspect_Box->hide();
        EC_ATracks->setValue(1);
        EC_NUMe->setValue(1);
    } else {
        EC_SECe->show();
        EC_Colon->show();
        EC_MinLabel->setText(Translate(QStringLiteral("min")));
        for (QWidget *group : groups)
            group->show();
        EC_Advanced->setArrowType(Qt::UpArrow);
        updatePreview();
        EC_Aspect_Box->show();
        EC_Stream_Box->hide();
    }
    // The pointer moves with the strip, so a second click on the same spot toggles back.
    if (shown) {
        layout()->activate();
        QCursor::setPos(QCursor::pos() + QPoint(0, EC_Advanced->mapToGlobal(QPoint()).y() - stripBefore));
    }
    EC_PCMrbClick();
}

void TCalcPage::EC_Aspect_BoxClick()
{
    const bool aspect = EC_Aspect_Box->isHidden();
    EC_Aspect_Box->setVisible(aspect);
    EC_Stream_Box->setVisible(!aspect);
}

void TCalcPage::EC_NUMeChange()
{
    const bool several = EC_NUMe->value() >= 2;
    EC_DISCrb->setEnabled(several);
    EC_VIDrb->setEnabled(several);
    calcRate();
}

void TCalcPage::rateByteClick()
{
    // The action group has already moved the check mark.
    calcRate();
}

void TCalcPage::rateAutoClick()
{
    // A click on the item has toggled it already; a call by name toggles it here.
    if (sender() != rateAuto)
        rateAuto->toggle();
}

void TCalcPage::applyProfile(QAction *perItem, QAction *unitItem, QRadioButton *audio)
{
    rateAuto->setChecked(false);
    EC_AVIrb->setChecked(true);
    perItem->setChecked(true);
    unitItem->setChecked(true);
    if (AdvancedShown())
        audio->setChecked(true);
    calcRate();
}

void TCalcPage::rateBuzClick()
{
    applyProfile(rateFrame, rateByte, EC_PCMrb);
}

void TCalcPage::rateDIVXClick()
{
    applyProfile(rateSec, rateBit, EC_MP3rb);
}

void TCalcPage::DVAVI1Click()
{
    applyProfile(rateSec, rateByte, EC_PCMrb);
}

bool TCalcPage::eventFilter(QObject *watched, QEvent *event)
{
    const bool box = watched == EC_Stream_Box || watched == EC_Aspect_Box;
    if (box && event->type() == QEvent::MouseButtonDblClick) {
        EC_Aspect_BoxClick();
        return true;
    }
    if (!box && event->type() == QEvent::MouseButtonPress) {
        EC_Aspect_BoxClick();
        return true;
    }
    if (watched == EC_Stream_Box && event->type() == QEvent::Resize)
        placeBars();
    return QWidget::eventFilter(watched, event);
}

} // namespace kbx
