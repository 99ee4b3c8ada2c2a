#include "SiteDoors.h"

#include "WindowAlertSink.h"

#include "core/net/HttpContext.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"
#include "gui/platform/NavigationController.h"

#include <QTimer>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

SiteDoors::SiteDoors(ViewController& root, std::shared_ptr<SettingsStore> settings,
                     std::function<void(SiteDoor)> passed)
    : m_root(root), m_settings(std::move(settings)), m_passed(std::move(passed))
{}

SiteDoors::~SiteDoors()
{
    // Now, not later: the offer tells this object which button ended it.
    delete m_offer.data();
}

void SiteDoors::open(SiteDoor door)
{
    if (m_open) {
        return;
    }
    WebPages* pages = WebPages::load();
    if (!pages) {
        (new AlertView(kOfferTitle.toString(), WebPages::loadError(), nullptr, {WindowAlertSink::kButton.toString()},
                       m_root.view()->window()))
            ->show();
        return;
    }
    ViewController* page =
        pages->newSiteDoor(door, [this, door](const QString& userAgent) { doorPassed(door, userAgent); });
    auto* stack = new NavigationController(page);
    stack->setRootBackAction(kCancelTitle.toString(), [this] { close(); });
    m_open = stack;
    m_root.presentModalViewController(stack, true);
}

void SiteDoors::offerBrowserCheck()
{
    if (m_open || m_offer) {
        return;
    }
    m_offer = new AlertView(kOfferTitle.toString(), kOfferMessage.toString(), this,
                            {kCancelTitle.toString(), kOpenTitle.toString()}, m_root.view()->window());
    m_offer->show();
}

void SiteDoors::alertViewDidDismiss(AlertView* alert, int buttonIndex)
{
    if (alert == m_offer) {
        m_offer = nullptr;
        if (buttonIndex == 1) {
            open(SiteDoor::BrowserCheck);
        }
    }
}

void SiteDoors::close()
{
    if (m_open) {
        m_open->dismissModalViewControllerAnimated(true);
        m_open = nullptr;
    }
}

void SiteDoors::doorPassed(SiteDoor door, const QString& userAgent)
{
    bool kept = true;
    if (door == SiteDoor::BrowserCheck) {
        // The clearance is the engine's: every request presents its User-Agent from now on, the command line's too.
        HttpContext::defaultContext()->setBrowserUserAgent(userAgent);
        kept = m_settings->setText(SettingsKeys::browserUserAgent, userAgent);
    } else {
        // Signed in on the site's page: the account is used from now on, as after any sign-in.
        kept = m_settings->setText(SettingsKeys::anonymousLogin, kSettingNo.toString());
    }
    // Not while the page that passed is still telling about it.
    QTimer::singleShot(0, this, [this, door, kept] {
        close();
        if (!kept) {
            (new AlertView(WindowAlertSink::kNotSavedTitle.toString(),
                           WindowAlertSink::kNotSavedMessage.toString().arg(SettingsStore::lastWriteError()), nullptr,
                           {WindowAlertSink::kButton.toString()}, m_root.view()->window()))
                ->show();
        }
        if (m_passed) {
            m_passed(door);
        }
    });
}

} // namespace marrowfin
