#include "shell/pref.h"

#include "ui/page.h"
#include "ui/registry.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QWidget>

#include <iterator>

namespace kbx {

namespace {

const QString kWindow = QStringLiteral("window");
const QString &kSettings = kSettingsSection;

// Height of the window on the first start, when no placement is stored.
constexpr int kFirstHeight = 592;
// A stored placement counts as visible when a piece of this size (or the whole window, if smaller)
// lies on some screen; less than that cannot be grabbed with the mouse.
constexpr int kGrip = 48;

// The section "settings" in load order; "help" comes later, with LoadHelp.
const char *const kLoadOrder[] = {
    "calcHex", "advanced", "calcMin", "calcSec", "audio", "storage", "PAL", "AVI", "PCM", "MultiDisc",
    "ATracks", "Number", "LockAspect", "Align", "Normalize", "Aspect", "DimX", "DimY", "copyMedium",
    "sheet", "CheckSeconds", "CheckPercent", "CheckTimeOut", "CheckRunProgram", "OffSetting", "CheckAction",
    "HashKinds", "Sidecar",
    // The pages' last paths; the Files source comes before its destination, which it would propose.
    "FilesSource", "FilesTarget", "BackupLocation", "EditFolder", "AnalyzeSource", "AnalyzeLog",
};

const char *const kSaveOrder[] = {
    "help", "sheet", "copyMedium", "calcHex", "advanced", "calcMin", "calcSec", "audio", "storage",
    "PAL", "AVI", "PCM", "MultiDisc", "ATracks", "Number", "LockAspect", "Align", "Normalize",
    "Aspect", "DimX", "DimY", "CheckSeconds", "CheckPercent", "CheckTimeOut", "CheckAction",
    "OffSetting", "CheckRunProgram", "HashKinds", "Sidecar",
    "FilesSource", "FilesTarget", "BackupLocation", "EditFolder", "AnalyzeSource", "AnalyzeLog",
};

const QString kHelp = QStringLiteral("help");
const QString kSheet = QStringLiteral("sheet");

QStringList Keys(const char *const *names, std::size_t count)
{
    QStringList keys;
    for (std::size_t i = 0; i < count; ++i)
        keys << QLatin1String(names[i]);
    return keys;
}

// One section of the registry wrapper, named in every call.
class SectionAccess : public TSettingsAccess
{
public:
    explicit SectionAccess(const QString &section) : m_section(section) {}
    bool Has(const QString &key) const override { return Registry().ValueExists(m_section, key); }
    QString Read(const QString &key) const override { return Registry().ReadString(m_section, key); }
    void Write(const QString &key, const QString &value) override
    {
        Registry().WriteString(m_section, key, value);
    }

private:
    QString m_section;
};

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

// The frame's own values: the active page and the help toggle.
class TPref::Frame : public TPage
{
public:
    QPointer<QTabWidget> pages;
    QPointer<QAbstractButton> help;
    std::function<void()> afterSheet;

    QStringList SettingKeys() const override { return {kSheet, kHelp}; }

    void LoadSetting(const QString &key, const TSettingsAccess &store) override
    {
        if (key == kSheet) {
            // The stored page becomes active directly, which is no page change (the window marks it in
            // its selector afterwards). An absent or impossible index gives the Calc page, as on the
            // first start.
            if (pages) {
                int index = store.ReadInt(key);
                if (index < 0 || index >= pages->count())
                    index = 1;
                const QSignalBlocker blocker(pages.data());
                pages->setCurrentIndex(index);
            }
            if (afterSheet)
                afterSheet();
        } else if (key == kHelp && help && store.Has(key)) {
            const bool down = store.ReadBool(key);
            help->setChecked(down);
            // The state is set already; a click() would flip it back.
            emit help->clicked(down);
        }
    }

