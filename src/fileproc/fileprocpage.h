#pragma once
// The Files page: six file functions over the copy engine, their offsets, the join list, the range
// figure and the job's progress.

#include "dvd/packprobe.h"
#include "fileproc/functions.h"
#include "fileproc/offsets.h"
#include "ui/page.h"
#include "platform/jobactivity.h"

#include <QHash>
#include <QWidget>

#include <chrono>
#include <memory>

class QAction;
class QActionGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QSlider;
class QTimer;
class QToolButton;

namespace kbx {

struct FileJobRequest;
struct JobPlan;
struct FileJobSettings;
struct VerifyReport;
class TSettingsAccess;
class TVerifyDialog;
class TActivityDot;
class TJoinPanel;
class TOffsetBox;
class TFileJob;
class TOxFileEdit;
class TProgressImage;
class TRangeFigure;

class TFileProcPage : public QWidget, public TPage
{
    Q_OBJECT
public:
    QAbstractButton *StartButton() const override;
    QAbstractButton *StopButton() const override;
    explicit TFileProcPage(PackProbeState &probe, QWidget *parent = nullptr);
    ~TFileProcPage() override;

    FileFunction Function() const;
    qint64 InputSize() const { return m_inputSize; }
    qint64 JoinTotal() const { return m_joinTotal; }
    // JoinTotal for the merge functions, InputSize for the others.
    qint64 MaxSize() const;
    qint64 AlignUnit() const { return m_alignUnit; }
    QString PartsMaskText() const { return m_partsMask; }
    bool FigureDirty() const { return m_figureDirty; }

    // A job has been started and has not been wound up yet.
    bool IsBusy() const { return m_busy; }
    // The engine of the last job (nullptr before the first).
    const TFileJob *Job() const { return m_job.get(); }

    // Whether the window may close; asks while a job runs and aborts it on yes.
    bool FormCloseQuery();
    void RefreshFunction();
    void UpdateJoinTotal();
    QString DefaultOutputName(const QString &currentOutput, const QString &inputName) const;

    // The cleaned and limited value of an offset field, rewriting the field when needed.
    qint64 ReadOffsetField(QLineEdit *field);
    // An offset as the job descriptions show it, in the current unit and display.
    QString OffsetText(qint64 value) const;

    // The join list, for the DVD page's merge hand-over. While adding is suspended, changes to the
    // list do not update the total; UpdateJoinTotal afterwards does.
    QListWidget *JoinList() const { return joinList; }
    QStringList JoinEntries() const;
    void SetAddingFiles(bool adding) { m_addingFiles = adding; }
    bool AddingFiles() const { return m_addingFiles; }
    // Replaces the join list with these files and their sizes, proposes the output name from the
    // first, and selects "Merge files".
    void MergeFiles(const QStringList &paths);
    // Takes a file as the input, as if it had been picked with the browse button.
    void OpenInputFile(const QString &fileName);
    // The Movies page's hand-over: takes the file as the input and selects "Split file".
    void SplitFile(const QString &fileName);

    // Settings kept by the main window: "calcHex" and "OffSetting"; the last source and
    // destination file ("FilesSource", "FilesTarget").
    bool HexDisplay() const;
    void SetHexDisplay(bool on);
    QString OffsetSetting() const;
    void SetOffsetSetting(const QString &setting);

    QStringList SettingKeys() const override;
    void LoadSetting(const QString &key, const TSettingsAccess &store) override;
    void SaveSetting(const QString &key, TSettingsAccess &store) const override;
    // FormCloseQuery.
    bool MayClose() override;
    // The join list's captions carry translated words ("unreadable").
    void Retranslate() override;

    // The display-style menu at a screen position (the main window's "Progress bar..." item).
    void ShowDrawMenu(const QPoint &globalPos);

