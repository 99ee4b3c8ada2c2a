#include "AppConfig.h"

#include <QReadWriteLock>

#include <optional>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

QReadWriteLock g_lock;
std::optional<AppConfig> g_current; // guarded by g_lock

void override(QString& value, const char* variable)
{
    const QString fromEnvironment = qEnvironmentVariable(variable);
    if (!fromEnvironment.isEmpty())
        value = fromEnvironment;
}

} // namespace

AppConfig AppConfig::builtIn()
{
    AppConfig config;
    config.siteHost = QString::fromLatin1(kDefaultSiteHost);
    config.captchaImageHost = QString::fromLatin1(kDefaultSiteHost);
    config.captchaCookieDomain = u"captcha.localhost"_s;
    config.imdbHost = u"www.imdb.com"_s;
    return config;
}

AppConfig AppConfig::fromEnvironment()
{
    AppConfig config = builtIn();
    override(config.siteHost, "MARROWFIN_SITE_HOST");
    override(config.captchaImageHost, "MARROWFIN_CAPTCHA_IMAGE_HOST");
    override(config.captchaCookieDomain, "MARROWFIN_CAPTCHA_COOKIE_DOMAIN");
    override(config.imdbHost, "MARROWFIN_IMDB_HOST");
    override(config.advertisingUnit, "MARROWFIN_ADVERTISING_UNIT");
    override(config.donationLink, "MARROWFIN_DONATION_LINK");
    return config;
}

AppConfig AppConfig::current()
{
    {
        QReadLocker locker(&g_lock);
        if (g_current)
            return *g_current;
    }
    QWriteLocker locker(&g_lock);
    if (!g_current)
        g_current = fromEnvironment();
    return *g_current;
}

void AppConfig::setCurrent(const AppConfig& config)
{
    QWriteLocker locker(&g_lock);
    g_current = config;
}

QString AppConfig::siteAddress(const QString& path) const
{
    return u"http://"_s + siteHost + path;
}

QString AppConfig::signInAddress() const
{
    return u"https://"_s + siteHost + u"/auth/login/"_s;
}

QString AppConfig::siteHostName() const
{
    // "[::1]:8080" keeps its brackets off; "host:port" loses the port.
    if (siteHost.startsWith(u'[')) {
        const qsizetype close = siteHost.indexOf(u']');
        return close > 0 ? siteHost.mid(1, close - 1) : siteHost;
    }
    const qsizetype colon = siteHost.indexOf(u':');
    return colon < 0 ? siteHost : siteHost.left(colon);
}

} // namespace marrowfin
