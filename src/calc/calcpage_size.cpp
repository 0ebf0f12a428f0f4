// The picture size: the two sliders with their aspect lock, 16-pixel alignment, the aspect presets
// and the preview.

#include "calc/bitrate.h"
#include "calc/calcpage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QSlider>

#include <cmath>

namespace kbx {

namespace {

// Grey (the button face) when the lock wanted a size the other slider cannot hold, white otherwise.
void MarkRatio(QLabel *label, bool clamped)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, clamped ? label->palette().color(QPalette::Button) : QColor(Qt::white));
    label->setPalette(palette);
}

void SetClamped(QSlider *slider, double value)
{
    slider->setValue(int(qBound<double>(slider->minimum(), std::trunc(value), slider->maximum())));
}

} // namespace

void TCalcPage::EC_TrackXChange()
{
    trackXChange(sender());
}

void TCalcPage::EC_TrackYChange()
{
    trackYChange(sender());
}

void TCalcPage::trackXChange(const QObject *from)
{
    const int x = EC_TrackX->value();
    EC_DimX->setText(QString::number(EC_Align16->isChecked() ? x * 16 : x));
    // Changes made by program code only refresh the caption.
    if (!EC_TrackX->hasFocus() && from != EC_Aspect_Combo)
        return;
    if (EC_LockAspect->isChecked()) {
        const double y = std::trunc(x / m_lockRatio);
        MarkRatio(EC_Vid_Label, y < EC_TrackY->minimum() || y > EC_TrackY->maximum());
        SetClamped(EC_TrackY, y);
    }
    updatePreview();
}

void TCalcPage::trackYChange(const QObject *from)
{
    const int y = EC_TrackY->value();
    EC_DimY->setText(QString::number(EC_Align16->isChecked() ? y * 16 : y));
    if (!EC_TrackY->hasFocus() && from != EC_Aspect_Combo)
        return;
    if (EC_LockAspect->isChecked()) {
        double x = y * m_lockRatio;
        // The width is rounded up.
        if (x != std::floor(x))
            x += 1;
        MarkRatio(EC_Vid_Label, x < EC_TrackX->minimum() || x > EC_TrackX->maximum());
        SetClamped(EC_TrackX, x);
    }
    updatePreview();
}

void TCalcPage::updatePreview()
{
    const int x = EC_TrackX->value();
    const int y = EC_TrackY->value();
    EC_Vid_Label->setText(FloatToStr2(double(x) / y) + QStringLiteral(":1"));
    int width = 64;
    int height = int(Nearest(y * 64.0 / x));
    if (height > 48) {
        height = 48;
        width = int(Nearest(x * 48.0 / y));
    }
    EC_Vid_pic->setGeometry((64 - width) / 2 + 8, (48 - height) / 2 + 18, width, height);
    calcRate();
}

void TCalcPage::EC_Aspect_ComboChange()
{
    const QString item = EC_Aspect_Combo->currentText();
    const bool dvd43 = item == QLatin1String("DVD 4:3");
    if (item == QLatin1String("16:9")) {
        m_lockRatio = 16.0 / 9.0;
    } else if (item == QLatin1String("4:3")) {
        m_lockRatio = 4.0 / 3.0;
    } else if (item == QLatin1String("24:10")) {
        m_lockRatio = 2.35;
    } else if (dvd43 || item == QLatin1String("DVD 16:9")) {
        // The DVD presets end at exactly their sizes: set both with the lock off, then lock on them.
        EC_LockAspect->setChecked(false);
        const bool aligned = EC_Align16->isChecked();
        EC_TrackX->setValue(aligned ? 45 : 720);
        EC_TrackY->setValue(aligned ? (dvd43 ? 36 : 27) : (dvd43 ? 576 : 432));
        EC_LockAspect->setChecked(true);
    }
    trackXChange(EC_Aspect_Combo);
}

void TCalcPage::EC_LockAspectClick()
{
    if (EC_LockAspect->isChecked())
        m_lockRatio = double(EC_TrackX->value()) / EC_TrackY->value();
}

void TCalcPage::EC_Align16Click()
{
    const bool aligned = EC_Align16->isChecked();
    for (QSlider *slider : {EC_TrackX, EC_TrackY}) {
        // This order keeps the position inside the range while the range changes.
        if (aligned) {
            slider->setMinimum(slider->minimum() / 16);
            slider->setValue(slider->value() / 16);
            slider->setMaximum(slider->maximum() / 16);
            slider->setTickInterval(slider->tickInterval() / 16);
        } else {
            slider->setTickInterval(slider->tickInterval() * 16);
            slider->setMaximum(slider->maximum() * 16);
            slider->setValue(slider->value() * 16);
            slider->setMinimum(slider->minimum() * 16);
        }
    }
    updatePreview();
}

} // namespace kbx
