#include "RemoteTestSupport.h"

#include "core/net/HttpContext.h"
#include "core/remote/BencodeCheck.h"
#include "core/remote/BitClientRegistry.h"
#include "core/remote/Deluge.h"
#include "core/remote/FetchPageDownload.h"
#include "core/remote/FetchPageRemoteUI.h"
#include "core/remote/Qbittorrent.h"
#include "core/remote/SendJournal.h"
#include "core/remote/ServerInfo.h"
#include "core/remote/Transmission.h"
#include "core/remote/Utorrent.h"
#include "core/remote/Vuze.h"
#include "core/settings/ProfileFile.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsLists.h"
#include "core/settings/SettingsStore.h"
#include "support/DemoProcess.h"
#include "support/TestHttpServer.h"
#include "support/TransmissionDaemon.h"
#include "support/WebClientDaemons.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

using namespace marrowfin;
using namespace Qt::Literals::StringLiterals;

using namespace marrowfin::test;

using namespace marrowfin::remotetest;

namespace {

// A profile of the test's own installed as the shared store, the remote settings in it, and a way to run the
// operations as a screen does: on a queue, delivered on the main thread.
class SendFixture : public ::testing::Test
{
protected:
    using Alerts = QList<std::pair<QString, QString>>;

    // What a send or a page fetch delivered (the torrent's name, the page) and how it ended.
    struct Ran
    {
        std::optional<QString> name;
        FetchPageDownload::Outcome outcome = FetchPageDownload::Outcome::NotRun;
        bool succeeded = false;
        Alerts alerts;
    };

    void SetUp() override
    {
        m_store = std::make_shared<SettingsStore>(m_profile.path());
        SettingsStore::setShared(m_store);
    }

    void TearDown() override { SettingsStore::setShared(nullptr); }

    void configure(const QString& client, quint16 port, const QString& user = {}, const QString& password = {})
    {
        ServerInfo& server = ServerInfo::sharedInstance();
        server.setClient(client);
        server.setAddress(QStringLiteral("127.0.0.1"));
        server.setPort(QString::number(port));
        server.setUsername(user);
        server.setPassword(password);
    }

    Ran send(const QUrl& url, const QString& name)
    {
        return run<FetchPageDownload>([&](QObject* receiver, auto selector, auto alerts) {
            return std::make_shared<FetchPageDownload>(url, name, receiver, selector, alerts, m_context);
        });
    }

    Ran remotePage(FetchPageRemoteUI::Use use)
    {
        return run<FetchPageRemoteUI>([&](QObject* receiver, auto selector, auto alerts) {
            return std::make_shared<FetchPageRemoteUI>(QUrl(), receiver, selector, use, alerts, m_context);
        });
    }

    // Runs the operation `make` builds as a screen runs it: on a queue of its own, the delivery on the main thread.
    // The queue is gone before the outcome is read, so the operation has ended.
    template <typename Operation, typename Make>
    Ran run(const Make& make)
    {
        auto alerts = std::make_shared<RecordingAlerts>();
        QObject receiver;
        bool delivered = false;
        Ran ran;
        const std::shared_ptr<Operation> operation =
            make(&receiver, Operation::selectorFor([&](std::optional<QString> text) {
                ran.name = std::move(text);
                delivered = true;
            }),
                 alerts);
        {
            OperationQueue queue(1);
            queue.addOperation(operation);
            EXPECT_TRUE(processEventsUntil([&] { return delivered; }));
        }
        if constexpr (std::is_same_v<Operation, FetchPageDownload>) {
            ran.outcome = operation->outcome();
        } else {
            ran.succeeded = operation->succeeded();
        }
        ran.alerts = alerts->alerts();
        return ran;
    }

    [[nodiscard]] QStringList history() const
    {
        return storedList(*m_store, SettingsStore::LockedList::TorrentHistory);
    }

    // The fixed texts of the alerts, each as the one alert a send or a page fetch raises, the cause on its own line.
    static Alerts badUrlAlert(const QString& cause)
    {
        return {{kBadUrlTitle.toString(), kBadUrlMessage.toString() + u'\n' + cause}};
    }
    static Alerts connectionAlert(const QString& cause)
    {
        return {{kConnectionFailedTitle.toString(), kConnectionFailedMessage.toString() + u'\n' + cause}};
    }
    static QString at(quint16 port, const QString& cause) { return u"127.0.0.1:%1: %2"_s.arg(port).arg(cause); }
    static Alerts successAlert() { return {{kSuccessTitle.toString(), QString()}}; }

