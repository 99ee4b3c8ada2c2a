#include "Watcher.h"

#include "WatchClock.h"
#include "WatchFace.h"
#include "WatchNotifier.h"

#include "core/display/FavoritesPageCount.h"
#include "core/display/ListingAddresses.h"
#include "core/remote/CollectedAlerts.h"
#include "core/remote/FetchPageDownload.h"
#include "core/remote/Qbittorrent.h"
#include "core/remote/SendJournal.h"
#include "core/settings/FileLock.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsLists.h"
#include "core/settings/SettingsStore.h"
#include "core/text/MessageText.h"

#include <QDir>
#include <QEventLoop>

#include <algorithm>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

// A message's sentence ended with its full stop, for one that follows it: a cause line may end without one.
QString ended(const QString& line)
{
    return line.endsWith(u'.') ? line : line + u'.';
}

} // namespace

Watcher::Watcher(const WatchOptions& options, SettingsStore& settings, const QString& configDir, QString siteHost,
                 std::shared_ptr<HttpContext> http, WatchClock& clock, WatchFace& face, WatchNotifier* notifier)
    : m_options(options), m_store(settings), m_configDir(configDir), m_siteHost(std::move(siteHost)),
      m_http(std::move(http)), m_clock(clock), m_face(face), m_notifier(notifier),
      m_stateFile(QDir(configDir).filePath(u"watch.json"_s)), m_lockFile(QDir(configDir).filePath(u"watch.lock"_s))
{}

Watcher::~Watcher() = default;

void Watcher::say(WatchMessageKind kind, const QString& text)
{
    m_face.showMessage({kind, text});
}

void Watcher::say(const WatchMessage& message)
{
    m_face.showMessage(message);
}

bool Watcher::saveState(QString* error)
{
    // A dry run keeps what it reported in memory only, so that its later rounds do not repeat it.
    if (m_options.dryRun) {
        return true;
    }
    // Never dropped here: the round's sends hold references into it.
    if (!m_state->save(error)) {
        return false;
    }
    m_stateStamp = storefiles::stampOf(m_stateFile);
    return true;
}

WatchRoundStatus Watcher::run(std::chrono::milliseconds period)
{
    while (!m_face.stopRequested()) {
        const WatchClock::TimePoint next = m_clock.now() + period;
        const WatchRoundStatus status = round();
        m_face.roundEnded(status);
        if (status == WatchRoundStatus::Stuck) {
            return WatchRoundStatus::Stuck;
        }
        m_clock.waitUntil(next);
    }
    return WatchRoundStatus::Ran;
}

