#include "platform/power.h"

#include <QApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace kbx {

namespace {

Power *installedPower = nullptr;

// systemctl answers at once: logind takes the request or refuses it with a message.
constexpr int SystemctlTimeoutMs = 20000;

} // namespace

Power::~Power() = default;

Power &Power::instance()
{
    static SystemPower system;
    return installedPower ? *installedPower : system;
}

void Power::install(Power *power)
{
    installedPower = power;
}

bool SystemPower::shutdown(QString *error)
{
    return powerOff(false, error);
}

bool SystemPower::forcedShutdown(QString *error)
{
    return powerOff(true, error);
}

void SystemPower::beep()
{
    if (qobject_cast<QApplication *>(QCoreApplication::instance()))
        QApplication::beep();
}

bool SystemPower::powerOff(bool forced, QString *error)
{
    auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    if (QStandardPaths::isTestModeEnabled() || QGuiApplication::platformName() == QLatin1String("offscreen"))
        return fail(QStringLiteral("Power-off refused: the program runs under test."));

    // Run to the end rather than detached: a refusal (no permission, no login manager) comes back as
    // the exit status and text, which the caller shows.
    QStringList arguments{QStringLiteral("--no-ask-password"), QStringLiteral("poweroff")};
    if (forced)
        arguments << QStringLiteral("--force");
    QProcess systemctl;
    systemctl.start(QStringLiteral("systemctl"), arguments);
    if (!systemctl.waitForStarted())
        return fail(systemctl.errorString());
    if (!systemctl.waitForFinished(SystemctlTimeoutMs))
        return fail(QStringLiteral("systemctl did not answer."));
    if (systemctl.exitStatus() != QProcess::NormalExit || systemctl.exitCode() != 0) {
        const QString text = QString::fromLocal8Bit(systemctl.readAllStandardError()).trimmed();
        return fail(text.isEmpty() ? systemctl.errorString() : text);
    }
    return true;
}

} // namespace kbx
