#pragma once
// An in-memory settings section, and a page's own keys loaded or saved in the page's order: a page's
// settings tested without the store or the main window.

#include "ui/page.h"

#include <QMap>

namespace kbx {

class SettingsMap : public TSettingsAccess
{
public:
    bool Has(const QString &key) const override { return values.contains(key); }
    QString Read(const QString &key) const override { return values.value(key); }
    void Write(const QString &key, const QString &value) override { values.insert(key, value); }

    QMap<QString, QString> values;
};

inline void LoadPageSettings(TPage &page, const TSettingsAccess &store)
{
    for (const QString &key : page.SettingKeys())
        page.LoadSetting(key, store);
}

inline void SavePageSettings(const TPage &page, TSettingsAccess &store)
{
    for (const QString &key : page.SettingKeys())
        page.SaveSetting(key, store);
}

} // namespace kbx
