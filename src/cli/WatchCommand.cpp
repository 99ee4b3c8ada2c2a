#include "WatchCommand.h"

#include "CliContext.h"
#include "CollectedAlerts.h"
#include "FavoritesBatch.h"
#include "TorrentPrinter.h"
#include "WatchState.h"

#include "core/app/Profile.h"
#include "core/config/AppConfig.h"
#include "core/display/FavoritesPageCount.h"
#include "core/display/ListingAddresses.h"
#include "core/lists/FilterSet.h"
#include "core/net/OperationQueue.h"
#include "core/remote/FetchPageDownload.h"
#include "core/remote/Qbittorrent.h"
#include "core/remote/SendJournal.h"
#include "core/settings/FileLock.h"
#include "core/settings/SettingsLists.h"
#include "core/settings/SettingsStore.h"
#include "core/settings/StoreFiles.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QHash>
#include <QJsonDocument>
#include <QSet>
#include <QSocketNotifier>
#include <QTimer>

#include <array>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

// A message's sentence ended with its full stop, for one that follows it: a cause line may end without one.
QString ended(const QString& line)
{
    return line.endsWith(u'.') ? line : line + u'.';
}

constexpr double kDefaultEveryMinutes = 15;
constexpr double kShortestEveryMinutes = 0.01;
constexpr int kNotificationTimeoutMs = 3000;
constexpr int kDefaultMaxSends = 10;
constexpr int kMostMaxSends = 1000;

// SIGTERM and SIGINT ask the watcher to stop: the handler only notes it and wakes the main thread through a pipe;
// the watcher stops at its next safe point (after the send under way, or at once while it waits for a round).
volatile std::sig_atomic_t g_stopRequested = 0;
int g_wakeFd = -1;

extern "C" void onStopSignal(int)
{
    g_stopRequested = 1;
    if (g_wakeFd >= 0) {
        const int saved = errno;
        const char byte = 's';
        (void)!::write(g_wakeFd, &byte, 1);
        errno = saved;
    }
}

