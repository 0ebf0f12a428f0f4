#pragma once
#include "common/seam.h"

#include <QString>
#include <QStringList>

class QUrl;

namespace kbx {

/// The shell seam: opens documents and web addresses, starts programs. Nothing goes through a
/// command interpreter, so a name with a quote or ";" in it runs nothing. The default uses
/// QDesktopServices and QProcess; tests install FakeShell (fakeplatform.h).
class Shell : public Seam<Shell>
{
public:
    virtual ~Shell();

    /// Opens a document ("file:" URL) or a web address with the desktop's handler; false on failure.
    virtual bool openUrl(const QUrl &url) = 0;
    /// Starts `program` detached with `arguments` passed as they are; false when it cannot start.
    virtual bool startProgram(const QString &program, const QStringList &arguments) = 0;
    /// The full path of an installed program found by its name on the search path; empty when absent.
    virtual QString findExecutable(const QString &name) const = 0;

    /// The installed shell, or the system's when none is installed.
    static Shell &instance();
};

/// QDesktopServices::openUrl and QProcess::startDetached.
class SystemShell : public Shell
{
public:
    bool openUrl(const QUrl &url) override;
    bool startProgram(const QString &program, const QStringList &arguments) override;
    QString findExecutable(const QString &name) const override;
};

// The URL a target text stands for: an address with a scheme ("https://...", "mailto:...") as it
// is, anything else as a local file, made absolute.
QUrl DocumentUrl(const QString &target);
// Opens a document path or an address through the installed shell.
bool OpenDocumentTarget(const QString &target);

// The desktop's programs for a kind of tool, in the order they are tried.
enum class DesktopTool { Calculator, MediaPlayer, VolumeControl };
QStringList DesktopToolCandidates(DesktopTool tool);
// The first installed candidate for `tool`, found through the installed shell; empty when none is.
QString FindDesktopTool(DesktopTool tool);

} // namespace kbx
