// The Calc page's stored settings: the movie length, the stream and medium choices, the layout and
// the picture size. A value the store does not hold leaves its control as built.

#include "calc/calcpage.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>

namespace kbx {

namespace {

// "1": the first button checked, otherwise the second. Buttons outside an exclusive group do not
// release each other, so both are set.
void LoadPair(bool first, QAbstractButton *on, QAbstractButton *off)
{
    (first ? on : off)->setChecked(true);
    (first ? off : on)->setChecked(false);
}

} // namespace

QStringList TCalcPage::SettingKeys() const
{
    return {QStringLiteral("advanced"), QStringLiteral("calcMin"), QStringLiteral("calcSec"),
            QStringLiteral("audio"), QStringLiteral("storage"), QStringLiteral("PAL"), QStringLiteral("AVI"),
            QStringLiteral("PCM"), QStringLiteral("MultiDisc"), QStringLiteral("ATracks"),
            QStringLiteral("Number"), QStringLiteral("LockAspect"), QStringLiteral("Align"),
            QStringLiteral("Aspect"), QStringLiteral("DimX"), QStringLiteral("DimY")};
}

QSpinBox *TCalcPage::settingSpin(const QString &key) const
{
    if (key == QLatin1String("calcMin"))
        return EC_MINe;
    if (key == QLatin1String("calcSec"))
        return EC_SECe;
    if (key == QLatin1String("ATracks"))
        return EC_ATracks;
    if (key == QLatin1String("Number"))
        return EC_NUMe;
    return nullptr;
}

void TCalcPage::LoadSetting(const QString &key, const TSettingsAccess &store)
{
    if (!store.Has(key))
        return;
    if (QSpinBox *spin = settingSpin(key)) {
        // -1 from a broken number: the field holds its minimum.
        spin->setValue(store.ReadInt(key));
    } else if (key == QLatin1String("advanced")) {
        // The page starts in its simple layout; the toggle switches to the advanced one.
        if (store.ReadBool(key))
            EC_AdvancedClick();
    } else if (key == QLatin1String("audio")) {
        EC_AUDIOcb->setCurrentText(store.Read(key));
    } else if (key == QLatin1String("storage")) {
        EC_MEDIAcb->setCurrentText(store.Read(key));
    } else if (key == QLatin1String("PAL")) {
        LoadPair(store.ReadBool(key), EC_PALrb, EC_NTSCrb);
    } else if (key == QLatin1String("AVI")) {
        LoadPair(store.ReadBool(key), EC_AVIrb, EC_MPEGrb);
    } else if (key == QLatin1String("PCM")) {
        LoadPair(store.ReadBool(key), EC_PCMrb, EC_MP3rb);
    } else if (key == QLatin1String("MultiDisc")) {
        LoadPair(store.ReadBool(key), EC_DISCrb, EC_VIDrb);
    } else if (key == QLatin1String("LockAspect")) {
        EC_LockAspect->setChecked(store.ReadBool(key));
    } else if (key == QLatin1String("Align")) {
        EC_Align16->setChecked(store.ReadBool(key));
    } else if (key == QLatin1String("Aspect")) {
        const QSignalBlocker blocker(EC_Aspect_Combo);
        EC_Aspect_Combo->setCurrentIndex(store.ReadInt(key));
    } else if (key == QLatin1String("DimX") || key == QLatin1String("DimY")) {
        // Stored in pixels; the slider counts 16-pixel steps while the dimensions are aligned.
        const bool x = key == QLatin1String("DimX");
        const int pixels = store.ReadInt(key);
        (x ? EC_TrackX : EC_TrackY)->setValue(EC_Align16->isChecked() ? pixels / 16 : pixels);
        // Run as the window's, which only refreshes the caption.
        if (x)
            trackXChange(window());
        else
            trackYChange(window());
    }
}

void TCalcPage::SaveSetting(const QString &key, TSettingsAccess &store) const
{
    if (QSpinBox *spin = settingSpin(key)) {
        store.WriteInt(key, spin->value());
    } else if (key == QLatin1String("advanced")) {
        store.WriteBool(key, AdvancedShown());
    } else if (key == QLatin1String("audio")) {
        store.Write(key, EC_AUDIOcb->currentText());
    } else if (key == QLatin1String("storage")) {
        store.Write(key, EC_MEDIAcb->currentText());
    } else if (key == QLatin1String("PAL")) {
        store.WriteBool(key, EC_PALrb->isChecked());
    } else if (key == QLatin1String("AVI")) {
        store.WriteBool(key, EC_AVIrb->isChecked());
    } else if (key == QLatin1String("PCM")) {
        store.WriteBool(key, EC_PCMrb->isChecked());
    } else if (key == QLatin1String("MultiDisc")) {
        store.WriteBool(key, EC_DISCrb->isChecked());
    } else if (key == QLatin1String("LockAspect")) {
        store.WriteBool(key, EC_LockAspect->isChecked());
    } else if (key == QLatin1String("Align")) {
        store.WriteBool(key, EC_Align16->isChecked());
    } else if (key == QLatin1String("Aspect")) {
        store.WriteInt(key, EC_Aspect_Combo->currentIndex());
    } else if (key == QLatin1String("DimX") || key == QLatin1String("DimY")) {
        // The caption holds pixels whatever the slider counts.
        bool ok = false;
        const int pixels = (key == QLatin1String("DimX") ? EC_DimX : EC_DimY)->text().trimmed().toInt(&ok);
        if (ok)
            store.WriteInt(key, pixels);
    }
}

} // namespace kbx