class StopSignals final
{
public:
    StopSignals()
    {
        g_stopRequested = 0;
        if (::pipe2(m_pipe.data(), O_CLOEXEC | O_NONBLOCK) == 0)
            g_wakeFd = m_pipe[1];
        struct sigaction action = {};
        action.sa_handler = &onStopSignal;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGTERM, &action, &m_oldTerm);
        ::sigaction(SIGINT, &action, &m_oldInt);
    }
    ~StopSignals()
    {
        ::sigaction(SIGTERM, &m_oldTerm, nullptr);
        ::sigaction(SIGINT, &m_oldInt, nullptr);
        g_wakeFd = -1;
        for (int fd : m_pipe) {
            if (fd >= 0)
                ::close(fd);
        }
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    [[nodiscard]] static bool requested() { return g_stopRequested != 0; }

    // Waits on the event loop until `deadline` or a stop signal, whichever comes first.
    void waitUntil(const QDeadlineTimer& deadline) const
    {
        if (requested() || m_pipe[0] < 0)
            return;
        QEventLoop loop;
        QSocketNotifier wake(m_pipe[0], QSocketNotifier::Read);
        QObject::connect(&wake, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
        QTimer::singleShot(std::max<qint64>(0, deadline.remainingTime()), Qt::VeryCoarseTimer, &loop,
                           &QEventLoop::quit);
        loop.exec();
    }

private:
    std::array<int, 2> m_pipe{-1, -1};
    struct sigaction m_oldTerm = {};
    struct sigaction m_oldInt = {};
};

struct WatchOptions
{
    std::optional<int> pages; // else the stored count, read each round
    bool once = false;
    bool send = false;
    bool notify = false;
    bool dryRun = false;        // report what would be sent; send, write and record nothing
    bool allowMatchAll = false; // send the matches of filters that accept every name and have no limit
    bool sendEarlier = false;   // send the matches earlier rounds reported without sending them
    int maxSends = kDefaultMaxSends;
    double everyMinutes = kDefaultEveryMinutes;

    // Whether the round's matches are to be sent (or, in a dry run, said to be).
    [[nodiscard]] bool sending() const { return send || dryRun; }
};

// What a round printed a line for.
enum class LineKind
{
    New,         // reported, no --send
    Sent,        // sent this round (new, or reported before while the client was down)
    InHistory,   // new, but the history holds its name: not sent again
    NotSent,     // the send failed; the next round tries again
    Held,        // over the round's cap of sends: first in the next round
    AlreadySent, // its info hash was sent before, under another page or name
    WouldSend,   // a dry run's send
};

QString statusWord(LineKind kind)
{
    switch (kind) {
    case LineKind::New:
        return u"new"_s;
    case LineKind::Sent:
        return u"sent"_s;
    case LineKind::InHistory:
        return u"in history"_s;
    case LineKind::NotSent:
        return u"not sent"_s;
    case LineKind::Held:
        return u"held"_s;
    case LineKind::AlreadySent:
        return u"already sent"_s;
    case LineKind::WouldSend:
        return u"would send"_s;
    }
    return {};
}

// Desktop notifications over the session bus, when there is one; says once when there is none.
class Notifier final
{
public:
    explicit Notifier(CliContext& context) : m_context(context) {}

    void notify(const QString& name, bool sent)
    {
        if (m_off)
            return;
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected()) {
            m_off = true;
            m_context.fail(u"no desktop session bus: --notify shows nothing"_s);
            return;
        }
        QDBusMessage call =
            QDBusMessage::createMethodCall(u"org.freedesktop.Notifications"_s, u"/org/freedesktop/Notifications"_s,
                                           u"org.freedesktop.Notifications"_s, u"Notify"_s);
        // The body may be read as simple markup: the name is escaped.
        const QString body = name.toHtmlEscaped() + (sent ? u"\nSent to the client."_s : QString());
        call << u"Marrowfin"_s << uint(0) << u"marrowfin"_s << u"New favorite"_s << body << QStringList()
             << QVariantMap() << int(-1);
        const QDBusMessage reply = bus.call(call, QDBus::Block, kNotificationTimeoutMs);
        if (reply.type() == QDBusMessage::ErrorMessage) {
            m_off = true;
            m_context.fail(
                u"desktop notifications failed (%1): --notify shows nothing more"_s.arg(reply.errorMessage()));
        }
    }

private:
    CliContext& m_context;
    bool m_off = false;
};

class Watcher final
{
public:
    Watcher(CliContext& context, const WatchOptions& options)
        : m_context(context), m_options(options), m_store(context.profile().settings()),
          m_stateFile(QDir(context.profile().configDir()).filePath(u"watch.json"_s)),
          m_lockFile(QDir(context.profile().configDir()).filePath(u"watch.lock"_s)), m_notifier(context)
    {}

    // One round. Returns the exit status of --once: 0 the round ran, 1 the site could not be read, a due send could
    // not be made (the client did not answer) or not be recorded, or the state could not be kept.
    int round();
    // The state file cannot be read: no later round can do better until the user moves it away.
    [[nodiscard]] bool stuck() const { return m_stuck; }

private:
    // Sends every torrent whose send is due, those still listed (`listed`, by path) as listed now; `fresh` holds the
    // paths this round reported first.
    void sendDue(WatchState& state, const QHash<QString, Torrent>& listed, const QSet<QString>& fresh, int round);
    // In a sending round, the listed matches that rounds without --send reported: made due with --send-earlier
    // (those a guarded filter takes, or any with --allow-match-all), else counted and said once a run.
    void takeEarlierMatches(WatchState& state, const QHash<QString, Torrent>& listed, int round);
    // Of the filters the match-all rail holds back, those a loop has not named yet (none with --allow-match-all).
    [[nodiscard]] QStringList notSaidYet(const QStringList& texts);
    // The filters by the number "filters list" shows, each with its text: 2 ("..").
    [[nodiscard]] QString numbered(const QStringList& texts) const;
    // The download button's operation: Sent when the torrent is with the client and in the history, AlreadySent
    // when its info hash is in `sentHashes`, else NotSent. Notes the hash in the entry.
    // `unrecorded` is set when the send, or its history, could not be recorded (the journal or the history could
    // not be written).
    [[nodiscard]] LineKind send(const Torrent& torrent, WatchState::Entry& entry, const QSet<QByteArray>& sentHashes,
                                bool* clientDown, bool* unrecorded);
    void printLine(const Torrent& torrent, int round, LineKind kind);
    // Writes the state and notes the file as written. A state that could not be written stays in memory, as the
    // truth, for the next round to write (unless another watcher writes the file first: then that is read).
    [[nodiscard]] bool saveState(QString* error);

