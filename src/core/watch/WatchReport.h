#pragma once

#include "core/scrape/Torrent.h"

#include <QString>

namespace marrowfin {

// What a round made of a torrent it reports.
enum class WatchLineKind
{
    New,         // reported, not to be sent (no send asked for, or a match-all filter's without a limit)
    Sent,        // sent this round (new, or reported before while the client was down)
    InHistory,   // new, but the history holds its name: not sent again
    NotSent,     // the send failed; the next round tries again
    Held,        // over the round's cap of sends: first in the next round
    AlreadySent, // its info hash was sent before, under another page or name
    WouldSend,   // a dry run's send
};

// One torrent a round reports: as listed now (or as remembered, when it left the pages scanned), the round's number
// and what became of it.
struct WatchLine
{
    Torrent torrent;
    int round = 0;
    WatchLineKind kind = WatchLineKind::New;

    // With the client: marked so on the listing, sent this round, or in the history.
    [[nodiscard]] bool isDownloaded() const;
    // The kind in a word or two, as every face shows it: "new", "sent", "in history", "not sent", "held",
    // "already sent", "would send".
    [[nodiscard]] static QString statusWord(WatchLineKind kind);
};

// What a message of a round is about, for a face that shows them apart.
enum class WatchMessageKind
{
    State,   // the lock or the state file: not taken, read or written
    Filters, // a filter skipped, or none to match with
    Rails,   // matches a rail keeps from being sent: a match-all filter's, earlier rounds'
    Page,    // a listing page that could not be fetched or read
    Send,    // a send not made, or not recorded
};

// A problem or warning of a round, in a sentence for the user. Every value it shows that a user typed or a page
// brought is quoted safely (quotedValue).
struct WatchMessage
{
    WatchMessageKind kind = WatchMessageKind::State;
    QString text;
};

// How a round ended.
enum class WatchRoundStatus
{
    Ran,    // every page read, every send due made and recorded, the state kept
    Failed, // a page not read, a send due not made (the client did not answer) or not recorded, the state not
            // written, or the lock not taken: the next round tries again
    Stuck,  // the state cannot be read: no round can do better until the file is moved away
};

} // namespace marrowfin
