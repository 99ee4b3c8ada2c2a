#pragma once

#include "gui/platform/WebPages.h"

#include <QObject>

namespace marrowfin {

// The module's entry: makes the page screens for the window, which knows them only through WebPages.
class WebPagesModule final : public QObject, public WebPages
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID MARROWFIN_WEB_PAGES_IID)
    Q_INTERFACES(marrowfin::WebPages)

public:
    WebPagesModule();

    [[nodiscard]] ViewController* newTorrentPage(const QUrl& url, int tag, WebPageTarget* target) override;
    [[nodiscard]] ViewController* newProfilePage(const QUrl& url, WebPageTarget* target) override;
    [[nodiscard]] ViewController* newForumPage(WebPageTarget* target) override;
    [[nodiscard]] ViewController* newSitePage(WebPageTarget* target) override;
    [[nodiscard]] ViewController* newClientPage(WebPageTarget* target) override;
    [[nodiscard]] ViewController* newClientSettingsTest() override;
    [[nodiscard]] ViewController* newSiteDoor(SiteDoor door, DoorPassed passed) override;
    void syncCookies() override;
};

} // namespace marrowfin