    CliContext& m_context;
    const WatchOptions& m_options;
    SettingsStore& m_store;
    const QString m_stateFile;
    const QString m_lockFile;
    Notifier m_notifier;
    FilterSet m_filters;
    // Workers for the whole run, one for the sends and the batch's for the pages: their connections and TLS sessions
    // serve the next round, and a long run does not start threads for every round and torrent.
    OperationQueue m_sendQueue{1, u"watch"_s};
    OperationQueue m_pageQueue{FavoritesBatch::kQueueWidth, u"favorites"_s};
    bool m_noFiltersSaid = false;
    // What a loop has said once and does not repeat every round: the filters held back by the match-all rail, and
    // that earlier rounds' matches wait for --send-earlier.
    QSet<QString> m_railSaid;
    bool m_earlierSaid = false;
    bool m_stuck = false;
    // Set when something of this round failed that a timer's run must show: a send not made or not recorded.
    bool m_roundFailed = false;
    std::optional<WatchState> m_state;
    storefiles::FileStamp m_stateStamp;
};

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

int Watcher::round()
{
    // Two watchers on one profile (a timer's run beside a running watch) take turns round by round.
    FileLock lock;
    if (!lock.lock(m_lockFile))
        return m_context.fail(u"the watch lock %1 cannot be taken: %2"_s.arg(m_lockFile, lock.errorString()));
    QString error;
    // The state stays in memory from round to round; read again only when another watcher wrote it since.
    if (!m_state || storefiles::stampOf(m_stateFile) != m_stateStamp) {
        m_state = WatchState::load(m_stateFile, &error);
        m_stateStamp = storefiles::stampOf(m_stateFile);
    }
    std::optional<WatchState>& state = m_state;
    if (!state) {
        m_stuck = true;
        return m_context.fail(u"the watch state %1 cannot be read (%2); nothing was fetched or sent. Move it away to "
                              u"start afresh: every match is then reported again, and the history still keeps "
                              u"what was sent from being sent again."_s.arg(m_stateFile, error));
    }
    m_roundFailed = false;
    const int number = state->rounds() + 1;
    state->setRounds(number);

    m_filters.reloadFilters(m_store);
    for (const FilterProblem& problem : m_filters.problems())
        m_context.fail(u"the filter %1 is skipped (%2)"_s.arg(CliContext::quoted(problem.text), problem.reason));
    if (m_filters.isEmpty() && !m_noFiltersSaid) {
        m_noFiltersSaid = true;
        m_context.fail(u"there are no favorite filters, so nothing can match; add one with "
                       u"\"marrowfin-cli filters add TEXT\""_s);
    }
    const QStringList unguarded = m_options.sending() ? notSaidYet(m_filters.unguardedFilters()) : QStringList();
    if (!unguarded.isEmpty()) {
        m_context.fail(u"round %1: the filter%2 %3 accept%4 every name and %5 no limit: %6 matches are not sent. "
                       u"Give %7 a limit (\"marrowfin-cli filters set NUMBER --min-seeders 1\", for instance) or "
                       u"run with --allow-match-all."_s.arg(number)
                           .arg(unguarded.size() == 1 ? u""_s : u"s"_s, numbered(unguarded),
                                unguarded.size() == 1 ? u"s"_s : u""_s, unguarded.size() == 1 ? u"has"_s : u"have"_s,
                                unguarded.size() == 1 ? u"its"_s : u"their"_s,
                                unguarded.size() == 1 ? u"it"_s : u"them"_s));
    }
    const int pages = m_options.pages.value_or(favoritesPageCount(m_store));
    const FavoritesBatch batch = FavoritesBatch::fetch(m_filters, pages, AppConfig::current().siteHost, &m_pageQueue);
    for (const QString& failure : batch.failedPages) {
        m_context.fail(u"round %1: the page %2; the next round tries again"_s.arg(number).arg(failure));
    }
    // A filter may take a whole listing without being one of the fixed names ("..", "\D", a limit that keeps
    // nothing out): judged on the pages in hand.
    QStringList nearlyAll = m_options.allowMatchAll ? QStringList() : m_filters.markNearlyAll(batch.listed);
    nearlyAll = m_options.sending() ? notSaidYet(nearlyAll) : QStringList();
    if (!nearlyAll.isEmpty()) {
        m_context.fail(
            u"round %1: the filter%2 %3 accept%4 %5 % or more of the %6 torrents listed: %7 matches are "
            u"not sent. Narrow %8, or run with --allow-match-all."_s.arg(number)
                .arg(nearlyAll.size() == 1 ? u""_s : u"s"_s, numbered(nearlyAll),
                     nearlyAll.size() == 1 ? u"s"_s : u""_s)
                .arg(FilterSet::kNearlyAllPercent)
                .arg(batch.listed.size())
                .arg(nearlyAll.size() == 1 ? u"its"_s : u"their"_s, nearlyAll.size() == 1 ? u"it"_s : u"them"_s));
    }

    // The new matches are remembered before anything is sent: a round killed during its sends reports none of them
    // again, and the sends still due are in the state for the next round.
    QList<Torrent> fresh;
    QHash<QString, Torrent> listed;
    for (const Torrent& torrent : batch.accepted) {
        if (!torrent.detailsUrl || torrent.detailsUrl->isEmpty() || listed.contains(*torrent.detailsUrl))
            continue;
        listed.insert(*torrent.detailsUrl, torrent);
        if (state->find(*torrent.detailsUrl))
            continue;
        // Only filters that pick something out, or have a limit, send unattended.
        const bool sendDue = m_options.sending() && (m_options.allowMatchAll || m_filters.accepts(torrent, true));
        state->add({*torrent.detailsUrl, torrent.name.value_or(QString()), torrent.downloadUrl.value_or(QString()),
                    QDateTime::currentDateTimeUtc(), std::nullopt, sendDue, QByteArray()});
        fresh.append(torrent);
    }
    takeEarlierMatches(*state, listed, number);
    if (!saveState(&error)) {
        return m_context.fail(
            u"round %1: the watch state %2 cannot be written (%3); nothing is sent until it can"_s.arg(number).arg(
                m_stateFile, error));
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
    // What is not to be sent is reported new: every match without --send, a match-all filter's without a limit.
    for (const Torrent& torrent : fresh) {
        if (!freshDue.contains(*torrent.detailsUrl)) {
            printLine(torrent, number, LineKind::New);
            if (m_options.notify) {
                m_notifier.notify(torrent.name.value_or(QString()), false);
            }
        }
    }
    return batch.failedPages.isEmpty() && !m_roundFailed ? CliContext::Success : CliContext::Failure;
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

QString Watcher::numbered(const QStringList& texts) const
{
    const QList<Filter> all = m_filters.filters();
    QStringList named;
    for (const QString& text : texts) {
        const auto at = std::find_if(all.cbegin(), all.cend(), [&](const Filter& one) { return one.regex() == text; });
        named.append(u"%1 (%2)"_s.arg(at - all.cbegin() + 1).arg(CliContext::quoted(text)));
    }
    return named.join(u", "_s);
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
        m_context.fail(u"round %1: %2 %3 that earlier rounds reported without --send %4 not sent; run with "
                       u"--send-earlier to send them (within --max-sends)"_s.arg(round)
                           .arg(waiting)
                           .arg(waiting == 1 ? u"match"_s : u"matches"_s, waiting == 1 ? u"is"_s : u"are"_s));
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
        settled = FetchPageDownload::settleSendsUnderWay();
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
        for (const SendJournal::Entry& underWay : SendJournal(m_context.profile().configDir()).entries()) {
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
        LineKind kind = LineKind::NotSent;
        if (storedList(m_store, SettingsStore::LockedList::TorrentHistory).contains(entry->name)) {
            kind = LineKind::InHistory;
        } else if (!entry->hash.isEmpty() && sentHashes.contains(entry->hash)) {
            kind = LineKind::AlreadySent;
        } else if (sends >= m_options.maxSends) {
            kind = LineKind::Held;
        } else if (StopSignals::requested() || clientDown || unrecorded) {
            // Stopping, or the client is down: the rest wait for the next round (or run).
        } else if (m_options.dryRun) {
            ++sends;
            kind = LineKind::WouldSend;
        } else {
            ++sends;
            kind = send(torrent, *entry, sentHashes, &clientDown, &unrecorded);
        }
        if (kind == LineKind::Sent && !entry->hash.isEmpty()) {
            sentHashes.insert(entry->hash);
        }
        if (kind != LineKind::NotSent && kind != LineKind::Held) {
            entry->sendDue = false;
            if (kind == LineKind::Sent) {
                entry->sent = QDateTime::currentDateTimeUtc();
            }
            QString error;
            if (!saveState(&error)) {
                unrecorded = true;
                m_context.fail(u"round %1: the watch state %2 cannot be written (%3); nothing more is sent this "
                               u"round"_s.arg(round)
                                   .arg(m_stateFile, error));
            }
        }
        // A send still due from an earlier round is only worth a line once something became of it.
        if (isNew || kind != LineKind::NotSent) {
            printLine(torrent, round, kind);
            if (m_options.notify && isNew) {
                m_notifier.notify(entry->name, kind == LineKind::Sent);
            }
        }
    }
    if (clientDown || unrecorded) {
        m_roundFailed = true;
    }
}

LineKind Watcher::send(const Torrent& torrent, WatchState::Entry& entry, const QSet<QByteArray>& sentHashes,
                       bool* clientDown, bool* unrecorded)
{
    auto alerts = std::make_shared<CollectedAlerts>();
    QObject receiver;
    QEventLoop loop;
    std::optional<QString> sent;
    const QUrl address(sendAddress(torrent.downloadUrl.value_or(QString()), AppConfig::current().siteHost));
    auto operation =
        std::make_shared<FetchPageDownload>(torrent.downloadUrl ? address : QUrl(), torrent.name.value_or(QString()),
                                            &receiver, FetchPageDownload::selectorFor([&](std::optional<QString> name) {
                                                sent = std::move(name);
                                                loop.quit();
                                            }),
                                            alerts);
    operation->setSentBefore([sentHashes](const QByteArray& hash) { return sentHashes.contains(hash); });
    m_sendQueue.addOperation(operation);
    loop.exec();
    if (!operation->infoHash().isEmpty()) {
        entry.hash = operation->infoHash();
    }
    const FetchPageDownload::Outcome outcome = operation->outcome();
    if (outcome == FetchPageDownload::Outcome::SentNotRecorded || outcome == FetchPageDownload::Outcome::NotKept) {
        *unrecorded = true;
        for (const QString& line : alerts->lines()) {
            m_context.fail(u"%1 %2 %3 Nothing more is sent this round."_s.arg(
                CliContext::quoted(torrent.name.value_or(QString())), sent ? u"was sent:"_s : u"was not sent:"_s,
                ended(line)));
        }
    }
    if (sent) {
        return LineKind::Sent;
    }
    if (outcome == FetchPageDownload::Outcome::AlreadySent) {
        return LineKind::AlreadySent;
    }
    if (*unrecorded) {
        return LineKind::NotSent;
    }
    *clientDown = outcome == FetchPageDownload::Outcome::ConnectionFailed;
    for (const QString& line : alerts->lines()) {
        m_context.fail(u"%1 was not sent: %2%3"_s.arg(CliContext::quoted(torrent.name.value_or(QString())), ended(line),
                                                      *clientDown ? u" The next round tries again."_s : QString()));
    }
    return LineKind::NotSent;
}

void Watcher::printLine(const Torrent& torrent, int round, LineKind kind)
{
    QTextStream& out = m_context.out();
    if (m_context.json()) {
        QJsonObject object = TorrentPrinter::jsonObject(torrent);
        object.insert(u"isDownloaded"_s, torrent.isDownloaded || kind == LineKind::Sent || kind == LineKind::InHistory);
        object.insert(u"round"_s, round);
        object.insert(u"sent"_s, kind == LineKind::Sent);
        object.insert(u"status"_s, statusWord(kind));
        out << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) << '\n';
        out.flush();
        return;
    }
    // Fixed columns, so that the lines of every round line up: round, status, name, size, age, seeders, leechers.
    const QString size = torrent.size.value_or(QString());
    const QString age = torrent.date.value_or(QString());
    const QString figures = u"  %1  %2  %3  %4"_s.arg(size, 10)
                                .arg(age, -12)
                                .arg(torrent.up.value_or(QString()), 6)
                                .arg(torrent.down.value_or(QString()), 6);
    const int nameWidth = std::max(12, TorrentPrinter::terminalWidth() - 6 - 14 - int(figures.size()));
    out << QString::number(round).rightJustified(4) << u"  "_s << statusWord(kind).leftJustified(12) << u"  "_s
        << TorrentPrinter::fitted(torrent.name.value_or(QString()), nameWidth).leftJustified(nameWidth) << figures
        << '\n';
    out.flush();
}

std::optional<double> minutesOption(const QString& text)
{
    bool ok = false;
    const double minutes = text.toDouble(&ok);
    return ok && std::isfinite(minutes) && minutes >= kShortestEveryMinutes && minutes <= 7 * 24 * 60
               ? std::optional<double>(minutes)
               : std::nullopt;
}

} // namespace

