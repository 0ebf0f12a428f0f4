#include "ui/registry.h"

#include "ui/program.h"

#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

namespace kbx {

namespace {

std::unique_ptr<TOxRegistry> &registryInstance()
{
    static std::unique_ptr<TOxRegistry> instance;
    return instance;
}

// Registry sections nest with "\"; QSettings groups with "/".
QString groupName(const QString &section)
{
    QString group = section;
    group.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return group;
}

} // namespace

// The settings object of one call: the batch's while one runs, else one of its own.
class RegistryStore
{
public:
    RegistryStore(const TOxRegistry &registry, const QString &section)
    {
        if (registry.m_batch) {
            settings = registry.m_batch.get();
        } else {
            m_own = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, registry.Vendor(),
                                                registry.AppTitle());
            settings = m_own.get();
        }
        if (!section.isEmpty()) {
            settings->beginGroup(groupName(section));
            m_grouped = true;
        }
    }
    ~RegistryStore()
    {
        if (m_grouped)
            settings->endGroup();
    }
    QSettings *settings = nullptr;

private:
    std::unique_ptr<QSettings> m_own;
    bool m_grouped = false;
};

TOxRegistry::Batch::Batch(TOxRegistry &registry) : m_registry(registry)
{
    if (m_registry.m_batchDepth++ == 0)
        m_registry.m_batch = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                         m_registry.Vendor(), m_registry.AppTitle());
}

TOxRegistry::Batch::~Batch()
{
    if (--m_registry.m_batchDepth == 0)
        m_registry.m_batch.reset();
}

TOxRegistry::~TOxRegistry() = default;

TOxRegistry::TOxRegistry(const QString &appTitle)
    : m_appTitle(appTitle.isEmpty() ? PlatformDefaultTitle() : appTitle)
    , m_vendor(QStringLiteral("Fernhill Crew"))
{
    m_baseKey = QStringLiteral("SOFTWARE\\") + m_vendor + QLatin1Char('\\') + m_appTitle;
}

QString TOxRegistry::SectionKey(const QString &section) const
{
    return section.isEmpty() ? m_baseKey : m_baseKey + QLatin1Char('\\') + section;
}

bool TOxRegistry::KeyExists(const QString &section) const
{
    RegistryStore store(*this, section);
    return !store.settings->allKeys().isEmpty();
}

QString TOxRegistry::ReadString(const QString &section, const QString &name) const
{
    RegistryStore store(*this, section);
    const QVariant value = store.settings->value(name);
    // A hand-edited file can hold "a, b", which QSettings reads back as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

bool TOxRegistry::ValueExists(const QString &section, const QString &name) const
{
    RegistryStore store(*this, section);
    return store.settings->contains(name);
}

void TOxRegistry::WriteString(const QString &section, const QString &name, const QString &value)
{
    RegistryStore store(*this, section);
    store.settings->setValue(name, value);
}

QString TOxRegistry::ReadShellFolder(const QString &name) const
{
    static const struct {
        const char *name;
        QStandardPaths::StandardLocation location;
    } folders[] = {
        {"Desktop", QStandardPaths::DesktopLocation},
        {"Personal", QStandardPaths::HomeLocation},
        {"My Video", QStandardPaths::MoviesLocation},
        {"My Music", QStandardPaths::MusicLocation},
        {"My Pictures", QStandardPaths::PicturesLocation},
        {"Start Menu", QStandardPaths::ApplicationsLocation},
        {"Programs", QStandardPaths::ApplicationsLocation},
    };
    for (const auto &folder : folders) {
        if (name.compare(QLatin1String(folder.name), Qt::CaseInsensitive) == 0)
            return QStandardPaths::writableLocation(folder.location);
    }
    if (name.compare(QLatin1String("Startup"), Qt::CaseInsensitive) == 0)
        return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
            + QStringLiteral("/autostart");
    return QString();
}

TOxRegistry &Registry()
{
    auto &instance = registryInstance();
    if (!instance)
        instance = std::make_unique<TOxRegistry>();
    return *instance;
}

void InstallRegistry(std::unique_ptr<TOxRegistry> registry)
{
    registryInstance() = std::move(registry);
}

} // namespace kbx
