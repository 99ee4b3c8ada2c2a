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
    if (NavigationController* stack = navigationController())
        stack->setNavigationBarHidden(true);
    showOverlay(0);
    setUrl(siteBaseAddress());
    ++m_fetchCount;
    operationQueue().addOperation(std::make_shared<FetchPageGeneric>(
        url(), this, FetchPage::selectorFor<QString>([this](std::optional<QString> text) { initializeWebView(text); }),
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
