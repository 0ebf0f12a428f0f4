#pragma once
#include "common/seam.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace kbx {

/// The data-folder seam, shipped side: where the language files, help files, the overview, the
/// documentation page and the default analyzer profiles are read. An installed program finds them in
/// <prefix>/share/kinbox beside its bin folder; a program run from its build tree, in its own folder.
/// Tests point it at a temporary folder. Nothing is ever written here: it may belong to root.
class ProgramFolder
{
public:
    /// The folder, without a trailing separator.
    static QString path();
    /// Replaces the folder; an empty path restores the installed or the executable's folder.
    static void setPath(const QString &folder);
    /// The shipped data folder of a program whose executable lies in `executableFolder`.
    static QString shippedFolderFor(const QString &executableFolder);
};

/// The data-folder seam, user side: what the user saves (analyzer profiles, logs, own language files).
/// By default the user's data folder (QStandardPaths::AppDataLocation); a program folder set by hand
/// (a portable copy, or a test) holds the user's files too, unless this is set as well.
class UserDataFolder
{
public:
    static QString path();
    static void setPath(const QString &folder);
};

/// `name` (its file-name part) in the user's data folder; the folder need not exist yet.
QString UserDataFile(const QString &name);
/// The user's own copy of the shipped file `name`, copied from the shipped one when the user has none
/// yet. When no copy can be made (no shipped file, or the user's folder cannot be written) the shipped
/// file is returned and `error` says why.
QString SeededUserFile(const QString &name, QString *error = nullptr);
/// A data file by name: the user's own when there is one, else the shipped one.
QString DataFile(const QString &name);
/// The language files (*.lng) offered for choice: the shipped ones and the user's own, by name without
/// regard to case, each name once (the user's copy wins, see DataFile).
QStringList LanguageFileNames();

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
