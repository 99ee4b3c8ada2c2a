#include "StartupOptions.h"

#include <QCommandLineParser>
#include <QFile>
#include <QLoggingCategory>
#include <QUrl>

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

bool isAddress(int family, QStringView text)
{
    unsigned char address[sizeof(in6_addr)];
    return inet_pton(family, text.toLatin1().constData(), address) == 1;
}

// Letters, digits and hyphens in dot-separated labels of 1 to 63 characters, no label beginning or ending with a
// hyphen; a name in other scripts is taken in its ASCII form.
bool isHostName(QStringView name)
{
    const QByteArray ascii = QUrl::toAce(name.toString());
    if (ascii.isEmpty() || ascii.size() > 253) {
        return false;
    }
    for (const QByteArray& label : ascii.split('.')) {
        if (label.isEmpty() || label.size() > 63 || label.front() == '-' || label.back() == '-') {
            return false;
        }
        for (const char c : label) {
            if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-') {
                return false;
            }
        }
    }
    return true;
}

} // namespace

StartupOptions::StartupOptions()
    : m_siteHost(u"site-host"_s, u"The site's host[:port] (MARROWFIN_SITE_HOST)."_s, u"HOST"_s),
      m_captchaImageHost(u"captcha-image-host"_s, u"The captcha image host (MARROWFIN_CAPTCHA_IMAGE_HOST)."_s,
                         u"HOST"_s),
      m_captchaCookieDomain(u"captcha-cookie-domain"_s,
                            u"The captcha service's cookie domain (MARROWFIN_CAPTCHA_COOKIE_DOMAIN)."_s, u"DOMAIN"_s),
      m_imdbHost(u"imdb-host"_s, u"The movie database host detail pages link to (MARROWFIN_IMDB_HOST)."_s, u"HOST"_s),
      m_advertisingUnit(u"advertising-unit"_s, u"The banner's advertising unit (MARROWFIN_ADVERTISING_UNIT)."_s,
                        u"UNIT"_s),
      m_donationLink(u"donation-link"_s, u"The donation page's address (MARROWFIN_DONATION_LINK)."_s, u"URL"_s),
      m_configDirOption(u"config-dir"_s, u"The folder of settings and cookies (MARROWFIN_CONFIG_DIR)."_s, u"DIR"_s),
      m_caFileOption(u"ca-file"_s, u"An extra CA certificate file to trust (MARROWFIN_CA_FILE)."_s, u"FILE"_s)
{}

void StartupOptions::addTo(QCommandLineParser& parser) const
{
    for (const QCommandLineOption* option : {&m_siteHost, &m_captchaImageHost, &m_captchaCookieDomain, &m_imdbHost,
                                             &m_advertisingUnit, &m_donationLink, &m_configDirOption, &m_caFileOption})
        parser.addOption(*option);
}

void StartupOptions::read(const QCommandLineParser& parser)
{
    m_config = AppConfig::fromEnvironment();
    const auto take = [&parser](const QCommandLineOption& option, QString& value) {
        if (parser.isSet(option))
            value = parser.value(option);
    };
    take(m_siteHost, m_config.siteHost);
    take(m_captchaImageHost, m_config.captchaImageHost);
    take(m_captchaCookieDomain, m_config.captchaCookieDomain);
    take(m_imdbHost, m_config.imdbHost);
    take(m_advertisingUnit, m_config.advertisingUnit);
    take(m_donationLink, m_config.donationLink);
    m_configDir = qEnvironmentVariable("MARROWFIN_CONFIG_DIR");
    take(m_configDirOption, m_configDir);
    m_caFile = qEnvironmentVariable("MARROWFIN_CA_FILE");
    take(m_caFileOption, m_caFile);
    m_siteHostGiven = parser.isSet(m_siteHost);
    m_caFileGiven = parser.isSet(m_caFileOption);
}

