#include "platform/jobactivity.h"

#include "platform/desktop.h"

#include <QGuiApplication>

namespace kbx {

namespace {

std::function<void(int)> &progressListener()
{
    static std::function<void(int)> listener;
    return listener;
}

std::function<bool()> &activeQuery()
{
    static std::function<bool()> query;
    return query;
}

bool WindowActive()
{
    if (activeQuery())
        return activeQuery()();
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance())
           && QGuiApplication::applicationState() == Qt::ApplicationActive;
}

} // namespace

JobActivity::JobActivity(const QString &what, qint64 noticeAfterMs) : m_sleep(what), m_noticeAfterMs(noticeAfterMs)
{
    m_clock.start();
    publish(0);
}

JobActivity::~JobActivity()
{
    publish(-1);
}

void JobActivity::setProgress(int percent)
{
    publish(qBound(0, percent, 100));
}

void JobActivity::finish(const QString &summary)
{
    if (m_finished)
        return;
    m_finished = true;
    publish(-1);
    if (m_clock.elapsed() >= m_noticeAfterMs && !WindowActive())
        Desktop::instance().notify(QStringLiteral("Kinbox"), summary);
}

void JobActivity::publish(int percent)
{
    if (percent == m_percent)
        return;
    m_percent = percent;
    Desktop::instance().showProgress(percent);
    if (progressListener())
        progressListener()(percent);
}

void JobActivity::setProgressListener(std::function<void(int)> listener)
{
    progressListener() = std::move(listener);
}

void JobActivity::setActiveQuery(std::function<bool()> query)
{
    activeQuery() = std::move(query);
}

QString ProgressTitle(int percent, const QString &title)
{
    if (percent < 0)
        return title;
    return QString::number(percent) + QStringLiteral("% \u2014 ") + title;
}

} // namespace kbx
