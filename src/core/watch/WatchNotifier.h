#pragma once

#include <QString>

namespace marrowfin {

// Tells the user of each new match at once, outside the watcher's report: a desktop notification on the command
// line. Called on the watcher's thread; a notifier that cannot show anything says so itself, once.
class WatchNotifier
{
public:
    WatchNotifier() = default;
    virtual ~WatchNotifier() = default;
    WatchNotifier(const WatchNotifier&) = delete;
    WatchNotifier& operator=(const WatchNotifier&) = delete;

    // A new match, by name, and whether the round sent it.
    virtual void notify(const QString& name, bool sent) = 0;
};

} // namespace marrowfin
