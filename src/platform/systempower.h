#pragma once
#include "platform/power.h"


#include <memory>

namespace kbx {

/// The login manager (org.freedesktop.login1) over the system bus, every call asynchronous so that
/// the window keeps painting: CanPowerOff, then PowerOff(interactive) where the answer allows it;
/// Inhibit("sleep:idle", ..., "block") while jobs run. QApplication::beep.
class SystemPower : public Power
{
public:
    SystemPower();
    ~SystemPower() override;

    void shutdown(Answer answer) override;
    void forcedShutdown(Answer answer) override;
    void beep() override;
    quint64 inhibitSleep(const QString &what) override;
    void releaseSleep(quint64 token) override;

    /// The descriptor held for `token`, or -1 while the login manager has not answered, after
    /// release, or when it refused.
    int sleepDescriptor(quint64 token) const;

private:
    void powerOff(bool forced, Answer answer);

    struct Inhibitors;
    std::shared_ptr<Inhibitors> m_inhibitors;
};

} // namespace kbx
