// The Files page as the main window's settings store and close step see it.

#include "fileproc/fileprocpage.h"

#include <QPushButton>

namespace kbx {

QStringList TFileProcPage::SettingKeys() const
{
    return QStringList{QStringLiteral("calcHex"), QStringLiteral("OffSetting")} + ChecksumSettingKeys();
}

void TFileProcPage::LoadSetting(const QString &key, const TSettingsAccess &store)
{
    if (key == QLatin1String("calcHex")) {
        if (store.Has(key))
            SetHexDisplay(store.ReadBool(key));
    } else if (key == QLatin1String("OffSetting")) {
        // Read also when absent: anything but "button" is the slider mode.
        SetOffsetSetting(store.Read(key));
    } else {
        LoadChecksumSetting(key, store);
    }
}

void TFileProcPage::SaveSetting(const QString &key, TSettingsAccess &store) const
{
    if (key == QLatin1String("calcHex"))
        store.WriteBool(key, HexDisplay());
    else if (key == QLatin1String("OffSetting"))
        store.Write(key, OffsetSetting());
    else
        SaveChecksumSetting(key, store);
}

bool TFileProcPage::MayClose()
{
    return FormCloseQuery();
}

QAbstractButton *TFileProcPage::StartButton() const
{
    return startBtn;
}

QAbstractButton *TFileProcPage::StopButton() const
{
    return stopBtn;
}

} // namespace kbx
