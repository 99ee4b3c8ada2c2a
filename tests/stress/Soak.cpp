// The soak: the favorites batch of ten pages against the demo site (200 ms an answer), over and over with a send
// between batches, in two processes side by side:
//   - the window's favorites screen, in this process on the offscreen platform: its own refresh button, then a row's
//     download button, then again, with a new torrent on the site before each batch;
//   - `marrowfin-cli watch --every 0.05 --send --pages 10`, a child process, which sends every new match.
// Every --sample-seconds (30) it samples each process's resident memory, open descriptors and threads, and at the end
// prints for each the first sample, the one at a minute, the last and the largest, with the rounds and sends. After
// the first minute nothing may grow: resident memory within 10 % of its value at a minute, descriptors and threads
// no more than then. Status 1 when something grew.
//   marrowfin_soak [--minutes M] [--sample-seconds S]
#include "core/config/AppConfig.h"
#include "core/net/CookieStore.h"
#include "core/net/HttpContext.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"
#include "gui/lists/FavoriteListViewController.h"
#include "gui/platform/Device.h"
#include "gui/platform/TableView.h"
#include "gui/ui/HeaderView.h"
#include "gui/ui/ImageButton.h"
#include "support/DemoProcess.h"
#include "support/EventLoop.h"
#include "support/LoopbackHttp.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using namespace marrowfin;
using namespace Qt::Literals::StringLiterals;

struct Sample
{
    double seconds = 0;
    int descriptors = 0;
    int threads = 0;
    double residentMb = 0;
};

Sample sampleOf(qint64 pid, double seconds)
{
    const QString proc = pid == 0 ? u"/proc/self"_s : u"/proc/%1"_s.arg(pid);
    Sample sample{seconds};
    sample.descriptors =
        int(QDir(proc + u"/fd"_s).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size());
    sample.threads = int(QDir(proc + u"/task"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
    QFile status(proc + u"/status"_s);
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:")) {
                sample.residentMb = line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
            }
        }
    }
    return sample;
}

// Prints first, at a minute, last and largest; true when nothing grew after the first minute.
bool report(const char* what, const std::vector<Sample>& samples, int rounds, int sends)
{
    if (samples.size() < 3) {
        std::printf("soak: %s: only %zu samples\n", what, samples.size());
        return false;
    }
    const auto atMinute = std::find_if(samples.begin(), samples.end(), [](const Sample& s) { return s.seconds >= 60; });
    const Sample& minute = atMinute == samples.end() ? samples[1] : *atMinute;
    const Sample& first = samples.front();
    const Sample& last = samples.back();
    Sample largest;
    for (const Sample& sample : samples) {
        largest.residentMb = std::max(largest.residentMb, sample.residentMb);
        largest.descriptors = std::max(largest.descriptors, sample.descriptors);
        largest.threads = std::max(largest.threads, sample.threads);
    }
    const bool grew = last.residentMb > minute.residentMb * 1.10 || last.descriptors > minute.descriptors ||
                      last.threads > minute.threads;
    std::printf("soak: %-6s %5d rounds %5d sends | resident MB first %.1f, at %.0f s %.1f, last %.1f, largest %.1f"
                " | descriptors %d, %d, %d, %d | threads %d, %d, %d, %d | %s\n",
                what, rounds, sends, first.residentMb, minute.seconds, minute.residentMb, last.residentMb,
                largest.residentMb, first.descriptors, minute.descriptors, last.descriptors, largest.descriptors,
                first.threads, minute.threads, last.threads, largest.threads, grew ? "GREW" : "flat");
    return !grew;
}

