#include "platform/desktop.h"

#include "platform/power.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QObject>
#include <QSet>
#include <QVariantMap>

namespace kbx {

namespace {

const QString NotifyService = QStringLiteral("org.freedesktop.Notifications");
const QString NotifyPath = QStringLiteral("/org/freedesktop/Notifications");

std::function<void()> &activation()
{
    static std::function<void()> activate;
    return activate;
}

QString LauncherUri()
{
    return QStringLiteral("application://") + QLatin1String(DesktopEntryId) + QStringLiteral(".desktop");
}

} // namespace

Desktop::~Desktop() = default;

Desktop &Desktop::instance()
{
    return InstanceOr<SystemDesktop>();
}

void SetDesktopActivation(std::function<void()> activate)
{
    activation() = std::move(activate);
}

void RunDesktopActivation()
{
    if (activation())
        activation()();
}

// Hears which of our notifications the user clicked; the service broadcasts every program's clicks.
class SystemDesktop::Listener : public QObject
{
    Q_OBJECT
public:
    QSet<uint> ours;
    bool connected = false;

public slots:
    void actionInvoked(uint id, const QString &action)
    {
        if (ours.remove(id) && action == QLatin1String("default"))
            RunDesktopActivation();
    }
    void notificationClosed(uint id, uint) { ours.remove(id); }
};

SystemDesktop::SystemDesktop() : m_listener(new Listener) {}

SystemDesktop::~SystemDesktop()
{
    delete m_listener;
}

void SystemDesktop::notify(const QString &summary, const QString &body)
{
    if (!MessageBusAllowed(false))
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    if (!m_listener->connected) {
        bus.connect(QString(), NotifyPath, NotifyService, QStringLiteral("ActionInvoked"), m_listener,
                    SLOT(actionInvoked(uint, QString)));
        bus.connect(QString(), NotifyPath, NotifyService, QStringLiteral("NotificationClosed"), m_listener,
                    SLOT(notificationClosed(uint, uint)));
        m_listener->connected = true;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(NotifyService, NotifyPath, NotifyService,
                                                       QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QString::fromLatin1(DesktopEntryId)}};
    call << QStringLiteral("Kinbox") << uint(0) << QString::fromLatin1(DesktopEntryId) << summary << body
         << QStringList{QStringLiteral("default"), QStringLiteral("Kinbox")} << hints << int(-1);
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), m_listener);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, m_listener,
                     [listener = m_listener](QDBusPendingCallWatcher *w) {
                         const QDBusPendingReply<uint> reply = *w;
                         if (reply.isValid())
                             listener->ours.insert(reply.value());
                         w->deleteLater();
                     });
}

void SystemDesktop::showProgress(int percent)
{
    if (!MessageBusAllowed(false))
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage update = QDBusMessage::createSignal(QStringLiteral("/org/fernhillcrew/Kinbox"),
                                                     QStringLiteral("com.canonical.Unity.LauncherEntry"),
                                                     QStringLiteral("Update"));
    QVariantMap properties{{QStringLiteral("progress-visible"), percent >= 0}};
    if (percent >= 0)
        properties.insert(QStringLiteral("progress"), qBound(0, percent, 100) / 100.0);
    update << LauncherUri() << properties;
    bus.send(update);
}

} // namespace kbx

#include "desktop.moc"
