#include "ForumWebViewController.h"

#include "core/config/AppConfig.h"
#include "core/net/FetchPageGeneric.h"
#include "core/scrape/HttpRequestRegExForum.h"
#include "gui/platform/NavigationController.h"

#include <QTimer>
#include <QWebEnginePage>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

ForumWebViewController::ForumWebViewController(WebPageTarget* target, QObject* parent)
    : WebViewController(forumAddress(), target, parent)
{
    setTitle(kTitle.toString());
    setTabBarItem({kTitle.toString(), kTabImage.toString(), 0});
}

QUrl ForumWebViewController::forumAddress()
{
    return QUrl(u"http://"_s + AppConfig::current().siteHost + u"/community"_s);
}

void ForumWebViewController::viewDidLoad()
{
    // No bar and no back button: this is a tab. The first showing fetches the forum.
    fetchForum();
}

void ForumWebViewController::viewWillAppear(bool animated)
{
    ViewController::viewWillAppear(animated);
    // A tab without a bar, except where the overflow list showed it: then the bar leads back to that list.
    if (NavigationController* stack = navigationController())
        stack->setNavigationBarHidden(!stack->hasRootBackAction());
}

void ForumWebViewController::fetchForum()
{
    beginFetch();
    showOverlay(-44);
    setUrl(forumAddress());
    operationQueue().addOperation(std::make_shared<FetchPageGeneric>(
        url(), this, FetchPage::selectorFor<QString>(whenCurrent<QString>([this](std::optional<QString> text) {
            initializeWebView(text);
        })),
        FetchPageGeneric::requestOfType<HttpRequestRegExForum>()));
}

bool ForumWebViewController::openSiteScreen(const QUrl& url)
{
    // A torrent a post links opens on top of the topic, which stays where it was.
    if (isTorrentPageAddress(url)) {
        openTorrentPage(url);
        return true;
    }
    return WebViewController::openSiteScreen(url);
}

void ForumWebViewController::initializeWebView(const std::optional<QString>& text)
{
    setResult(text);
    replaceWebView();
    showHtml(text.value_or(kErrorPage.toString()), forumAddress());
    // Up while the engine lays the page out; the end of the load takes it away.
    hideOverlay();
    showOverlay(-20);
}

void ForumWebViewController::webViewDidFinishLoad()
{
    hideOverlay();
}

bool ForumWebViewController::shouldStartLoad(const QUrl& url)
{
    // The shown text's own page, and anything that is no web address, load as they are.
    const QString address = url.toString();
    if (address.isEmpty() || (url.scheme() != u"http"_s && url.scheme() != u"https"_s))
        return true;
    if (address.contains(AppConfig::current().siteHost + u"/community"_s))
        return true;
    // Out of the forum: its front page again. Started once the refusal is over, or the new page could be lost.
    QTimer::singleShot(0, this, [this] { fetchForum(); });
    return false;
}

} // namespace marrowfin
