// The Analyze page's remembered paths, as the main window's settings store sees them.

#include "analyzer/analyzepage.h"

#include "ui/fileedit.h"

namespace kbx {

namespace {

const QString SourceKey = QStringLiteral("AnalyzeSource");
const QString LogKey = QStringLiteral("AnalyzeLog");

} // namespace

QStringList TAnalyzeVOBFrame::SettingKeys() const
{
    return {SourceKey, LogKey};
}

void TAnalyzeVOBFrame::LoadSetting(const QString &key, const TSettingsAccess &store)
{
    if (!store.Has(key))
        return;
    // The source is only shown: it is read when the analysis starts, which reports a file gone since.
    if (key == SourceKey)
        ed_source->setText(store.Read(key));
    else if (key == LogKey)
        m_lastLog = store.Read(key);
}

void TAnalyzeVOBFrame::SaveSetting(const QString &key, TSettingsAccess &store) const
{
    if (key == SourceKey)
        store.Write(key, ed_source->Text());
    else if (key == LogKey)
        store.Write(key, m_lastLog);
}

} // namespace kbx
