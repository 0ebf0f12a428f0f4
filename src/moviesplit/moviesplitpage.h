#pragma once
// The Movies page: classifies a movie file and keeps segment size, segment count and segment
// duration in step. Start splits the movie on a thread of its own; the Files page can take the
// file over instead.

#include "moviesplit/moviesplitter.h"
#include "moviesplit/splitcontrol.h"
#include "ui/page.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <utility>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QStatusBar;

namespace kbx {

class TOxFileEdit;
class TMovieSplitJob;

class TMovieSplitPage : public QWidget, public TPage
{
    Q_OBJECT
public:
    QAbstractButton *StartButton() const override;
    explicit TMovieSplitPage(QWidget *parent = nullptr);
    ~TMovieSplitPage() override;
    // The start button's verb: the window's translation would take its caption for a noun.
    void Retranslate() override;

    // The calculator's movie length as (minutes, seconds); without a source the length is 0.
    void SetMovieLengthSource(std::function<std::pair<int, int>()> source);
    // One preset item per entry of the calculator's media list, named "MS_Pr" + index.
    void SetPresets(const QStringList &calculatorMediaTexts);

    const TMovieSplitter &Splitter() const { return m_splitter; }
    qint64 MovieSize() const { return m_movieSize; }
    qint64 MovieLength() const;
    // Bytes per unit of the size field, by MS_Mode.
    qint64 Unit() const;
    QMenu *PresetMenu() const { return MS_Preset; }

    // Shows `bytes` in the size field (in the unit, truncated) and as a duration.
    void SetSegmentBytes(qint64 bytes);

    TOxFileEdit *MS_Source = nullptr;
    QLabel *MS_VideoLabel = nullptr;
    QGroupBox *MS_Box_MPEG = nullptr;
    QGroupBox *MS_BOX_AVI = nullptr;
    QGroupBox *MS_Box_Unknown = nullptr;
    QPushButton *MS_GotoFileProc = nullptr;
    QGroupBox *MS_SplitBox = nullptr;
    QSpinBox *MS_Segments = nullptr;
    QLineEdit *MS_SegSize = nullptr;
    QComboBox *MS_Mode = nullptr;
    QSpinBox *MS_MinE = nullptr;
    QSpinBox *MS_SecE = nullptr;
    QPushButton *MS_TotalMovieLength = nullptr;
    QLabel *Label8 = nullptr;
    TOxFileEdit *MS_Destination = nullptr;
    QPushButton *MS_Start = nullptr;
    QPushButton *MS_Pause = nullptr;
    QPushButton *MS_Stop = nullptr;
    QProgressBar *MS_Progress = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    QMenu *MS_Preset = nullptr;

signals:
    // "File Processor": split this file on the Files page.
    void fileProcessorRequested(const QString &sourceFile);
    // "Edit": show the calculator with the focus in its minutes field.
    void calcEditRequested();

public slots:
    void MS_SourceButtonClick();
    void MS_SegSizeChange();
    void MS_SegmentsChange();
    void MS_MinEChange();
    void MS_ModeEnter();
    void MS_ModeChange();
    // Run by a preset item; reads the caption of the item that sent it.
    void MS_PresetsChange();
    void Label8Click();
    void MS_TotalMovieLengthClick();
    void MS_GotoFileProcClick();

public:
    // The preset handler for a given caption.
    void ApplyPreset(const QString &caption);

    // Start splits by the view last changed: size, count or duration.
    SplitRequest Request() const;
    bool IsBusy() const { return m_busy; }
    // The split's job, while one exists (tests).
    TMovieSplitJob *Job() const { return m_job.get(); }

public slots:
    void MS_StartClick();
    void MS_PauseClick();
    // Asks whether to stop; a stopped split keeps what it has written.
    void MS_StopClick();

signals:
    // A split has ended (done, declined, stopped or failed).
    void splitFinished();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setDuration(qint64 bytes);
    void setSegments(int count);
    // Runs on the page's thread whenever the split's job changes state.
    void jobStateChanged();
    void showProgress();
    void finishRun();
    void setStatus(const QString &text);

    TMovieSplitter m_splitter;
    qint64 m_movieSize = 0;
    qint64 m_prevUnit = 0;
    // Set while the page writes its own fields, so that only user changes run the handlers.
    bool m_updating = false;
    std::function<std::pair<int, int>()> m_lengthSource;
    SplitBy m_splitBy = SplitBy::Count;
    std::unique_ptr<TMovieSplitJob> m_job;
    class QTimer *m_progressTimer = nullptr;
    QElapsedTimer m_clock;
    bool m_busy = false;
    bool m_asked = false;
};

} // namespace kbx
