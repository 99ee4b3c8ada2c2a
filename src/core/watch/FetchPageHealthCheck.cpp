#include "FetchPageHealthCheck.h"

#include "SignInChecker.h"

namespace marrowfin {

FetchPageHealthCheck::FetchPageHealthCheck(std::shared_ptr<SettingsStore> settings, AppConfig config,
                                           std::shared_ptr<HttpContext> http, std::shared_ptr<SignInChecker> signIn,
                                           QString configDir, QObject* target, Selector selector)
    : FetchPage(QUrl(config.siteAddress(QStringLiteral("/"))), target, std::move(selector)),
      m_settings(std::move(settings)), m_config(std::move(config)), m_http(std::move(http)),
      m_signIn(std::move(signIn)), m_configDir(std::move(configDir))
{}

void FetchPageHealthCheck::main()
{
    // The files first: what the other checks renew (a session's cookies) must not hide how the files stood.
    const HealthCheck::Check files = HealthCheck::files(m_configDir);
    HealthCheck health(m_settings, m_config, m_http, *m_signIn);
    QList<HealthCheck::Check> checks = health.run();
    checks.append(files);
    setReturnObject(QVariant::fromValue(checks));
    FetchPage::main();
}

} // namespace marrowfin
