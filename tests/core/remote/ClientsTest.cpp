// Sends to the clients users run: the demo site's uTorrent and Vuze web interfaces, and a real transmission-daemon.
#include "SendFixture.h"

#include "core/net/HttpRequest.h"
#include "core/remote/BencodeCheck.h"
#include "core/remote/SendJournal.h"
#include "support/DemoProcess.h"
#include "support/TestHttpServer.h"
#include "support/TransmissionDaemon.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <sys/wait.h>
#include <unistd.h>

using namespace marrowfin;
using namespace marrowfin::remotetest;
using namespace marrowfin::test;
using namespace Qt::Literals::StringLiterals;

namespace {

using Outcome = FetchPageDownload::Outcome;
using Use = FetchPageRemoteUI::Use;

std::optional<QByteArray> get(const QUrl& url, const std::shared_ptr<HttpContext>& context)
{
    HttpRequest request(url, context);
    request.request();
    return request.isResponseValid() ? request.responseData() : std::nullopt;
}

class DemoClients : public SendFixture
{
protected:
    static void SetUpTestSuite() { s_demo = new demotest::DemoProcess(); }
    static void TearDownTestSuite()
    {
        delete s_demo;
        s_demo = nullptr;
    }

    void SetUp() override
    {
        SendFixture::SetUp();
        ASSERT_TRUE(s_demo->started()) << "the demo site did not start";
    }

    // The download address of the first torrent of the newest listing, as the page writes it.
    QUrl firstDownloadAddress() const
    {
        const auto page = get(QUrl(QString::fromStdString(s_demo->site("/new/"))), m_context);
        const QRegularExpressionMatch match =
            QRegularExpression(u"href=\"(http://[^\"]*/download/[0-9]+/\\?title=[^\"]+)\""_s)
                .match(QString::fromUtf8(page.value_or(QByteArray())));
        return QUrl(match.captured(1));
    }

    static quint16 portOf(const std::string& address) { return quint16(QUrl(QString::fromStdString(address)).port()); }

    QJsonObject lastUpload(const std::string& receivedAddress) const
    {
        const auto listing = get(QUrl(QString::fromStdString(receivedAddress)), m_context);
        const QJsonArray uploads =
            QJsonDocument::fromJson(listing.value_or(QByteArray())).object().value(u"uploads"_s).toArray();
        return uploads.isEmpty() ? QJsonObject() : uploads.last().toObject();
    }

    static inline demotest::DemoProcess* s_demo = nullptr;
};

} // namespace

TEST_F(DemoClients, UtorrentAndVuzeReceiveTheTorrentFromTheSite)
{
    const QUrl address = firstDownloadAddress();
    ASSERT_FALSE(address.isEmpty());
    const auto torrent = get(address, m_context);
    ASSERT_TRUE(torrent);
    const QString sha1 = QString::fromLatin1(QCryptographicHash::hash(*torrent, QCryptographicHash::Sha1).toHex());

    const std::pair<QString, std::string> clients[] = {{u"Utorrent"_s, s_demo->utorrent("/_demo/received")},
                                                       {u"Vuze"_s, s_demo->vuze("/_demo/received")}};
    for (const auto& [client, received] : clients) {
        configure(client, portOf(received), u"admin"_s, u"admin"_s);
        const Sent sent = send(address, client + u" torrent"_s);
        EXPECT_EQ(sent.outcome, Outcome::Sent) << client.toStdString();
        EXPECT_TRUE(sent.alerts.isEmpty());
        const QJsonObject upload = lastUpload(received);
        EXPECT_TRUE(upload.value(u"accepted"_s).toBool()) << QJsonDocument(upload).toJson().constData();
        bool carried = false;
        for (const QJsonValue& part : upload.value(u"parts"_s).toArray())
            carried = carried || part.toObject().value(u"sha1"_s).toString() == sha1;
        EXPECT_TRUE(carried) << "the client got the site's file unchanged: " << client.toStdString();

        configure(client, portOf(received), u"admin"_s, u"wrong"_s);
        EXPECT_EQ(send(address, u"refused"_s).outcome, Outcome::ConnectionFailed) << client.toStdString();
    }
    EXPECT_EQ(history(), (QStringList{u"Utorrent torrent"_s, u"Vuze torrent"_s}));
}

