#include "ClientWebViewController.h"

#include "WebPage.h"

#include "core/net/HttpContext.h"
#include "core/remote/FetchPageRemoteUI.h"
#include "core/remote/ServerInfo.h"
#include "gui/platform/NavigationController.h"
#include "gui/ui/BarButtonItem.h"
#include "gui/ui/ImageButton.h"

#include <QAuthenticator>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

ClientWebViewController::ClientWebViewController(Use use, WebPageTarget* target, QObject* parent)
    : WebViewController(QUrl(), target, parent), m_use(use)
{
    setTitle(use == Use::SettingsTest ? kTestTitle.toString() : kTitle.toString());
    setTabBarItem({kTitle.toString(), kTabImage.toString(), 0});
    if (use == Use::SettingsTest) {
        ImageButton* back = makeBarButtonItem(u"back.png", u"Back"_s);
        back->setObjectName(u"leaveButton"_s);
        connect(back, &ImageButton::clicked, this, &ClientWebViewController::cancel);
        setLeftBarButtonItem(back);
    }
}

void ClientWebViewController::viewDidLoad() {}

void ClientWebViewController::viewWillAppear(bool animated)
{
    ViewController::viewWillAppear(animated);
    if (NavigationController* stack = navigationController())
        stack->setNavigationBarHidden(m_use != Use::SettingsTest);
}

void ClientWebViewController::viewDidAppear(bool animated)
{
    WebViewController::viewDidAppear(animated);
    // Every showing asks again, with a new handshake: the settings as they are now.
    showOverlay(-4);
    setUrl(FetchPageRemoteUI::configuredWebUrl(HttpContext::defaultContext()));
    m_answered.clear();
    operationQueue().addOperation(std::make_shared<FetchPageRemoteUI>(
        url(), this, FetchPageRemoteUI::selectorFor([this](std::optional<QString> text) { initializeWebView(text); }),
        m_use == Use::SettingsTest ? FetchPageRemoteUI::Use::SettingsTest : FetchPageRemoteUI::Use::RemoteTab));
}

void ClientWebViewController::initializeWebView(const std::optional<QString>& text)
{
    setResult(text);
    replaceWebView();
    connect(webPage(), &QWebEnginePage::authenticationRequired, this, &ClientWebViewController::authenticate);
    // Nothing came back: an empty page, the alert has said why.
    showHtml(text.value_or(QString()), url());
    hideOverlay();
    showOverlay(-25);
}

void ClientWebViewController::authenticate(const QUrl& requestUrl, QAuthenticator* authenticator)
{
    // The client's pages ask for the same user and password as its uploads. Asked again for the same address, they
    // were refused: the question is cancelled, or the engine would ask for ever.
    const QUrl where = requestUrl.adjusted(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment);
    const ServerInfo::Values values = ServerInfo::sharedInstance().values();
    if (m_answered.contains(where) || !values.username || values.username->isEmpty()) {
        *authenticator = QAuthenticator();
        return;
    }
    m_answered.append(where);
    authenticator->setUser(*values.username);
    authenticator->setPassword(values.password.value_or(QString()));
}

void ClientWebViewController::webViewDidFinishLoad()
{
    hideOverlay();
}

} // namespace marrowfin
