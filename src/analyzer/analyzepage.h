#pragma once
// The Analyze page: walks a program stream pack by pack and logs one value per pack, with named
// search profiles kept in "analyzeVOB.ini" in the program folder.

#include "analyzer/logstore.h"
#include "analyzer/logview.h"
#include "analyzer/packwalk.h"
#include "analyzer/profiles.h"
#include "ui/page.h"

#include <QStringList>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QToolButton;
class QVBoxLayout;

namespace kbx {

class TOxFileEdit;

class TAnalyzeVOBFrame : public QWidget, public TPage
{
    Q_OBJECT
public:
    QAbstractButton *StartButton() const override;
    QAbstractButton *StopButton() const override;
    explicit TAnalyzeVOBFrame(QWidget *parent = nullptr);

    // The main window's creation step: loads the profile list and applies the edit toggle.
    void FrameCreate();
    // The start button's verb: the window's translation would take its caption for a noun.
    void Retranslate() override;

    // Where profiles are mailed to.
    static QString ContributionAddress();

    QString ProfileFile() const;
    bool isRunning() const { return m_running; }
    // Every line of the log, kept by the page; `output` shows it.
    const TLogStore &log() const { return m_log; }

    void LoadProfile(const QString &name);
    void SaveProfile(const QString &name);
    void ReloadProfileList();
    void ContributionMail();

    // The last source file ("AnalyzeSource") and the last log file written ("AnalyzeLog"), where the
    // next "Save log" dialog starts.
    QStringList SettingKeys() const override;
    void LoadSetting(const QString &key, const TSettingsAccess &store) override;
    void SaveSetting(const QString &key, TSettingsAccess &store) const override;
    QString LastLogFile() const { return m_lastLog; }

    TOxFileEdit *ed_source = nullptr;
    QComboBox *ed_profile = nullptr;
    QPushButton *btn_research = nullptr;
    QPushButton *btn_Stop = nullptr;
    QToolButton *btn_save = nullptr;
    QToolButton *btn_edit = nullptr;
    QToolButton *btn_contrib = nullptr;
    QLineEdit *ed_offset = nullptr;
    QLineEdit *ed_OffsetInc = nullptr;
    QRadioButton *type_8 = nullptr;
    QRadioButton *type_16 = nullptr;
    QRadioButton *type_32 = nullptr;
    QCheckBox *ed_diffs = nullptr;
    QCheckBox *ed_signed = nullptr;
    QCheckBox *pack_nav = nullptr;
    QCheckBox *pack_aud = nullptr;
    QCheckBox *pack_vid = nullptr;
    QCheckBox *cb_Range = nullptr;
    QLineEdit *range_0 = nullptr;
    QLineEdit *range_1 = nullptr;
    TLogView *output = nullptr;
    QToolButton *btn_ClearLog = nullptr;
    QToolButton *btn_SaveLog = nullptr;
    QProgressBar *ProgressBar1 = nullptr;

    // The five parameter groups shown while btn_edit is down.
    QGroupBox *gb_offset = nullptr;
    QGroupBox *gb_type = nullptr;
    QGroupBox *gb_signed = nullptr;
    QGroupBox *gb_packs = nullptr;
    QGroupBox *gb_range = nullptr;

public slots:
    void FormCreate();
    void btn_researchClick();
    void btn_StopClick();
    void btn_saveClick();
    void btn_editClick();
    void btn_contribClick();
    void ed_profileChange();
    void ed_diffsClick();
    void btn_ClearLogClick();
    void btn_SaveLogClick();
    void FormResize();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    TVobProfile profileFromControls() const;
    void applyProfile(const TVobProfile &profile);
    PackWalkOptions currentOptions() const;
    void setRunning(bool running);
    void flushLog();

    bool StopRequested = false;
    bool m_running = false;
    TLogStore m_log;
    QString m_lastLog;
};

} // namespace kbx