TEST_F(DemoClients, RemotePageTestsTheSettingsAndShowsWhatCameBack)
{
    configure(u"Utorrent"_s, portOf(s_demo->utorrent("/")), u"admin"_s, u"admin"_s);
    const Page test = remotePage(Use::SettingsTest);
    EXPECT_TRUE(test.succeeded);
    EXPECT_EQ(test.alerts, (QList<std::pair<QString, QString>>{{kSuccessTitle.toString(), QString()}}));
    EXPECT_TRUE(test.text.value_or(QString()).contains(u"Remote client (demo)"_s));

    const Page tab = remotePage(Use::RemoteTab);
    EXPECT_TRUE(tab.succeeded);
    EXPECT_TRUE(tab.alerts.isEmpty()) << "the tab says nothing when the page came";

    configure(u"Utorrent"_s, portOf(s_demo->utorrent("/")), u"admin"_s, u"wrong"_s);
    for (const Use use : {Use::SettingsTest, Use::RemoteTab}) {
        const Page refused = remotePage(use);
        EXPECT_FALSE(refused.succeeded);
        EXPECT_EQ(refused.alerts, (QList<std::pair<QString, QString>>{connectionAlert()}));
        EXPECT_EQ(refused.text, u"Unauthorized\n"_s) << "the client's own refusal is shown";
    }

    configure(u"Utorrent"_s, 1);
    const Page unreachable = remotePage(Use::SettingsTest);
    EXPECT_EQ(unreachable.text, std::nullopt);
    EXPECT_EQ(unreachable.alerts, (QList<std::pair<QString, QString>>{connectionAlert()}));
}

namespace {

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
    EXPECT_EQ(page.alerts, (QList<std::pair<QString, QString>>{badUrlAlert()}));
    EXPECT_EQ(daemon.torrentNames(), QStringList{u"one.txt"_s});
    EXPECT_EQ(history(), (QStringList{u"One"_s, u"One"_s}));

    const Page test = remotePage(Use::SettingsTest);
    EXPECT_EQ(test.alerts, (QList<std::pair<QString, QString>>{{kSuccessTitle.toString(), QString()}}));
}

TEST_F(DaemonSend, AuthenticatedTransmissionTakesOnlyTheRightPassword)
{
    const QString password = u"p@ss:w/rd"_s;
    TransmissionDaemon daemon("marrow", password.toUtf8());
    ASSERT_TRUE(daemon.started()) << "transmission-daemon did not start";

    configure(u"Transmission"_s, daemon.port(), u"marrow"_s, u"wrong"_s);
    const Sent refused = send(site.url(u"/t/two?title=two.torrent"_s), u"Two"_s);
    EXPECT_EQ(refused.outcome, Outcome::ConnectionFailed);
    EXPECT_EQ(refused.alerts, (QList<std::pair<QString, QString>>{connectionAlert()}));
    const Page refusedPage = remotePage(Use::SettingsTest);
    EXPECT_FALSE(refusedPage.succeeded);
    EXPECT_EQ(refusedPage.alerts, (QList<std::pair<QString, QString>>{connectionAlert()}));
    EXPECT_EQ(daemon.torrentNames(), QStringList());
    EXPECT_TRUE(history().isEmpty());

    configure(u"Transmission"_s, daemon.port(), u"marrow"_s, password);
    EXPECT_EQ(send(site.url(u"/t/two?title=two.torrent"_s), u"Two"_s).outcome, Outcome::Sent);
    EXPECT_EQ(daemon.torrentNames(), QStringList{u"two.txt"_s});
    EXPECT_EQ(history(), QStringList{u"Two"_s});
    // The page address carries the credentials escaped; the client must still take them.
    const Page test = remotePage(Use::SettingsTest);
    EXPECT_TRUE(test.succeeded);
    EXPECT_EQ(test.alerts, (QList<std::pair<QString, QString>>{{kSuccessTitle.toString(), QString()}}));
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
