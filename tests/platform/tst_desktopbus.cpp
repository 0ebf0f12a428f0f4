// The login manager and the desktop services spoken to over D-Bus, against python-dbusmock's
// templates of them on buses this test starts: the machine's own are never reached.

#include "platform/desktop.h"
#include "platform/jobactivity.h"
#include "platform/systempower.h"
#include "privatebus.h"

#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <QDBusArgument>
#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>

#include <memory>

using namespace kbx;

namespace {

const QString Login1 = "org.freedesktop.login1";
const QString Notifications = "org.freedesktop.Notifications";

// Records the launcher-entry updates broadcast on the session bus.
class LauncherRecorder : public QObject
{
    Q_OBJECT
public:
    QStringList updates;
public slots:
    void update(const QString &uri, const QVariantMap &properties)
    {
        QString line = uri;
        for (auto it = properties.cbegin(); it != properties.cend(); ++it)
            line += " " + it.key() + "=" + it.value().toString();
        updates << line;
    }
};

} // namespace

class TestDesktopBus : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void shutdownAsksThenPowersOffInteractively();
    void forcedShutdownAsksNobody();
    void refusalsComeBackAsText();
    void inhibitorHeldUntilReleased();
    void jobEndsWithNotificationAndProgress();

private:
    QStringList inhibitors();
    QStringList answered(std::function<void(Power::Answer)> request);

    QTemporaryDir m_dir;
    std::unique_ptr<PrivateBus> m_system;
    std::unique_ptr<PrivateBus> m_session;
    std::unique_ptr<SystemPower> m_power;
};

void TestDesktopBus::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_system = std::make_unique<PrivateBus>(m_dir.path(), "system");
    m_session = std::make_unique<PrivateBus>(m_dir.path(), "session");
    QVERIFY2(!m_system->address().isEmpty() && !m_session->address().isEmpty(),
             "dbus-daemon did not start (scripts/install-deps.sh installs it)");
    // Before the first use of either bus by the code under test, which reads these once.
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_system->address().toUtf8());
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_session->address().toUtf8());
    qputenv("KINBOX_PRIVATE_BUSES", "1");
    QVERIFY2(m_system->startMock("logind", Login1), "python3-dbusmock did not start (scripts/install-deps.sh)");
    m_power = std::make_unique<SystemPower>();
}

void TestDesktopBus::cleanupTestCase()
{
    m_power.reset();
    QDBusConnection::disconnectFromBus(QDBusConnection::systemBus().name());
    QDBusConnection::disconnectFromBus(QDBusConnection::sessionBus().name());
    m_system.reset();
    m_session.reset();
}

void TestDesktopBus::cleanup()
{
    JobActivity::setActiveQuery(nullptr);
    SetDesktopActivation(nullptr);
}

QStringList TestDesktopBus::answered(std::function<void(Power::Answer)> request)
{
    QStringList answers;
    request([&answers](const QString &refusal) { answers << refusal; });
    // Asynchronous: nothing has been answered yet, the caller's loop goes on.
    if (!answers.isEmpty())
        return {"answered before the bus could"};
    if (!QTest::qWaitFor([&] { return !answers.isEmpty(); }, 10000))
        return {"no answer"};
    QTest::qWait(50);
    return answers;
}

QStringList TestDesktopBus::inhibitors()
{
    QDBusMessage call = QDBusMessage::createMethodCall(Login1, "/org/freedesktop/login1",
                                                       "org.freedesktop.login1.Manager", "ListInhibitors");
    const QDBusMessage reply = m_system->connection().call(call);
    QStringList list;
    const QDBusArgument argument = reply.arguments().value(0).value<QDBusArgument>();
    argument.beginArray();
    while (!argument.atEnd()) {
        QString what, who, why, mode;
        uint uid, pid;
        argument.beginStructure();
        argument >> what >> who >> why >> mode >> uid >> pid;
        argument.endStructure();
        list << QStringList{what, who, why, mode}.join('|');
    }
    argument.endArray();
    return list;
}

void TestDesktopBus::shutdownAsksThenPowersOffInteractively()
{
    m_system->forgetCalls();
    QCOMPARE(answered([this](Power::Answer a) { m_power->shutdown(a); }), QStringList{QString()});
    QTRY_COMPARE(m_system->calls(), (QStringList{"CanPowerOff", "PowerOff True"}));
}

void TestDesktopBus::forcedShutdownAsksNobody()
{
    m_system->forgetCalls();
    QCOMPARE(answered([this](Power::Answer a) { m_power->forcedShutdown(a); }), QStringList{QString()});
    QTRY_COMPARE(m_system->calls(), (QStringList{"CanPowerOff", "PowerOff False"}));
}

