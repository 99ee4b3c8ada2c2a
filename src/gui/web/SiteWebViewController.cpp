#include "SiteWebViewController.h"

#include "core/config/AppConfig.h"
#include "core/net/FetchPageGeneric.h"
#include "core/net/HttpRequest.h"
#include "gui/platform/NavigationController.h"

namespace marrowfin {

SiteWebViewController::SiteWebViewController(WebPageTarget* target, QObject* parent)
    : WebViewController(siteBaseAddress(), target, parent)
{
    const QString host = AppConfig::current().siteHost;
    setTitle(host);
    setTabBarItem({host, kTabImage.toString(), 0});
}

void SiteWebViewController::viewWillAppear(bool animated)
{
    ViewController::viewWillAppear(animated);
    (void)view();
    // A tab without a bar, except where the overflow list showed it: then the bar leads back to that list.
    if (NavigationController* stack = navigationController())
        stack->setNavigationBarHidden(!stack->hasRootBackAction());
    // Back from a profile it opened, the page is where the user left it; a showing of the tab fetches it anew.
    if (!takeReturnFromPushedScreen()) {
        fetchAgain();
    }
}

void SiteWebViewController::fetchAgain()
{
    beginFetch();
    showOverlay(0);
    setUrl(siteBaseAddress());
    ++m_fetchCount;
    operationQueue().addOperation(std::make_shared<FetchPageGeneric>(
        url(), this, FetchPage::selectorFor<QString>(whenCurrent<QString>([this](std::optional<QString> text) {
            initializeWebView(text);
        })),
        FetchPageGeneric::requestOfType<HttpRequest>()));
}

void SiteWebViewController::initializeWebView(const std::optional<QString>& text)
{
    setResult(text);
    replaceWebView();
    showHtml(text.value_or(kErrorPage.toString()), siteBaseAddress());
    hideOverlay();
    showOverlay(-22);
}

void SiteWebViewController::webViewDidFinishLoad()
{
    hideOverlay();
}

} // namespace marrowfin
