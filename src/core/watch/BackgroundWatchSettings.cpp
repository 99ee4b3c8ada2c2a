#include "BackgroundWatchSettings.h"

#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"

#include <algorithm>

namespace marrowfin {

BackgroundWatchSettings BackgroundWatchSettings::read(const SettingsStore& store)
{
    BackgroundWatchSettings settings;
    settings.on = watchFlagIsOn(store.text(SettingsKeys::watchInBackground));
    settings.send = watchFlagIsOn(store.text(SettingsKeys::watchSend));
    if (const std::optional<qint64> minutes = store.number(SettingsKeys::watchEveryMinutes)) {
        settings.everyMinutes = int(std::clamp<qint64>(*minutes, kShortestWatchMinutes, kLongestWatchMinutes));
    }
    if (const std::optional<QString> tray = store.text(SettingsKeys::watchInTray)) {
        if (*tray == kSettingYes || *tray == kSettingNo) {
            settings.keepInTray = *tray == kSettingYes;
        }
    }
    return settings;
}

} // namespace marrowfin
