// The "Offsets" box: reading and linking the fields, stepping, aligning, the unit, and the choice of
// the input file with its type and the advanced options.

#include "fileproc/fileprocpage.h"

#include "engine/hugefile.h"
#include "fileproc/fileprocpage_text.h"
#include "fileproc/joinpanel.h"
#include "fileproc/offsetbox.h"
#include "fileproc/filenames.h"
#include "fileproc/joinlist.h"
#include "fileproc/offsets.h"
#include "ui/fileedit.h"

#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStackedWidget>
#include <QToolButton>

namespace kbx {

using filepage::NativeName;
using filepage::Tr;

qint64 TFileProcPage::ReadOffsetField(QLineEdit *field)
{
    const qint64 maxSize = MaxSize();
    if (maxSize <= 0) {
        // Nothing chosen yet: every field shows 0 (and nothing can start).
        if (field->text() != QLatin1String("0"))
            resetOffsetsToZero();
        return 0;
    }
    const OffsetField kind = field == offLength                     ? OffsetField::Length
        : field == offStart || field == offEnd                      ? OffsetField::StartOrEnd
                                                                    : OffsetField::Other;
    const OffsetRead read = ReadOffsetValue(field->text(), kind, maxSize);
    // Rewriting an unchanged text would only move the caret.
    if (read.changed && read.text != field->text()) {
        const int caret = field->cursorPosition();
        field->setText(read.text);
        field->setCursorPosition(std::max(caret + read.caretShift, 0));
    }
    return read.value;
}

QString TFileProcPage::OffsetText(qint64 value) const
{
    return kbx::OffsetText(value, m_alignUnit, offHexa->isChecked(), offMode->currentText());
}

void TFileProcPage::resetOffsetsToZero()
{
    fp_OffsetBox->ResetToZero();
    m_figureDirty = true;
}

void TFileProcPage::offStartChange()
{
    const qint64 maxSize = MaxSize();
    if (maxSize <= 0) {
        resetOffsetsToZero();
        return;
    }
    const qint64 start = ReadOffsetField(offStart);
    fp_OffsetBox->SetSliderQuietly(offStartTrack, int(Nearest(double(start) / double(maxSize) * 100)));
    const OffsetRange range = StartChanged(start, ReadOffsetField(offLength), maxSize);
    TOffsetBox::WriteField(offLength, range.length);
    TOffsetBox::WriteField(offEnd, range.end);
    m_figureDirty = true;
}

void TFileProcPage::offLengthChange()
{
    const qint64 maxSize = MaxSize();
    if (maxSize <= 0) {
        resetOffsetsToZero();
        return;
    }
    const qint64 start = ReadOffsetField(offStart);
    const qint64 length = ReadOffsetField(offLength);
    const OffsetRange range = LengthChanged(start, length, maxSize);
    fp_OffsetBox->SetSliderQuietly(offLengthTrack, range.sliderPosition);
    TOffsetBox::WriteField(offStart, range.start);
    TOffsetBox::WriteField(offEnd, range.end);
    m_figureDirty = true;
}

void TFileProcPage::offStartTrackChange()
{
    if (fp_OffsetBox->SettingSlider() || MaxSize() <= 0)
        return;
    TOffsetBox::WriteField(offStart, SliderValue(MaxSize(), offStartTrack->value()));
}

void TFileProcPage::offLengthTrackChange()
{
    if (fp_OffsetBox->SettingSlider() || MaxSize() <= 0)
        return;
    TOffsetBox::WriteField(offLength, SliderValue(MaxSize(), offLengthTrack->value()));
}

void TFileProcPage::stepField(QLineEdit *field, int pair, bool up)
{
    if (!field->isEnabled())
        return;
    const qint64 step = StepSize(pair, m_alignUnit);
    TOffsetBox::WriteField(field, StepOffset(ReadOffsetField(field), up ? step : -step));
}

void TFileProcPage::incStart1Click() { stepField(offStart, 1, true); }
void TFileProcPage::incStart2Click() { stepField(offStart, 2, true); }
void TFileProcPage::incStart3Click() { stepField(offStart, 3, true); }
void TFileProcPage::decStart1Click() { stepField(offStart, 1, false); }
void TFileProcPage::decStart2Click() { stepField(offStart, 2, false); }
void TFileProcPage::decStart3Click() { stepField(offStart, 3, false); }
void TFileProcPage::incLen1Click() { stepField(offLength, 1, true); }
void TFileProcPage::incLen2Click() { stepField(offLength, 2, true); }
void TFileProcPage::incLen3Click() { stepField(offLength, 3, true); }
void TFileProcPage::decLen1Click() { stepField(offLength, 1, false); }
void TFileProcPage::decLen2Click() { stepField(offLength, 2, false); }
void TFileProcPage::decLen3Click() { stepField(offLength, 3, false); }

void TFileProcPage::multiplyField(QLineEdit *field)
{
    if (!field->isEnabled())
        return;
    // The typed number counts units: it is taken as it stands, before the byte limits apply.
    const qint64 units = ReadOffsetValue(field->text(), OffsetField::Other, 0).value;
    TOffsetBox::WriteField(field, MultiplyOffset(units, m_alignUnit));
}

void TFileProcPage::mxStartClick() { multiplyField(offStart); }
void TFileProcPage::mxLengthClick() { multiplyField(offLength); }

void TFileProcPage::offModeChange()
{
    m_alignUnit = AlignUnitOf(offMode->currentText());
    showDescription();
}

void TFileProcPage::alignBtnClick()
{
    const qint64 unit = AlignActionUnit(m_alignUnit, vobAdjust->isChecked(), m_probe.PackSize);
    if (MaxSize() > 0) {
        for (QLineEdit *field : {offStart, offLength}) {
            const qint64 value = ReadOffsetValue(field->text(), OffsetField::Other, 0).value;
            TOffsetBox::WriteField(field, AlignOffset(value, unit, MaxSize()));
        }
    }
    vobAdjust->setToolTip(AlignHintText(unit, filepage::Translation()));
}

void TFileProcPage::vobAdjustClick()
{
    if (vobAdjust->isChecked())
        alignBtnClick();
}

void TFileProcPage::offHexaClick()
{
    showDescription();
}

bool TFileProcPage::HexDisplay() const
{
    return offHexa->isChecked();
}

void TFileProcPage::SetHexDisplay(bool on)
{
    offHexa->setChecked(on);
    offHexaClick();
}

void TFileProcPage::off_buttonClick()
{
    // A click has flipped the item already; run by name, the handler flips "buttons" itself.
    auto *item = qobject_cast<QAction *>(sender());
    if (item != off_slide && item != off_button) {
        item = off_button;
        item->setChecked(!item->isChecked());
    }
    QAction *other = item == off_slide ? off_button : off_slide;
    other->setChecked(!item->isChecked());
    fp_OffsetBox->ShowSliders(off_slide->isChecked());
}

QString TFileProcPage::OffsetSetting() const
{
    return off_slide->isChecked() ? QStringLiteral("slider") : QStringLiteral("button");
}

void TFileProcPage::SetOffsetSetting(const QString &setting)
{
    const bool buttons = setting == QLatin1String("button");
    off_button->setChecked(buttons);
    off_slide->setChecked(!buttons);
    fp_OffsetBox->ShowSliders(off_slide->isChecked());
}

void TFileProcPage::pm_PartsClick()
{
    auto *item = qobject_cast<QAction *>(sender());
    if (!item || MaxSize() <= 0)
        return;
    const int parts = PartsMenuNumber(item->text());
    if (parts >= 1)
        TOffsetBox::WriteField(offLength, PartsMenuLength(parts, MaxSize()));
}

void TFileProcPage::updateOffsetBoxEnabled()
{
    // The box follows what the function works on: a usable input file, or a filled join list.
    const bool usable = IsMergeFunction(Function()) ? joinList->count() > 0 : m_inputSize >= 1;
    fp_OffsetBox->setEnabled(usable);
}

bool TFileProcPage::refuseWhileBusy()
{
    if (!m_busy)
        return false;
    // The running job's fields stay as they are; the job is never touched.
    filepage::Tell(QStringLiteral("Kinbox is currently processing files. Try again when the job has ended."));
    return true;
}

void TFileProcPage::OpenInputFile(const QString &fileName)
{
    if (refuseWhileBusy())
        return;
    inputFName->setText(fileName);
    browseInputClick();
}

void TFileProcPage::SplitFile(const QString &fileName)
{
    if (refuseWhileBusy())
        return;
    OpenInputFile(fileName);
    splitRadio->setChecked(true);
    splitRadioClick();
}

void TFileProcPage::browseInputClick()
{
    if (m_busy)
        return;
    const QString name = inputFName->Text();
    // Asked without opening: a pipe would block the window until someone writes to it.
    const NameKind fileKind = KindOf(name);
    m_inputSize = ReadableSize(name);
    m_inputKind = InputKind::Other;
    if (m_inputSize < 1) {
        inputFName->setText(QString());
        inputCaption->setText(Tr(QStringLiteral("Source file")));
        fp_OffsetBox->setEnabled(false);
        vobAdjust->setText(QStringLiteral("???"));
        vobAdjust->hide();
        resetOffsetsToZero();
        if (fileKind == NameKind::Special)
            filepage::TellTranslated(this, Tr(QStringLiteral("This is a pipe, socket or device, not a file that can "
                                                             "be read as a whole:"))
                                               + filepage::LineBreak + QLatin1Char('"') + name + QLatin1Char('"'));
        else
            filepage::Tell(QStringLiteral("File open error. The file may be in use."));
        RefreshFunction();
        return;
    }
    fp_OffsetBox->setEnabled(true);
    inputCaption->setText(FileNamePart(name) + QStringLiteral(" (") + QString::number(m_inputSize)
                          + QStringLiteral(" Bytes)"));
    offStart->setText(QStringLiteral("0"));
    offLength->setText(QString::number(m_inputSize));
    {
        // The unit is applied once below; the combo box must not refresh the page half-way.
        const QSignalBlocker quiet(offMode);
        offMode->setCurrentText(UnitBySize(m_inputSize));
    }

    const InputKind kind = InputKindOf(name);
    m_inputKind = kind;
    if (kind == InputKind::Mpeg) {
        if (!ProbeMpegPacks(NativeName(name), m_probe)) {
            filepage::TellTranslated(
                this, Tr(QStringLiteral("DVD cannot be read. Start a DVD player to initialize access."))
                          + filepage::LineBreak
                          + Tr(QStringLiteral("You can immediately quit the player after it has first accessed the DVD.")));
        }
    } else {
        m_probe.MpegKind = MpegNone;
    }
    vobAdjust->setText(FileTypeCaption(kind, m_probe.MpegKind));
    vobAdjust->show();

    updateAdvancedOptions();
    offModeChange();
    outputFName->setText(DefaultOutputName(outputFName->Text(), name));
    labOpenPrompt->hide();
    RefreshFunction();
}

void TFileProcPage::fp_OptionsClick()
{
    pm_FileOptions->popup(QCursor::pos());
}

void TFileProcPage::fp_advancedClick()
{
    cbDVDhead->setChecked(false);
}

void TFileProcPage::cbDVDheadClick()
{
    // Only the advanced-options update sets this item; a click must not change it. The action
    // has flipped itself already when it was triggered by a click.
    if (QAction *item = qobject_cast<QAction *>(sender()))
        item->setChecked(!item->isChecked());
}

void TFileProcPage::updateAdvancedOptions()
{
    if (m_probe.MpegKind == MpegNone) {
        fp_advanced->setEnabled(false);
        fp_simple->setChecked(true);
        cbDVDhead->setEnabled(false);
        cbDVDhead->setChecked(false);
        cbDuplicate->setEnabled(false);
        cbDuplicate->setChecked(false);
        vobAdjust->setEnabled(false);
        vobAdjust->setChecked(false);
        return;
    }
    cbDVDhead->setEnabled(true);
    cbDVDhead->setChecked(fp_simple->isChecked());
    fp_advanced->setEnabled(true);
    cbDuplicate->setEnabled(true);
    vobAdjust->setEnabled(true);
    vobAdjust->setChecked(true);
    vobAdjustClick();
}

} // namespace kbx
