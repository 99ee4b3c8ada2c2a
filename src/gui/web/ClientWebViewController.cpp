#include "ClientWebViewController.h"

#include "WebPage.h"

#include "core/net/HttpContext.h"
#include "core/remote/FetchPageRemoteUI.h"
#include "core/remote/ServerInfo.h"
#include "gui/platform/NavigationController.h"
#include "gui/platform/TabBarController.h"
#include "gui/remote/ServerSettingsViewController.h"
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
    // The tab has no bar, except where the overflow list showed it: then the bar leads back to that list.
    if (NavigationController* stack = navigationController())
        stack->setNavigationBarHidden(m_use != Use::SettingsTest && !stack->hasRootBackAction());
}

void ClientWebViewController::viewDidAppear(bool animated)
{
    WebViewController::viewDidAppear(animated);
    // Every showing asks again, with a new handshake: the settings as they are now.
    fetchAgain();
}

void ClientWebViewController::fetchAgain()
{
    beginFetch();
    showOverlay(-4);
    setUrl(FetchPageRemoteUI::configuredWebUrl(HttpContext::defaultContext()));
    m_answered.clear();
    operationQueue().addOperation(std::make_shared<FetchPageRemoteUI>(
        url(), this, FetchPageRemoteUI::selectorFor(whenCurrent<QString>([this](std::optional<QString> text) {
            initializeWebView(text);
        })),
        m_use == Use::SettingsTest ? FetchPageRemoteUI::Use::SettingsTest : FetchPageRemoteUI::Use::RemoteTab));
}

void ClientWebViewController::initializeWebView(const std::optional<QString>& text)
{
    setResult(text);
    replaceWebView();
    connect(webPage(), &QWebEnginePage::authenticationRequired, this, &ClientWebViewController::authenticate);
    if (!text) {
        // Nothing came back, and the alert has said why: the screen says what it would show and where that is set.
        hideOverlay();
        showFailure(url().isEmpty() ? kNoClientText.toString() : kNoAnswerText.toString(),
                    ServerSettingsViewController::kTitle.toString(), [this] { showRemoteSettings(); });
        return;
    }
    showHtml(*text, url());
    hideOverlay();
    showOverlay(-25);
}

void ClientWebViewController::showRemoteSettings()
{
    if (m_use == Use::SettingsTest) {
        // Pushed from those settings: they are one step back.
        cancel();
        return;
    }
    TabBarController* tabs = tabBarController();
    if (!tabs) {
        return;
    }
    const QList<ViewController*>& screens = tabs->viewControllers();
    for (int index = 0; index < screens.size(); ++index) {
        auto* stack = qobject_cast<NavigationController*>(screens.at(index));
        if (stack && qobject_cast<ServerSettingsViewController*>(stack->rootViewController())) {
            if (index < tabs->directTabCount()) {
                tabs->selectSlot(index);
            } else {
                tabs->selectFromMoreList(index);
            }
            return;
        }
    }
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
