#include "FetchPageRemoteUI.h"

#include "AlertSink.h"
#include "BitClientRegistry.h"
#include "RemoteLog.h"
#include "ServerInfo.h"

#include "core/net/HttpContext.h"
#include "core/net/HttpRequest.h"
#include "core/net/OperationQueue.h"

#include <QEventLoop>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

QUrl FetchPageRemoteUI::configuredWebUrl(const std::shared_ptr<HttpContext>& context)
{
    const std::unique_ptr<BitClient> client =
        BitClientRegistry::configured(ServerInfo::sharedInstance().values(), context);
    return client ? client->getWebUrl() : QUrl();
}

bool FetchPageRemoteUI::runSettingsTest(const std::shared_ptr<AlertSink>& alerts,
                                        const std::shared_ptr<HttpContext>& context, QString* failure)
{
    OperationQueue queue(1, u"remote"_s);
    QObject receiver;
    QEventLoop loop;
    auto operation = std::make_shared<FetchPageRemoteUI>(QUrl(), &receiver,
                                                         selectorFor([&](std::optional<QString>) { loop.quit(); }),
                                                         Use::SettingsTest, alerts, context);
    queue.addOperation(operation);
    loop.exec();
    if (failure) {
        *failure = operation->failure();
    }
    return operation->succeeded();
}

FetchPageRemoteUI::FetchPageRemoteUI([[maybe_unused]] const QUrl& url, QObject* target, Selector selector, Use use,
                                     std::shared_ptr<AlertSink> alerts, std::shared_ptr<HttpContext> context)
    : FetchPage(configuredWebUrl(context ? context : HttpContext::defaultContext()), target, std::move(selector)),
      m_use(use), m_alerts(std::move(alerts)), m_context(context ? std::move(context) : HttpContext::defaultContext())
{}

void FetchPageRemoteUI::main()
{
    const ServerInfo::Values server = ServerInfo::sharedInstance().values();
    const std::unique_ptr<BitClient> client = BitClientRegistry::configured(server, m_context, &m_failure);
    std::optional<QString> page;
    if (client) {
        // The handshake a send would make first. The test fails with it, since a client that refuses the handshake
        // refuses the send; the tab shows the page all the same, where the user may sign in by hand.
        client->setSessionId();
        HttpRequest request(client->getWebUrl(), m_context);
        request.setExtraHeaders({{u"Keep-Alive"_s, u"115"_s}});
        request.setUsername(server.username);
        request.setPassword(server.password);
        request.request();
        const bool answered = client->noteAnswer(request);
        m_succeeded = answered && (m_use != Use::SettingsTest || !client->failure());
        page = request.result();
        if (!m_succeeded) {
            m_failure = server.address.value_or(QString()) + u':' + server.port.value_or(QString()) + u": "_s +
                        client->failure().value_or(QString());
            qCDebug(lcRemote).noquote() << "the client's page failed:" << m_failure;
        }
    } else {
        qCDebug(lcRemote).noquote() << "no client to ask:" << m_failure;
    }

    const std::shared_ptr<AlertSink> sink = m_alerts ? m_alerts : AlertSink::installed();
    if (sink) {
        if (!m_succeeded) {
            sink->raiseAlert(kConnectionFailedTitle.toString(),
                             kConnectionFailedMessage.toString() + u'\n' + m_failure);
        } else if (m_use == Use::SettingsTest)
            sink->raiseAlert(kSuccessTitle.toString(), QString());
    }
    if (page)
        setReturnObject(*page);
    FetchPage::main();
}

} // namespace marrowfin
