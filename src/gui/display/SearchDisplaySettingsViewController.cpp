#include "SearchDisplaySettingsViewController.h"

#include "SettingsScreens.h"

#include "core/settings/SettingsStore.h"

namespace marrowfin {

SearchDisplaySettingsViewController::SearchDisplaySettingsViewController(std::shared_ptr<SettingsStore> settings,
                                                                         QObject* parent)
    : DisplaySettingsViewController(std::move(settings), ListingKind::Search, kTitle.toString(), parent)
{}

SearchDisplaySettingsViewController& SearchDisplaySettingsViewController::sharedInstance()
{
    static SearchDisplaySettingsViewController* const instance =
        new SearchDisplaySettingsViewController(SettingsStore::shared(), settingsscreens::sharedScreensOwner());
    return *instance;
}

} // namespace marrowfin
