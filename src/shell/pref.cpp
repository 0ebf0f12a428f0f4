#include "shell/pref.h"

#include "fileproc/fileprocpage.h"
#include "ui/buttonedit.h"
#include "ui/page.h"
#include "ui/registry.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QWidget>

namespace kbx {

namespace {

const QString kWindow = QStringLiteral("window");
const QString kSettings = QStringLiteral("settings");

// Height of the window on the first start, when no placement is stored.
constexpr int kFirstHeight = 592;
// A stored placement counts as visible when a piece of this size (or the whole window, if smaller)
// lies on some screen; less than that cannot be grabbed with the mouse.
constexpr int kGrip = 48;

enum class Kind {
    Spin,     // value of a spin box
    Text,     // text of a combo box, line edit or file-name edit
    Index,    // item index of a combo box, set without running its change handler
    Check,    // check or down state of a button
    Pair,     // "1": the control checked, otherwise the partner
    Special,  // a rule of its own
};

struct Setting;
using Rule = void (*)(TPref &, const Setting &);

struct Setting {
    const char *value;
    const char *control;
    Kind kind;
    const char *partner = nullptr;
    // The handler a special rule runs after loading.
    const char *handler = nullptr;
    Rule load = nullptr;
    Rule save = nullptr;
    // Loaded even when absent from the store.
    bool always = false;
    // Not part of Load (the help toggle comes later, with LoadHelp).
    bool later = false;
};

QObject *Find(const TPref &pref, const char *name)
{
    QWidget *root = pref.MainWindow();
    return root && name ? root->findChild<QObject *>(QLatin1String(name)) : nullptr;
}

template <class T>
T *Find(const TPref &pref, const char *name)
{
    return qobject_cast<T *>(Find(pref, name));
}

TFileProcPage *FilesPage(const TPref &pref)
{
    QWidget *root = pref.MainWindow();
    return root ? root->findChild<TFileProcPage *>() : nullptr;
}

// Runs a handler slot by name on `from` or the nearest of its owners that has one, up to the main
// window: a handler lives on the page (or window) that owns the control.
void RunHandler(const TPref &pref, QObject *from, const char *slot)
{
    const QByteArray signature = QMetaObject::normalizedSignature(QByteArray(slot) + "()");
    for (QObject *object = from; object; object = object->parent()) {
        if (object->metaObject()->indexOfMethod(signature.constData()) >= 0) {
            QMetaObject::invokeMethod(object, slot);
            return;
        }
        if (object == pref.MainWindow())
            return;
    }
}

// Whether a widget is part of its page's layout, whatever page is in front and whether the window
// has been shown yet: no widget up to its page has been hidden on purpose.
bool ShownInLayout(const TPref &pref, QWidget *widget)
{
    for (QWidget *w = widget; w && w != pref.MainWindow(); w = w->parentWidget()) {
        if (qobject_cast<QStackedWidget *>(w->parentWidget()))
            return true;
        if (w->isHidden() && w->testAttribute(Qt::WA_WState_ExplicitShowHide))
            return false;
    }
    return true;
}

void LoadCalcHex(TPref &pref, const Setting &s)
{
    if (TFileProcPage *page = FilesPage(pref))
        page->SetHexDisplay(pref.ReadBool(QLatin1String(s.value)));
}

void SaveCalcHex(TPref &pref, const Setting &s)
{
    if (TFileProcPage *page = FilesPage(pref))
        pref.WriteBool(QLatin1String(s.value), page->HexDisplay());
}

// Checksum choices of the Files page, through the page-interface form of its settings.
class PrefAccess : public TSettingsAccess
{
public:
    explicit PrefAccess(TPref &pref) : m_pref(pref) {}
    bool Has(const QString &key) const override { return Registry().ValueExists(key); }
    QString Read(const QString &key) const override { return m_pref.ReadString(key); }
    void Write(const QString &key, const QString &value) override { m_pref.WriteString(key, value); }

private:
    TPref &m_pref;
};

void LoadChecksumSetting(TPref &pref, const Setting &s)
{
    if (TFileProcPage *page = FilesPage(pref))
        page->LoadChecksumSetting(QLatin1String(s.value), PrefAccess(pref));
}

void SaveChecksumSetting(TPref &pref, const Setting &s)
{
    PrefAccess access(pref);
    if (TFileProcPage *page = FilesPage(pref))
        page->SaveChecksumSetting(QLatin1String(s.value), access);
}

void LoadOffSetting(TPref &pref, const Setting &s)
{
    if (TFileProcPage *page = FilesPage(pref))
        page->SetOffsetSetting(pref.ReadString(QLatin1String(s.value)));
}

void SaveOffSetting(TPref &pref, const Setting &s)
{
    if (TFileProcPage *page = FilesPage(pref))
        pref.WriteString(QLatin1String(s.value), page->OffsetSetting());
}

// The calculator starts in its simple layout; its toggle switches to the advanced one.
void LoadAdvanced(TPref &pref, const Setting &s)
{
    QObject *toggle = Find(pref, s.control);
    if (toggle && pref.ReadBool(QLatin1String(s.value)))
        RunHandler(pref, toggle, s.handler);
}

void SaveAdvanced(TPref &pref, const Setting &s)
{
    if (auto *frameRates = Find<QWidget>(pref, s.partner))
        pref.WriteBool(QLatin1String(s.value), ShownInLayout(pref, frameRates));
}

// Stored in pixels; the slider counts 16-pixel steps while the dimensions are aligned.
void LoadDimension(TPref &pref, const Setting &s)
{
    auto *slider = Find<QAbstractSlider>(pref, s.control);
    if (!slider)
        return;
    const int pixels = pref.ReadInt(QLatin1String(s.value));
    auto *align = Find<QAbstractButton>(pref, "EC_Align16");
    slider->setValue(align && align->isChecked() ? pixels / 16 : pixels);
    RunHandler(pref, slider, s.handler);
}

void SaveDimension(TPref &pref, const Setting &s)
{
    auto *caption = Find<QLabel>(pref, s.partner);
    if (!caption)
        return;
    bool ok = false;
    const int pixels = caption->text().trimmed().toInt(&ok);
    if (ok)
        pref.WriteInt(QLatin1String(s.value), pixels);
}

// The stored page becomes active directly, which is no page change: the module selector keeps its
// selection. An absent or impossible index gives the Calc page, as on the first start.
void LoadSheet(TPref &pref, const Setting &s)
{
    if (auto *tabs = Find<QTabWidget>(pref, s.control)) {
        int index = pref.ReadInt(QLatin1String(s.value));
        if (index < 0 || index >= tabs->count())
            index = 1;
        const QSignalBlocker blocker(tabs);
        tabs->setCurrentIndex(index);
    }
    // The bitrate calculation runs after the page is chosen.
    if (QObject *minutes = Find(pref, "EC_MINe"))
        RunHandler(pref, minutes, s.handler);
}

void SaveSheet(TPref &pref, const Setting &s)
{
    if (auto *tabs = Find<QTabWidget>(pref, s.control))
        pref.WriteInt(QLatin1String(s.value), tabs->currentIndex());
}

// An action chosen means "execute"; none means "run a program", with forced shutdown preselected.
void LoadCheckAction(TPref &pref, const Setting &s)
{
    auto *actions = Find<QComboBox>(pref, s.control);
    if (!actions)
        return;
    actions->setCurrentIndex(pref.ReadInt(QLatin1String(s.value)));
    const char *radio = "Check_RadioAction";
    if (actions->currentIndex() < 0) {
        actions->setCurrentIndex(1);
        radio = "Check_RadioRun";
    }
    if (auto *button = Find<QAbstractButton>(pref, radio))
        button->setChecked(true);
}

void SaveCheckAction(TPref &pref, const Setting &s)
{
    auto *actions = Find<QComboBox>(pref, s.control);
    if (!actions)
        return;
    auto *execute = Find<QAbstractButton>(pref, "Check_RadioAction");
    pref.WriteInt(QLatin1String(s.value), execute && execute->isChecked() ? actions->currentIndex() : -1);
}

void SaveHelp(TPref &pref, const Setting &s)
{
    if (auto *button = Find<QAbstractButton>(pref, s.control))
        pref.WriteBool(QLatin1String(s.value), button->isChecked());
}

// The section "settings" in load order.
const Setting kSettingsTable[] = {
    {"calcHex", "offHexa", Kind::Special, nullptr, nullptr, LoadCalcHex, SaveCalcHex},
    {"advanced", "EC_Advanced", Kind::Special, "EC_FPS_Box", "EC_AdvancedClick", LoadAdvanced, SaveAdvanced},
    {"calcMin", "EC_MINe", Kind::Spin},
    {"calcSec", "EC_SECe", Kind::Spin},
    {"audio", "EC_AUDIOcb", Kind::Text},
    {"storage", "EC_MEDIAcb", Kind::Text},
    {"PAL", "EC_PALrb", Kind::Pair, "EC_NTSCrb"},
    {"AVI", "EC_AVIrb", Kind::Pair, "EC_MPEGrb"},
    {"PCM", "EC_PCMrb", Kind::Pair, "EC_MP3rb"},
    {"MultiDisc", "EC_DISCrb", Kind::Pair, "EC_VIDrb"},
    {"ATracks", "EC_ATracks", Kind::Spin},
    {"Number", "EC_NUMe", Kind::Spin},
    {"LockAspect", "EC_LockAspect", Kind::Check},
    {"Align", "EC_Align16", Kind::Check},
    {"Normalize", "Check_normalize", Kind::Check},
    {"Aspect", "EC_Aspect_Combo", Kind::Index},
    {"DimX", "EC_TrackX", Kind::Special, "EC_DimX", "EC_TrackXChange", LoadDimension, SaveDimension},
    {"DimY", "EC_TrackY", Kind::Special, "EC_DimY", "EC_TrackYChange", LoadDimension, SaveDimension},
    {"copyMedium", "copyMediaSize", Kind::Text},
    {"sheet", "TabSheet", Kind::Special, nullptr, "calcRate", LoadSheet, SaveSheet, true},
    {"CheckSeconds", "Check_Interval", Kind::Spin},
    {"CheckPercent", "Check_percent", Kind::Spin},
    {"CheckTimeOut", "check_timeout", Kind::Spin},
    {"CheckRunProgram", "Check_RunFile", Kind::Text},
    {"OffSetting", "off_slide", Kind::Special, nullptr, nullptr, LoadOffSetting, SaveOffSetting, true},
    {"CheckAction", "Check_Action", Kind::Special, nullptr, nullptr, LoadCheckAction, SaveCheckAction},
    {"help", "btn_oHelp", Kind::Special, nullptr, nullptr, nullptr, SaveHelp, false, true},
    {"HashKinds", "cbHashKinbox", Kind::Special, nullptr, nullptr, LoadChecksumSetting, SaveChecksumSetting},
    {"Sidecar", "cbSidecarNone", Kind::Special, nullptr, nullptr, LoadChecksumSetting, SaveChecksumSetting},
};

const char *const kSaveOrder[] = {
    "help", "sheet", "copyMedium", "calcHex", "advanced", "calcMin", "calcSec", "audio", "storage",
    "PAL", "AVI", "PCM", "MultiDisc", "ATracks", "Number", "LockAspect", "Align", "Normalize",
    "Aspect", "DimX", "DimY", "CheckSeconds", "CheckPercent", "CheckTimeOut", "CheckAction",
    "OffSetting", "CheckRunProgram", "HashKinds", "Sidecar",
};

const Setting *FindSetting(const char *value)
{
    for (const Setting &s : kSettingsTable) {
        if (qstrcmp(s.value, value) == 0)
            return &s;
    }
    return nullptr;
}

void LoadSetting(TPref &pref, const Setting &s)
{
    const QString name = QLatin1String(s.value);
    switch (s.kind) {
    case Kind::Spin:
        if (auto *spin = Find<QSpinBox>(pref, s.control))
            spin->setValue(pref.ReadInt(name));
        break;
    case Kind::Text: {
        QObject *control = Find(pref, s.control);
        if (auto *combo = qobject_cast<QComboBox *>(control))
            combo->setCurrentText(pref.ReadString(name));
        else if (auto *edit = qobject_cast<QLineEdit *>(control))
            edit->setText(pref.ReadString(name));
        else if (auto *buttonEdit = qobject_cast<TOxButtonEdit *>(control))
            buttonEdit->setText(pref.ReadString(name));
        break;
    }
    case Kind::Index:
        if (auto *combo = Find<QComboBox>(pref, s.control)) {
            const QSignalBlocker blocker(combo);
            combo->setCurrentIndex(pref.ReadInt(name));
        }
        break;
    case Kind::Check:
        if (auto *button = Find<QAbstractButton>(pref, s.control))
            button->setChecked(pref.ReadBool(name));
        break;
    case Kind::Pair: {
        auto *first = Find<QAbstractButton>(pref, s.control);
        auto *second = Find<QAbstractButton>(pref, s.partner);
        if (!first || !second)
            break;
        const bool on = pref.ReadBool(name);
        (on ? first : second)->setChecked(true);
        // Buttons outside an exclusive group do not release each other.
        (on ? second : first)->setChecked(false);
        break;
    }
    case Kind::Special:
        if (s.load)
            s.load(pref, s);
        break;
    }
}

void SaveSetting(TPref &pref, const Setting &s)
{
    const QString name = QLatin1String(s.value);
    switch (s.kind) {
    case Kind::Spin:
        if (auto *spin = Find<QSpinBox>(pref, s.control))
            pref.WriteInt(name, spin->value());
        break;
    case Kind::Text: {
        QObject *control = Find(pref, s.control);
        if (auto *combo = qobject_cast<QComboBox *>(control))
            pref.WriteString(name, combo->currentText());
        else if (auto *edit = qobject_cast<QLineEdit *>(control))
            pref.WriteString(name, edit->text());
        else if (auto *buttonEdit = qobject_cast<TOxButtonEdit *>(control))
            pref.WriteString(name, buttonEdit->Text());
        break;
    }
    case Kind::Index:
        if (auto *combo = Find<QComboBox>(pref, s.control))
            pref.WriteInt(name, combo->currentIndex());
        break;
    case Kind::Check:
    case Kind::Pair:
        if (auto *button = Find<QAbstractButton>(pref, s.control))
            pref.WriteBool(name, button->isChecked());
        break;
    case Kind::Special:
        if (s.save)
            s.save(pref, s);
        break;
    }
}

// The placement as stored, unless no screen shows enough of it to grab: then the window is moved
// onto the primary screen (a screen that was unplugged since the last run must not hide it).
QPoint OnScreen(const QRect &frame)
{
    const QSize grip(qMin(frame.width(), kGrip), qMin(frame.height(), kGrip));
    for (const QScreen *screen : QGuiApplication::screens()) {
        const QRect part = screen->availableGeometry() & frame;
        if (part.width() >= grip.width() && part.height() >= grip.height())
            return frame.topLeft();
    }
    const QScreen *primary = QGuiApplication::primaryScreen();
    if (!primary)
        return frame.topLeft();
    const QRect area = primary->availableGeometry();
    return {qBound(area.left(), frame.left(), qMax(area.left(), area.right() + 1 - frame.width())),
            qBound(area.top(), frame.top(), qMax(area.top(), area.bottom() + 1 - frame.height()))};
}

} // namespace

TPref::TPref(QWidget *mainWindow)
    : m_mainWindow(mainWindow)
{
}

QString TPref::ReadString(const QString &name) const
{
    return Registry().ReadString(name);
}

int TPref::ReadInt(const QString &name) const
{
    const QString text = ReadString(name);
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? value : -1;
}

bool TPref::ReadBool(const QString &name) const
{
    return ReadString(name) == QLatin1String("1");
}

void TPref::WriteString(const QString &name, const QString &value)
{
    Registry().WriteString(name, value);
}

void TPref::WriteInt(const QString &name, int value)
{
    WriteString(name, QString::number(value));
}

void TPref::WriteBool(const QString &name, bool value)
{
    WriteString(name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TPref::Load()
{
    loadWindow();
    Registry().SetSection(kSettings);
    for (const Setting &s : kSettingsTable) {
        if (s.later || !m_mainWindow)
            continue;
        if (s.always || Registry().ValueExists(QLatin1String(s.value)))
            LoadSetting(*this, s);
    }
}

void TPref::loadWindow()
{
    TOxRegistry &registry = Registry();
    registry.SetSection(kWindow);
    QWidget *window = m_mainWindow;
    if (!window)
        return;
    if (!registry.ValueExists(QStringLiteral("top"))) {
        window->resize(window->width(), kFirstHeight);
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->geometry();
            window->move(area.left() + (area.width() - window->width()) / 2,
                         area.top() + (area.height() - window->height()) / 2);
        }
        return;
    }
    const int top = ReadInt(QStringLiteral("top"));
    const int left = ReadInt(QStringLiteral("left"));
    const int width = ReadInt(QStringLiteral("width"));
    const int height = ReadInt(QStringLiteral("height"));
    // A missing or broken size keeps the designed one rather than shrinking the window to nothing.
    window->resize(width > 0 ? width : window->width(), height > 0 ? height : window->height());
    window->move(OnScreen(QRect(QPoint(left, top), window->size())));
}

void TPref::Save()
{
    QWidget *window = m_mainWindow;
    if (!window)
        return;
    Registry().SetSection(kWindow);
    WriteInt(QStringLiteral("top"), window->y());
    WriteInt(QStringLiteral("left"), window->x());
    WriteInt(QStringLiteral("width"), window->width());
    WriteInt(QStringLiteral("height"), window->height());

    Registry().SetSection(kSettings);
    for (const char *value : kSaveOrder) {
        if (const Setting *s = FindSetting(value))
            SaveSetting(*this, *s);
    }
}

void TPref::LoadHelp()
{
    Registry().SetSection(kSettings);
    const QString name = QStringLiteral("help");
    auto *button = Find<QAbstractButton>(*this, "btn_oHelp");
    if (!button || !Registry().ValueExists(name))
        return;
    const bool down = ReadBool(name);
    button->setChecked(down);
    // The state is set already; a click() would flip it back.
    emit button->clicked(down);
}

} // namespace kbx
