#pragma once

#include "StartupOptions.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace marrowfin {

class CookieStore;
class SettingsStore;

// One profile folder in use: its settings store and cookie store opened, the configuration made current and the
// transport set up to use them. Both executables make exactly one, on the main thread, before any request.
class Profile final
{
public:
    explicit Profile(const StartupOptions& options);
    ~Profile();
    Profile(const Profile&) = delete;
    Profile& operator=(const Profile&) = delete;

    [[nodiscard]] const QString& configDir() const { return m_configDir; }
    [[nodiscard]] SettingsStore& settings() const { return *m_settings; }
    [[nodiscard]] const std::shared_ptr<SettingsStore>& sharedSettings() const { return m_settings; }
    [[nodiscard]] const std::shared_ptr<CookieStore>& cookies() const { return m_cookies; }

    // What went wrong while opening the profile and was repaired (a damaged file kept aside), in sentences for
    // the user. Empty when all was well.
    [[nodiscard]] const QStringList& problems() const { return m_problems; }

    // Writes the running build's version when the stored one differs; true when it wrote.
    bool recordBuildVersion();

private:
    QString m_configDir;
    std::shared_ptr<SettingsStore> m_settings;
    std::shared_ptr<CookieStore> m_cookies;
    QStringList m_problems;
};

} // namespace marrowfin
