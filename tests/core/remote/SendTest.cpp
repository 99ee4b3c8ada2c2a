#include "SendFixture.h"

#include "support/TestHttpServer.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace marrowfin;
using namespace marrowfin::remotetest;
using namespace marrowfin::test;
using namespace Qt::Literals::StringLiterals;

namespace {

using Outcome = FetchPageDownload::Outcome;

// The site and the client scripted: the site serves a torrent, the client is a Vuze form that takes anything.
class ScriptedSend : public SendFixture
{
protected:
    void SetUp() override
    {
        SendFixture::SetUp();
        site.route("/t/a", ScriptedResponse(200, "OK", {{"Content-Type", "application/x-bittorrent"}}, torrent));
        client.route("/index.tmpl", ScriptedResponse(200, "OK", {}, "loaded successfully!"));
        configure(u"Vuze"_s, client.port(), u"admin"_s, u"s3cret"_s);
    }

    QUrl torrentAddress(const QString& fileName = u"first.torrent"_s) const
    {
        return site.url(u"/t/a?title="_s + fileName);
    }

    QByteArray torrent = tinyTorrent("scripted.txt");
    TestHttpServer site;
    TestHttpServer client;
};

} // namespace

TEST_F(ScriptedSend, UploadsTheFileRecordsTheNameAndHandsItBack)
{
    const Sent sent = send(torrentAddress(), u"Alpha"_s);
    EXPECT_EQ(sent.outcome, Outcome::Sent);
    EXPECT_EQ(sent.name, u"Alpha"_s);
    EXPECT_TRUE(sent.alerts.isEmpty());
    EXPECT_EQ(history(), QStringList{u"Alpha"_s});
    const QList<RecordedRequest> uploads = client.requestsTo("/index.tmpl");
    ASSERT_EQ(uploads.size(), 1);
    EXPECT_EQ(uploads[0].target, "/index.tmpl?d=u&local=1");
    EXPECT_TRUE(uploads[0].body.contains("name=\"upfile_0\"; filename=\"first.torrent\"\r\nContent-Type: "
                                         "application/octet-stream\r\n\r\n" +
                                         torrent + "\r\n"));
    EXPECT_EQ(uploads[0].header("Authorization"), "Basic " + QByteArray("admin:s3cret").toBase64());

    // An address without "=" is followed to where it redirects, and the file is named after that address.
    site.route("/get/7",
               ScriptedResponse(302, "Found", {{"Location", site.url(u"/t/a?title=moved.torrent"_s).toEncoded()}}));
    const Sent redirected = send(site.url(u"/get/7"_s), u"Alpha"_s);
    EXPECT_EQ(redirected.outcome, Outcome::Sent);
    ASSERT_EQ(client.requestsTo("/index.tmpl").size(), 2);
    EXPECT_TRUE(client.requestsTo("/index.tmpl")[1].body.contains("filename=\"moved.torrent\""));
    EXPECT_EQ(history(), (QStringList{u"Alpha"_s, u"Alpha"_s})) << "a torrent sent twice stands twice";

    // A quote or a line break in the address cannot end the part's header early.
    ASSERT_EQ(send(site.url(u"/t/a?title=x%22%0D%0AContent-Type:%20text/html"_s), u"Beta"_s).outcome, Outcome::Sent);
    EXPECT_EQ(client.requestsTo("/index.tmpl").last().body.count("\r\nContent-Type: "), 2);
    EXPECT_EQ(FetchPageDownload::uploadFileName(u"http://h/d?id=1&title=a\"b\r\nc\\.torrent\\"_s),
              u"a%22b%0D%0Ac%5C.torrent%5C"_s);
    EXPECT_EQ(FetchPageDownload::uploadFileName(u"http://h/d/a.torrent"_s), u"http://h/d/a.torrent"_s);
    EXPECT_EQ(FetchPageDownload::uploadFileName(u"http://h/d?title="_s + QString(9000, u'x')).size(),
              FetchPageDownload::kMaxUploadNameLength)
        << "a name of any length would make a part header no client takes";
}

