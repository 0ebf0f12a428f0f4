#pragma once
// The settings store: the main window's placement and every module's choices, kept as strings in the
// sections "window" and "settings" of the registry wrapper.

#include <QPointer>
#include <QString>

class QWidget;

namespace kbx {

// Controls are found by their objectName under the main window, so a module whose controls do not
// exist yet is skipped: its values are neither loaded nor written (the store keeps what it has).
class TPref
{
public:
    explicit TPref(QWidget *mainWindow);

    QWidget *MainWindow() const { return m_mainWindow; }

    // In the registry section chosen last.
    QString ReadString(const QString &name) const;
    // -1 for an empty or non-numeric value.
    int ReadInt(const QString &name) const;
    bool ReadBool(const QString &name) const;
    void WriteString(const QString &name, const QString &value);
    void WriteInt(const QString &name, int value);
    void WriteBool(const QString &name, bool value);

    // Applies the window placement, then every stored setting in load order; leaves "settings"
    // selected.
    void Load();
    // Writes the window placement and every setting whose control exists.
    void Save();
    // Restores the help toggle and runs its click action.
    void LoadHelp();

private:
    void loadWindow();

    QPointer<QWidget> m_mainWindow;
};

} // namespace kbx
