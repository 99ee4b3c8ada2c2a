// Sends to the clients with a web API, each a real daemon started here: a torrent file and a magnet link land in
// the daemon, wrong credentials alert and record nothing. Transmission's magnet link goes to its real daemon too.
#include "SendFixture.h"

#include "support/TestHttpServer.h"
#include "support/WebClientDaemons.h"

using namespace marrowfin;
using namespace marrowfin::remotetest;
using namespace marrowfin::test;
using namespace Qt::Literals::StringLiterals;

namespace {

using Outcome = FetchPageDownload::Outcome;
using Use = FetchPageRemoteUI::Use;

const QString kMagnet = u"magnet:?xt=urn:btih:0123456789abcdef0123456789abcdef01234567&dn=Linked%20Film"_s;

class WebClientSend : public SendFixture
{
protected:
    void SetUp() override
    {
        SendFixture::SetUp();
        site.route("/t/one", ScriptedResponse(200, "OK", {}, tinyTorrent("one.txt")));
    }

    // The daemon, reached with `user` and `password`: a torrent file and a magnet link go in; the remote page test
    // passes; with `wrongPassword` neither goes and nothing is recorded.
    template <typename Daemon>
    void sendsFileAndLinkAndRefusesWrongCredentials(Daemon& daemon, const QString& client, const QString& user,
                                                    const QString& password)
    {
        ASSERT_TRUE(daemon.started()) << client.toStdString() << " did not start";
        configure(client, daemon.port(), user, u"wrong"_s);
        const Sent refused = send(site.url(u"/t/one?title=one.torrent"_s), u"One"_s);
        EXPECT_EQ(refused.outcome, Outcome::ConnectionFailed);
        EXPECT_EQ(refused.alerts, (QList<std::pair<QString, QString>>{connectionAlert()}));
        EXPECT_EQ(send(QUrl(kMagnet), u"Linked"_s).outcome, Outcome::ConnectionFailed);
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
        EXPECT_EQ(daemon.torrentNames(), (QStringList{u"Linked Film"_s, u"one.txt"_s}));
        EXPECT_EQ(history(), (QStringList{u"One"_s, u"One"_s, u"Linked"_s}));
        EXPECT_EQ(send(QUrl(kMagnet), u"Linked"_s).outcome, Outcome::Sent) << "and so does a link it holds";

        const Page test = remotePage(Use::SettingsTest);
        EXPECT_TRUE(test.succeeded);
    }

    TestHttpServer site;
};

} // namespace

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

TEST_F(WebClientSend, TransmissionTakesAMagnetLinkOverItsRpc)
{
    TransmissionDaemon daemon;
    ASSERT_TRUE(daemon.started());
    configure(u"Transmission"_s, daemon.port());
    EXPECT_EQ(send(QUrl(kMagnet), u"Linked"_s).outcome, Outcome::Sent);
    EXPECT_EQ(daemon.torrentNames(), QStringList{u"Linked Film"_s});
    EXPECT_EQ(history(), QStringList{u"Linked"_s});
}
