#pragma once

#include "core/config/AppConfig.h"

#include <QCommandLineOption>
#include <QList>
#include <QString>

class QCommandLineParser;

namespace marrowfin {

// The options both executables share: where the site is, which profile folder holds the settings and cookies,
// and an extra CA file for a site with a certificate of its own (the demo site). Options beat MARROWFIN_*
// variables, which beat the built-in values.
class StartupOptions final
{
public:
    StartupOptions();

    void addTo(QCommandLineParser& parser) const;
    // Reads the parsed options over AppConfig::fromEnvironment(); call after parser.process/parse.
    void read(const QCommandLineParser& parser);

    [[nodiscard]] const AppConfig& config() const { return m_config; }
    // Empty: the default folder (MARROWFIN_CONFIG_DIR, else the user's configuration folder).
    [[nodiscard]] const QString& configDir() const { return m_configDir; }
    // Empty: only the system's certificate authorities.
    [[nodiscard]] const QString& caFile() const { return m_caFile; }

    // Turns on the debug level of every marrowfin.* logging category when MARROWFIN_DEBUG is 1 (or "true");
    // QT_LOGGING_RULES still has the last word.
    static void applyDebugLogging();

private:
    QCommandLineOption m_siteHost;
    QCommandLineOption m_captchaImageHost;
    QCommandLineOption m_captchaCookieDomain;
    QCommandLineOption m_imdbHost;
    QCommandLineOption m_advertisingUnit;
    QCommandLineOption m_donationLink;
    QCommandLineOption m_configDirOption;
    QCommandLineOption m_caFileOption;
    AppConfig m_config;
    QString m_configDir;
    QString m_caFile;
};

} // namespace marrowfin
