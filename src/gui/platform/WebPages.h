#pragma once

#include <QString>
#include <QUrl>
#include <QtPlugin>

#include <functional>

namespace marrowfin {

class ViewController;
class WebPageTarget;

// What a page of the site opened live in the window is for: its sign-in page, where the user answers a captcha, or
// a browser check in front of its pages.
enum class SiteDoor
{
    SignIn,
    BrowserCheck,
};

// The screens that show web pages. They live in a module of their own, loaded the first time one is needed: the web
// engine it brings costs memory and start-up time that a window showing only lists never pays. Main thread only.
class WebPages
{
public:
    virtual ~WebPages() = default;

    // A torrent's detail page, opened from row `tag` of `target`; pushed at once, its page arrives on its own queue.
    [[nodiscard]] virtual ViewController* newTorrentPage(const QUrl& url, int tag, WebPageTarget* target) = 0;
    // A user's profile page, its links disarmed.
    [[nodiscard]] virtual ViewController* newProfilePage(const QUrl& url, WebPageTarget* target) = 0;
    // The tabs: the forum, the site's front page, and the remote client's own web interface.
    [[nodiscard]] virtual ViewController* newForumPage(WebPageTarget* target) = 0;
    [[nodiscard]] virtual ViewController* newSitePage(WebPageTarget* target) = 0;
    [[nodiscard]] virtual ViewController* newClientPage(WebPageTarget* target) = 0;
    // The remote settings' test: "Success!" or the failure alert, then the client's page.
    [[nodiscard]] virtual ViewController* newClientSettingsTest() = 0;

    // The site's own page for `door`, live as in a browser. `passed` runs once, on the main thread, when the site
    // lets the requests in (a signed-in page; a page past the check), with the engine's User-Agent.
    using DoorPassed = std::function<void(const QString& userAgent)>;
    [[nodiscard]] virtual ViewController* newSiteDoor(SiteDoor door, DoorPassed passed) = 0;

    // Makes the pages' cookies what the request cookie store holds now (after a logout, the site's are gone).
    virtual void syncCookies() = 0;

    // The loaded module, loading it on the first call; null when it cannot be loaded, with the reason in
    // loadError(). Looked for in MARROWFIN_WEB_MODULE, beside the program, in the installed library folder and in
    // the build tree, in that order.
    [[nodiscard]] static WebPages* load();
    // The module if it was loaded already, without loading it.
    [[nodiscard]] static WebPages* loaded();
    [[nodiscard]] static QString loadError();
};

} // namespace marrowfin

#define MARROWFIN_WEB_PAGES_IID "org.marrowfin.WebPages/2"
Q_DECLARE_INTERFACE(marrowfin::WebPages, MARROWFIN_WEB_PAGES_IID)
