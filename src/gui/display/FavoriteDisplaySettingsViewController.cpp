#include "FavoriteDisplaySettingsViewController.h"

#include "SettingsScreens.h"

#include "core/display/FavoritesPageCount.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"
#include "core/watch/BackgroundWatchSettings.h"
#include "gui/platform/Device.h"
#include "gui/platform/NavigationController.h"
#include "gui/platform/Switch.h"
#include "gui/ui/ImageButton.h"

#include <QLabel>
#include <QSpinBox>

namespace marrowfin {

FavoriteDisplaySettingsViewController::FavoriteDisplaySettingsViewController(std::shared_ptr<SettingsStore> settings,
                                                                             QObject* parent)
    : ViewController(parent), m_settings(std::move(settings))
{
    setTitle(kTitle.toString());
    m_backButton = settingsscreens::newBackButton();
    connect(m_backButton, &ImageButton::clicked, this, &FavoriteDisplaySettingsViewController::cancel);
    setLeftBarButtonItem(m_backButton);
    // Built now: the screen shows the count stored when it was made.
    (void)view();
}

FavoriteDisplaySettingsViewController::~FavoriteDisplaySettingsViewController() = default;

FavoriteDisplaySettingsViewController& FavoriteDisplaySettingsViewController::sharedInstance()
{
    static FavoriteDisplaySettingsViewController* const instance =
        new FavoriteDisplaySettingsViewController(SettingsStore::shared(), settingsscreens::sharedScreensOwner());
    return *instance;
}

void FavoriteDisplaySettingsViewController::loadView()
{
    m_infoView = new FavoriteDisplaySettingsView;
    m_infoView->resize(Device::screenSize());
    m_infoView->setDelegate(this);
    setView(m_infoView);
}

void FavoriteDisplaySettingsViewController::viewDidLoad()
{
    settingsscreens::addEscapeShortcut(m_infoView, this, [this] { cancel(); });
    // The label shows the stored text as it is; the slider goes as near to it as its range allows.
    const QString count =
        m_settings->text(SettingsKeys::favoritesCount).value_or(QString::number(kDefaultFavoritesPageCount));
    m_infoView->favoritesCountValue()->setText(count);
    m_infoView->setSliderValue(count.trimmed().toDouble());
    showStoredWatchSettings();
}

void FavoriteDisplaySettingsViewController::showStoredWatchSettings()
{
    const BackgroundWatchSettings stored = BackgroundWatchSettings::read(*m_settings);
    m_infoView->setWatchSettings(stored.on, stored.everyMinutes, stored.send);
}

void FavoriteDisplaySettingsViewController::viewWillAppear(bool animated)
{
    ViewController::viewWillAppear(animated);
    if (NavigationController* stack = navigationController())
        stack->setNavigationBarHidden(false);
    // The command line may have changed them since.
    showStoredWatchSettings();
}

void FavoriteDisplaySettingsViewController::cancel()
{
    settingsscreens::leave(*this);
}

void FavoriteDisplaySettingsViewController::didUpdateFavoritesCount(FavoriteDisplaySettingsView&, const QString& count)
{
    m_settings->setText(SettingsKeys::favoritesCount, count);
}

void FavoriteDisplaySettingsViewController::showWatchStatus(const QString& text)
{
    m_infoView->setWatchStatus(text);
}

void FavoriteDisplaySettingsViewController::didUpdateWatchSettings(FavoriteDisplaySettingsView& view)
{
    const BackgroundWatchSettings before = BackgroundWatchSettings::read(*m_settings);
    const bool on = view.watchSwitch()->isOn();
    const bool send = view.sendSwitch()->isOn();
    const int minutes = view.watchMinutes()->value();
    // Only what changed is written; each write is checked, and a failed one shows what is stored again.
    bool written = true;
    if (on != before.on)
        written = m_settings->setText(SettingsKeys::watchInBackground, settingFlagText(on));
    if (written && send != before.send)
        written = m_settings->setText(SettingsKeys::watchSend, settingFlagText(send));
    if (written && minutes != before.everyMinutes)
        written = m_settings->setNumber(SettingsKeys::watchEveryMinutes, minutes);
    if (!written)
        showStoredWatchSettings();
    if (BackgroundWatchSettings::read(*m_settings) != before)
        Q_EMIT watchSettingsChanged();
}

} // namespace marrowfin