    QTemporaryDir m_profile;
    std::shared_ptr<SettingsStore> m_store;
    std::shared_ptr<HttpContext> m_context = std::make_shared<HttpContext>();
};

const QByteArray kBoundary = "---------------------------20072377098235644401115438165";

template <typename Adapter>
std::unique_ptr<Adapter> filled(const QString& address, const QString& port, const QString& user = {},
                                const QString& password = {})
{
    auto adapter = std::make_unique<Adapter>(std::make_shared<HttpContext>());
    adapter->setAddress(address);
    adapter->setPort(port);
    adapter->setUsername(user);
    adapter->setPassword(password);
    return adapter;
}

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

    QUrl torrentAddress() const { return site.url(u"/t/a?title=first.torrent"_s); }

    QByteArray torrent = tinyTorrent("scripted.txt");
    TestHttpServer site;
    TestHttpServer client;
};

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
    // After one.txt was sent: sends cut short by a process gone since (its id cannot be alive: it is past the
    // system's limit). The one the client holds is settled into the history, the other leaves the journal unsent.
    void settlesASendCutShort(const QString& client)
    {
        const auto cut = [](const QByteArray& torrent, const QString& name) {
            return QJsonObject{{u"hash"_s, QString::fromLatin1(infoHash(torrent).value_or(QByteArray()))},
                               {u"name"_s, name},
                               {u"pid"_s, double(0x7fffffff)}};
        };
        QFile journal(QDir(m_profile.path()).filePath(SendJournal::kFileName.toString()));
        ASSERT_TRUE(journal.open(QIODevice::WriteOnly));
        journal.write(QJsonDocument(QJsonObject{{u"format"_s, 1},
                                                {u"sends"_s, QJsonArray{cut(tinyTorrent("one.txt"), u"Cut"_s),
                                                                        cut(tinyTorrent("none.txt"), u"Lost"_s)}}})
                          .toJson());
        journal.close();
        const QList<SendJournal::Entry> held = FetchPageDownload::settleSendsUnderWay(m_context);
        EXPECT_EQ(held.size() == 1 ? held[0].name : QString(), u"Cut"_s) << client.toStdString();
        EXPECT_EQ(history().last(), u"Cut"_s);
        EXPECT_TRUE(SendJournal(m_profile.path()).entries().isEmpty());
    }

    // The daemon, reached with `user` and `password`: a torrent file and a magnet link go in, again as well; the
    // remote page test passes; with a wrong password neither goes, the page test fails, and nothing is recorded.
    // A send cut short is settled by what the daemon holds.
    template <typename Daemon>
    void sendsFileAndLinkAndRefusesWrongCredentials(Daemon& daemon, const QString& client, const QString& user,
                                                    const QString& password)
    {
        ASSERT_TRUE(daemon.started()) << client.toStdString() << " did not start";
        configure(client, daemon.port(), user, u"wrong"_s);
        const Ran refused = send(site.url(u"/t/one?title=one.torrent"_s), u"One"_s);
        EXPECT_EQ(refused.outcome, Outcome::ConnectionFailed);
        const Alerts wrongPassword =
            connectionAlert(at(daemon.port(), u"the client refused the user name or password"_s));
        EXPECT_EQ(refused.alerts, wrongPassword);
        EXPECT_EQ(send(QUrl(kMagnet), u"Linked"_s).outcome, Outcome::ConnectionFailed);
        // The web API clients show their page to anyone: the test fails on the handshake.
        const Ran refusedPage = remotePage(Use::SettingsTest);
        EXPECT_FALSE(refusedPage.succeeded);
        EXPECT_EQ(refusedPage.alerts, wrongPassword);
        EXPECT_EQ(daemon.torrentNames(), QStringList());
        EXPECT_TRUE(history().isEmpty());

        configure(client, daemon.port(), user, password);
        const Ran sent = send(site.url(u"/t/one?title=one.torrent"_s), u"One"_s);
        EXPECT_EQ(sent.outcome, Outcome::Sent);
        EXPECT_EQ(daemon.torrentNames(), QStringList{u"one.txt"_s});
        EXPECT_EQ(send(site.url(u"/t/one?title=one.torrent"_s), u"One"_s).outcome, Outcome::Sent)
            << "a torrent the client holds already counts as sent";

        EXPECT_EQ(send(QUrl(kMagnet), u"Linked"_s).outcome, Outcome::Sent);
        QStringList names = daemon.torrentNames().value_or(QStringList{u"<no answer>"_s});
        names.sort();
        EXPECT_EQ(names, (QStringList{u"Linked Film"_s, u"one.txt"_s}));
        EXPECT_EQ(history(), (QStringList{u"One"_s, u"One"_s, u"Linked"_s}));
        EXPECT_EQ(send(QUrl(kMagnet), u"Linked"_s).outcome, Outcome::Sent) << "and so does a link it holds";

        // The page address carries the credentials escaped; the client must still take them.
        const Ran test = remotePage(Use::SettingsTest);
        EXPECT_TRUE(test.succeeded);
        EXPECT_EQ(test.alerts, successAlert());

        settlesASendCutShort(client);
    }
};
} // namespace

