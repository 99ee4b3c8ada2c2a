#pragma once

#include "FavoritesBatch.h"
#include "WatchClock.h"
#include "WatchReport.h"
#include "WatchState.h"

#include "core/lists/FilterSet.h"
#include "core/net/OperationQueue.h"
#include "core/settings/StoreFiles.h"

#include <QHash>
#include <QSet>

#include <chrono>
#include <memory>
#include <optional>

namespace marrowfin {

class HttpContext;
class SettingsStore;
class WatchFace;
class WatchNotifier;

// How a watcher's rounds go.
struct WatchOptions
{
    static constexpr int kDefaultMaxSends = 10;
    static constexpr int kMostMaxSends = 1000;

    std::optional<int> pages;   // else the stored count, read each round
    bool send = false;          // send each new match to the remote client
    bool dryRun = false;        // report what would be sent; send, write and record nothing
    bool allowMatchAll = false; // send the matches of filters that accept every name and have no limit
    bool sendEarlier = false;   // send the matches earlier rounds reported without sending them
    int maxSends = kDefaultMaxSends;

    // Whether the round's matches are to be sent (or, in a dry run, said to be).
    [[nodiscard]] bool sending() const { return send || dryRun; }
};

// The unattended watcher: the favorites batch in rounds, each torrent that the favorite filters accept and that no
// round reported before (a torrent is known by its detail page) reported once and, when sending, sent once to the
// remote client through the download button's operation. Its rails: at most maxSends sends a round (the rest are
// held, first in the next round); a filter that accepts every name, or nearly every torrent listed, and has no limit
// sends nothing without allowMatchAll; a torrent whose name the history holds, or whose info hash was sent before
// under another page or name, is not sent again; matches that rounds without sends reported wait for sendEarlier.
//
// What was reported and sent is kept in "watch.json" in the profile folder (WatchState), so that a new run repeats
// nothing; two watchers on one profile take turns round by round under "watch.lock". Everything a round finds goes
// to the face as it happens; a new match also to the notifier, when there is one.
//
// Main thread: a round blocks on this thread's event loop for its pages and for each send. The send itself still
// reads the shared settings store and remote settings (FetchPageDownload), and the listing pages the default HTTP
// context (FetchPageAllTorrents).
class Watcher final
{
public:
    // `configDir` holds the state, its lock and the send journal; `siteHost` is the site's host[:port]; `http`
    // carries the sends and the settling of sends cut short. The clock, face and notifier must outlive the watcher.
    Watcher(const WatchOptions& options, SettingsStore& settings, const QString& configDir, QString siteHost,
            std::shared_ptr<HttpContext> http, WatchClock& clock, WatchFace& face, WatchNotifier* notifier = nullptr);
    ~Watcher();
    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;

    [[nodiscard]] WatchRoundStatus round();
    // Rounds every `period`, from the start of one to the start of the next, until the face asks to stop. Stuck
    // when the state cannot be read (at once: no later round can do better), else Ran.
    [[nodiscard]] WatchRoundStatus run(std::chrono::milliseconds period);

    [[nodiscard]] const QString& stateFile() const { return m_stateFile; }

    // The requests a round makes to the site (its pages, the torrent files it sends) come at most this many a minute,
    // as stored under watchRequestsPerMinute; a site that asked for a wait is not asked again before it is over.
    static constexpr int kDefaultRequestsPerMinute = 30;
    static constexpr int kMostRequestsPerMinute = 600;
    [[nodiscard]] static int requestsPerMinute(const SettingsStore& store);

private:
    // Sends every torrent whose send is due, those still listed (`listed`, by path) as listed now; `fresh` holds the
    // paths this round reported first.
    void sendDue(WatchState& state, const QHash<QString, Torrent>& listed, const QSet<QString>& fresh, int round);
    // In a sending round, the listed matches that rounds without sends reported: made due with sendEarlier (those a
    // guarded filter takes, or any with allowMatchAll), else counted and said once a run.
    void takeEarlierMatches(WatchState& state, const QHash<QString, Torrent>& listed, int round);
    // Of the filters the match-all rail holds back, those a loop has not named yet (none with allowMatchAll).
    [[nodiscard]] QStringList notSaidYet(const QStringList& texts);
    // The filters by the number "filters list" shows, each with its text: 2 ("..").
    [[nodiscard]] QString numbered(const QStringList& texts) const;
    [[nodiscard]] QStringList numberedList(const QStringList& texts) const;
    // The download button's operation: Sent when the torrent is with the client and in the history, AlreadySent
    // when its info hash is in `sentHashes`, else NotSent. Notes the hash in the entry. `unrecorded` is set when
    // the send, or its history, could not be recorded (the journal or the history could not be written).
    [[nodiscard]] WatchLineKind send(const Torrent& torrent, WatchState::Entry& entry,
                                     const QSet<QByteArray>& sentHashes, bool* clientDown, bool* unrecorded);
    void report(const Torrent& torrent, int round, WatchLineKind kind, bool isNew);
    void say(WatchMessageKind kind, const QString& text);
    void say(const WatchMessage& message);
    // Writes the state and notes the file as written. A state that could not be written stays in memory, as the
    // truth, for the next round to write (unless another watcher writes the file first: then that is read).
    [[nodiscard]] bool saveState(QString* error);
    // Waits for the next request's turn on the clock and takes it; false when the watcher is to stop.
    [[nodiscard]] bool paceRequest();

    const WatchOptions m_options;
    SettingsStore& m_store;
    const QString m_configDir;
    const QString m_siteHost;
    const std::shared_ptr<HttpContext> m_http;
    WatchClock& m_clock;
    WatchFace& m_face;
    WatchNotifier* m_notifier;
    const QString m_stateFile;
    const QString m_lockFile;
    FilterSet m_filters;
    // Workers for the whole run, one for the sends and the batch's for the pages: their connections and TLS sessions
    // serve the next round, and a long run does not start threads for every round and torrent.
    OperationQueue m_sendQueue{1, QStringLiteral("watch")};
    OperationQueue m_pageQueue{FavoritesBatch::kQueueWidth, QStringLiteral("favorites")};
    bool m_noFiltersSaid = false;
    // What a loop has said once and does not repeat every round: the filters held back by the match-all rail, and
    // that earlier rounds' matches wait for sendEarlier.
    QSet<QString> m_railSaid;
    bool m_earlierSaid = false;
    // Set when something of this round failed that a timer's run must show: a send not made or not recorded.
    bool m_roundFailed = false;
    std::optional<WatchState> m_state;
    storefiles::FileStamp m_stateStamp;
    // When the site may be asked next, and the gap between requests this round (from the stored rate).
    WatchClock::TimePoint m_nextRequest{};
    std::chrono::milliseconds m_requestGap{0};
};

} // namespace marrowfin
