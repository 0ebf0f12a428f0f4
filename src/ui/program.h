#pragma once
#include "common/seam.h"

#include <QString>

#include <functional>

namespace kbx {

/// The program-folder seam: where language files, help files, the overview and the analyzer's
/// profiles live. By default the executable's folder; tests point it at a temporary folder.
class ProgramFolder
{
public:
    /// The folder, without a trailing separator.
    static QString path();
    /// Replaces the folder; an empty path restores the executable's folder.
    static void setPath(const QString &folder);
};

/// The program folder with its trailing separator, followed by the file-name part of `name`
/// (the text after its last "/").
QString ProgramFolderFile(const QString &name);

// The platform's default title, taken from an executable's file name: up to its first ".", every
// character after the first in lower case ("PROG.EXE" gives "Prog").
QString DefaultTitleFromFileName(const QString &executableFileName);
// The default title of this process's executable.
QString PlatformDefaultTitle();

// The executable's path without its extension, when it has one.
QString ExecutableBasePath();

/// The restart seam. The default starts the executable again, detached, and leaves the event loop at
/// once, so no close handling (and no settings save) runs. Tests install a recorder.
class Restarter : public Seam<Restarter>
{
public:
    virtual ~Restarter();
    virtual void restart();

    static Restarter &instance();
};

// Restarts the program through the restart seam, after the preparation set here (the main window
// saves its settings: the restart skips the close handling that would).
void RestartProgram();
void SetRestartPreparation(std::function<void()> prepare);

} // namespace kbx
