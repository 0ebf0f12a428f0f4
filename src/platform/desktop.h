#pragma once
#include "common/seam.h"

#include <QString>

#include <functional>

namespace kbx {

/// The desktop seam: notifications and the task-bar progress of the running job. The default speaks
/// the freedesktop notification service and the launcher-entry API on the session bus; tests install
/// FakeDesktop (fakeplatform.h) or record the calls on a private bus.
class Desktop : public Seam<Desktop>
{
public:
    virtual ~Desktop();

    /// Shows a notification; clicking it runs the activation set with SetDesktopActivation.
    virtual void notify(const QString &summary, const QString &body) = 0;
    /// The running job's progress on the program's task-bar entry, 0 to 100; -1 hides it.
    virtual void showProgress(int percent) = 0;

    static Desktop &instance();
};

/// What clicking one of the program's notifications does (the main window raises itself).
void SetDesktopActivation(std::function<void()> activate);
void RunDesktopActivation();

/// The id of the installed desktop entry, which keys the task-bar entry and the notifications.
inline constexpr const char *DesktopEntryId = "org.fernhillcrew.Kinbox";

/// org.freedesktop.Notifications.Notify with a "default" action, and
/// com.canonical.Unity.LauncherEntry.Update keyed by application://<DesktopEntryId>.desktop.
class SystemDesktop : public Desktop
{
public:
    SystemDesktop();
    ~SystemDesktop() override;
    void notify(const QString &summary, const QString &body) override;
    void showProgress(int percent) override;

private:
    class Listener;
    Listener *m_listener = nullptr;
};

} // namespace kbx
