#pragma once

#include "StartupOptions.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

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

    // The profile folder `options` name: --config-dir or MARROWFIN_CONFIG_DIR made absolute, else the default one.
    [[nodiscard]] static QString configDirFor(const StartupOptions& options);
    // Why the profile folder `dir` cannot be used, or nothing when it can: an existing folder must be readable and
    // writable; a missing one must be possible to make, its nearest existing parent being a writable folder. The
    // reason is the system's ("Permission denied") or says what stands in the way ("/p is a file, not a folder").
    // Creates and writes nothing, so that a command that only reads can check before it opens the profile.
    [[nodiscard]] static std::optional<QString> folderProblem(const QString& dir);

    // Writes the running build's version when the stored one differs; true when it wrote.
    bool recordBuildVersion();

private:
    QString m_configDir;
    std::shared_ptr<SettingsStore> m_settings;
    std::shared_ptr<CookieStore> m_cookies;
    QStringList m_problems;
};

} // namespace marrowfin
