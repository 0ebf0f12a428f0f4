// The Files page as the main window's settings store and close step see it.

#include "fileproc/fileprocpage.h"
#include "fileproc/joinpanel.h"

#include "fileproc/filenames.h"
#include "ui/fileedit.h"

#include <QPushButton>
#include <QSignalBlocker>

namespace kbx {

namespace {

const QString SourceKey = QStringLiteral("FilesSource");
const QString TargetKey = QStringLiteral("FilesTarget");

} // namespace

QStringList TFileProcPage::SettingKeys() const
{
    return QStringList{QStringLiteral("calcHex"), QStringLiteral("OffSetting")} + ChecksumSettingKeys()
        + QStringList{SourceKey, TargetKey};
}

void TFileProcPage::loadLastPath(const QString &key, const QString &path)
{
    if (path.isEmpty())
        return;
    if (key == SourceKey) {
        // Taken as if chosen again, sizes and probe included; a file gone since is left out quietly
        // rather than greeting the user with an error at start-up.
        const NameKind kind = KindOf(path);
        if ((kind == NameKind::Regular || kind == NameKind::BlockDevice) && ReadableSize(path) >= 1)
            OpenInputFile(path);
    } else {
        // As stored: the output-name rule runs again when the field is left or the job starts.
        {
            const QSignalBlocker quiet(outputFName);
            outputFName->setText(path);
        }
        UpdateStartButton();
        showDescription();
    }
}

void TFileProcPage::LoadSetting(const QString &key, const TSettingsAccess &store)
{
    if (key == QLatin1String("calcHex")) {
        if (store.Has(key))
            SetHexDisplay(store.ReadBool(key));
    } else if (key == QLatin1String("OffSetting")) {
        // Read also when absent: anything but "button" is the slider mode.
        SetOffsetSetting(store.Read(key));
    } else if (key == SourceKey || key == TargetKey) {
        loadLastPath(key, store.Read(key));
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
    else if (key == SourceKey)
        store.Write(key, inputFName->Text());
    else if (key == TargetKey)
        store.Write(key, outputFName->Text());
    else
        SaveChecksumSetting(key, store);
}

void TFileProcPage::Retranslate()
{
    joinPanel->RefreshCaptions();
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
