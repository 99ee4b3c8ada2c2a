#include "WebPagesModule.h"

#include "ClientWebViewController.h"
#include "ForumWebViewController.h"
#include "ProfileWebViewController.h"
#include "SiteDoorViewController.h"
#include "SiteWebViewController.h"
#include "TorrentWebViewController.h"
#include "WebSession.h"

namespace marrowfin {

WebPagesModule::WebPagesModule() = default;

ViewController* WebPagesModule::newTorrentPage(const QUrl& url, int tag, WebPageTarget* target)
{
    return new TorrentWebViewController(url, tag, target);
}

ViewController* WebPagesModule::newProfilePage(const QUrl& url, WebPageTarget* target)
{
    return new ProfileWebViewController(url, target);
}

ViewController* WebPagesModule::newForumPage(WebPageTarget* target)
{
    return new ForumWebViewController(target);
}

ViewController* WebPagesModule::newSitePage(WebPageTarget* target)
{
    return new SiteWebViewController(target);
}

ViewController* WebPagesModule::newClientPage(WebPageTarget* target)
{
    return new ClientWebViewController(ClientWebViewController::Use::RemoteTab, target);
}

ViewController* WebPagesModule::newClientSettingsTest()
{
    return new ClientWebViewController(ClientWebViewController::Use::SettingsTest, nullptr);
}

ViewController* WebPagesModule::newSiteDoor(SiteDoor door, DoorPassed passed)
{
    return new SiteDoorViewController(door, std::move(passed));
}

void WebPagesModule::syncCookies()
{
    WebSession::instance().syncCookies();
}

} // namespace marrowfin