    // --- checksums (fileprocpage_checksums.cpp) ---
    // HashKind bits chosen in the options menu, and the checksum file: 0 none, 1 SFV, 2 SHA-256.
    unsigned HashKinds() const;
    int SidecarChoice() const;
    // Settings "HashKinds" and "Sidecar", in the page-interface form.
    QStringList ChecksumSettingKeys() const;
    void LoadChecksumSetting(const QString &key, const TSettingsAccess &store);
    void SaveChecksumSetting(const QString &key, TSettingsAccess &store) const;
    // --- end checksums ---

signals:
    // A job has ended; the window shows this page.
    void bringToFrontRequested();
    // The page is idle again after a job (tests wait for it).
    void jobFinished();

public slots:
    void truncRadioClick();
    void cloneRadioClick();
    void crcRadioClick();
    void mergeRadioClick();
    void splitRadioClick();
    void mergeSplitRadioClick();
    void UpdateStartButton();
    void outputFNameChange();
    void startBtnClick();
    void stopBtnClick();
    void fp_OptionsClick();
    void fp_advancedClick();
    void cbDVDheadClick();

    void TruncTimerTimer();
    void RepaintTimerTimer();
    void ShowJobSummary();
    void pb_StyleClick();
    void progressClick();
    void figureClick();

    void offStartChange();
    void offLengthChange();
    void offStartTrackChange();
    void offLengthTrackChange();
    void incStart1Click();
    void incStart2Click();
    void incStart3Click();
    void decStart1Click();
    void decStart2Click();
    void decStart3Click();
    void incLen1Click();
    void incLen2Click();
    void incLen3Click();
    void decLen1Click();
    void decLen2Click();
    void decLen3Click();
    void mxStartClick();
    void mxLengthClick();
    void offModeChange();
    void alignBtnClick();
    void vobAdjustClick();
    void offHexaClick();
    void off_buttonClick();
    void pm_PartsClick();
    void browseInputClick();

    void joinAddClick();
    void joinRemoveClick();
    void joinInvertClick();
    void joinSortClick();
    void joinMoveUpClick();
    void joinMoveDownClick();
    void joinListClick();
    void joinListDblClick();
    // Files and folders dropped on the join list: appended in the order dropped, a folder's files as
    // "Add files..." adds a complete directory. Refused while a job runs.
    void joinListDragDrop(const QStringList &paths);
    void mi_VerifyChecksumsClick();  // checksums

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // fileprocpage.cpp: building the controls.
    void buildFunctionBox();
    void buildOptionBox();
    void buildOptionsMenu();
    void buildFigure();
    void buildFileFields();
    void buildJoinPanel();
    void buildOffsetBox();
    void buildDrawMenu();
    void buildLayout();
    void connectHandlers();

    // fileprocpage_functions.cpp
    void applyFunction(FileFunction function);
    void showDescription();
    bool parametersComplete() const;
    qint64 partCount();
    FileJobRequest jobRequest();
    void truncateInput(qint64 length);
    void startJob(const JobPlan &plan);
    void lockPage();
    void unlockPage();
    void finishJob();
    void checkJobParked();
    std::chrono::nanoseconds jobDuration() const;

    // fileprocpage_progress.cpp
    void drawFigure();
    void updateFigureVisibility();
    void updateActivityDots();
    int drawStyle() const;

    // fileprocpage_offsets.cpp
    void stepField(QLineEdit *field, int pair, bool up);
    void multiplyField(QLineEdit *field);
    void updateAdvancedOptions();
    void updateOffsetBoxEnabled();
    void resetOffsetsToZero();
    // A hand-over from another page while a job runs: says so and returns true.
    bool refuseWhileBusy();

    // fileprocpage_checksums.cpp
    void buildChecksumItems();
    void applyChecksumSettings(FileJobSettings &settings) const;
    QString plannedSidecar() const;
    bool checksumChecksBeforeStart();
    QString checksumSummary();
    quint32 shownCrc(bool &show) const;
    VerifyReport showVerification(const QString &list);

    // fileprocpage_settings.cpp: "FilesSource" and "FilesTarget".
    void loadLastPath(const QString &key, const QString &path);

    // fileprocpage_join.cpp
    void tellLeftOut(const QStringList &folders);
    // After files were added: proposes the output name from the first entry when `added`, updates the
    // total and names the folders that could not be read.
    void joinFilesAdded(bool added, const QStringList &leftOut);

    PackProbeState &m_probe;

    QGroupBox *fp_FunctionBox = nullptr;
    QRadioButton *truncRadio = nullptr;
    QRadioButton *cloneRadio = nullptr;
    QRadioButton *crcRadio = nullptr;
    QRadioButton *mergeRadio = nullptr;
    QRadioButton *splitRadio = nullptr;
    QRadioButton *mergeSplitRadio = nullptr;

