#pragma once

#include <QString>

#include <optional>

namespace marrowfin {

class SettingsStore;

// Smallest and largest gaps between the window's background rounds, in minutes.
inline constexpr int kShortestWatchMinutes = 1;
inline constexpr int kLongestWatchMinutes = 24 * 60;
inline constexpr int kDefaultWatchMinutes = 15;

// The window's background watching as stored: whether it runs, how many minutes from the start of one round to the
// next, and whether its rounds send new matches. The match-all rail and the cap of sends a round are not settings:
// they hold in every background round. Any thread.
struct BackgroundWatchSettings
{
    bool on = false;
    int everyMinutes = kDefaultWatchMinutes;
    bool send = false;
    // Closing the window while it watches: keep watching in the tray (true), quit (false), or ask (nothing stored).
    std::optional<bool> keepInTray;

    // What the store holds; a gap out of range or not a number is taken as the nearest it can be (the default when
    // unreadable).
    [[nodiscard]] static BackgroundWatchSettings read(const SettingsStore& store);

    friend bool operator==(const BackgroundWatchSettings&, const BackgroundWatchSettings&) = default;
};

} // namespace marrowfin
