#pragma once
#include <QString>

namespace kbx {

/// The power seam: shutting the machine down and the system beep. The default asks the login
/// manager through systemctl; tests install FakePower (fakeplatform.h) before anything can reach
/// it. No test may ever call the system's power.
class Power
{
public:
    virtual ~Power();

    /// Powers the machine off, letting programs end; false with the system's text in `error`
    /// when the system refuses.
    virtual bool shutdown(QString *error = nullptr) = 0;
    /// Powers the machine off without waiting for other programs.
    virtual bool forcedShutdown(QString *error = nullptr) = 0;
    virtual void beep() = 0;

    /// The installed power, or the system's when none is installed.
    static Power &instance();
    /// Installs `power` (not owned; it must outlive its use). nullptr restores the system's.
    static void install(Power *power);
};

/// `systemctl poweroff` (forced: `--force`) and QApplication::beep. As a last guard it refuses
/// to power off in Qt's test mode and on the offscreen platform, where only tests run.
class SystemPower : public Power
{
public:
    bool shutdown(QString *error = nullptr) override;
    bool forcedShutdown(QString *error = nullptr) override;
    void beep() override;

private:
    bool powerOff(bool forced, QString *error);
};

} // namespace kbx
