#include "Profile.h"

#include "MarrowfinVersion.h"

#include "core/net/CookieStore.h"
#include "core/net/HttpContext.h"
#include "core/settings/BuildVersionRecord.h"
#include "core/settings/SettingsStore.h"

#include <QDir>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

Profile::Profile(const StartupOptions& options)
    : m_configDir(options.configDir().isEmpty() ? SettingsStore::defaultConfigDir()
                                                : QDir(options.configDir()).absolutePath()),
      m_settings(std::make_shared<SettingsStore>(m_configDir)),
      m_cookies(std::make_shared<CookieStore>(m_configDir + u'/' + QString::fromLatin1(CookieStore::kFileName)))
{
    AppConfig::setCurrent(options.config());
    SettingsStore::setShared(m_settings);
    HttpContext::setDefaultContext(std::make_shared<HttpContext>(m_cookies, options.caFile()));
    if (const std::optional<QString> note = m_settings->recoveryNote())
        m_problems.append(*note);
    if (const std::optional<QString> aside = m_cookies->movedAsidePath())
        m_problems.append(u"The cookie file could not be read; it was kept as %1 and the site may ask you to sign in "
                          u"again."_s.arg(*aside));
}

Profile::~Profile() = default;

bool Profile::recordBuildVersion()
{
    return marrowfin::recordBuildVersion(*m_settings, QString::fromLatin1(MARROWFIN_VERSION));
}

} // namespace marrowfin