// The picker's order, the stored names and the default ports the settings screen fills in, as the registry gives them
// (ServerSettingsTest fills the form for the first three clients).
TEST(BitClientClasses, ValuesNamesAndRegistryAgree)
{
    const std::tuple<QString, int, QString> clients[] = {{u"Qbittorrent"_s, 3, u"8080"_s}, {u"Deluge"_s, 4, u"8112"_s}};
    ASSERT_EQ(BitClientRegistry::classes().size(), 5u);
    for (const auto& [name, index, port] : clients) {
        SCOPED_TRACE(name.toStdString());
        const BitClientClass* found = BitClientRegistry::find(name);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->getIndex(), index);
        EXPECT_EQ(found->getDefaultPort(), port);
        EXPECT_EQ(BitClient::getClientByIndex(index), name);
        // The help text names the default port.
        EXPECT_TRUE(found->getDefaultDescription().contains(u"(Default is "_s + port + u')'));
    }
    EXPECT_EQ(BitClient::getClientByIndex(5), u""_s);
}

// Vuze's form reader takes its own layout of parts, byte for byte: an empty first part, then the torrent. (The
// other clients' forms go to the real Transmission daemon in DaemonSend and to the uTorrent stand-in in CliRemote.)
TEST(BitClientForms, VuzeBodyIsByteExactAndAddressesKeepTheirCredentials)
{
    const auto filePart = [](const QByteArray& name, const QByteArray& fileName, const QByteArray& type) -> QByteArray {
        return "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"" + name + "\"; filename=\"" + fileName +
               "\"\r\nContent-Type: " + type + "\r\n\r\n";
    };
    const QByteArray end = "\r\n--" + kBoundary + "--\r\n";
    auto vuze = filled<Vuze>(u"10.0.0.2"_s, u"6886"_s);
    vuze->setFilename(u"c %1.torrent"_s);
    vuze->setFile("T");
    EXPECT_EQ(vuze->getData(), filePart("upfile_1", "", "application/octet-stream") + "\r\n" +
                                   filePart("upfile_0", "c %1.torrent", "application/octet-stream") + "T" + end);

    // (Transmission's pages: CliRemote's settings test shows its web address, DaemonSend uploads to the real daemon.)
    // Characters that end a user part or an authority stay inside the password.
    for (const QString& password : {u"p@ss:w/rd"_s, u"a?b#c"_s, u"pä ss"_s}) {
        SCOPED_TRACE(password.toStdString());
        const QUrl web = filled<Vuze>(u"box.local"_s, u"6886"_s, u"us:er"_s, password)->getWebUrl();
        EXPECT_EQ(web.userName(), u"us:er"_s);
        EXPECT_EQ(web.password(), password);
        EXPECT_EQ(web.adjusted(QUrl::RemoveUserInfo).toString(), u"http://box.local:6886/"_s);
    }

    EXPECT_TRUE(filled<Utorrent>(u"10.0.0.2"_s, u"eighty"_s)->getUrl().isEmpty()) << "a port must be a number";
}

TEST(TransmissionRpc, AddedAndDuplicateAreSuccessAnythingElseIsNot)
{
    EXPECT_TRUE(Transmission::torrentAddSucceeded(
        R"({"arguments":{"torrent-added":{"hashString":"57db","id":1,"name":"a"}},"result":"success"})"));
    EXPECT_TRUE(Transmission::torrentAddSucceeded(
        R"({"arguments":{"torrent-duplicate":{"id":1,"name":"a"}},"result":"duplicate torrent"})"));
    EXPECT_FALSE(Transmission::torrentAddSucceeded(R"({"arguments":{},"result":"invalid or corrupt torrent file"})"));
    EXPECT_FALSE(Transmission::torrentAddSucceeded(R"({"result":"success"})"));
    EXPECT_FALSE(Transmission::torrentAddSucceeded("<html>Torrent Added</html>"));
    EXPECT_FALSE(Transmission::torrentAddSucceeded(""));
}

// The answers of the clients with a web API, judged: only their own word for success counts, whatever the status.
TEST(WebApiAnswers, OnlyTheClientsWordForSuccessCounts)
{
    // The answer; whether the Qbittorrent and the Deluge adapters take it for success.
    const std::tuple<const char*, bool, bool> cases[] = {
        {"Ok.\n", true, false},
        {"Fails.", false, false},
        {R"({"result": "0123abcd", "error": null, "id": 1})", false, true},
        {R"({"result": null, "error": {"message": "AddTorrentError: Torrent already in session (0123)."}})", false,
         true},
        {R"({"result": null, "error": {"message": "Not authenticated", "code": 1}})", false, false},
        {R"({"result": "", "error": null})", false, false}};
    const Qbittorrent qbittorrent;
    const Deluge deluge;
    for (const auto& [answer, byQbittorrent, byDeluge] : cases) {
        EXPECT_EQ(qbittorrent.uploadAccepted(200, answer), byQbittorrent) << answer;
        EXPECT_EQ(deluge.uploadAccepted(200, answer), byDeluge) << answer;
        EXPECT_FALSE(qbittorrent.uploadAccepted(500, answer)) << answer;
        EXPECT_FALSE(deluge.uploadAccepted(403, answer)) << answer;
    }
}

