#include "platform/power.h"

#include "platform/systempower.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QGuiApplication>
#include <QStandardPaths>

#include <map>

namespace kbx {

namespace {

const QString Login1Service = QStringLiteral("org.freedesktop.login1");
const QString Login1Path = QStringLiteral("/org/freedesktop/login1");
const QString Login1Manager = QStringLiteral("org.freedesktop.login1.Manager");

QDBusMessage ManagerCall(const QString &method)
{
    return QDBusMessage::createMethodCall(Login1Service, Login1Path, Login1Manager, method);
}

// Runs `done` with the reply once it arrives; the watcher removes itself.
void WhenAnswered(const QDBusPendingCall &call, std::function<void(const QDBusMessage &)> done)
{
    auto *watcher = new QDBusPendingCallWatcher(call);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [done = std::move(done)](QDBusPendingCallWatcher *w) {
                         done(w->reply());
                         w->deleteLater();
                     });
}

QString ErrorText(const QDBusMessage &reply)
{
    const QString text = reply.errorMessage().trimmed();
    return text.isEmpty() ? reply.errorName() : text;
}

} // namespace

bool MessageBusAllowed(bool systemBus)
{
    const bool underTest = QStandardPaths::isTestModeEnabled()
                           || QGuiApplication::platformName() == QLatin1String("offscreen");
    if (!underTest)
        return true;
    const char *address = systemBus ? "DBUS_SYSTEM_BUS_ADDRESS" : "DBUS_SESSION_BUS_ADDRESS";
    return qEnvironmentVariable("KINBOX_PRIVATE_BUSES") == QLatin1String("1") && !qEnvironmentVariableIsEmpty(address);
}

Power::~Power() = default;

Power &Power::instance()
{
    return InstanceOr<SystemPower>();
}

struct SystemPower::Inhibitors
{
    quint64 next = 1;
    // A token is here from the request until its release; its descriptor is valid once logind answered.
    std::map<quint64, QDBusUnixFileDescriptor> held;
};

SystemPower::SystemPower() : m_inhibitors(std::make_shared<Inhibitors>()) {}

SystemPower::~SystemPower() = default;

void SystemPower::shutdown(Answer answer)
{
    powerOff(false, std::move(answer));
}

void SystemPower::forcedShutdown(Answer answer)
{
    powerOff(true, std::move(answer));
}

void SystemPower::beep()
{
    if (qobject_cast<QApplication *>(QCoreApplication::instance()))
        QApplication::beep();
}

void SystemPower::powerOff(bool forced, Answer answer)
{
    if (!MessageBusAllowed(true)) {
        answer(QStringLiteral("Power-off refused: the program runs under test."));
        return;
    }
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        answer(QStringLiteral("The system message bus cannot be reached: ") + bus.lastError().message());
        return;
    }
    // Asking first turns "this user may not" into a plain sentence instead of a polkit error, and
    // costs nothing: both calls are answered at once.
    WhenAnswered(bus.asyncCall(ManagerCall(QStringLiteral("CanPowerOff"))),
                 [bus, forced, answer](const QDBusMessage &reply) mutable {
                     if (reply.type() == QDBusMessage::ErrorMessage) {
                         answer(ErrorText(reply));
                         return;
                     }
                     const QString can = reply.arguments().value(0).toString();
                     if (can != QLatin1String("yes") && can != QLatin1String("challenge")) {
                         answer(QStringLiteral("The login manager does not allow this user to power off the "
                                               "computer (CanPowerOff: %1).")
                                    .arg(can));
                         return;
                     }
                     // Interactive lets polkit ask the user for a password; forced asks nobody.
                     QDBusMessage call = ManagerCall(QStringLiteral("PowerOff"));
                     call << !forced;
                     WhenAnswered(bus.asyncCall(call), [answer](const QDBusMessage &done) {
                         answer(done.type() == QDBusMessage::ErrorMessage ? ErrorText(done) : QString());
                     });
                 });
}

quint64 SystemPower::inhibitSleep(const QString &what)
{
    const quint64 token = m_inhibitors->next++;
    if (!MessageBusAllowed(true))
        return token;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return token;
    m_inhibitors->held.emplace(token, QDBusUnixFileDescriptor());
    QDBusMessage call = ManagerCall(QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep:idle") << QStringLiteral("Kinbox") << what << QStringLiteral("block");
    std::weak_ptr<Inhibitors> inhibitors = m_inhibitors;
    WhenAnswered(bus.asyncCall(call), [inhibitors, token](const QDBusMessage &reply) {
        // Released before the answer came: the reply's descriptor closes with the reply.
        auto state = inhibitors.lock();
        if (!state)
            return;
        auto it = state->held.find(token);
        if (it == state->held.end())
            return;
        if (reply.type() == QDBusMessage::ErrorMessage)
            state->held.erase(it);
        else
            it->second = reply.arguments().value(0).value<QDBusUnixFileDescriptor>();
    });
    return token;
}

void SystemPower::releaseSleep(quint64 token)
{
    // The inhibitor lasts as long as logind's descriptor is open; dropping the last copy closes it.
    m_inhibitors->held.erase(token);
}

int SystemPower::sleepDescriptor(quint64 token) const
{
    const auto it = m_inhibitors->held.find(token);
    return it != m_inhibitors->held.end() && it->second.isValid() ? it->second.fileDescriptor() : -1;
}

} // namespace kbx
