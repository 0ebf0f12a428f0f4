// The Movies page's Start, Pause and Stop: the split runs in a TMovieSplitJob; the page shows its
// progress and asks the questions.

#include "moviesplit/moviesplitpage.h"

#include "moviesplit/splitjob.h"
#include "ui/dialogs.h"
#include "ui/fileedit.h"
#include "ui/translator.h"

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>

namespace kbx {

namespace {

QString Native(const std::string &name) { return QDir::toNativeSeparators(QString::fromStdString(name)); }

QString NameList(const std::vector<std::string> &names)
{
    QStringList list;
    for (const std::string &name : names)
        list << Native(name);
    return list.join(QLatin1Char('\n'));
}

} // namespace

TMovieSplitPage::~TMovieSplitPage()
{
    if (m_job) {
        m_job->SetStateCallback(nullptr);
        m_job->Abort();
        m_job->Wait();
    }
}

SplitRequest TMovieSplitPage::Request() const
{
    SplitRequest request;
    request.by = m_splitBy;
    request.size = MS_SegSize->text().toLongLong() * Unit();
    request.count = MS_Segments->value();
    request.seconds = MS_MinE->value() * 60 + MS_SecE->value();
    return request;
}

void TMovieSplitPage::setStatus(const QString &text)
{
    if (auto *panel = StatusBar1->findChild<QLabel *>(QStringLiteral("StatusBar1_Panel0")))
        panel->setText(text);
}

void TMovieSplitPage::MS_StartClick()
{
    if (m_busy)
        return;
    const QString source = MS_Source->Text();
    const QString output = MS_Destination->Text();
    if (source.isEmpty())
        return;
    if (output.isEmpty()) {
        Dialogs::instance().warning(this, QString(), Translate(QStringLiteral("Please enter an output name.")));
        return;
    }
    if (!m_job) {
        m_job = std::make_unique<TMovieSplitJob>();
        m_job->SetStateCallback([this] {
            QMetaObject::invokeMethod(this, &TMovieSplitPage::jobStateChanged, Qt::QueuedConnection);
        });
        m_progressTimer = new QTimer(this);
        m_progressTimer->setInterval(200);
        connect(m_progressTimer, &QTimer::timeout, this, &TMovieSplitPage::showProgress);
    }
    m_busy = true;
    m_asked = false;
    for (QWidget *w : {static_cast<QWidget *>(MS_Source), static_cast<QWidget *>(MS_Destination),
                       static_cast<QWidget *>(MS_SplitBox), static_cast<QWidget *>(MS_GotoFileProc)})
        w->setEnabled(false);
    MS_Start->hide();
    MS_Stop->show();
    MS_Pause->setEnabled(true);
    MS_Pause->setChecked(false);
    MS_Progress->setValue(0);
    MS_Progress->show();
    setStatus(Translate(QStringLiteral("examining the movie...")));
    m_clock.start();
    m_job->Start(QDir::fromNativeSeparators(source).toStdString(), QDir::fromNativeSeparators(output).toStdString(),
                 Request());
    m_progressTimer->start();
}

void TMovieSplitPage::MS_PauseClick()
{
    if (!m_busy) {
        MS_Pause->setChecked(false);
        return;
    }
    m_job->SetPaused(MS_Pause->isChecked());
    showProgress();
}

void TMovieSplitPage::MS_StopClick()
{
    if (!m_busy)
        return;
    const bool wasPaused = m_job->Paused();
    m_job->SetPaused(true);
    const bool stop = Dialogs::instance().message(
                          this, QMessageBox::Question, QString(),
                          Translate(QStringLiteral("Are you sure you want to abort file processing ?")),
                          QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
                      == QMessageBox::Yes;
    m_job->SetPaused(wasPaused);
    // The split may have ended while the question was open.
    if (stop && m_busy)
        m_job->Abort();
}

void TMovieSplitPage::jobStateChanged()
{
    if (!m_busy || !m_job)
        return;
    switch (m_job->CurrentState()) {
    case TMovieSplitJob::State::Planned: {
        if (m_asked)
            break;
        m_asked = true;
        const std::vector<std::string> existing = m_job->ExistingNames();
        bool write = true;
        if (!existing.empty()) {
            write = Dialogs::instance().message(
                        this, QMessageBox::Question, QString(),
                        Translate(QStringLiteral("This will overwrite")) + QLatin1Char('\n') + NameList(existing)
                            + QLatin1Char('\n') + Translate(QStringLiteral("Are you sure you want to do that ?")),
                        QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
                    == QMessageBox::Yes;
        }
        m_job->Approve(write);
        break;
    }
    case TMovieSplitJob::State::Finished:
        finishRun();
        break;
    default:
        break;
    }
    showProgress();
}

void TMovieSplitPage::showProgress()
{
    if (!m_busy || !m_job)
        return;
    const SplitControl &c = m_job->Control();
    const qint64 total = c.total.load();
    const int percent = total > 0 ? int(qBound<qint64>(qint64(0), qint64(c.done.load() * 100 / total), qint64(100))) : 0;
    MS_Progress->setValue(percent);
    QString text;
    const int segment = c.segment.load();
    if (segment > 0)
        text = Translate(QStringLiteral("segment")) + QStringLiteral(" %1 / %2").arg(segment).arg(c.segments.load());
    else
        text = Translate(QStringLiteral("examining the movie..."));
    text += QStringLiteral(" (%1%)").arg(percent);
    if (m_job->Paused())
        text += QLatin1Char(' ') + Translate(QStringLiteral("paused"));
    setStatus(text);
}

void TMovieSplitPage::finishRun()
{
    if (!m_busy)
        return;
    m_job->Wait();
    m_progressTimer->stop();
    m_busy = false;
    for (QWidget *w : {static_cast<QWidget *>(MS_Source), static_cast<QWidget *>(MS_Destination),
                       static_cast<QWidget *>(MS_SplitBox), static_cast<QWidget *>(MS_GotoFileProc)})
        w->setEnabled(true);
    MS_Stop->hide();
    MS_Start->show();
    MS_Pause->setChecked(false);
    MS_Pause->setEnabled(false);
    MS_Progress->hide();
    const SplitOutcome &outcome = m_job->Outcome();
    const QString seconds = QString::number(m_clock.elapsed() / 1000.0, 'f', 1);
    if (!m_job->ErrorText().empty()) {
        setStatus(Translate(QStringLiteral("splitting failed")));
        Dialogs::instance().critical(this, QString(), QString::fromStdString(m_job->Report()));
    } else if (m_job->Declined()) {
        setStatus(Translate(QStringLiteral("nothing written")));
    } else if (outcome.aborted) {
        setStatus(Translate(QStringLiteral("aborted after")) + QStringLiteral(" %1 s, ").arg(seconds)
                  + QString::number(outcome.names.size()) + QLatin1Char(' ')
                  + Translate(QStringLiteral("segments written")));
        if (!outcome.names.empty())
            Dialogs::instance().information(this, QString(), QString::fromStdString(m_job->Report()));
    } else {
        setStatus(QString::number(outcome.names.size()) + QLatin1Char(' ')
                  + Translate(QStringLiteral("segments written in")) + QStringLiteral(" %1 s").arg(seconds));
    }
    emit splitFinished();
}

} // namespace kbx