    QGroupBox *fp_OptionBox = nullptr;
    QRadioButton *fp_simple = nullptr;
    QRadioButton *fp_advanced = nullptr;
    QPushButton *fp_Options = nullptr;
    QSlider *parallel = nullptr;
    TActivityDot *dotRead = nullptr;
    TActivityDot *dotCrc = nullptr;
    TActivityDot *dotWrite = nullptr;

    QMenu *pm_FileOptions = nullptr;
    QAction *calcCRC = nullptr;
    QAction *cbDuplicate = nullptr;
    QAction *cbDVDhead = nullptr;
    QActionGroup *splitModeGroup = nullptr;
    QAction *cb_SplitEverywhere = nullptr;
    QAction *cb_SplitAVSync = nullptr;
    QAction *cb_SplitCellHeader = nullptr;
    QAction *off_slide = nullptr;
    QAction *off_button = nullptr;
    QAction *offHexa = nullptr;
    // checksums
    QAction *cbHashKinbox = nullptr, *cbHashCrc32 = nullptr, *cbHashSha256 = nullptr;
    QAction *cbSidecarNone = nullptr, *cbSidecarSfv = nullptr, *cbSidecarSha256 = nullptr;
    QAction *mi_VerifyChecksums = nullptr;
    TVerifyDialog *m_verifyDialog = nullptr;
    bool m_sidecarReplaceAsked = false;

    QWidget *figureArea = nullptr;
    TRangeFigure *figure = nullptr;
    TProgressImage *progress = nullptr;
    QMenu *DrawPMenu = nullptr;
    QAction *pb_Style1 = nullptr;
    QAction *pb_Style2 = nullptr;
    QAction *pb_Style3 = nullptr;
    QAction *pb_Style4 = nullptr;

    QLabel *inputCaption = nullptr;
    TOxFileEdit *inputFName = nullptr;
    QLabel *outputCaption = nullptr;
    TOxFileEdit *outputFName = nullptr;

    TJoinPanel *joinPanel = nullptr;
    QListWidget *joinList = nullptr; // the panel's list

    // The box owns these controls; the page keeps the ones its handlers use most at hand.
    TOffsetBox *fp_OffsetBox = nullptr;
    QLineEdit *offStart = nullptr;
    QLineEdit *offLength = nullptr;
    QLineEdit *offEnd = nullptr;
    QSlider *offStartTrack = nullptr;
    QSlider *offLengthTrack = nullptr;
    QComboBox *offMode = nullptr;
    QPushButton *alignBtn = nullptr;
    QToolButton *vobAdjust = nullptr;
    QMenu *pm_Parts = nullptr;

    QLabel *labOpenPrompt = nullptr;
    QPushButton *startBtn = nullptr;
    QPushButton *stopBtn = nullptr;
    QLabel *fpStatus = nullptr;

    QTimer *TruncTimer = nullptr;
    QTimer *RepaintTimer = nullptr;
    QTimer *m_parkCheck = nullptr;

    FileFunction m_function = FileFunction::Split;
    InputKind m_inputKind = InputKind::Other;
    // The user is typing into the output field; the output-name rule waits for the end.
    bool m_outputTyping = false;
    qint64 m_inputSize = 0;
    qint64 m_joinTotal = 0;
    qint64 m_alignUnit = 1;
    QString m_partsMask = QStringLiteral("?");
    bool m_figureDirty = false;
    bool m_addingFiles = false;

    std::unique_ptr<TFileJob> m_job;
    // The running job seen from the desktop: machine kept awake, progress, notice at the end.
    std::unique_ptr<JobActivity> m_activity;
    FileFunction m_jobFunction = FileFunction::Split;
    QString m_jobRangeNote;
    bool m_busy = false;
    bool m_aborted = false;
    qint32 m_jobTicks = 0;
    // The job's own duration on the steady clock (nanoseconds): the summary's time and speed come
    // from it, not from the progress timer's ticks. The time the stop question held the job paused
    // does not count.
    qint64 m_jobStartNs = 0;
    qint64 m_jobEndNs = -1;
    qint64 m_jobPausedNs = 0;
    qint32 m_lastProgressMark = 0;
    // Own enabled flags of the controls while the page is locked for a job.
    QHash<QWidget *, bool> m_lockedStates;
};

} // namespace kbx