void TestDesktopBus::refusalsComeBackAsText()
{
    // The login manager says no outright: PowerOff is never called.
    QVERIFY(m_system->startMock("logind", Login1, R"({"CanPowerOff": "na"})"));
    QStringList answers = answered([this](Power::Answer a) { m_power->forcedShutdown(a); });
    QCOMPARE(answers.size(), 1);
    QVERIFY2(answers.at(0).contains("does not allow") && answers.at(0).contains("na"), qPrintable(answers.at(0)));
    QTRY_COMPARE(m_system->calls(), QStringList{"CanPowerOff"});

    // polkit refuses the call itself: its text is the answer, once.
    QVERIFY(m_system->startMock("logind", Login1));
    QDBusMessage add = QDBusMessage::createMethodCall(Login1, "/org/freedesktop/login1", "org.freedesktop.DBus.Mock",
                                                      "AddMethod");
    add << "org.freedesktop.login1.Manager" << "PowerOff" << "b" << ""
        << "raise dbus.exceptions.DBusException('Interactive authentication required.', "
           "name='org.freedesktop.DBus.Error.InteractiveAuthorizationRequired')";
    QCOMPARE(m_system->connection().call(add).type(), QDBusMessage::ReplyMessage);
    answers = answered([this](Power::Answer a) { m_power->forcedShutdown(a); });
    QCOMPARE(answers, QStringList{"Interactive authentication required."});
    QTRY_VERIFY(m_system->calls().contains("PowerOff False"));

    // No login manager at all.
    m_system->stopMock();
    answers = answered([this](Power::Answer a) { m_power->shutdown(a); });
    QCOMPARE(answers.size(), 1);
    QVERIFY(!answers.at(0).isEmpty());
    QVERIFY(m_system->startMock("logind", Login1));
}

void TestDesktopBus::inhibitorHeldUntilReleased()
{
    QVERIFY(inhibitors().isEmpty());
    const quint64 token = m_power->inhibitSleep("Copying film.vob");
    QTRY_VERIFY(m_power->sleepDescriptor(token) >= 0);
    const int fd = m_power->sleepDescriptor(token);
    QCOMPARE(inhibitors(), QStringList{"sleep:idle|Kinbox|Copying film.vob|block"});
    QVERIFY(fcntl(fd, F_GETFD) != -1);
    m_power->releaseSleep(token);
    // Our descriptor is closed, and with it the login manager's inhibitor.
    QCOMPARE(m_power->sleepDescriptor(token), -1);
    QTRY_VERIFY(fcntl(fd, F_GETFD) == -1 || inhibitors().isEmpty());
    QTRY_VERIFY(inhibitors().isEmpty());

    // Released before the answer came: the late descriptor is dropped at once.
    const quint64 early = m_power->inhibitSleep("Analyzing");
    m_power->releaseSleep(early);
    QTest::qWait(300);
    QCOMPARE(m_power->sleepDescriptor(early), -1);
    QTRY_VERIFY(inhibitors().isEmpty());
}

void TestDesktopBus::jobEndsWithNotificationAndProgress()
{
    QVERIFY(m_session->startMock("notification_daemon", Notifications));
    LauncherRecorder recorder;
    QVERIFY(m_session->connection().connect(QString(), QString(), "com.canonical.Unity.LauncherEntry", "Update",
                                            &recorder, SLOT(update(QString, QVariantMap))));
    // Power and desktop from the system's implementations, on the private buses.
    ScopedInstall<Power> power(m_power.get());
    SystemDesktop desktop;
    ScopedInstall<Desktop> desktopGuard(&desktop);
    JobActivity::setActiveQuery([] { return false; });
    int raised = 0;
    SetDesktopActivation([&raised] { ++raised; });
    {
        JobActivity job("Copying film.vob", 0);
        QTRY_COMPARE(inhibitors(), QStringList{"sleep:idle|Kinbox|Copying film.vob|block"});
        job.setProgress(42);
        job.finish("3 files written, completed in 0:07 min, CRC32: 1A2B3C4D");
    }
    QTRY_VERIFY(inhibitors().isEmpty());
    const QString uri = "application://org.fernhillcrew.Kinbox.desktop";
    QTRY_COMPARE(recorder.updates, (QStringList{uri + " progress=0 progress-visible=true",
                                                uri + " progress=0.42 progress-visible=true",
                                                uri + " progress-visible=false"}));
    QTRY_VERIFY(!m_session->calls().isEmpty());
    const QString notify = m_session->calls().value(0);
    QVERIFY2(notify.startsWith(R"(Notify "Kinbox" 0 "org.fernhillcrew.Kinbox" "Kinbox" )"
                               R"("3 files written, completed in 0:07 min, CRC32: 1A2B3C4D" ["default", "Kinbox"])"),
             qPrintable(notify));

    // Clicking our notification raises the window; a click on another program's does nothing.
    QTest::qWait(200);
    auto emitAction = [this](uint id) {
        QDBusMessage signal = QDBusMessage::createMethodCall(Notifications, "/org/freedesktop/Notifications",
                                                             "org.freedesktop.DBus.Mock", "EmitSignal");
        signal << Notifications << "ActionInvoked" << "us"
               << QVariant::fromValue(QVariantList{QVariant::fromValue(id), QVariant(QString("default"))});
        return m_session->connection().call(signal).type();
    };
    QCOMPARE(emitAction(77), QDBusMessage::ReplyMessage);
    QCOMPARE(emitAction(1), QDBusMessage::ReplyMessage);
    QTRY_COMPARE(raised, 1);
    QTest::qWait(200);
    QCOMPARE(raised, 1);
    m_session->stopMock();
}

QTEST_GUILESS_MAIN(TestDesktopBus)
#include "tst_desktopbus.moc"