QList<StartupOptions::Problem> StartupOptions::problems() const
{
    QList<Problem> found;
    if (const std::optional<QString> reason = hostProblem(m_config.siteHost)) {
        found.append({m_siteHostGiven ? u"--site-host"_s : u"MARROWFIN_SITE_HOST"_s, m_config.siteHost, *reason});
    }
    if (const std::optional<QString> reason = m_caFile.isEmpty() ? std::nullopt : caFileProblem(m_caFile)) {
        found.append({m_caFileGiven ? u"--ca-file"_s : u"MARROWFIN_CA_FILE"_s, m_caFile, *reason});
    }
    return found;
}

std::optional<QString> StartupOptions::hostProblem(QStringView host)
{
    const auto give = [](const QString& reason) {
        return reason + u"; give HOST or HOST:PORT, such as %1"_s.arg(QLatin1StringView(AppConfig::kDefaultSiteHost));
    };
    if (host.isEmpty()) {
        return give(u"it is empty"_s);
    }
    if (host.contains(u"://")) {
        return give(u"leave out the scheme (such as \"http://\")"_s);
    }
    if (host.contains(u'/') || host.contains(u'?') || host.contains(u'#')) {
        return give(u"leave out the path"_s);
    }
    if (host.contains(u'@')) {
        return give(u"leave out the user part (\"USER@\")"_s);
    }
    QStringView name = host;
    std::optional<QStringView> port;
    if (host.startsWith(u'[')) {
        const qsizetype close = host.indexOf(u']');
        if (close < 0) {
            return give(u"an IPv6 address in brackets lacks its \"]\""_s);
        }
        name = host.sliced(1, close - 1);
        if (close + 1 < host.size()) {
            if (host.at(close + 1) != u':') {
                return give(u"only \":PORT\" may follow the brackets"_s);
            }
            port = host.sliced(close + 2);
        }
        if (!isAddress(AF_INET6, name)) {
            return give(u"the text in brackets is not an IPv6 address"_s);
        }
    } else {
        const qsizetype colon = host.indexOf(u':');
        if (colon >= 0 && host.indexOf(u':', colon + 1) >= 0) {
            return give(u"an IPv6 address goes in brackets, as in [::1]:8080"_s);
        }
        if (colon >= 0) {
            name = host.first(colon);
            port = host.sliced(colon + 1);
        }
        // Names of digits and dots only are IPv4 addresses, and must be whole ones: "10.1" is neither.
        const bool numeric = std::all_of(name.begin(), name.end(), [](QChar c) { return c.isDigit() || c == u'.'; });
        if (numeric ? !isAddress(AF_INET, name) : !isHostName(name)) {
            return give(u"it is not a host name or an IP address"_s);
        }
    }
    if (port) {
        // Digits only: toInt would also take "+80" and " 80".
        const bool digits =
            !port->isEmpty() && std::all_of(port->begin(), port->end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
        const int number = digits && port->size() <= 5 ? port->toInt() : 0;
        if (number < 1 || number > 65535) {
            return give(u"the port is not a number from 1 to 65535"_s);
        }
    }
    return std::nullopt;
}

std::optional<QString> StartupOptions::caFileProblem(const QString& path)
{
    // Non-blocking, so that a named pipe given by mistake is refused rather than waited on.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return QString::fromLocal8Bit(std::strerror(errno));
    }
    struct stat status = {};
    const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    const bool folder = S_ISDIR(status.st_mode);
    ::close(fd);
    if (!regular) {
        return folder ? u"it is a folder, not a file"_s : u"it is not a regular file"_s;
    }
    return std::nullopt;
}

void StartupOptions::applyDebugLogging()
{
    const QString debug = qEnvironmentVariable("MARROWFIN_DEBUG").toLower();
    if (debug == u"1"_s || debug == u"true"_s || debug == u"yes"_s)
        QLoggingCategory::setFilterRules(u"marrowfin.*.debug=true"_s);
}

} // namespace marrowfin
