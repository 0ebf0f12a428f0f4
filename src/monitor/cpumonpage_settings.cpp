// The CPU page's stored settings: sampling, the idle test and its action, and the frame's close step.

#include "monitor/cpumonpage.h"
#include "monitor/alarm.h"

#include "ui/fileedit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

namespace kbx {

QStringList TCPUmonPage::SettingKeys() const
{
    return {QStringLiteral("Normalize"), QStringLiteral("CheckSeconds"), QStringLiteral("CheckPercent"),
            QStringLiteral("CheckTimeOut"), QStringLiteral("CheckRunProgram"), QStringLiteral("CheckAction")};
}

QSpinBox *TCPUmonPage::settingSpin(const QString &key) const
{
    if (key == QLatin1String("CheckSeconds"))
        return Check_Interval;
    if (key == QLatin1String("CheckPercent"))
        return Check_percent;
    if (key == QLatin1String("CheckTimeOut"))
        return check_timeout;
    return nullptr;
}

void TCPUmonPage::LoadSetting(const QString &key, const TSettingsAccess &store)
{
    if (!store.Has(key))
        return;
    if (QSpinBox *spin = settingSpin(key)) {
        spin->setValue(store.ReadInt(key));
    } else if (key == QLatin1String("Normalize")) {
        Check_normalize->setChecked(store.ReadBool(key));
    } else if (key == QLatin1String("CheckRunProgram")) {
        Check_RunFile->setText(store.Read(key));
    } else if (key == QLatin1String("CheckAction")) {
        // An action chosen means "execute"; none means "run a program", with the harmless message
        // preselected: a forced power-off must never be one click on "execute" away.
        Check_Action->setCurrentIndex(store.ReadInt(key));
        QRadioButton *mode = Check_RadioAction;
        if (Check_Action->currentIndex() < 0) {
            Check_Action->setCurrentIndex(int(TAlarmAction::Message));
            mode = Check_RadioRun;
        }
        mode->setChecked(true);
    }
}

void TCPUmonPage::SaveSetting(const QString &key, TSettingsAccess &store) const
{
    if (QSpinBox *spin = settingSpin(key)) {
        store.WriteInt(key, spin->value());
    } else if (key == QLatin1String("Normalize")) {
        store.WriteBool(key, Check_normalize->isChecked());
    } else if (key == QLatin1String("CheckRunProgram")) {
        store.Write(key, Check_RunFile->Text());
    } else if (key == QLatin1String("CheckAction")) {
        // "execute" with no action chosen stores -1 as "run" does.
        store.WriteInt(key, Check_RadioAction->isChecked() ? Check_Action->currentIndex() : -1);
    }
}

void TCPUmonPage::HideGraphics()
{
    check_Graphics->setChecked(false);
}

} // namespace kbx