TEST(BencodeCheck, TakesTorrentsRefusesPagesAndBrokenFilesAndHashesTheInfo)
{
    EXPECT_TRUE(isBencodedDictionary(remotetest::tinyTorrent("a.txt")));
    EXPECT_TRUE(isBencodedDictionary("d1:ali-3ei0e0:d1:bdeee1:z4:spame"));
    EXPECT_TRUE(isBencodedDictionary("d1:b0:1:a0:e")) << "unsorted keys are still a torrent to clients";

    // After a page, no dictionary and a cut one: a key without value, a key that is not a string, an integer with a
    // leading zero, a negative zero, no digits, a length with a leading zero, a string longer than the rest, a length
    // beyond any file, bytes after the end.
    for (const QByteArray& bad : QList<QByteArray>{
             "", "<!DOCTYPE html><html><form action=\"/auth/login/\">", "le", "d1:a", "d1:ae", "di1ei2ee", "d1:ai01ee",
             "d1:ai-0ee", "d1:ai-ee", "d01:ai1ee", "d1:a5:abce", "d1:a99999999999999999999:xe", "d1:a1:be<html>", "dex",
             remotetest::tinyTorrent("a.txt").chopped(1)}) {
        EXPECT_FALSE(isBencodedDictionary(bad)) << bad.left(60).toStdString();
    }

    const int depth = 200000;
    EXPECT_FALSE(isBencodedDictionary("d1:a" + QByteArray(depth, 'l'))) << "unclosed, and no stack to exhaust";
    EXPECT_TRUE(isBencodedDictionary("d1:a" + QByteArray(depth, 'l') + QByteArray(depth, 'e') + "e"));

    // The info hash names a torrent across files and links: the SHA-1 of the info dictionary exactly as written.
    const QByteArray torrent = remotetest::tinyTorrent("hashed.txt");
    const qsizetype info = torrent.indexOf("4:infod") + 6;
    EXPECT_EQ(infoHash(torrent),
              QCryptographicHash::hash(torrent.mid(info, torrent.size() - info - 1), QCryptographicHash::Sha1).toHex());
    for (const QByteArray& none : {QByteArray("d8:announce3:abce"), QByteArray("d4:info3:abce"),
                                   QByteArray("<html>no torrent</html>"), torrent.left(torrent.size() - 1)})
        EXPECT_EQ(infoHash(none), std::nullopt) << none.toStdString();

    EXPECT_EQ(Qbittorrent::magnetInfoHash(u"magnet:?xt=urn:btih:0123456789ABCDEF0123456789abcdef01234567&dn=A"_s),
              "0123456789abcdef0123456789abcdef01234567");
    // The same 20 bytes in base32, in either case: known by the same hash, so journaled and never sent twice.
    for (const QString& base32 : {u"ABCDEFGHIJKLMNOPQRSTUVWXYZ234567"_s, u"abcdefghijklmnopqrstuvwxyz234567"_s}) {
        EXPECT_EQ(Qbittorrent::magnetInfoHash(u"magnet:?dn=A&xt=urn:btih:"_s + base32),
                  "00443214c74254b635cf84653a56d7c675be77df");
    }
    EXPECT_EQ(Qbittorrent::magnetInfoHash(u"magnet:?dn=A"_s), "");
}

