#pragma once
// The settings store: the main window's placement and every module's choices, kept as strings in the
// sections "window" and "settings" of the registry wrapper.

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QAbstractButton;
class QTabWidget;
class QWidget;

namespace kbx {

class TPage;

// Keeps the order in which the values are loaded and written; the pages own the values. The frame's
// own values ("sheet", the active page, and "help", the help toggle) it keeps itself.
class TPref
{
public:
    explicit TPref(QWidget *mainWindow);
    ~TPref();

    QWidget *MainWindow() const { return m_mainWindow; }

    // The frame's controls; `afterSheet` runs once the stored page is active (the calculation).
    void SetFrame(QTabWidget *pages, QAbstractButton *help, std::function<void()> afterSheet);
    // A page whose keys the store loads and writes; it must outlive the store's use.
    void AddPage(TPage *page);

    // The values of section "settings" in load and in save order ("help" is loaded by LoadHelp).
    static QStringList LoadOrder();
    static QStringList SaveOrder();
    // What is wrong with the owners: a value no page owns or two pages own, a page's key the store
    // does not keep. Empty when every value has exactly one owner.
    QStringList Problems() const;

    // In section "settings".
    QString ReadString(const QString &name) const;
    // -1 for an empty or non-numeric value.
    int ReadInt(const QString &name) const;
    bool ReadBool(const QString &name) const;
    void WriteString(const QString &name, const QString &value);
    void WriteInt(const QString &name, int value);
    void WriteBool(const QString &name, bool value);

    // Applies the window placement, then every setting in load order.
    void Load();
    // Writes the window placement and every setting in save order.
    void Save();
    // Restores the help toggle and runs its click action.
    void LoadHelp();

private:
    class Frame;

    void loadWindow();
    TPage *owner(const QString &key) const;

    QPointer<QWidget> m_mainWindow;
    std::unique_ptr<Frame> m_frame;
    QList<TPage *> m_pages;
};

} // namespace kbx
