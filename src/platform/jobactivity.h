#pragma once
#include "platform/power.h"

#include <QElapsedTimer>
#include <QString>

#include <functional>

namespace kbx {

/// A long job seen from outside the window: the machine stays awake while it lives, its progress shows
/// in the window title and on the task bar, and when it ends after a while with the window in the
/// background the desktop announces it. Create one when a job starts; it ends when destroyed.
class JobActivity
{
public:
    /// `what` names the job in the desktop's list of programs keeping the machine awake. A job that
    /// runs shorter than `noticeAfterMs` ends silently.
    explicit JobActivity(const QString &what, qint64 noticeAfterMs = 5000);
    ~JobActivity();
    JobActivity(const JobActivity &) = delete;
    JobActivity &operator=(const JobActivity &) = delete;

    /// 0 to 100; repeated values are sent once.
    void setProgress(int percent);
    /// The job ended with `summary` (its result line, or its error): a notification when it ran long
    /// enough and no window of the program is active.
    void finish(const QString &summary);

    /// Told the progress of the running job (-1: none runs); the main window puts it in its title.
    static void setProgressListener(std::function<void(int percent)> listener);
    /// Whether a window of the program has the focus; the application's state unless a test replaces it.
    static void setActiveQuery(std::function<bool()> query);

private:
    void publish(int percent);

    SleepInhibitor m_sleep;
    QElapsedTimer m_clock;
    qint64 m_noticeAfterMs;
    int m_percent = -1;
    bool m_finished = false;
};

// The window title while a job runs: "42% — Kinbox".
QString ProgressTitle(int percent, const QString &title);

} // namespace kbx
