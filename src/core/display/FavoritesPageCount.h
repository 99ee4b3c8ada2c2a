#pragma once

#include <QString>

#include <optional>

namespace marrowfin {

class SettingsStore;

// How many pages of the newest listing one favorites batch fetches.
inline constexpr int kDefaultFavoritesPageCount = 5;
// A batch queues one fetch per page at once; a hand-edited count in the millions would queue that many.
inline constexpr int kMaxFavoritesPageCount = 100;

// The stored count as a batch size. The settings screen stores the whole number it shows ("7"); anything else
// gets a clear outcome rather than an empty batch:
// - missing, empty, or not a number at all ("many", "nan"): the default, as when nothing is stored;
// - a number with a fraction ("6.6"): rounded, as the screen's label rounds the slider;
// - below 1 (a batch always holds at least one page): 1; above kMaxFavoritesPageCount: that maximum.
[[nodiscard]] int favoritesPageCount(const std::optional<QString>& stored);
[[nodiscard]] int favoritesPageCount(const SettingsStore& store);

} // namespace marrowfin
