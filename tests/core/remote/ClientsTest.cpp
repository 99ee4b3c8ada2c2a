// Sends to the real clients, each a daemon started here: transmission-daemon without credentials, a send cut short
// settled by asking it, and each client with credentials, where a torrent file and a magnet link land in the daemon
// while wrong credentials alert and record nothing.
#include "SendFixture.h"

#include "core/remote/BencodeCheck.h"
#include "core/remote/SendJournal.h"
#include "support/TestHttpServer.h"
#include "support/TransmissionDaemon.h"
#include "support/WebClientDaemons.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/wait.h>
#include <unistd.h>

using namespace marrowfin;
using namespace marrowfin::remotetest;
using namespace marrowfin::test;
using namespace Qt::Literals::StringLiterals;

namespace {

using Outcome = FetchPageDownload::Outcome;
using Use = FetchPageRemoteUI::Use;

class DaemonSend : public SendFixture
{
protected:
    void SetUp() override
    {
        SendFixture::SetUp();
        site.route("/t/one", ScriptedResponse(200, "OK", {}, tinyTorrent("one.txt")));
        site.route("/t/two", ScriptedResponse(200, "OK", {}, tinyTorrent("two.txt")));
        site.route("/signin", ScriptedResponse(200, "OK", {{"Content-Type", "text/html"}},
                                               "<html><body>Please sign in</body></html>"));
    }

    TestHttpServer site;
};

const QString kMagnet = u"magnet:?xt=urn:btih:0123456789abcdef0123456789abcdef01234567&dn=Linked%20Film"_s;

class WebClientSend : public DaemonSend
{
protected:
    // The daemon, reached with `user` and `password`: a torrent file and a magnet link go in, again as well; the
    // remote page test passes; with a wrong password neither goes, the page test fails, and nothing is recorded.
    template <typename Daemon>
    void sendsFileAndLinkAndRefusesWrongCredentials(Daemon& daemon, const QString& client, const QString& user,
                                                    const QString& password)
    {
        ASSERT_TRUE(daemon.started()) << client.toStdString() << " did not start";
        configure(client, daemon.port(), user, u"wrong"_s);
        const Sent refused = send(site.url(u"/t/one?title=one.torrent"_s), u"One"_s);
        EXPECT_EQ(refused.outcome, Outcome::ConnectionFailed);
        EXPECT_EQ(refused.alerts, connectionAlert());
        EXPECT_EQ(send(QUrl(kMagnet), u"Linked"_s).outcome, Outcome::ConnectionFailed);
        if (client == u"Transmission"_s) { // the web API clients show their page to anyone
            const Page refusedPage = remotePage(Use::SettingsTest);
            EXPECT_FALSE(refusedPage.succeeded);
            EXPECT_EQ(refusedPage.alerts, connectionAlert());
        }
        EXPECT_EQ(daemon.torrentNames(), QStringList());
        EXPECT_TRUE(history().isEmpty());

        configure(client, daemon.port(), user, password);
        const Sent sent = send(site.url(u"/t/one?title=one.torrent"_s), u"One"_s);
        EXPECT_EQ(sent.outcome, Outcome::Sent);
        EXPECT_TRUE(sent.alerts.isEmpty());
        EXPECT_EQ(daemon.torrentNames(), QStringList{u"one.txt"_s});
        EXPECT_EQ(send(site.url(u"/t/one?title=one.torrent"_s), u"One"_s).outcome, Outcome::Sent)
            << "a torrent the client holds already counts as sent";

        const Sent linked = send(QUrl(kMagnet), u"Linked"_s);
        EXPECT_EQ(linked.outcome, Outcome::Sent);
        QStringList names = daemon.torrentNames().value_or(QStringList{u"<no answer>"_s});
        names.sort();
        EXPECT_EQ(names, (QStringList{u"Linked Film"_s, u"one.txt"_s}));
        EXPECT_EQ(history(), (QStringList{u"One"_s, u"One"_s, u"Linked"_s}));
        EXPECT_EQ(send(QUrl(kMagnet), u"Linked"_s).outcome, Outcome::Sent) << "and so does a link it holds";

        // The page address carries the credentials escaped; the client must still take them.
        const Page test = remotePage(Use::SettingsTest);
        EXPECT_TRUE(test.succeeded);
        EXPECT_EQ(test.alerts, successAlert());
    }
};

} // namespace

