// One torrent send to a local daemon, from the tap (the operation queued) to the name in the download history and
// delivered on the main thread: the site fetch, the client's handshake (a session id; a sign-in, and for the
// JSON-RPC client the connection to its daemon), the upload and the history write. Every iteration sends a torrent
// the daemon does not have yet. The three daemons with a web API that Linux users run: Transmission (its refused
// upload address, then the RPC torrent-add), qBittorrent and Deluge.
#include "core/net/HttpContext.h"
#include "core/net/OperationQueue.h"
#include "core/remote/FetchPageDownload.h"
#include "core/remote/ServerInfo.h"
#include "core/settings/SettingsLists.h"
#include "core/settings/SettingsStore.h"
#include "support/TestHttpServer.h"
#include "support/TransmissionDaemon.h"
#include "support/WebClientDaemons.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using namespace marrowfin;

QByteArray torrentNamed(const QByteArray& name)
{
    return "d4:infod6:lengthi5e4:name" + QByteArray::number(name.size()) + ':' + name +
           "12:piece lengthi16384e6:pieces20:" + QByteArray(20, 'x') + "ee";
}

template <typename Daemon>
void sendTo(benchmark::State& state, const char* client, const char* user, const char* password)
{
    Daemon daemon;
    if (!daemon.started()) {
        state.SkipWithError("the daemon did not start");
        return;
    }
    QTemporaryDir profile;
    auto store = std::make_shared<SettingsStore>(profile.path());
    SettingsStore::setShared(store);
    ServerInfo& server = ServerInfo::sharedInstance();
    server.setClient(QString::fromLatin1(client));
    server.setAddress(QStringLiteral("127.0.0.1"));
    server.setPort(QString::number(daemon.port()));
    server.setUsername(QString::fromLatin1(user));
    server.setPassword(QString::fromLatin1(password));
    test::TestHttpServer site;
    auto context = std::make_shared<HttpContext>();
    OperationQueue queue(1);
    static int sent = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QByteArray name = "bench-" + QByteArray::number(++sent) + ".txt";
        site.route("/t/" + name, test::ScriptedResponse(200, "OK", {}, torrentNamed(name)));
        const QUrl address = site.url(QStringLiteral("/t/%1?title=%1.torrent").arg(QString::fromLatin1(name)));
        QObject receiver;
        QEventLoop loop;
        bool recorded = false;
        state.ResumeTiming();
        queue.addOperation(std::make_shared<FetchPageDownload>(
            address, QString::fromLatin1(name), &receiver,
            FetchPageDownload::selectorFor([&](std::optional<QString> delivered) {
                recorded =
                    delivered && storedList(*store, SettingsStore::LockedList::TorrentHistory).last() == *delivered;
                loop.quit();
            }),
            nullptr, context));
        loop.exec();
        if (!recorded) {
            state.SkipWithError("the send failed");
            break;
        }
    }
    SettingsStore::setShared(nullptr);
}

void sendToTransmission(benchmark::State& state)
{
    sendTo<test::TransmissionDaemon>(state, "Transmission", "", "");
}
void sendToQbittorrent(benchmark::State& state)
{
    sendTo<test::QbittorrentDaemon>(state, "Qbittorrent", test::QbittorrentDaemon::kUser,
                                    test::QbittorrentDaemon::kPassword);
}
void sendToDeluge(benchmark::State& state)
{
    sendTo<test::DelugeDaemon>(state, "Deluge", "", test::DelugeDaemon::kPassword);
}

BENCHMARK(sendToTransmission)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(sendToQbittorrent)->Unit(benchmark::kMillisecond)->Iterations(20)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(sendToDeluge)->Unit(benchmark::kMillisecond)->Iterations(20)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