int run(double seconds, double sampleSeconds)
{
    demotest::DemoProcess demo({"--latency-ms", "200"});
    if (!demo.started()) {
        std::fprintf(stderr, "soak: the demo site did not start\n");
        return 2;
    }
    const QString utorrentPort = QString::number(QUrl(QString::fromStdString(demo.utorrent("/"))).port());

    // The watcher: a profile of its own, set up through the command line as a user would.
    QTemporaryDir watchProfile;
    const QStringList site{u"--site-host"_s,  QString::fromStdString(demo.host()),
                           u"--ca-file"_s,    QString::fromStdString(demo.caFile()),
                           u"--config-dir"_s, watchProfile.path()};
    for (const QStringList& setup :
         {QStringList{u"login"_s, u"--anonymous"_s},
          QStringList{u"filters"_s, u"add"_s, u"."_s, u"--min-seeders"_s, u"0"_s},
          QStringList{u"remote"_s, u"set"_s, u"--client"_s, u"Utorrent"_s, u"--address"_s, u"127.0.0.1"_s, u"--port"_s,
                      utorrentPort, u"--user"_s, u"admin"_s, u"--password"_s, u"admin"_s},
          // Rounds as fast as they come: the soak is about what a long run keeps and leaks, not the site's rate.
          QStringList{u"settings"_s, u"set"_s, u"Marrowfin_watchRequestsPerMinute"_s, u"600"_s},
          // What the site lists now is known before the soak: its rounds send what appears during it.
          QStringList{u"watch"_s, u"--once"_s, u"--pages"_s, u"10"_s}}) {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(QString::fromUtf8(MARROWFIN_CLI_PATH), site + setup);
        if (!process.waitForFinished(60000) || process.exitCode() != 0) {
            std::fprintf(stderr, "soak: the watcher's profile could not be set up\n");
            return 2;
        }
    }
    QProcess watcher;
    watcher.setStandardOutputFile(QProcess::nullDevice());
    watcher.setStandardErrorFile(watchProfile.filePath(u"watch.err"_s));
    watcher.start(QString::fromUtf8(MARROWFIN_CLI_PATH),
                  site + QStringList{u"watch"_s, u"--every"_s, u"0.05"_s, u"--send"_s, u"--pages"_s, u"10"_s});
    if (!watcher.waitForStarted()) {
        std::fprintf(stderr, "soak: the watcher did not start\n");
        return 2;
    }

    // The window's favorites screen, as the favorites screen benchmark sets it up, with the demo's client.
    QTemporaryDir windowProfile;
    AppConfig config = AppConfig::builtIn();
    config.siteHost = QString::fromStdString(demo.host());
    AppConfig::setCurrent(config);
    auto settings = std::make_shared<SettingsStore>(windowProfile.path());
    SettingsStore::setShared(settings);
    HttpContext::setDefaultContext(
        std::make_shared<HttpContext>(std::make_shared<CookieStore>(windowProfile.filePath(u"cookies.txt"_s)),
                                      QString::fromStdString(demo.caFile())));
    settings->setText(SettingsKeys::favoritesCount, u"10"_s);
    settings->setList(SettingsKeys::filters, {u"."_s});
    settings->setText(SettingsKeys::serverClient, u"Utorrent"_s);
    settings->setText(SettingsKeys::serverAddress, u"127.0.0.1"_s);
    settings->setText(SettingsKeys::serverPort, utorrentPort);
    settings->setText(SettingsKeys::serverUser, u"admin"_s);
    settings->setText(SettingsKeys::serverPassword, u"admin"_s);

    QWidget window;
    window.resize(375, 667);
    Device::setMainWindow(&window);
    int windowRounds = 0;
    int windowSends = 0;
    std::vector<Sample> windowSamples;
    std::vector<Sample> watchSamples;
    {
        FavoriteListViewController favorites(settings);
        favorites.view()->setParent(&window);
        favorites.view()->setGeometry(window.rect());
        window.show();
        favorites.viewWillAppear(false);
        (void)test::processEventsUntil([&] { return !favorites.isLoadingPages(); });

        QElapsedTimer clock;
        clock.start();
        double nextSample = 0;
        const auto sampleIfDue = [&] {
            const double now = double(clock.elapsed()) / 1000.0;
            if (now < nextSample) {
                return;
            }
            nextSample = now + sampleSeconds;
            windowSamples.push_back(sampleOf(0, now));
            watchSamples.push_back(sampleOf(watcher.processId(), now));
            std::printf("soak: %4.0f s  window %.1f MB %d fds %d threads  watcher %.1f MB %d fds %d threads\n", now,
                        windowSamples.back().residentMb, windowSamples.back().descriptors, windowSamples.back().threads,
                        watchSamples.back().residentMb, watchSamples.back().descriptors, watchSamples.back().threads);
            std::fflush(stdout);
        };
        while (double(clock.elapsed()) / 1000.0 < seconds && watcher.state() == QProcess::Running) {
            sampleIfDue();
            // A new torrent on the site for both to find and send.
            (void)test::plainHttpAt(demo.site("/_demo/add?count=1"));
            favorites.headerView()->refreshBtn()->click();
            (void)test::processEventsUntil([&] {
                sampleIfDue();
                return !favorites.isLoadingPages();
            });
            if (favorites.torrentData() && !favorites.torrentData()->isEmpty()) {
                favorites.didTapDownloadButton(0);
                (void)test::processEventsUntil([&] {
                    sampleIfDue();
                    return favorites.sendingTorrentCount() == 0;
                });
                ++windowSends;
            }
            ++windowRounds;
        }
        sampleIfDue();
    }
    Device::setMainWindow(nullptr);
    HttpContext::setDefaultContext(nullptr);
    SettingsStore::setShared(nullptr);

    const bool watcherRan = watcher.state() == QProcess::Running;
    watcher.terminate();
    watcher.waitForFinished(30000);
    QFile state(watchProfile.filePath(u"watch.json"_s));
    (void)state.open(QIODevice::ReadOnly);
    const QJsonObject watched = QJsonDocument::fromJson(state.readAll()).object();
    int watchSends = 0;
    for (const QJsonValue& torrent : watched.value(u"torrents"_s).toArray()) {
        watchSends += torrent[u"sent"_s].isString() ? 1 : 0;
    }

    std::printf("soak: %.0f s against the demo site (200 ms an answer), 10 pages a batch\n", seconds);
    const bool windowFlat = report("window", windowSamples, windowRounds, windowSends);
    const bool watchFlat = report("watch", watchSamples, watched.value(u"rounds"_s).toInt(), watchSends);
    if (!watcherRan || watcher.exitStatus() != QProcess::NormalExit) {
        QFile errors(watchProfile.filePath(u"watch.err"_s));
        (void)errors.open(QIODevice::ReadOnly);
        std::printf("soak: the watcher ended by itself: %s\n", errors.readAll().right(2000).constData());
        return 1;
    }
    return windowFlat && watchFlat ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const auto option = [&arguments](const QString& name, double fallback) {
        const qsizetype at = arguments.indexOf(name);
        return at > 0 && at + 1 < arguments.size() ? arguments.at(at + 1).toDouble() : fallback;
    };
    const double minutes = option(u"--minutes"_s, 10);
    const double sampleSeconds = option(u"--sample-seconds"_s, 30);
    if (minutes <= 0 || sampleSeconds <= 0) {
        std::fprintf(stderr, "usage: marrowfin_soak [--minutes M] [--sample-seconds S]\n");
        return 2;
    }
    return run(minutes * 60, sampleSeconds);
}