TEST_F(DaemonSend, TransmissionAddsTheTorrentAndKnowsItAgain)
{
    TransmissionDaemon daemon;
    ASSERT_TRUE(daemon.started()) << "transmission-daemon did not start";
    configure(u"Transmission"_s, daemon.port());

    const Sent sent = send(site.url(u"/t/one?title=one.torrent"_s), u"One"_s);
    EXPECT_EQ(sent.outcome, Outcome::Sent);
    EXPECT_TRUE(sent.alerts.isEmpty());
    EXPECT_EQ(daemon.torrentNames(), QStringList{u"one.txt"_s});

    // Already there: the client says so, and that is a send like any other.
    EXPECT_EQ(send(site.url(u"/t/one?title=one.torrent"_s), u"One"_s).outcome, Outcome::Sent);
    EXPECT_EQ(daemon.torrentNames(), QStringList{u"one.txt"_s});

    // A sign-in page from the site is not uploaded, though this client would answer it "Torrent Added".
    const Sent page = send(site.url(u"/signin?title=x.torrent"_s), u"Page"_s);
    EXPECT_EQ(page.outcome, Outcome::BadUrl);
    EXPECT_EQ(page.alerts, badUrlAlert());
    EXPECT_EQ(daemon.torrentNames(), QStringList{u"one.txt"_s});
    EXPECT_EQ(history(), (QStringList{u"One"_s, u"One"_s}));

    const Page test = remotePage(Use::SettingsTest);
    EXPECT_EQ(test.alerts, successAlert());
}

TEST_F(DaemonSend, ASendCutShortIsSettledByWhatTheDaemonHolds)
{
    TransmissionDaemon daemon;
    ASSERT_TRUE(daemon.started()) << "transmission-daemon did not start";
    configure(u"Transmission"_s, daemon.port());
    const QByteArray one = tinyTorrent("one.txt");
    const QByteArray two = tinyTorrent("two.txt");
    // "One" reached the daemon before its sender was killed; "Two" did not; "Three" is under way in this process.
    ASSERT_TRUE(daemon.rpc(u"torrent-add"_s, QJsonObject{{u"metainfo"_s, QString::fromLatin1(one.toBase64())}}));
    const pid_t gone = ::fork();
    if (gone == 0) {
        ::_exit(0);
    }
    ::waitpid(gone, nullptr, 0);
    const auto entry = [](const QByteArray& torrent, const QString& name, qint64 pid) {
        return QJsonObject{{u"hash"_s, QString::fromLatin1(infoHash(torrent).value_or(QByteArray()))},
                           {u"name"_s, name},
                           {u"pid"_s, double(pid)}};
    };
    const QString file = QDir(m_profile.path()).filePath(SendJournal::kFileName.toString());
    const auto writeJournal = [&](const QByteArray& bytes) {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    };
    writeJournal(
        QJsonDocument(QJsonObject{{u"format"_s, 1},
                                  {u"sends"_s, QJsonArray{entry(one, u"One"_s, gone), entry(two, u"Two"_s, gone),
                                                          entry(tinyTorrent("3"), u"Three"_s, ::getpid())}}})
            .toJson());

    FetchPageDownload::settleSendsUnderWay(m_context);
    FetchPageDownload::settleSendsUnderWay(m_context);
    EXPECT_EQ(history(), QStringList{u"One"_s});
    const QList<SendJournal::Entry> left = SendJournal(m_profile.path()).entries();
    ASSERT_EQ(left.size(), 1);
    EXPECT_EQ(left.first().name, u"Three"_s);

    // A send of its own leaves no entry behind; a journal that cannot be read is kept aside and the send goes on.
    writeJournal("{ torn");
    EXPECT_EQ(send(site.url(u"/t/two?title=two.torrent"_s), u"Two"_s).outcome, Outcome::Sent);
    EXPECT_EQ(history(), (QStringList{u"One"_s, u"Two"_s}));
    EXPECT_TRUE(SendJournal(m_profile.path()).entries().isEmpty());
    EXPECT_EQ(QDir(m_profile.path()).entryList({u"sending.json.corrupt-*"_s}).size(), 1);
}

TEST_F(WebClientSend, Qbittorrent)
{
    QbittorrentDaemon daemon;
    sendsFileAndLinkAndRefusesWrongCredentials(daemon, u"Qbittorrent"_s, QString::fromLatin1(QbittorrentDaemon::kUser),
                                               QString::fromLatin1(QbittorrentDaemon::kPassword));
}

TEST_F(WebClientSend, Deluge)
{
    DelugeDaemon daemon;
    sendsFileAndLinkAndRefusesWrongCredentials(daemon, u"Deluge"_s, QString(),
                                               QString::fromLatin1(DelugeDaemon::kPassword));
}

// With credentials, a password full of characters that end a user part, and a magnet link over its RPC.
TEST_F(WebClientSend, AuthenticatedTransmission)
{
    const QString password = u"p@ss:w/rd"_s;
    TransmissionDaemon daemon("marrow", password.toUtf8());
    sendsFileAndLinkAndRefusesWrongCredentials(daemon, u"Transmission"_s, u"marrow"_s, password);
}
