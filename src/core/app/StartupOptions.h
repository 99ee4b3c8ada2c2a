#pragma once

#include "core/config/AppConfig.h"

#include <QCommandLineOption>
#include <QList>
#include <QString>

#include <optional>

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

    // An option or variable whose value cannot be used, found by problems(): where the value came from as the user
    // would name it ("--site-host" or "MARROWFIN_SITE_HOST"), the value as given, and why it cannot be used (with
    // what to give instead).
    struct Problem
    {
        QString source;
        QString value;
        QString reason;
    };
    // The values read that cannot be used: a site host that is not one (hostProblem), a CA file that cannot be read
    // (caFileProblem). Empty when all is well. For a check at start, before the profile is opened or a request made.
    [[nodiscard]] QList<Problem> problems() const;

    // Why `host` cannot be a host[:port] as the site's addresses are made of ("http://" + host + path), or nothing
    // when it can: a host name or an IP address (an IPv6 address in brackets), then optionally ":" and a port from 1
    // to 65535; no scheme, user part or path.
    [[nodiscard]] static std::optional<QString> hostProblem(QStringView host);
    // Why `path` cannot be read as a CA file (missing, a folder, not readable: the system's reason), or nothing.
    // Reads nothing of its content.
    [[nodiscard]] static std::optional<QString> caFileProblem(const QString& path);

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
    bool m_siteHostGiven = false; // by --site-host rather than MARROWFIN_SITE_HOST or the built-in value
    bool m_caFileGiven = false;   // by --ca-file rather than MARROWFIN_CA_FILE
};

} // namespace marrowfin
