#pragma once

#include "gui/login/LoginViewController.h"
#include "gui/platform/AlertView.h"
#include "gui/platform/WebPages.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

namespace marrowfin {

class SettingsStore;
class ViewController;

// The site's own pages opened over the window for what the requests cannot get past alone: its sign-in page when it
// asks for a captcha, and its browser check. One at a time, each in a stack of its own with Cancel at its root.
// Once the site lets the requests in, the page goes: a browser check's User-Agent is kept in the settings store (so
// the command line presents it too) and `passed` hears which door it was. Main thread only.
class SiteDoors final : public QObject, private AlertViewDelegate
{
    Q_OBJECT

public:
    static constexpr QStringView kCancelTitle = u"Cancel";
    static constexpr QStringView kOfferTitle = u"Browser Check";
    static constexpr QStringView kOfferMessage =
        u"The site shows a browser check before its pages. Open it here and pass it once; the lists work again "
        u"afterwards.";
    static constexpr QStringView kOpenTitle = LoginViewController::kOpenCheckButton;

    SiteDoors(ViewController& root, std::shared_ptr<SettingsStore> settings, std::function<void(SiteDoor)> passed);
    ~SiteDoors() override;

    // Shows the door's page over the window, unless one is open already; says why when the web pages cannot load.
    void open(SiteDoor door);
    // Asks whether to open the browser check, unless it is asked or open already.
    void offerBrowserCheck();

    // The stack showing a door's page now, if any; and the offer on screen.
    [[nodiscard]] ViewController* openDoor() const { return m_open; }
    [[nodiscard]] AlertView* offer() const { return m_offer; }

private:
    void alertViewDidDismiss(AlertView* alert, int buttonIndex) override;
    void close();
    void doorPassed(SiteDoor door, const QString& userAgent);

    ViewController& m_root;
    std::shared_ptr<SettingsStore> m_settings;
    std::function<void(SiteDoor)> m_passed;
    QPointer<ViewController> m_open;
    QPointer<AlertView> m_offer;
};

} // namespace marrowfin
