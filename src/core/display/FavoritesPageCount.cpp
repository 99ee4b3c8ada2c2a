#include "FavoritesPageCount.h"

#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"

#include <algorithm>
#include <cmath>

namespace marrowfin {

int favoritesPageCount(const std::optional<QString>& stored)
{
    if (!stored)
        return kDefaultFavoritesPageCount;
    bool ok = false;
    const double number = stored->trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return kDefaultFavoritesPageCount;
    // Clamped as a double first: a huge text must not overflow the conversion to int.
    const double clamped = std::clamp(std::round(number), 1.0, double(kMaxFavoritesPageCount));
    return int(clamped);
}

int favoritesPageCount(const SettingsStore& store)
{
    return favoritesPageCount(store.text(SettingsKeys::favoritesCount));
}

} // namespace marrowfin
