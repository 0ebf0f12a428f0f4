#pragma once
#include "common/seam.h"

#include <QString>

#include <functional>

namespace kbx {

/// The power seam: shutting the machine down, the system beep, and keeping the machine awake while
/// a long job runs. The default asks the login manager over D-Bus; tests install FakePower
/// (fakeplatform.h) or talk to a mock login manager on a private bus. No test may ever reach the
/// system's power.
class Power : public Seam<Power>
{
public:
    /// Receives the answer to a power-off request exactly once: an empty text when the system took
    /// the request, else the system's reason for refusing it.
    using Answer = std::function<void(const QString &refusal)>;

    virtual ~Power();

    /// Powers the machine off; other programs may still object and the user may be asked.
    virtual void shutdown(Answer answer) = 0;
    /// Powers the machine off without asking anybody: no prompt, no waiting for other programs.
    virtual void forcedShutdown(Answer answer) = 0;
    virtual void beep() = 0;

    /// Keeps the machine from sleeping or idling into suspend until `releaseSleep(token)`; `what`
    /// says why, in the desktop's list of reasons. Never fails: where the system cannot be asked the
    /// job simply runs unprotected.
    virtual quint64 inhibitSleep(const QString &what) = 0;
    virtual void releaseSleep(quint64 token) = 0;

    /// The installed power, or the system's when none is installed.
    static Power &instance();
};

/// Holds a sleep inhibitor for its lifetime, so that every way out of a job releases it.
class SleepInhibitor
{
public:
    explicit SleepInhibitor(const QString &what) : m_token(Power::instance().inhibitSleep(what)) {}
    ~SleepInhibitor() { Power::instance().releaseSleep(m_token); }
    SleepInhibitor(const SleepInhibitor &) = delete;
    SleepInhibitor &operator=(const SleepInhibitor &) = delete;

private:
    quint64 m_token;
};

/// Whether this process may talk to the system's or the session's message bus. Under test (Qt's test
/// mode or the offscreen platform) only a bus the test started itself is allowed, which it declares
/// by setting KINBOX_PRIVATE_BUSES=1 beside the bus addresses.
bool MessageBusAllowed(bool systemBus);

} // namespace kbx