TEST_F(ScriptedSend, AnAddressGivingNoTorrentUploadsNothing)
{
    ASSERT_TRUE(m_store->setList(u"Marrowfin_torrentHistory", {u"old"_s}));
    site.route("/signin", ScriptedResponse(200, "OK", {{"Content-Type", "text/html"}},
                                           "<!DOCTYPE html><html><form action=\"/auth/login/\"></form></html>"));
    site.route("/gone", ScriptedResponse(404, "Not Found", {}, "<html>no such torrent</html>"));
    site.route("/empty", ScriptedResponse(200, "OK", {}, ""));
    site.route("/cut", ScriptedResponse(200, "OK", {}, torrent.left(torrent.size() / 2)));
    for (const QUrl& address :
         {site.url(u"/signin?x=1"_s), site.url(u"/gone?title=a.torrent"_s), site.url(u"/empty?title=a.torrent"_s),
          site.url(u"/cut?title=a.torrent"_s), QUrl(u"http://127.0.0.1:1/t?title=a.torrent"_s), QUrl()}) {
        const Sent sent = send(address, u"Alpha"_s);
        EXPECT_EQ(sent.outcome, Outcome::BadUrl) << address.toString().toStdString();
        EXPECT_EQ(sent.name, std::nullopt);
        EXPECT_EQ(sent.alerts, badUrlAlert());
    }
    EXPECT_TRUE(client.requests().isEmpty()) << "nothing reached the client, not even a handshake";
    EXPECT_EQ(history(), QStringList{u"old"_s});
}

TEST_F(ScriptedSend, ClientFailuresAlertAndLeaveTheHistoryUnchanged)
{
    ASSERT_TRUE(m_store->setList(u"Marrowfin_torrentHistory", {u"old"_s}));
    client.route("/index.tmpl", ScriptedResponse(500, "Internal Server Error", {}, "boom"));
    const auto expectFailure = [&](const char* what) {
        const Sent sent = send(torrentAddress(), u"Alpha"_s);
        EXPECT_EQ(sent.outcome, Outcome::ConnectionFailed) << what;
        EXPECT_EQ(sent.name, std::nullopt) << what;
        EXPECT_EQ(sent.alerts, connectionAlert()) << what;
        EXPECT_EQ(history(), QStringList{u"old"_s}) << what;
    };
    expectFailure("an upload answered 500");
    EXPECT_EQ(client.requestsTo("/index.tmpl").size(), 1);

    configure(u"Vuze"_s, 1);
    expectFailure("an unreachable client");
    configure(u"Nonesuch"_s, client.port());
    expectFailure("a client name without adapter");
    ServerInfo::sharedInstance().setClient(std::nullopt);
    expectFailure("no client name");
    EXPECT_EQ(client.requestsTo("/index.tmpl").size(), 1);
}

TEST_F(ScriptedSend, TwoQueuesSendingAtOnceLoseNoHistoryEntry)
{
    constexpr int kEach = 20;
    QObject receiver;
    int delivered = 0;
    {
        OperationQueue left(1);
        OperationQueue right(1);
        for (int i = 0; i < kEach; ++i) {
            for (OperationQueue* queue : {&left, &right}) {
                const QString name = (queue == &left ? u"L%1"_s : u"R%1"_s).arg(i);
                queue->addOperation(std::make_shared<FetchPageDownload>(
                    torrentAddress(), name, &receiver,
                    FetchPageDownload::selectorFor([&](std::optional<QString> sent) { delivered += sent ? 1 : 0; }),
                    std::make_shared<RecordingAlerts>(), m_context));
            }
        }
        ASSERT_TRUE(processEventsUntil([&] { return left.operationCount() == 0 && right.operationCount() == 0; }));
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered, 2 * kEach);
    const QStringList stored = history();
    ASSERT_EQ(stored.size(), 2 * kEach);
    QStringList fromLeft;
    QStringList fromRight;
    for (const QString& name : stored)
        (name.startsWith(u'L') ? fromLeft : fromRight).append(name);
    for (int i = 0; i < kEach; ++i) {
        EXPECT_EQ(fromLeft.value(i), u"L%1"_s.arg(i)) << "each queue's sends in the order made";
        EXPECT_EQ(fromRight.value(i), u"R%1"_s.arg(i));
    }
}

