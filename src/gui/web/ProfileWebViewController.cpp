#include "ProfileWebViewController.h"

#include "core/net/FetchPageGeneric.h"
#include "core/scrape/HttpRequestRegExProfileDetails.h"
#include "gui/platform/WebPageTarget.h"
#include "gui/ui/LoadingIndicator.h"

namespace marrowfin {

ProfileWebViewController::ProfileWebViewController(const QUrl& url, WebPageTarget* target, QObject* parent)
    : WebViewController(url, target, parent)
{
    fetchAgain();
}

void ProfileWebViewController::fetchAgain()
{
    beginFetch();
    if (isViewLoaded()) {
        showOverlay(0);
    }
    operationQueue().addOperation(std::make_shared<FetchPageGeneric>(
        url(), this, FetchPage::selectorFor<QString>(whenCurrent<QString>([this](std::optional<QString> text) {
            initializeWebView(text);
        })),
        FetchPageGeneric::requestOfType<HttpRequestRegExProfileDetails>()));
}

void ProfileWebViewController::viewDidLoad()
{
    WebViewController::viewDidLoad();
    if (isFetching()) {
        // This page's own overlay, whose Cancel stops this page's fetch (the opener's may be up over the window).
        LoadingIndicator::sharedInstance().hideLoadingIndicators();
        showOverlay(0);
    }
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

void ProfileWebViewController::cancelLoading()
{
    WebViewController::cancelLoading();
    // The listing is usable again, as when the page has loaded.
    if (loadsFinished() == 0 && target()) {
        target()->webPageDidLoad();
    }
    // The way out stays open: the back button works before any page has loaded.
    if (QWidget* left = leftBarButtonItem()) {
        left->setEnabled(true);
    }
}

} // namespace marrowfin
