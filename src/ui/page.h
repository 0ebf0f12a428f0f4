#pragma once
// The one interface between the main window (and its settings store) and a page. Each page owns its
// settings keys and their defaults; the settings store keeps the order of all keys and asks the page
// that owns a key to load or save it. Nothing outside a page finds its controls by name.

#include <QString>
#include <QStringList>

class QAbstractButton;

namespace kbx {

// The stored settings of one section as strings, as the settings store reads and writes them.
class TSettingsAccess
{
public:
    virtual ~TSettingsAccess() = default;
    virtual bool Has(const QString &key) const = 0;
    virtual QString Read(const QString &key) const = 0;
    virtual void Write(const QString &key, const QString &value) = 0;

    // "1" is true; anything else false. A missing or malformed number reads as -1.
    bool ReadBool(const QString &key) const { return Read(key) == QLatin1String("1"); }
    int ReadInt(const QString &key) const
    {
        bool ok = false;
        const int value = Read(key).toInt(&ok);
        return ok ? value : -1;
    }
    void WriteBool(const QString &key, bool value) { Write(key, value ? QStringLiteral("1") : QStringLiteral("0")); }
    void WriteInt(const QString &key, int value) { Write(key, QString::number(value)); }
};

class TPage
{
public:
    virtual ~TPage() = default;

    // The settings keys this page owns.
    virtual QStringList SettingKeys() const { return {}; }
    // Restores one of its keys; called for every owned key, present in the store or not, in the
    // store's order of keys (a page applies its default where the store has no value).
    virtual void LoadSetting(const QString &key, const TSettingsAccess &store) { Q_UNUSED(key) Q_UNUSED(store) }
    virtual void SaveSetting(const QString &key, TSettingsAccess &store) const { Q_UNUSED(key) Q_UNUSED(store) }

    // The button that starts the page's action (Ctrl+Return) and the one that asks to stop a running
    // one (Esc); null where the page has none.
    virtual QAbstractButton *StartButton() const { return nullptr; }
    virtual QAbstractButton *StopButton() const { return nullptr; }

    // Sets every text again after the language changed.
    virtual void Retranslate() {}
    // Whether the window may close now; a page with a running job asks the user (or refuses).
    virtual bool MayClose() { return true; }
};

} // namespace kbx