TEST_F(ScriptedSend, UploadsTheFileRecordsTheNameAndHandsItBack)
{
    const Ran sent = send(torrentAddress(), u"Alpha"_s);
    EXPECT_EQ(sent.outcome, Outcome::Sent);
    EXPECT_EQ(sent.name, u"Alpha"_s);
    EXPECT_TRUE(sent.alerts.isEmpty());
    EXPECT_EQ(history(), QStringList{u"Alpha"_s});
    ASSERT_EQ(client.requestsTo("/index.tmpl").size(), 1);
    EXPECT_TRUE(client.requestsTo("/index.tmpl")[0].body.contains("filename=\"first.torrent\""));

    // An address without "=" is followed to where it redirects, and the file is named after that address.
    site.route("/get/7",
               ScriptedResponse(302, "Found", {{"Location", site.url(u"/t/a?title=moved.torrent"_s).toEncoded()}}));
    const Ran redirected = send(site.url(u"/get/7"_s), u"Alpha"_s);
    EXPECT_EQ(redirected.outcome, Outcome::Sent);
    ASSERT_EQ(client.requestsTo("/index.tmpl").size(), 2);
    EXPECT_TRUE(client.requestsTo("/index.tmpl")[1].body.contains("filename=\"moved.torrent\""));

    // A quote or a line break in the address cannot end the part's header early.
    ASSERT_EQ(send(site.url(u"/t/a?title=x%22%0D%0AContent-Type:%20text/html"_s), u"Beta"_s).outcome, Outcome::Sent);
    EXPECT_EQ(client.requestsTo("/index.tmpl").last().body.count("\r\nContent-Type: "), 2);
    EXPECT_EQ(FetchPageDownload::uploadFileName(u"http://h/d?id=1&title=a\"b\r\nc\\.torrent\\"_s),
              u"a%22b%0D%0Ac%5C.torrent%5C"_s);
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
    const QString noTorrent = u"the answer is not a torrent file"_s;
    const std::pair<QUrl, QString> cases[] = {
        {site.url(u"/signin?x=1"_s), noTorrent},
        {site.url(u"/gone?title=a.torrent"_s), u"the site answered with status 404"_s},
        {site.url(u"/empty?title=a.torrent"_s), noTorrent},
        {site.url(u"/cut?title=a.torrent"_s), noTorrent},
        {QUrl(u"http://127.0.0.1:1/t?title=a.torrent"_s), u"connection refused"_s},
        {QUrl(), u"there is no download address"_s}};
    for (const auto& [address, cause] : cases) {
        const Ran sent = send(address, u"Alpha"_s);
        EXPECT_EQ(sent.outcome, Outcome::BadUrl) << address.toString().toStdString();
        EXPECT_EQ(sent.name, std::nullopt);
        EXPECT_EQ(sent.alerts, badUrlAlert(address.isEmpty() ? cause : address.toString() + u": "_s + cause));
    }
    EXPECT_TRUE(client.requests().isEmpty()) << "nothing reached the client, not even a handshake";
    EXPECT_EQ(history(), QStringList{u"old"_s});
}

TEST_F(ScriptedSend, ClientFailuresAlertAndLeaveTheHistoryUnchanged)
{
    ASSERT_TRUE(m_store->setList(u"Marrowfin_torrentHistory", {u"old"_s}));
    // The upload and the web page both failing.
    for (const QByteArray& path : {QByteArray("/index.tmpl"), QByteArray("/")}) {
        client.route(path, ScriptedResponse(500, "Internal Server Error", {}, "boom"));
    }
    // Each failure with its cause, after the fixed message; a test of the settings fails the same way.
    const auto expectFailure = [&](const QString& clientName, const QString& address, quint16 port,
                                   const QString& cause) {
        configure(clientName, port);
        ServerInfo::sharedInstance().setAddress(address);
        const Ran sent = send(torrentAddress(), u"Alpha"_s);
        EXPECT_EQ(sent.outcome, Outcome::ConnectionFailed) << cause.toStdString();
        EXPECT_EQ(sent.name, std::nullopt) << cause.toStdString();
        EXPECT_EQ(sent.alerts, connectionAlert(cause));
        EXPECT_EQ(history(), QStringList{u"old"_s}) << cause.toStdString();
        const Ran test = remotePage(Use::SettingsTest);
        EXPECT_FALSE(test.succeeded) << cause.toStdString();
        EXPECT_EQ(test.alerts, connectionAlert(cause));
    };
    const quint16 port = client.port();
    expectFailure(u"Vuze"_s, u"127.0.0.1"_s, port, at(port, u"the client answered with status 500"_s));
    expectFailure(u"Vuze"_s, u"127.0.0.1"_s, 1, at(1, u"connection refused"_s));
    expectFailure(u"Nonesuch"_s, u"127.0.0.1"_s, port, u"no client is named \"Nonesuch\""_s);
    expectFailure(QString(), u"127.0.0.1"_s, port, u"no remote client is set"_s);
    expectFailure(u"Vuze"_s, u"http://127.0.0.1"_s, port,
                  u"\"http://127.0.0.1\" is not a host name or address: type the host alone, such as 192.168.1.10 "
                  u"or mypc.local, and the port separately"_s);
    // Another program on the port: it sends every request on to its own page, which answers well.
    client.route("/elsewhere/", ScriptedResponse(200, "OK", {}, "<html>another program</html>"));
    for (const QByteArray& path : {QByteArray("/index.tmpl"), QByteArray("/")}) {
        client.route(path, ScriptedResponse(301, "Moved", {{"Location", "/elsewhere/"}}, ""));
    }
    expectFailure(u"Vuze"_s, u"127.0.0.1"_s, port,
                  at(port, u"the address answered with a redirect to http://127.0.0.1:%1/elsewhere/ (another program "
                           u"may be listening there)"_s.arg(port)));
    EXPECT_EQ(client.requestsTo("/index.tmpl").size(), 2);
}

