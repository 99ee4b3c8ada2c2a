#pragma once

#include "WatchReport.h"

namespace marrowfin {

// What a watcher tells as it goes, and how it is told to stop. The command line prints; the window would list.
// Called on the watcher's thread (the main thread), each report as it happens, so that a face showing them at once
// shows them in their order.
class WatchFace
{
public:
    WatchFace() = default;
    virtual ~WatchFace() = default;
    WatchFace(const WatchFace&) = delete;
    WatchFace& operator=(const WatchFace&) = delete;

    virtual void showLine(const WatchLine& line) = 0;
    virtual void showMessage(const WatchMessage& message) = 0;
    // The pages of the round's batch that are in, of how many: (0, total) first, then once a page.
    virtual void showPages(int done, int total) = 0;
    // A round of a run has ended so (a single round's caller has its status already).
    virtual void roundEnded(WatchRoundStatus status) { (void)status; }
    // Asked at the watcher's safe points: before each send and each round. True stops it there (after the send under
    // way; a wait between rounds is the clock's to cut short).
    [[nodiscard]] virtual bool stopRequested() const = 0;
};

} // namespace marrowfin
