#include "ProfileWebViewController.h"

#include "core/net/FetchPageGeneric.h"
#include "core/scrape/HttpRequestRegExProfileDetails.h"
#include "gui/platform/WebPageTarget.h"

namespace marrowfin {

ProfileWebViewController::ProfileWebViewController(const QUrl& url, WebPageTarget* target, QObject* parent)
    : WebViewController(url, target, parent)
{
    operationQueue().addOperation(std::make_shared<FetchPageGeneric>(
        url, this, FetchPage::selectorFor<QString>([this](std::optional<QString> text) { initializeWebView(text); }),
        FetchPageGeneric::requestOfType<HttpRequestRegExProfileDetails>()));
}

void ProfileWebViewController::cancel()
{
    // The listing locked itself when it opened this page and unlocks when the page has loaded; a page left before
    // that would leave it locked for good.
    const bool unloaded = loadsFinished() == 0;
    WebPageTarget* opener = target();
    WebViewController::cancel();
    if (unloaded && opener)
        opener->webPageDidLoad();
}

} // namespace marrowfin
