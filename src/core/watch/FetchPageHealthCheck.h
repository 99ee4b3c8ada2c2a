#pragma once

#include "HealthCheck.h"

#include "core/net/FetchPage.h"

#include <QMetaType>

namespace marrowfin {

// The health check as one operation of a screen's queue: the site, listing, sign-in and client checks, then the
// profile's files, delivered as a QList<HealthCheck::Check> in that order. main() runs on a worker thread and blocks
// for as long as the checks take; the sign-in checker is called there too.
class FetchPageHealthCheck final : public FetchPage
{
public:
    // `configDir` holds the profile's settings and cookie files.
    FetchPageHealthCheck(std::shared_ptr<SettingsStore> settings, AppConfig config, std::shared_ptr<HttpContext> http,
                         std::shared_ptr<SignInChecker> signIn, QString configDir, QObject* target, Selector selector);

    void main() override;

    [[nodiscard]] static Selector selectorFor(std::function<void(std::optional<QList<HealthCheck::Check>>)> callback)
    {
        return FetchPage::selectorFor<QList<HealthCheck::Check>>(std::move(callback));
    }

private:
    std::shared_ptr<SettingsStore> m_settings;
    AppConfig m_config;
    std::shared_ptr<HttpContext> m_http;
    // Shared with nobody else, but kept by the operation: it must live until main() has returned.
    std::shared_ptr<SignInChecker> m_signIn;
    QString m_configDir;
};

} // namespace marrowfin

Q_DECLARE_METATYPE(marrowfin::HealthCheck::Check)
