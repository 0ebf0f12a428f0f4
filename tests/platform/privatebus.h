#pragma once
// A message bus of the test's own and python-dbusmock services on it, so that code which speaks to the
// login manager or the desktop can be tested against their real interfaces without ever reaching the
// machine's. Both processes end with their objects.

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QCoreApplication>

class PrivateBus
{
public:
    // Starts a bus daemon whose socket lies in `folder`; address() is empty when it could not start.
    explicit PrivateBus(const QString &folder, const QString &name) : m_name(name)
    {
        const QString config = folder + "/" + name + ".conf";
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly))
            return;
        file.write(QString("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                           "<busconfig><type>session</type><listen>unix:dir=%1</listen>\n"
                           "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                           "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n")
                       .arg(folder)
                       .toUtf8());
        file.close();
        m_daemon.setProgram("dbus-daemon");
        m_daemon.setArguments({"--config-file=" + config, "--nofork", "--print-address=1"});
        m_daemon.start();
        if (!m_daemon.waitForStarted(5000) || !m_daemon.waitForReadyRead(10000))
            return;
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        stopMock();
        QDBusConnection::disconnectFromBus(m_name);
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.terminate();
            m_daemon.waitForFinished(5000);
        }
    }

    QString address() const { return m_address; }
    // A connection of the test's own, apart from the one the code under test uses.
    QDBusConnection connection() const { return QDBusConnection::connectToBus(m_address, m_name); }

    // Starts python-dbusmock with `template` on this bus and waits until `service` is there.
    bool startMock(const QString &templateName, const QString &service, const QString &parameters = "{}")
    {
        stopMock();
        m_log.clear();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DBUS_SYSTEM_BUS_ADDRESS", m_address);
        env.insert("DBUS_SESSION_BUS_ADDRESS", m_address);
        m_mock.setProcessEnvironment(env);
        // Debian's python3-dbusmock belongs to the system's interpreter.
        m_mock.setProgram("/usr/bin/python3");
        m_mock.setArguments({"-m", "dbusmock", "--template", templateName, "-p", parameters});
        m_mock.setProcessChannelMode(QProcess::MergedChannels);
        m_mock.start();
        if (!m_mock.waitForStarted(5000))
            return false;
        const QDeadlineTimer deadline(15000);
        while (!deadline.hasExpired()) {
            if (connection().interface()->isServiceRegistered(service))
                return true;
            if (m_mock.state() == QProcess::NotRunning)
                return false;
            QThread::msleep(50);
        }
        return false;
    }
    void stopMock()
    {
        if (m_mock.state() == QProcess::NotRunning)
            return;
        m_mock.terminate();
        m_mock.waitForFinished(5000);
    }
    // The calls the mock has logged so far, one a line without the time stamp ("PowerOff False").
    QStringList calls()
    {
        m_log += QString::fromUtf8(m_mock.readAll());
        QStringList lines;
        for (const QString &line : m_log.split('\n', Qt::SkipEmptyParts)) {
            const qsizetype space = line.indexOf(' ');
            if (space > 0 && line.left(space).toDouble() > 0)
                lines << line.mid(space + 1);
        }
        return lines;
    }
    void forgetCalls()
    {
        calls();
        m_log.clear();
    }

private:
    QString m_name;
    QString m_address;
    QString m_log;
    QProcess m_daemon;
    QProcess m_mock;
};
