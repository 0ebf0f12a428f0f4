#pragma once
// The Calc page: the inputs of the bitrate calculation, its presets and two layouts, the picture-size
// sliders with their aspect lock, the result menu, and the report with its number and bars.

#include "ui/page.h"

#include <QStringList>
#include <QWidget>

#include <utility>

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QMenu;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTextEdit;
class QToolButton;

namespace kbx {

struct CalcResult;

class TCalcPage : public QWidget, public TPage
{
    Q_OBJECT
public:
    explicit TCalcPage(QWidget *parent = nullptr);

    // The storage-medium list, for the Backup page's medium sizes and the Movies page's presets.
    QStringList MediaTexts() const;
    // The movie length as entered: (minutes, seconds).
    std::pair<int, int> MovieLength() const;
    // Puts the focus into the minutes field.
    void FocusMovieLength();
    // The result menu at a screen position (the main window's "Bitrate..." item).
    void ShowRateMenu(const QPoint &globalPos);
    QMenu *RateMenu() const { return RatePMenu; }
    double LockRatio() const { return m_lockRatio; }
    bool AdvancedShown() const;

    QStringList SettingKeys() const override;
    void LoadSetting(const QString &key, const TSettingsAccess &store) override;
    void SaveSetting(const QString &key, TSettingsAccess &store) const override;

public slots:
    void calcRate();
    void EC_PCMrbClick();
    void EC_AdvancedClick();
    void EC_Aspect_BoxClick();
    void EC_NUMeChange();
    void EC_TrackXChange();
    void EC_TrackYChange();
    void EC_Aspect_ComboChange();
    void EC_LockAspectClick();
    void EC_Align16Click();
    void rateByteClick();
    void rateAutoClick();
    void rateBuzClick();
    void rateDIVXClick();
    void DVAVI1Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildInputs();
    void buildResults();
    void buildMenu();
    void connectHandlers();
    void trackXChange(const QObject *from);
    void trackYChange(const QObject *from);
    void updatePreview();
    void showResult(const CalcResult &result);
    void placeBars();
    void applyProfile(QAction *perItem, QAction *unitItem, QRadioButton *audio);
    // The field a numeric setting is stored from, or nullptr.
    QSpinBox *settingSpin(const QString &key) const;

    QHBoxLayout *m_firstRow = nullptr;
    QGroupBox *EC_Length_Box = nullptr;
    QSpinBox *EC_MINe = nullptr;
    QLabel *EC_Colon = nullptr;
    QSpinBox *EC_SECe = nullptr;
    QLabel *EC_MinLabel = nullptr;
    QGroupBox *EC_FPS_Box = nullptr;
    QRadioButton *EC_PALrb = nullptr;
    QRadioButton *EC_NTSCrb = nullptr;
    QGroupBox *EC_Video_Box = nullptr;
    QRadioButton *EC_AVIrb = nullptr;
    QRadioButton *EC_MPEGrb = nullptr;
    QGroupBox *EC_Audio_Box = nullptr;
    QSpinBox *EC_ATracks = nullptr;
    QRadioButton *EC_PCMrb = nullptr;
    QRadioButton *EC_MP3rb = nullptr;
    QGroupBox *EC_Storage_Box = nullptr;
    QSpinBox *EC_NUMe = nullptr;
    QButtonGroup *m_mediaMode = nullptr;
    QToolButton *EC_DISCrb = nullptr;
    QToolButton *EC_VIDrb = nullptr;
    QGroupBox *EC_Media_Box = nullptr;
    QComboBox *EC_MEDIAcb = nullptr;
    QGroupBox *EC_AudioFormat_Box = nullptr;
    QComboBox *EC_AUDIOcb = nullptr;
    QToolButton *EC_Advanced = nullptr;

    QGroupBox *EC_Aspect_Box = nullptr;
    QSlider *EC_TrackX = nullptr;
    QSlider *EC_TrackY = nullptr;
    QLabel *EC_DimX = nullptr;
    QLabel *EC_DimY = nullptr;
    QCheckBox *EC_LockAspect = nullptr;
    QCheckBox *EC_Align16 = nullptr;
    QComboBox *EC_Aspect_Combo = nullptr;
    QFrame *EC_Vid_Area = nullptr;
    QFrame *EC_Vid_pic = nullptr;
    QLabel *EC_Vid_Label = nullptr;

    QGroupBox *EC_Stream_Box = nullptr;
    QFrame *EC_VideoBar = nullptr;
    QFrame *EC_AudioBar = nullptr;
    QLabel *EC_SpaceLabel = nullptr;
    QGroupBox *EC_Bitrate_Box = nullptr;
    QLabel *EC_Bitrate = nullptr;
    QGroupBox *EC_Memo_Box = nullptr;
    QTextEdit *CalcMemo = nullptr;

    QMenu *RatePMenu = nullptr;
    QAction *rateAuto = nullptr;
    QAction *rateBuz = nullptr;
    QAction *rateDIVX = nullptr;
    QAction *DVAVI1 = nullptr;
    QAction *rateSec = nullptr;
    QAction *rateFrame = nullptr;
    QAction *rateBit = nullptr;
    QAction *rateByte = nullptr;

    double m_lockRatio = 16.0 / 9.0;
    // The share of the stream box the video bar had at the last run; the bars follow resizes with it.
    double m_videoShare = -1;
};

} // namespace kbx