// A send whose profile write fails at any one of its steps (the journal's entry, the history, the journal's end):
// nothing reaches the client unless its entry was written first; what reached it is delivered, and kept by the
// history or, when the history could not take it, by the journal, with an alert naming the file and the reason.
TEST_F(ScriptedSend, AWriteFailingAnywhereInASendIsToldAsWhatTheClientGot)
{
    const QString journalFile = QDir(m_profile.path()).filePath(SendJournal::kFileName.toString());
    const qint64 before = ProfileFile::steps();
    ASSERT_EQ(send(torrentAddress(), u"Alpha"_s).outcome, Outcome::Sent);
    const qint64 steps = ProfileFile::steps() - before;
    ASSERT_GE(steps, 11) << "the journal's entry and the history are written whole, and the entry removed";
    // Per outcome: the alert's title and the file it names, and the history then on disk.
    const std::map<Outcome, std::tuple<QStringView, QString, QStringList>> expected = {
        {Outcome::NotKept, {kNotKeptTitle, journalFile, {u"old"_s}}},
        {Outcome::SentNotRecorded, {kNotRecordedTitle, m_store->filePath(), {u"old"_s}}},
        {Outcome::Sent, {{}, {}, {u"old"_s, u"Alpha"_s}}}};
    std::set<Outcome> seen;
    for (int step = 1; step <= steps; ++step) {
        SCOPED_TRACE(step);
        ASSERT_TRUE(m_store->setList(SettingsKeys::torrentHistory, {u"old"_s}));
        QFile::remove(journalFile);
        const qsizetype uploads = client.requestsTo("/index.tmpl").size();
        ProfileFile::failStep(step, ENOSPC);
        const Ran sent = send(torrentAddress(), u"Alpha"_s);
        ProfileFile::failStep(0, 0);
        seen.insert(sent.outcome);
        const bool received = client.requestsTo("/index.tmpl").size() > uploads;
        EXPECT_EQ(sent.name.has_value(), received);
        EXPECT_EQ(sent.outcome == Outcome::NotKept, !received) << "nothing goes to the client unrecorded";
        ASSERT_TRUE(expected.contains(sent.outcome));
        const auto& [title, file, history] = expected.at(sent.outcome);
        EXPECT_EQ(storedList(SettingsStore(m_profile.path()), SettingsStore::LockedList::TorrentHistory), history);
        EXPECT_EQ(this->history(), history) << "what is in force is what is on disk";
        ASSERT_EQ(sent.alerts.size(), title.isEmpty() ? 0 : 1);
        if (!title.isEmpty()) {
            EXPECT_EQ(sent.alerts[0].first, title.toString());
            EXPECT_TRUE(sent.alerts[0].second.contains(file + u": "_s + QString::fromLocal8Bit(std::strerror(ENOSPC))));
        }
        EXPECT_TRUE(sent.outcome != Outcome::SentNotRecorded ||
                    SendJournal(m_profile.path()).entries().value(0).name == u"Alpha"_s)
            << "the journal keeps what the history could not";
    }
    EXPECT_EQ(seen.size(), expected.size());
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
    for (int i = 0; i < kEach; ++i) {
        EXPECT_EQ(stored.filter(u"L"_s).value(i), u"L%1"_s.arg(i)) << "each queue's sends in the order made";
        EXPECT_EQ(stored.filter(u"R"_s).value(i), u"R%1"_s.arg(i));
    }
}

