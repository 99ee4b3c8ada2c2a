#include "StartupOptions.h"

#include <QCommandLineParser>
#include <QLoggingCategory>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

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
}

void StartupOptions::applyDebugLogging()
{
    const QString debug = qEnvironmentVariable("MARROWFIN_DEBUG").toLower();
    if (debug == u"1"_s || debug == u"true"_s || debug == u"yes"_s)
        QLoggingCategory::setFilterRules(u"marrowfin.*.debug=true"_s);
}

} // namespace marrowfin
