#include "FetchPageRemoteUI.h"

#include "AlertSink.h"
#include "BitClientRegistry.h"
#include "RemoteLog.h"
#include "ServerInfo.h"

#include "core/net/HttpContext.h"
#include "core/net/HttpRequest.h"

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

std::unique_ptr<BitClient> configuredClient(const ServerInfo::Values& server, std::shared_ptr<HttpContext> context)
{
    std::unique_ptr<BitClient> client =
        BitClientRegistry::create(server.client.value_or(QString()), std::move(context));
    if (client) {
        client->setAddress(server.address.value_or(QString()));
        client->setPort(server.port.value_or(QString()));
        client->setUsername(server.username.value_or(QString()));
        client->setPassword(server.password.value_or(QString()));
    }
    return client;
}

} // namespace

QUrl FetchPageRemoteUI::configuredWebUrl(const std::shared_ptr<HttpContext>& context)
{
    const std::unique_ptr<BitClient> client = configuredClient(ServerInfo::sharedInstance().values(), context);
    return client ? client->getWebUrl() : QUrl();
}

FetchPageRemoteUI::FetchPageRemoteUI([[maybe_unused]] const QUrl& url, QObject* target, Selector selector, Use use,
                                     std::shared_ptr<AlertSink> alerts, std::shared_ptr<HttpContext> context)
    : FetchPage(configuredWebUrl(context ? context : HttpContext::defaultContext()), target, std::move(selector)),
      m_use(use), m_alerts(std::move(alerts)), m_context(context ? std::move(context) : HttpContext::defaultContext())
{}

void FetchPageRemoteUI::main()
{
    const ServerInfo::Values server = ServerInfo::sharedInstance().values();
    const std::unique_ptr<BitClient> client = configuredClient(server, m_context);
    std::optional<QString> page;
    if (client) {
        client->setSessionId();
        HttpRequest request(client->getWebUrl(), m_context);
        request.setExtraHeaders({{u"Keep-Alive"_s, u"115"_s}});
        request.setUsername(server.username);
        request.setPassword(server.password);
        request.request();
        m_succeeded = request.isResponseValid();
        page = request.result();
        if (!m_succeeded)
            qCDebug(lcRemote) << "the client's page answered"
                              << (request.urlResponse() ? request.urlResponse()->statusCode : 0);
    } else {
        qCDebug(lcRemote) << "no adapter for the client name" << server.client.value_or(QString());
    }

    const std::shared_ptr<AlertSink> sink = m_alerts ? m_alerts : AlertSink::installed();
    if (sink) {
        if (!m_succeeded)
            sink->raiseAlert(kConnectionFailedTitle.toString(), kConnectionFailedMessage.toString());
        else if (m_use == Use::SettingsTest)
            sink->raiseAlert(kSuccessTitle.toString(), QString());
    }
    if (page)
        setReturnObject(*page);
    FetchPage::main();
}

} // namespace marrowfin