    void SaveSetting(const QString &key, TSettingsAccess &store) const override
    {
        if (key == kSheet && pages)
            store.WriteInt(key, pages->currentIndex());
        else if (key == kHelp && help)
            store.WriteBool(key, help->isChecked());
    }
};

TPref::TPref(QWidget *mainWindow)
    : m_mainWindow(mainWindow)
    , m_frame(std::make_unique<Frame>())
{
}

TPref::~TPref() = default;

void TPref::SetFrame(QTabWidget *pages, QAbstractButton *help, std::function<void()> afterSheet)
{
    m_frame->pages = pages;
    m_frame->help = help;
    m_frame->afterSheet = std::move(afterSheet);
}

void TPref::AddPage(TPage *page)
{
    if (page)
        m_pages << page;
}

QStringList TPref::LoadOrder()
{
    return Keys(kLoadOrder, std::size(kLoadOrder));
}

QStringList TPref::SaveOrder()
{
    return Keys(kSaveOrder, std::size(kSaveOrder));
}

QStringList TPref::Problems() const
{
    QStringList problems;
    QList<const TPage *> owners{m_frame.get()};
    for (const TPage *page : m_pages)
        owners << page;
    const QStringList saved = SaveOrder();
    QStringList loaded = LoadOrder();
    loaded << kHelp;
    for (const QString &key : saved) {
        if (!loaded.contains(key))
            problems << QStringLiteral("\"%1\" is written but never loaded").arg(key);
        qsizetype count = 0;
        for (const TPage *page : owners)
            count += page->SettingKeys().count(key);
        if (count == 0)
            problems << QStringLiteral("no page owns \"%1\"").arg(key);
        else if (count > 1)
            problems << QStringLiteral("\"%1\" is owned %2 times").arg(key).arg(count);
    }
    for (const QString &key : loaded) {
        if (!saved.contains(key))
            problems << QStringLiteral("\"%1\" is loaded but never written").arg(key);
    }
    for (const TPage *page : owners) {
        for (const QString &key : page->SettingKeys()) {
            if (!saved.contains(key))
                problems << QStringLiteral("\"%1\" is owned but not stored").arg(key);
        }
    }
    return problems;
}

TPage *TPref::owner(const QString &key) const
{
    if (m_frame->SettingKeys().contains(key))
        return m_frame.get();
    for (TPage *page : m_pages) {
        if (page->SettingKeys().contains(key))
            return page;
    }
    return nullptr;
}

QString TPref::ReadString(const QString &name) const
{
    return SectionAccess(kSettings).Read(name);
}

int TPref::ReadInt(const QString &name) const
{
    return SectionAccess(kSettings).ReadInt(name);
}

bool TPref::ReadBool(const QString &name) const
{
    return SectionAccess(kSettings).ReadBool(name);
}

void TPref::WriteString(const QString &name, const QString &value)
{
    SectionAccess(kSettings).Write(name, value);
}

void TPref::WriteInt(const QString &name, int value)
{
    SectionAccess(kSettings).WriteInt(name, value);
}

void TPref::WriteBool(const QString &name, bool value)
{
    SectionAccess(kSettings).WriteBool(name, value);
}

void TPref::Load()
{
    const TOxRegistry::Batch batch(Registry());  // one reading of the file for every key
    loadWindow();
    const SectionAccess store(kSettings);
    for (const char *name : kLoadOrder) {
        const QString key = QLatin1String(name);
        // Each owner decides what an absent value means; most leave their control as built.
        if (TPage *page = owner(key))
            page->LoadSetting(key, store);
        else
            qWarning("settings: no page owns \"%s\"", name);
    }
}

void TPref::loadWindow()
{
    const SectionAccess store(kWindow);
    QWidget *window = m_mainWindow;
    if (!window)
        return;
    if (!store.Has(QStringLiteral("top"))) {
        window->resize(window->width(), kFirstHeight);
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->geometry();
            window->move(area.left() + (area.width() - window->width()) / 2,
                         area.top() + (area.height() - window->height()) / 2);
        }
        return;
    }
    const int top = store.ReadInt(QStringLiteral("top"));
    const int left = store.ReadInt(QStringLiteral("left"));
    const int width = store.ReadInt(QStringLiteral("width"));
    const int height = store.ReadInt(QStringLiteral("height"));
    // A missing or broken size keeps the designed one rather than shrinking the window to nothing.
    window->resize(width > 0 ? width : window->width(), height > 0 ? height : window->height());
    window->move(OnScreen(QRect(QPoint(left, top), window->size())));
    // Maximised comes back maximised, over the stored size it returns to.
    if (store.ReadBool(QStringLiteral("maximized")))
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
}

void TPref::Save()
{
    QWidget *window = m_mainWindow;
    if (!window)
        return;
    const TOxRegistry::Batch batch(Registry());  // the file is written once, not once per key
    SectionAccess placement(kWindow);
    // A maximised window keeps the size it had before, so that leaving the maximised state still works
    // after a restart.
    const bool maximized = window->isMaximized();
    const QRect normal = maximized && window->normalGeometry().isValid() ? window->normalGeometry()
                                                                         : QRect(window->pos(), window->size());
    placement.WriteInt(QStringLiteral("top"), normal.y());
    placement.WriteInt(QStringLiteral("left"), normal.x());
    placement.WriteInt(QStringLiteral("width"), normal.width());
    placement.WriteInt(QStringLiteral("height"), normal.height());
    placement.WriteBool(QStringLiteral("maximized"), maximized);

    SectionAccess store(kSettings);
    for (const char *name : kSaveOrder) {
        const QString key = QLatin1String(name);
        if (TPage *page = owner(key))
            page->SaveSetting(key, store);
        else
            qWarning("settings: no page owns \"%s\"", name);
    }
}

void TPref::LoadHelp()
{
    m_frame->LoadSetting(kHelp, SectionAccess(kSettings));
}

} // namespace kbx