TEST_F(ScriptedSend, TransmissionRefusingTheUploadGetsTheTorrentOverRpc)
{
    configure(u"Transmission"_s, client.port());
    // The upload address with a query is refused as older clients refuse it; the RPC keeps asking for a new id.
    client.route("/transmission/upload", ScriptedResponse(409, "Conflict", {}, "{\"success\":false}"));
    client.route("/transmission/rpc",
                 ScriptedResponse(409, "Conflict", {{"X-Transmission-Session-Id", "fresh-id"}}, "conflict"));
    const Ran refused = send(torrentAddress(), u"Alpha"_s);
    EXPECT_EQ(refused.outcome, Outcome::ConnectionFailed);
    EXPECT_EQ(refused.alerts, connectionAlert(at(client.port(), u"the client kept asking for a new session id"_s)));
    const QList<RecordedRequest> rpc = client.requestsTo("/transmission/rpc");
    ASSERT_EQ(rpc.size(), 3) << "the handshake, torrent-add, and torrent-add once more with the fresh id";
    const QJsonObject call = QJsonDocument::fromJson(rpc.last().body).object();
    EXPECT_EQ(call.value(u"method"_s).toString(), u"torrent-add"_s);
    const QJsonObject arguments = call.value(u"arguments"_s).toObject();
    EXPECT_EQ(QByteArray::fromBase64(arguments.value(u"metainfo"_s).toString().toLatin1()), torrent);
    EXPECT_EQ(arguments.value(u"paused"_s), QJsonValue(false));
    EXPECT_EQ(rpc.last().header("X-Transmission-Session-Id"), QByteArray("fresh-id"));
    EXPECT_TRUE(history().isEmpty());

    // A handshake that brings no id still lets the upload go out; a 404 upload address also falls back.
    client.route("/transmission/upload", ScriptedResponse(404, "Not Found", {}, "none"));
    client.route("/transmission/rpc",
                 ScriptedResponse(200, "OK", {}, R"({"arguments":{"torrent-added":{"id":1}},"result":"success"})"));
    const Ran sent = send(torrentAddress(), u"Alpha"_s);
    EXPECT_EQ(sent.outcome, Outcome::Sent);
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
    configure(u"Qbittorrent"_s, client.port(), u"admin"_s, u"p&ss w"_s);
    client.route("/api/v2/auth/login", ScriptedResponse(200, "OK", {}, "Ok."));
    client.route("/api/v2/torrents/add", ScriptedResponse(200, "OK", {}, "Ok."));
    ASSERT_EQ(send(torrentAddress(), u"Alpha"_s).outcome, Outcome::Sent);
    ASSERT_EQ(send(QUrl(kMagnet), u"Film"_s).outcome, Outcome::Sent);
    const QList<RecordedRequest> logins = client.requestsTo("/api/v2/auth/login");
    ASSERT_EQ(logins.size(), 2) << "a sign-in before each send";
    EXPECT_EQ(logins[0].body, "username=admin&password=p%26ss%20w");
}

// The shared store on a profile of the test's own.
using ServerInfoStore = SendFixture;

TEST_F(ServerInfoStore, TheStoreIsTheSourceOfTruthForEveryReaderAndWriter)
{
    // Another process on the same profile.
    SettingsStore other(m_profile.path());

    EXPECT_TRUE(ServerInfo::sharedInstance().setPort(u"9091"_s));
    EXPECT_EQ(other.text(SettingsKeys::serverPort), u"9091"_s);

    // A writer compares with the store, not with what the instance last saw: setting the value the instance
    // holds still puts it over another process's newer one.
    ServerInfo view(m_store);
    ASSERT_TRUE(other.setText(SettingsKeys::serverPort, u"1234"_s));
    EXPECT_EQ(view.port(), u"9091"_s);
    EXPECT_TRUE(view.setPort(u"9091"_s));
    EXPECT_EQ(other.text(SettingsKeys::serverPort), u"9091"_s);

    // A missing value removes the key; the empty text is a value.
    ASSERT_TRUE(other.setText(SettingsKeys::serverPassword, u"pw"_s));
    EXPECT_TRUE(view.setPassword(std::nullopt));
    EXPECT_FALSE(other.contains(SettingsKeys::serverPassword));
    EXPECT_TRUE(view.setUsername(u""_s));
    EXPECT_EQ(other.text(SettingsKeys::serverUser), u""_s);
}

// Sends to the real clients, each a daemon started here: transmission-daemon without credentials, a send cut short
// settled by asking it, and each client with credentials, where a torrent file and a magnet link land in the daemon
// while wrong credentials alert and record nothing.

TEST_F(DaemonSend, TransmissionAddsTheTorrentAndKnowsItAgain)
{
    TransmissionDaemon daemon;
    ASSERT_TRUE(daemon.started()) << "transmission-daemon did not start";
    configure(u"Transmission"_s, daemon.port());

    const Ran sent = send(site.url(u"/t/one?title=one.torrent"_s), u"One"_s);
    EXPECT_EQ(sent.outcome, Outcome::Sent);
    EXPECT_TRUE(sent.alerts.isEmpty());
    EXPECT_EQ(daemon.torrentNames(), QStringList{u"one.txt"_s});

    // Already there: the client says so, and that is a send like any other.
    EXPECT_EQ(send(site.url(u"/t/one?title=one.torrent"_s), u"One"_s).outcome, Outcome::Sent);
    EXPECT_EQ(daemon.torrentNames(), QStringList{u"one.txt"_s});

    // A sign-in page from the site is not uploaded, though this client would answer it "Torrent Added".
    const Ran page = send(site.url(u"/signin?title=x.torrent"_s), u"Page"_s);
    EXPECT_EQ(page.outcome, Outcome::BadUrl);
    EXPECT_EQ(page.alerts,
              badUrlAlert(site.url(u"/signin?title=x.torrent"_s).toString() + u": the answer is not a torrent file"_s));
    EXPECT_EQ(daemon.torrentNames(), QStringList{u"one.txt"_s});
    EXPECT_EQ(history(), (QStringList{u"One"_s, u"One"_s}));

    const Ran test = remotePage(Use::SettingsTest);
    EXPECT_EQ(test.alerts, successAlert());

    // The daemon's port taken for clients of another kind: it sends their requests on to its own page.
    for (const QString& other : {u"Vuze"_s, u"Utorrent"_s}) {
        configure(other, daemon.port());
        EXPECT_EQ(send(site.url(u"/t/two?title=two.torrent"_s), u"Two"_s).outcome, Outcome::ConnectionFailed);
        EXPECT_FALSE(remotePage(Use::SettingsTest).succeeded) << other.toStdString();
    }
    EXPECT_EQ(daemon.torrentNames(), QStringList{u"one.txt"_s});
}

