#pragma once

#include "core/scrape/Torrent.h"

#include <QString>
#include <QStringList>

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
    State,          // the lock or the state file: not taken, read or written
    FilterSkipped,  // a filter that cannot be used
    NoFilters,      // no filter to match with
    MatchAll,       // the match-all rail keeps a filter's matches from being sent (`filters`, `nearlyAll`)
    EarlierMatches, // matches earlier rounds reported without sending wait to be asked for (`count`)
    Page,           // a listing page that could not be fetched or read
    Send,           // a send not made, or not recorded
};

// A problem or warning of a round, in a sentence for the user: the command line's words, which name its options.
// Every value it shows that a user typed or a page brought is quoted safely (quotedValue). The parts a face words
// in its own way come apart too.
struct WatchMessage
{
    WatchMessageKind kind = WatchMessageKind::State;
    QString text;
    int round = 0;
    // MatchAll: the filters held back, each by the number the filter list shows and its text: 2 ("..").
    QStringList filters = {};
    // MatchAll: held back for taking nearly every torrent listed rather than every name.
    bool nearlyAll = false;
    // EarlierMatches: how many wait.
    int count = 0;
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
