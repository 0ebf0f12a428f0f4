#pragma once
#include <QString>

#include <memory>

class QSettings;

namespace kbx {

// The per-user registry key of the program. Here the store is QSettings (organisation `Vendor`,
// application `AppTitle`); a section is a group and every value is a string. Every call names its
// section (empty: the base key itself) and opens the store anew; failures are not reported (reads
// give "", writes are lost).
//
// A section "exists" once it holds a value: QSettings cannot keep an empty group, so reading from a
// missing section does not create it as opening a registry key would.
class TOxRegistry
{
public:
    // `appTitle` empty: the platform's default title of this executable.
    explicit TOxRegistry(const QString &appTitle = QString());
    ~TOxRegistry();

    QString BaseKey() const { return m_baseKey; }
    // The key of a section: the base key, then "\" and the section's name.
    QString SectionKey(const QString &section) const;
    QString AppTitle() const { return m_appTitle; }
    QString Vendor() const { return m_vendor; }

    bool KeyExists(const QString &section) const;
    QString ReadString(const QString &section, const QString &name) const;
    bool ValueExists(const QString &section, const QString &name) const;
    void WriteString(const QString &section, const QString &name, const QString &value);
    // While a Batch lives, every read and write of this registry goes through one settings object, and
    // what was written reaches the file once, when the outermost Batch ends (instead of once per value).
    class Batch
    {
    public:
        explicit Batch(TOxRegistry &registry);
        ~Batch();
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;

    private:
        TOxRegistry &m_registry;
    };

    // One of the user's folders by its Windows shell-folder name ("Desktop", "Personal", "My Video",
    // "Start Menu", "Programs", "Startup"); "" for a folder with no equivalent here.
    QString ReadShellFolder(const QString &name) const;

private:
    friend class Batch;
    friend class RegistryStore;
    QString m_baseKey;
    int m_batchDepth = 0;
    std::unique_ptr<QSettings> m_batch;
    QString m_appTitle;
    QString m_vendor;
};

// The section of the user's settings and the chosen language.
inline const QString kSettingsSection = QStringLiteral("settings");

// The process-wide registry wrapper, created on first use if CreateShellInstances() has not run.
TOxRegistry &Registry();
// Replaces it (tests); nullptr makes a fresh one with the default title on next use.
void InstallRegistry(std::unique_ptr<TOxRegistry> registry);

} // namespace kbx
