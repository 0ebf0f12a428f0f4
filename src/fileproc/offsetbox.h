#pragma once
// The "Offsets" box: start, length and end fields with their sliders or step buttons, the unit,
// the align button, the file-type button and the parts menu. It keeps the fields' own mechanics
// (quiet writes, enabling, sliders or buttons); the Files page runs the handlers that link them.

#include <QGroupBox>

class QComboBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QSlider;
class QToolButton;

namespace kbx {

class TOffsetBox : public QGroupBox
{
    Q_OBJECT
public:
    explicit TOffsetBox(QWidget *parent = nullptr);

    // Writes the decimal value unless the field shows it already (a rewrite would move the caret).
    static void WriteField(QLineEdit *field, qint64 value);
    // Moves a slider without it counting as the user's move.
    void SetSliderQuietly(QSlider *slider, int position);
    bool SettingSlider() const { return m_settingSlider; }
    // Every field "0" and both sliders at the left, without running the change handlers.
    void ResetToZero();
    void SetControlsEnabled(bool start, bool length, bool end);
    // Sliders, or the step and multiply buttons, in the same place.
    void ShowSliders(bool sliders);

    QLineEdit *offStart = nullptr;
    QLineEdit *offLength = nullptr;
    QLineEdit *offEnd = nullptr;
    QSlider *offStartTrack = nullptr;
    QSlider *offLengthTrack = nullptr;
    QToolButton *incStart1 = nullptr, *incStart2 = nullptr, *incStart3 = nullptr;
    QToolButton *decStart1 = nullptr, *decStart2 = nullptr, *decStart3 = nullptr;
    QToolButton *incLen1 = nullptr, *incLen2 = nullptr, *incLen3 = nullptr;
    QToolButton *decLen1 = nullptr, *decLen2 = nullptr, *decLen3 = nullptr;
    QToolButton *mxStart = nullptr;
    QToolButton *mxLength = nullptr;
    QComboBox *offMode = nullptr;
    QPushButton *alignBtn = nullptr;
    QToolButton *vobAdjust = nullptr;
    QMenu *pm_Parts = nullptr;

private:
    bool m_settingSlider = false;
};

} // namespace kbx