TEST_F(DaemonSend, ASendCutShortIsSettledByWhatTheDaemonHolds)
{
    TransmissionDaemon daemon;
    ASSERT_TRUE(daemon.started()) << "transmission-daemon did not start";
    configure(u"Transmission"_s, daemon.port());
    const QByteArray one = tinyTorrent("one.txt");
    const QByteArray two = tinyTorrent("two.txt");
    const QByteArray four = tinyTorrent("four.txt");
    // "One" reached the daemon before its sender was killed; "Two" did not; "Three" is under way in this process;
    // "Four" reached it from a process whose id this one was given since; "Five" went to another client.
    for (const QByteArray& held : {one, four}) {
        ASSERT_TRUE(daemon.rpc(u"torrent-add"_s, QJsonObject{{u"metainfo"_s, QString::fromLatin1(held.toBase64())}}));
    }
    const pid_t gone = ::fork();
    if (gone == 0) {
        ::_exit(0);
    }
    ::waitpid(gone, nullptr, 0);
    const auto entry = [](const QByteArray& torrent, const QString& name, qint64 pid, double started = 0,
                          const QString& client = {}) {
        return QJsonObject{{u"hash"_s, QString::fromLatin1(infoHash(torrent).value_or(QByteArray()))},
                           {u"name"_s, name},
                           {u"pid"_s, double(pid)},
                           {u"started"_s, started},
                           {u"client"_s, client}};
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
                                                          entry(tinyTorrent("3"), u"Three"_s, ::getpid()),
                                                          entry(four, u"Four"_s, ::getpid(), 1),
                                                          entry(one, u"Five"_s, gone, 0, u"Vuze@127.0.0.1:1"_s)}}})
            .toJson());

    const QList<SendJournal::Entry> held = FetchPageDownload::settleSendsUnderWay(m_context);
    EXPECT_EQ(held.size() == 2 ? held[0].name + held[1].name : QString(), u"OneFour"_s);
    EXPECT_TRUE(FetchPageDownload::settleSendsUnderWay(m_context).isEmpty());
    EXPECT_EQ(history(), (QStringList{u"One"_s, u"Four"_s}));
    const QList<SendJournal::Entry> left = SendJournal(m_profile.path()).entries();
    EXPECT_EQ(left.size() == 2 ? left[0].name + left[1].name : QString(), u"ThreeFive"_s);

    // A send of its own leaves no entry behind; a journal that cannot be read is kept aside and the send goes on.
    writeJournal("{ torn");
    EXPECT_EQ(send(site.url(u"/t/two?title=two.torrent"_s), u"Two"_s).outcome, Outcome::Sent);
    EXPECT_EQ(history(), (QStringList{u"One"_s, u"Four"_s, u"Two"_s}));
    EXPECT_TRUE(SendJournal(m_profile.path()).entries().isEmpty());
    EXPECT_EQ(QDir(m_profile.path()).entryList({u"sending.json.corrupt-*"_s}).size(), 1);
}

TEST_F(WebClientSend, Qbittorrent)
{
    QbittorrentDaemon daemon;
    sendsFileAndLinkAndRefusesWrongCredentials(daemon, u"Qbittorrent"_s, QString::fromLatin1(QbittorrentDaemon::kUser),
                                               QString::fromLatin1(QbittorrentDaemon::kPassword));
}

// The demo's uTorrent lists what it took by info hash, as the client's list does: a send cut short is settled by it.
TEST_F(WebClientSend, Utorrent)
{
    marrowfin::demotest::DemoProcess demo;
    ASSERT_TRUE(demo.started());
    configure(u"Utorrent"_s, quint16(QUrl(QString::fromStdString(demo.utorrent("/"))).port()), u"admin"_s, u"admin"_s);
    ASSERT_EQ(send(site.url(u"/t/one?title=one.torrent"_s), u"One"_s).outcome, Outcome::Sent);
    settlesASendCutShort(u"Utorrent"_s);
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