TEST_F(ScriptedSend, TransmissionRefusingTheUploadGetsTheTorrentOverRpc)
{
    configure(u"Transmission"_s, client.port());
    // The upload address with a query is refused as older clients refuse it; the RPC keeps asking for a new id.
    client.route("/transmission/upload", ScriptedResponse(409, "Conflict", {}, "{\"success\":false}"));
    client.route("/transmission/rpc",
                 ScriptedResponse(409, "Conflict", {{"X-Transmission-Session-Id", "fresh-id"}}, "conflict"));
    const Sent refused = send(torrentAddress(), u"Alpha"_s);
    EXPECT_EQ(refused.outcome, Outcome::ConnectionFailed);
    EXPECT_EQ(refused.alerts, connectionAlert());
    const QList<RecordedRequest> rpc = client.requestsTo("/transmission/rpc");
    ASSERT_EQ(rpc.size(), 3) << "the handshake, torrent-add, and torrent-add once more with the fresh id";
    for (const RecordedRequest& add : rpc.mid(1)) {
        const QJsonObject call = QJsonDocument::fromJson(add.body).object();
        EXPECT_EQ(call.value(u"method"_s).toString(), u"torrent-add"_s);
        const QJsonObject arguments = call.value(u"arguments"_s).toObject();
        EXPECT_EQ(QByteArray::fromBase64(arguments.value(u"metainfo"_s).toString().toLatin1()), torrent);
        EXPECT_EQ(arguments.value(u"paused"_s), QJsonValue(false));
        EXPECT_EQ(add.header("X-Transmission-Session-Id"), QByteArray("fresh-id"));
    }
    EXPECT_TRUE(history().isEmpty());

    // A handshake that brings no id still lets the upload go out; a 404 upload address also falls back.
    client.route("/transmission/upload", ScriptedResponse(404, "Not Found", {}, "none"));
    client.route("/transmission/rpc",
                 ScriptedResponse(200, "OK", {}, R"({"arguments":{"torrent-added":{"id":1}},"result":"success"})"));
    const qsizetype uploadsBefore = client.requestsTo("/transmission/upload").size();
    const Sent sent = send(torrentAddress(), u"Alpha"_s);
    EXPECT_EQ(sent.outcome, Outcome::Sent);
    EXPECT_EQ(client.requestsTo("/transmission/upload").size(), uploadsBefore + 1);
    EXPECT_TRUE(client.requestsTo("/transmission/upload")
                    .last()
                    .body.contains("name=\"X-Transmission-Session-Id\"\r\n\r\n\r\n"));
    EXPECT_EQ(history(), QStringList{u"Alpha"_s});

    // Other refusals are final: no second way in.
    client.route("/transmission/upload", ScriptedResponse(500, "Internal Server Error", {}, "no"));
    const qsizetype rpcBefore = client.requestsTo("/transmission/rpc").size();
    EXPECT_EQ(send(torrentAddress(), u"Beta"_s).outcome, Outcome::ConnectionFailed);
    EXPECT_EQ(client.requestsTo("/transmission/rpc").size(), rpcBefore + 1) << "the handshake only";
    EXPECT_EQ(history(), QStringList{u"Alpha"_s});
}

// What the real daemons cannot show: the sign-in form escapes what the user typed and comes before each send, of a
// file and of a link. (CliRemote's magnet test hands a link to the uTorrent stand-in and has a files-only client
// refuse one.)
TEST_F(ScriptedSend, SignInsAreEscapedAndComeBeforeEachSend)
{
    const QString magnet = u"magnet:?xt=urn:btih:0123456789abcdef0123456789abcdef01234567&dn=A%20Film"_s;
    configure(u"Qbittorrent"_s, client.port(), u"admin"_s, u"p&ss w"_s);
    client.route("/api/v2/auth/login", ScriptedResponse(200, "OK", {}, "Ok."));
    client.route("/api/v2/torrents/add", ScriptedResponse(200, "OK", {}, "Ok."));
    ASSERT_EQ(send(torrentAddress(), u"Alpha"_s).outcome, Outcome::Sent);
    ASSERT_EQ(send(QUrl(magnet), u"Film"_s).outcome, Outcome::Sent);
    const QList<RecordedRequest> logins = client.requestsTo("/api/v2/auth/login");
    ASSERT_EQ(logins.size(), 2) << "a sign-in before each send";
    EXPECT_EQ(logins[0].body, "username=admin&password=p%26ss%20w");

    EXPECT_EQ(history(), (QStringList{u"Alpha"_s, u"Film"_s}));
}