WatchRoundStatus Watcher::round()
{
    // Two watchers on one profile (a timer's run beside a running watch) take turns round by round.
    FileLock lock;
    if (!lock.lock(m_lockFile)) {
        say(WatchMessageKind::State, u"the watch lock %1 cannot be taken: %2"_s.arg(m_lockFile, lock.errorString()));
        return WatchRoundStatus::Failed;
    }
    QString error;
    // The state stays in memory from round to round; read again only when another watcher wrote it since.
    if (!m_state || storefiles::stampOf(m_stateFile) != m_stateStamp) {
        m_state = WatchState::load(m_stateFile, &error);
        m_stateStamp = storefiles::stampOf(m_stateFile);
    }
    std::optional<WatchState>& state = m_state;
    if (!state) {
        say(WatchMessageKind::State,
            u"the watch state %1 cannot be read (%2); nothing was fetched or sent. Move it away to start afresh: "
            u"every match is then reported again, and the history still keeps what was sent from being sent "
            u"again."_s.arg(m_stateFile, error));
        return WatchRoundStatus::Stuck;
    }
    m_roundFailed = false;
    const int number = state->rounds() + 1;
    state->setRounds(number);

    m_filters.reloadFilters(m_store);
    for (const FilterProblem& problem : m_filters.problems()) {
        say(WatchMessageKind::FilterSkipped,
            u"the filter %1 is skipped (%2)"_s.arg(quotedValue(problem.text), problem.reason));
    }
    if (m_filters.isEmpty() && !m_noFiltersSaid) {
        m_noFiltersSaid = true;
        say(WatchMessageKind::NoFilters, u"there are no favorite filters, so nothing can match; add one with "
                                         u"\"marrowfin-cli filters add TEXT\""_s);
    }
    const QStringList unguarded = m_options.sending() ? notSaidYet(m_filters.unguardedFilters()) : QStringList();
    if (!unguarded.isEmpty()) {
        const bool one = unguarded.size() == 1;
        say({WatchMessageKind::MatchAll,
             u"round %1: the filter%2 %3 accept%4 every name and %5 no limit: %6 matches are not sent. Give %7 a "
             u"limit (\"marrowfin-cli filters set NUMBER --min-seeders 1\", for instance) or run with "
             u"--allow-match-all."_s.arg(number)
                 .arg(one ? u""_s : u"s"_s, numbered(unguarded), one ? u"s"_s : u""_s, one ? u"has"_s : u"have"_s,
                      one ? u"its"_s : u"their"_s, one ? u"it"_s : u"them"_s),
             number, numberedList(unguarded)});
    }
    const int pages = m_options.pages.value_or(favoritesPageCount(m_store));
    m_requestGap = std::chrono::milliseconds(60'000 / requestsPerMinute(m_store));
    const FavoritesBatch batch = FavoritesBatch::fetch(
        m_filters, pages, m_siteHost, &m_pageQueue, [this](int done, int total) { m_face.showPages(done, total); },
        m_http, [this] { return paceRequest(); });
    for (const QString& failure : batch.failedPages) {
        say(WatchMessageKind::Page, u"round %1: the page %2; the next round tries again"_s.arg(number).arg(failure));
    }
    if (batch.retryAfterSeconds > 0) {
        // The site said when it may be asked again: no request of this watcher comes before, this round's or the
        // next's.
        m_nextRequest = std::max(m_nextRequest, m_clock.now() + std::chrono::seconds(batch.retryAfterSeconds));
    }
    // A filter may take a whole listing without being one of the fixed names ("..", "\D", a limit that keeps
    // nothing out): judged on the pages in hand.
    QStringList nearlyAll = m_options.allowMatchAll ? QStringList() : m_filters.markNearlyAll(batch.listed);
    nearlyAll = m_options.sending() ? notSaidYet(nearlyAll) : QStringList();
    if (!nearlyAll.isEmpty()) {
        const bool one = nearlyAll.size() == 1;
        say({WatchMessageKind::MatchAll,
             u"round %1: the filter%2 %3 accept%4 %5 % or more of the %6 torrents listed: %7 matches are not sent. "
             u"Narrow %8, or run with --allow-match-all."_s.arg(number)
                 .arg(one ? u""_s : u"s"_s, numbered(nearlyAll), one ? u"s"_s : u""_s)
                 .arg(FilterSet::kNearlyAllPercent)
                 .arg(batch.listed.size())
                 .arg(one ? u"its"_s : u"their"_s, one ? u"it"_s : u"them"_s),
             number, numberedList(nearlyAll), true});
    }

    // The new matches are remembered before anything is sent: a round killed during its sends reports none of them
    // again, and the sends still due are in the state for the next round.
    QList<Torrent> fresh;
    QHash<QString, Torrent> listed;
    for (const Torrent& torrent : batch.accepted) {
        if (!torrent.detailsUrl || torrent.detailsUrl->isEmpty() || listed.contains(*torrent.detailsUrl)) {
            continue;
        }
        listed.insert(*torrent.detailsUrl, torrent);
        if (state->find(*torrent.detailsUrl)) {
            continue;
        }
        // Only filters that pick something out, or have a limit, send unattended.
        const bool sendDue = m_options.sending() && (m_options.allowMatchAll || m_filters.accepts(torrent, true));
        state->add({*torrent.detailsUrl, torrent.name.value_or(QString()), torrent.downloadUrl.value_or(QString()),
                    m_clock.currentDateTimeUtc(), std::nullopt, sendDue, QByteArray()});
        fresh.append(torrent);
    }
    takeEarlierMatches(*state, listed, number);
    if (!saveState(&error)) {
        say(WatchMessageKind::State,
            u"round %1: the watch state %2 cannot be written (%3); nothing is sent until it can"_s.arg(number).arg(
                m_stateFile, error));
        return WatchRoundStatus::Failed;
    }
    QSet<QString> freshDue;
    for (const Torrent& torrent : fresh) {
        if (const WatchState::Entry* entry = state->find(*torrent.detailsUrl); entry && entry->sendDue) {
            freshDue.insert(*torrent.detailsUrl);
        }
    }
    if (m_options.sending()) {
        sendDue(*state, listed, freshDue, number);
    }
    // What is not to be sent is reported new: every match without a send, a match-all filter's without a limit.
    for (const Torrent& torrent : fresh) {
        if (!freshDue.contains(*torrent.detailsUrl)) {
            report(torrent, number, WatchLineKind::New, true);
        }
    }
    return batch.failedPages.isEmpty() && !m_roundFailed ? WatchRoundStatus::Ran : WatchRoundStatus::Failed;
}

QStringList Watcher::notSaidYet(const QStringList& texts)
{
    QStringList unsaid;
    for (const QString& text : texts) {
        if (!m_options.allowMatchAll && !m_railSaid.contains(text)) {
            m_railSaid.insert(text);
            unsaid.append(text);
        }
    }
    return unsaid;
}

QStringList Watcher::numberedList(const QStringList& texts) const
{
    const QList<Filter> all = m_filters.filters();
    QStringList named;
    for (const QString& text : texts) {
        const auto at = std::find_if(all.cbegin(), all.cend(), [&](const Filter& one) { return one.regex() == text; });
        named.append(u"%1 (%2)"_s.arg(at - all.cbegin() + 1).arg(quotedValue(text)));
    }
    return named;
}

QString Watcher::numbered(const QStringList& texts) const
{
    return numberedList(texts).join(u", "_s);
}

void Watcher::takeEarlierMatches(WatchState& state, const QHash<QString, Torrent>& listed, int round)
{
    if (!m_options.sending()) {
        return;
    }
    const QStringList history = storedList(m_store, SettingsStore::LockedList::TorrentHistory);
    int waiting = 0;
    for (auto it = listed.cbegin(); it != listed.cend(); ++it) {
        WatchState::Entry* entry = state.find(it.key());
        // Reported by a round that did not send: never sent, not due, no hash from a send, not in the history.
        const bool reportedOnly =
            entry && !entry->sent && !entry->sendDue && entry->hash.isEmpty() && !history.contains(entry->name);
        if (!reportedOnly || !(m_options.allowMatchAll || m_filters.accepts(it.value(), true))) {
            continue;
        }
        if (m_options.sendEarlier) {
            entry->sendDue = true;
        } else {
            ++waiting;
        }
    }
    if (waiting > 0 && !m_earlierSaid) {
        m_earlierSaid = true;
        say({WatchMessageKind::EarlierMatches,
             u"round %1: %2 %3 that earlier rounds reported without --send %4 not sent; run with --send-earlier to "
             u"send them (within --max-sends)"_s.arg(round)
                 .arg(waiting)
                 .arg(waiting == 1 ? u"match"_s : u"matches"_s, waiting == 1 ? u"is"_s : u"are"_s),
             round,
             {},
             false,
             waiting});
    }
}

void Watcher::sendDue(WatchState& state, const QHash<QString, Torrent>& listed, const QSet<QString>& fresh, int round)
{
    bool clientDown = false;
    // Set when a send, or the state after it, could not be recorded: nothing more is sent this round, since nothing
    // would keep it from being sent again.
    bool unrecorded = false;
    const QStringList due = state.due();
    QList<SendJournal::Entry> settled;
    if (!due.isEmpty() && !m_options.dryRun) {
        // A send that an earlier run was killed in may have reached the client: the history says so from here on,
        // and its hash, noted in the state, keeps it from being sent again when it is posted anew.
        settled = FetchPageDownload::settleSendsUnderWay(m_http);
    }
    for (const SendJournal::Entry& held : std::as_const(settled)) {
        for (const QString& path : due) {
            if (WatchState::Entry* entry = state.find(path); entry->hash.isEmpty() && entry->name == held.name) {
                entry->hash = held.infoHash;
            }
        }
    }
    QSet<QByteArray> sentHashes = state.sentHashes();
    if (!m_options.dryRun) {
        // Left in the journal after the settling: a send another process has under way, one whose history could not
        // be written, or one cut short with a client that cannot say what it holds. Each may be with the client
        // already, and a watcher sends nothing twice; a person can still send it by hand.
        for (const SendJournal::Entry& underWay : SendJournal(m_configDir).entries()) {
            sentHashes.insert(underWay.infoHash);
        }
        for (const SendJournal::Entry& held : std::as_const(settled)) {
            sentHashes.insert(held.infoHash);
        }
    }
    int sends = 0;
    for (const QString& path : due) {
        WatchState::Entry* entry = state.find(path);
        // As listed now when still on the pages scanned; else as remembered.
        Torrent torrent = listed.value(path);
        if (!torrent.detailsUrl) {
            torrent.detailsUrl = path;
            torrent.name = entry->name;
            torrent.downloadUrl = entry->downloadUrl;
        }
        if (entry->hash.isEmpty() && entry->downloadUrl.startsWith(u"magnet:"_s)) {
            entry->hash = Qbittorrent::magnetInfoHash(entry->downloadUrl);
        }
        const bool isNew = fresh.contains(path);
        // A name in the history was sent already: by the window, another command, or a watcher killed between
        // its send and writing this state. A known info hash was sent under another page or name.
        WatchLineKind kind = WatchLineKind::NotSent;
        if (storedList(m_store, SettingsStore::LockedList::TorrentHistory).contains(entry->name)) {
            kind = WatchLineKind::InHistory;
        } else if (!entry->hash.isEmpty() && sentHashes.contains(entry->hash)) {
            kind = WatchLineKind::AlreadySent;
        } else if (sends >= m_options.maxSends) {
            kind = WatchLineKind::Held;
        } else if (m_face.stopRequested() || clientDown || unrecorded) {
            // Stopping, or the client is down: the rest wait for the next round (or run).
        } else if (m_options.dryRun) {
            ++sends;
            kind = WatchLineKind::WouldSend;
        } else if (!entry->downloadUrl.startsWith(u"magnet:"_s) && !paceRequest()) {
            // Stopped while waiting for the site's turn: the send waits for the next run.
        } else {
            ++sends;
            kind = send(torrent, *entry, sentHashes, &clientDown, &unrecorded);
        }
        if (kind == WatchLineKind::Sent && !entry->hash.isEmpty()) {
            sentHashes.insert(entry->hash);
        }
        if (kind != WatchLineKind::NotSent && kind != WatchLineKind::Held) {
            entry->sendDue = false;
            if (kind == WatchLineKind::Sent) {
                entry->sent = m_clock.currentDateTimeUtc();
            }
            QString error;
            if (!saveState(&error)) {
                unrecorded = true;
                say(WatchMessageKind::State,
                    u"round %1: the watch state %2 cannot be written (%3); nothing more is sent this round"_s.arg(round)
                        .arg(m_stateFile, error));
            }
        }
        // A send still due from an earlier round is only worth a line once something became of it.
        if (isNew || kind != WatchLineKind::NotSent) {
            report(torrent, round, kind, isNew);
        }
    }
    if (clientDown || unrecorded) {
        m_roundFailed = true;
    }
}

WatchLineKind Watcher::send(const Torrent& torrent, WatchState::Entry& entry, const QSet<QByteArray>& sentHashes,
                            bool* clientDown, bool* unrecorded)
{
    auto alerts = std::make_shared<CollectedAlerts>();
    QObject receiver;
    QEventLoop loop;
    std::optional<QString> sent;
    const QUrl address(sendAddress(torrent.downloadUrl.value_or(QString()), m_siteHost));
    auto operation =
        std::make_shared<FetchPageDownload>(torrent.downloadUrl ? address : QUrl(), torrent.name.value_or(QString()),
                                            &receiver, FetchPageDownload::selectorFor([&](std::optional<QString> name) {
                                                sent = std::move(name);
                                                loop.quit();
                                            }),
                                            alerts, m_http);
    operation->setSentBefore([sentHashes](const QByteArray& hash) { return sentHashes.contains(hash); });
    m_sendQueue.addOperation(operation);
    loop.exec();
    if (!operation->infoHash().isEmpty()) {
        entry.hash = operation->infoHash();
    }
    const QString name = quotedValue(torrent.name.value_or(QString()));
    const FetchPageDownload::Outcome outcome = operation->outcome();
    if (outcome == FetchPageDownload::Outcome::SentNotRecorded || outcome == FetchPageDownload::Outcome::NotKept) {
        *unrecorded = true;
        for (const QString& line : alerts->lines()) {
            say(WatchMessageKind::Send, u"%1 %2 %3 Nothing more is sent this round."_s.arg(
                                            name, sent ? u"was sent:"_s : u"was not sent:"_s, ended(line)));
        }
    }
    if (sent) {
        return WatchLineKind::Sent;
    }
    if (outcome == FetchPageDownload::Outcome::AlreadySent) {
        return WatchLineKind::AlreadySent;
    }
    if (*unrecorded) {
        return WatchLineKind::NotSent;
    }
    *clientDown = outcome == FetchPageDownload::Outcome::ConnectionFailed;
    for (const QString& line : alerts->lines()) {
        say(WatchMessageKind::Send,
            u"%1 was not sent: %2%3"_s.arg(name, ended(line),
                                           *clientDown ? u" The next round tries again."_s : QString()));
    }
    return WatchLineKind::NotSent;
}

int Watcher::requestsPerMinute(const SettingsStore& store)
{
    const std::optional<qint64> stored = store.number(SettingsKeys::watchRequestsPerMinute);
    return stored ? int(std::clamp<qint64>(*stored, 1, kMostRequestsPerMinute)) : kDefaultRequestsPerMinute;
}

bool Watcher::paceRequest()
{
    if (m_clock.now() < m_nextRequest) {
        m_clock.waitUntil(m_nextRequest);
    }
    if (m_face.stopRequested()) {
        return false;
    }
    m_nextRequest = std::max(m_nextRequest, m_clock.now()) + m_requestGap;
    return true;
}

void Watcher::report(const Torrent& torrent, int round, WatchLineKind kind, bool isNew)
{
    m_face.showLine({torrent, round, kind});
    if (m_notifier && isNew) {
        m_notifier->notify(torrent.name.value_or(QString()), kind == WatchLineKind::Sent);
    }
}

} // namespace marrowfin
