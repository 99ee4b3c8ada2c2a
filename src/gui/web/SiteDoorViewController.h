#pragma once

#include "core/net/OperationQueue.h"
#include "gui/platform/ViewController.h"
#include "gui/platform/WebPages.h"

#include <QPointer>
#include <QTimer>

#include <memory>

class QLabel;
class QWebEngineCertificateError;
class QWebEngineView;

namespace marrowfin {

class HttpRequest;
class WebPage;

// The site's own page, live in the web engine as in a browser, for what requests alone cannot get past: its sign-in
// page, where the user answers the captcha it asks for, or its browser check, whose script runs here and earns the
// clearance cookie. The cookies the page sets reach the request store as they come (WebSession); after each load,
// and each cookie, the site is asked with the requests' own cookies whether it lets them in now, and once it does
// the screen says so to whoever opened it, with the engine's User-Agent (which a clearance is bound to). The site's
// certificate is taken when it verifies against the system's authorities or the extra CA file. Main thread only.
class SiteDoorViewController final : public ViewController
{
    Q_OBJECT
    Q_PROPERTY(bool passed READ passed)
    Q_PROPERTY(int checks READ checks)

public:
    static constexpr QStringView kSignInTitle = u"Sign In on the Site";
    static constexpr QStringView kCheckTitle = u"Browser Check";
    static constexpr QStringView kSignInHint = u"Sign in as in a browser and answer the captcha the site shows. "
                                               u"Marrowfin goes on by itself once the site lets you in.";
    static constexpr QStringView kCheckHint = u"The site checks that a browser is asking. Let the check run here, "
                                              u"and answer it if it asks. Marrowfin goes on by itself once the site "
                                              u"lets you in.";

    SiteDoorViewController(SiteDoor door, WebPages::DoorPassed passed, QObject* parent = nullptr);
    ~SiteDoorViewController() override;

    [[nodiscard]] SiteDoor door() const { return m_door; }
    [[nodiscard]] QWebEngineView* webView() const { return m_webView; }
    // Whether the site let the requests in (the screen told its opener).
    [[nodiscard]] bool passed() const { return m_passed; }
    // Questions to the site answered so far.
    [[nodiscard]] int checks() const { return m_checks; }

protected:
    void loadView() override;

private:
    void scheduleCheck();
    void checkSite();
    void answered(const HttpRequest* answer);
    void certificateError(const QWebEngineCertificateError& error);

    SiteDoor m_door;
    WebPages::DoorPassed m_whenPassed;
    QLabel* m_hint = nullptr;
    QWebEngineView* m_webView = nullptr;
    QPointer<WebPage> m_page;
    QTimer m_checkSoon;
    bool m_passed = false;
    int m_checks = 0;
    std::unique_ptr<OperationQueue> m_queue = std::make_unique<OperationQueue>(1, QStringLiteral("site door"));
};

} // namespace marrowfin