int WatchCommand::run(CliContext& context, const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption every(u"every"_s,
                                   u"Minutes from the start of one round to the next (default 15; a "
                                   u"fraction such as 0.5 is taken)."_s,
                                   u"MINUTES"_s);
    const QCommandLineOption once(u"once"_s, u"Run one round and end: status 0 when it ran, 1 when the site could "
                                             u"not be read, a due send could not be made (the client did not "
                                             u"answer) or recorded, or the watch state could not be written."_s);
    const QCommandLineOption send(u"send"_s, u"Send each new match to the remote client, as the download button "
                                             u"does (the history records it)."_s);
    const QCommandLineOption pages(u"pages"_s,
                                   u"Pages of the newest listing a round scans (default: the stored "
                                   u"count, else 5)."_s,
                                   u"N"_s);
    const QCommandLineOption notify(u"notify"_s, u"A desktop notification for each new match."_s);
    const QCommandLineOption maxSends(u"max-sends"_s,
                                      u"With --send: at most N sends a round (default 10); the rest are held and "
                                      u"go first in the next round."_s,
                                      u"N"_s);
    const QCommandLineOption dryRun(u"dry-run"_s, u"Report what --send would send (\"would send\") and change "
                                                  u"nothing: no send, no history, no watch.json."_s);
    const QCommandLineOption allowMatchAll(u"allow-match-all"_s,
                                           u"Also send the matches of filters that accept every name (\"\", \".\", "
                                           u"\".*\") and have no limit."_s);
    const QCommandLineOption sendEarlier(u"send-earlier"_s,
                                         u"With --send: also send the matches that earlier rounds reported without "
                                         u"--send and that are still on the pages scanned (within --max-sends)."_s);
    parser.addOptions({every, once, send, pages, notify, maxSends, dryRun, allowMatchAll, sendEarlier});
    if (const auto done = context.parse(
            parser, arguments,
            u"watch [--every MINUTES] [--once] [--send [--max-sends N] [--allow-match-all] [--send-earlier]] "
            u"[--dry-run] [--pages N] [--notify]"_s,
            u"Runs the favorites batch in rounds and prints each torrent that the favorite filters accept and that "
            u"no round reported before (a torrent is known by its detail page), with the round's number and what "
            u"became of it: new, sent, in history (its name was sent before: not sent again), already sent (its "
            u"torrent was sent before under another page or name), held (over the round's --max-sends: sent first "
            u"next round), not sent (the client did not take it: the next round tries again), would send (--dry-run). "
            u"A filter that accepts every name sends nothing unless it has a limit or --allow-match-all is given. "
            u"With --json each is one JSON object a line: the listing's keys, \"round\", \"sent\" and "
            u"\"status\". What was reported and sent is kept in watch.json in the "
            u"profile folder, so a new run repeats nothing. SIGTERM or Ctrl+C ends it after the send under way."_s))
        return *done;
    if (!parser.positionalArguments().mid(1).isEmpty())
        return context.fail(u"watch takes only options"_s, CliContext::UsageError);
    WatchOptions options;
    options.once = parser.isSet(once);
    options.send = parser.isSet(send);
    options.notify = parser.isSet(notify);
    options.dryRun = parser.isSet(dryRun);
    options.allowMatchAll = parser.isSet(allowMatchAll);
    options.sendEarlier = parser.isSet(sendEarlier);
    if (options.sendEarlier && !options.sending()) {
        return context.fail(u"--send-earlier goes with --send or --dry-run"_s, CliContext::UsageError);
    }
    if (parser.isSet(maxSends)) {
        bool ok = false;
        options.maxSends = parser.value(maxSends).toInt(&ok);
        if (!ok || options.maxSends < 1 || options.maxSends > kMostMaxSends) {
            return context.fail(u"--max-sends takes a number from 1 to %1"_s.arg(kMostMaxSends),
                                CliContext::UsageError);
        }
    }
    if (parser.isSet(every)) {
        const auto minutes = minutesOption(parser.value(every));
        if (!minutes || options.once)
            return context.fail(options.once ? u"--every and --once do not go together"_s
                                             : u"--every takes minutes, from 0.01 to a week"_s,
                                CliContext::UsageError);
        options.everyMinutes = *minutes;
    }
    if (parser.isSet(pages)) {
        bool ok = false;
        const int count = parser.value(pages).toInt(&ok);
        if (!ok || count < 1 || count > kMaxFavoritesPageCount)
            return context.fail(u"--pages takes a number from 1 to %1"_s.arg(kMaxFavoritesPageCount),
                                CliContext::UsageError);
        options.pages = count;
    }

    const StopSignals stop;
    Watcher watcher(context, options);
    if (options.once)
        return watcher.round();
    const auto period = std::chrono::milliseconds(qint64(options.everyMinutes * 60'000));
    while (!StopSignals::requested()) {
        const QDeadlineTimer next(period);
        (void)watcher.round();
        if (watcher.stuck())
            return CliContext::Failure;
        stop.waitUntil(next);
    }
    return CliContext::Success;
}

} // namespace marrowfin
