#include "WatchCommand.h"

#include "CliContext.h"
#include "DesktopNotifier.h"
#include "ProgressLine.h"
#include "StopSignals.h"
#include "TorrentPrinter.h"

#include "core/app/Profile.h"
#include "core/config/AppConfig.h"
#include "core/display/FavoritesPageCount.h"
#include "core/net/HttpContext.h"
#include "core/watch/WatchFace.h"
#include "core/watch/Watcher.h"

#include <QJsonDocument>

#include <cmath>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr double kDefaultEveryMinutes = 15;
constexpr double kShortestEveryMinutes = 0.01;

// What the watcher reports, printed: a line a torrent on standard output, each message on standard error, and the
// pages' progress on a terminal.
class PrintedWatch final : public WatchFace
{
public:
    explicit PrintedWatch(CliContext& context) : m_context(context) {}

    void showLine(const WatchLine& line) override;
    void showMessage(const WatchMessage& message) override { m_context.fail(message.text); }
    void showPages(int done, int total) override
    {
        if (!m_progress) {
            m_progress.emplace();
        }
        m_progress->page(done, total);
        if (done == total) {
            m_progress.reset(); // wiped before the round's lines
        }
    }
    [[nodiscard]] bool stopRequested() const override { return StopSignals::requested(); }

private:
    CliContext& m_context;
    std::optional<ProgressLine> m_progress;
};

void PrintedWatch::showLine(const WatchLine& line)
{
    const Torrent& torrent = line.torrent;
    QTextStream& out = m_context.out();
    if (m_context.json()) {
        QJsonObject object = TorrentPrinter::jsonObject(torrent);
        object.insert(u"isDownloaded"_s, line.isDownloaded());
        object.insert(u"round"_s, line.round);
        object.insert(u"sent"_s, line.kind == WatchLineKind::Sent);
        object.insert(u"status"_s, WatchLine::statusWord(line.kind));
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
    out << QString::number(line.round).rightJustified(4) << u"  "_s
        << WatchLine::statusWord(line.kind).leftJustified(12) << u"  "_s
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
            u"profile folder, so a new run repeats nothing. SIGTERM or Ctrl+C ends it after the send under way."_s)) {
        return *done;
    }
    if (!parser.positionalArguments().mid(1).isEmpty()) {
        return context.fail(u"watch takes only options"_s, CliContext::UsageError);
    }
    WatchOptions options;
    const bool isOnce = parser.isSet(once);
    options.send = parser.isSet(send);
    options.dryRun = parser.isSet(dryRun);
    options.allowMatchAll = parser.isSet(allowMatchAll);
    options.sendEarlier = parser.isSet(sendEarlier);
    if (options.sendEarlier && !options.sending()) {
        return context.fail(u"--send-earlier goes with --send or --dry-run"_s, CliContext::UsageError);
    }
    if (parser.isSet(maxSends)) {
        bool ok = false;
        options.maxSends = parser.value(maxSends).toInt(&ok);
        if (!ok || options.maxSends < 1 || options.maxSends > WatchOptions::kMostMaxSends) {
            return context.fail(u"--max-sends takes a number from 1 to %1"_s.arg(WatchOptions::kMostMaxSends),
                                CliContext::UsageError);
        }
    }
    double everyMinutes = kDefaultEveryMinutes;
    if (parser.isSet(every)) {
        const auto minutes = minutesOption(parser.value(every));
        if (!minutes || isOnce) {
            return context.fail(isOnce ? u"--every and --once do not go together"_s
                                       : u"--every takes minutes, from 0.01 to a week"_s,
                                CliContext::UsageError);
        }
        everyMinutes = *minutes;
    }
    if (parser.isSet(pages)) {
        bool ok = false;
        const int count = parser.value(pages).toInt(&ok);
        if (!ok || count < 1 || count > kMaxFavoritesPageCount) {
            return context.fail(u"--pages takes a number from 1 to %1"_s.arg(kMaxFavoritesPageCount),
                                CliContext::UsageError);
        }
        options.pages = count;
    }

    // The profile first: opening it makes the configured site host and the transport current.
    const Profile& profile = context.profile();
    StopSignals stop;
    PrintedWatch face(context);
    std::optional<DesktopNotifier> notifier;
    if (parser.isSet(notify)) {
        notifier.emplace(context);
    }
    Watcher watcher(options, profile.settings(), profile.configDir(), AppConfig::current().siteHost,
                    HttpContext::defaultContext(), stop, face, notifier ? &*notifier : nullptr);
    if (isOnce) {
        return watcher.round() == WatchRoundStatus::Ran ? CliContext::Success : CliContext::Failure;
    }
    const auto period = std::chrono::milliseconds(qint64(everyMinutes * 60'000));
    return watcher.run(period) == WatchRoundStatus::Stuck ? CliContext::Failure : CliContext::Success;
}

} // namespace marrowfin
