#include "RemoteTestSupport.h"

#include "core/net/HttpContext.h"
#include "core/net/HttpRequest.h"
#include "core/remote/BencodeCheck.h"
#include "core/remote/BitClientRegistry.h"
#include "core/remote/Deluge.h"
#include "core/remote/Qbittorrent.h"
#include "core/remote/Transmission.h"
#include "core/remote/Utorrent.h"
#include "core/remote/Vuze.h"
#include "support/TestHttpServer.h"

#include <QCryptographicHash>

#include <gtest/gtest.h>

using namespace marrowfin;
using namespace marrowfin::test;
using namespace Qt::Literals::StringLiterals;

namespace {

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

} // namespace

// The picker's order, the stored names and the default ports the settings screen fills in, as the registry gives them.
TEST(BitClientClasses, ValuesNamesAndRegistryAgree)
{
    const struct
    {
        QString name;
        int index;
        QString port;
    } clients[] = {{u"Vuze"_s, 0, u"6886"_s},
                   {u"Transmission"_s, 1, u"9091"_s},
                   {u"Utorrent"_s, 2, u"8080"_s},
                   {u"Qbittorrent"_s, 3, u"8080"_s},
                   {u"Deluge"_s, 4, u"8112"_s}};
    ASSERT_EQ(BitClientRegistry::classes().size(), std::size(clients));
    for (const auto& client : clients) {
        SCOPED_TRACE(client.name.toStdString());
        const BitClientClass* found = BitClientRegistry::find(client.name);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->getIndex(), client.index);
        EXPECT_EQ(found->getDefaultPort(), client.port);
        EXPECT_EQ(BitClient::getClientByIndex(client.index), client.name);
        // The help text names the default port.
        EXPECT_TRUE(found->getDefaultDescription().contains(u"(Default is "_s + client.port + u')'));
        EXPECT_NE(BitClientRegistry::create(client.name), nullptr);
    }
    for (const int outside : {-1, 5}) {
        EXPECT_EQ(BitClient::getClientByIndex(outside), u""_s) << outside;
    }
    for (const QString& unknown : {u""_s, u"vuze"_s, u"BitClient"_s, u"Transmission "_s}) {
        EXPECT_EQ(BitClientRegistry::create(unknown), nullptr) << unknown.toStdString();
    }
}

// Each client's form reader takes its own layout of parts, byte for byte.
TEST(BitClientBodies, AreByteExact)
{
    const auto filePart = [](const QByteArray& name, const QByteArray& fileName, const QByteArray& type) -> QByteArray {
        return "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"" + name + "\"; filename=\"" + fileName +
               "\"\r\nContent-Type: " + type + "\r\n\r\n";
    };
    const QByteArray end = "\r\n--" + kBoundary + "--\r\n";

    auto utorrent = filled<Utorrent>(u"10.0.0.2"_s, u"8080"_s);
    utorrent->setFilename(u"a.torrent"_s);
    utorrent->setFile("X");
    EXPECT_EQ(utorrent->getData(), filePart("torrent_file", "a.torrent", "application/x-bittorrent") + "X" + end);

    auto transmission = filled<Transmission>(u"10.0.0.2"_s, u"9091"_s);
    transmission->setFilename(u"b.torrent"_s);
    transmission->setFile(QByteArray("\0\xff", 2));
    transmission->assignSessionId(u"SID42"_s);
    EXPECT_EQ(transmission->getData(),
              filePart("torrent_files[]", "b.torrent", "application/x-bittorrent") + QByteArray("\0\xff", 2) +
                  "\r\n--" + kBoundary +
                  "\r\nContent-Disposition: form-data; name=\"X-Transmission-Session-Id\"\r\n\r\nSID42" + end);

    // An empty first part, then the torrent.
    auto vuze = filled<Vuze>(u"10.0.0.2"_s, u"6886"_s);
    vuze->setFilename(u"c %1.torrent"_s);
    vuze->setFile("T");
    EXPECT_EQ(vuze->getData(), filePart("upfile_1", "", "application/octet-stream") + "\r\n" +
                                   filePart("upfile_0", "c %1.torrent", "application/octet-stream") + "T" + end);
}

TEST(BitClientAddresses, UploadAndWebPagesWithAndWithoutCredentials)
{
    // (Transmission's pages: CliRemote's settings test shows its web address, DaemonSend uploads to the real daemon.)
    // Characters that end a user part or an authority stay inside the password.
    for (const QString& password : {u"p@ss:w/rd"_s, u"a?b#c"_s, u"100%"_s, u"pä ss"_s, u""_s}) {
        SCOPED_TRACE(password.toStdString());
        const QUrl web = filled<Vuze>(u"box.local"_s, u"6886"_s, u"us:er"_s, password)->getWebUrl();
        ASSERT_TRUE(web.isValid());
        EXPECT_EQ(web.userName(), u"us:er"_s);
        EXPECT_EQ(web.password(), password);
        EXPECT_EQ(web.adjusted(QUrl::RemoveUserInfo).toString(), u"http://box.local:6886/"_s);
    }

    auto utorrent = filled<Utorrent>(u"10.0.0.2"_s, u"8080"_s);
    EXPECT_EQ(utorrent->getWebUrl().toString(), u"http://10.0.0.2:8080/gui/"_s);
    utorrent->assignSessionId(u"tOk-3n_1"_s);
    EXPECT_EQ(utorrent->getUrl().toString(), u"http://10.0.0.2:8080/gui/?token=tOk-3n_1&action=add-file"_s);

    EXPECT_TRUE(filled<Utorrent>(u"10.0.0.2"_s, u"eighty"_s)->getUrl().isEmpty()) << "a port must be a number";
}

// Transmission's session id is taken from its RPC's 409 by DaemonSend against the real daemon, and an answer without
// one by ScriptedSend.TransmissionRefusingTheUploadGetsTheTorrentOverRpc.
TEST(BitClientHandshakes, TokenAsUtorrentGivesIt)
{
    TestHttpServer server;
    const QString port = QString::number(server.port());
    server.route("/gui/token.html",
                 ScriptedResponse(200, "OK", {}, "<html><div id='token' style='display:none;'>TK1</div></html>"));
    auto utorrent = filled<Utorrent>(u"127.0.0.1"_s, port, u"admin"_s, u"secret"_s);
    utorrent->setSessionId();
    EXPECT_EQ(utorrent->sessionId(), u"TK1"_s);
    const RecordedRequest tokenRequest = server.requestsTo("/gui/token.html").value(0);
    EXPECT_EQ(tokenRequest.header("X-Requested-With"), QByteArray("XMLHttpRequest"));
    EXPECT_EQ(tokenRequest.header("X-Request"), QByteArray("JSON"));
    EXPECT_EQ(tokenRequest.header("Authorization"), "Basic " + QByteArray("admin:secret").toBase64());

    // A page that does not match: the whole page is the token, and the upload address still takes it.
    server.route("/gui/token.html", ScriptedResponse(200, "OK", {}, "<html>no token here</html>"));
    utorrent->setSessionId();
    EXPECT_EQ(utorrent->sessionId(), u"<html>no token here</html>"_s);
    EXPECT_TRUE(utorrent->getUrl().isValid());
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
    const struct
    {
        const char* answer;
        bool qbittorrent;
        bool deluge;
    } cases[] = {
        {"Ok.", true, false},
        {"Ok.\n", true, false},
        {"Fails.", false, false},
        {"", false, false},
        {R"({"result": "0123abcd", "error": null, "id": 1})", false, true},
        {R"({"result": null, "error": {"message": "AddTorrentError: Torrent already in session (0123)."}})", false,
         true},
        {R"({"result": null, "error": {"message": "Not authenticated", "code": 1}})", false, false},
        {R"({"result": true, "error": null})", false, false},
        {R"({"result": "", "error": null})", false, false},
    };
    const Qbittorrent qbittorrent;
    const Deluge deluge;
    for (const auto& one : cases) {
        EXPECT_EQ(qbittorrent.uploadAccepted(200, one.answer), one.qbittorrent) << one.answer;
        EXPECT_EQ(deluge.uploadAccepted(200, one.answer), one.deluge) << one.answer;
        EXPECT_FALSE(qbittorrent.uploadAccepted(500, one.answer)) << one.answer;
        EXPECT_FALSE(deluge.uploadAccepted(403, one.answer)) << one.answer;
    }
}

TEST(BencodeCheck, TakesTorrentsAndRefusesPagesAndBrokenFiles)
{
    EXPECT_TRUE(isBencodedDictionary(remotetest::tinyTorrent("a.txt")));
    EXPECT_TRUE(isBencodedDictionary("de"));
    EXPECT_TRUE(isBencodedDictionary("d1:ali-3ei0e0:d1:bdeee1:z4:spame"));
    EXPECT_TRUE(isBencodedDictionary("d1:b0:1:a0:e")) << "unsorted keys are still a torrent to clients";

    for (const QByteArray& bad : QList<QByteArray>{
             "", "<!DOCTYPE html><html><form action=\"/auth/login/\">", "le", "i3e", "4:spam", "d", "d1:a",
             "d1:ae",      // a key without value
             "di1ei2ee",   // a key that is not a string
             "d1:ai01ee",  // leading zero
             "d1:ai-0ee",  // negative zero
             "d1:ai-ee",   // no digits
             "d01:ai1ee",  // a length with a leading zero
             "d1:a5:abce", // a string longer than the rest
             "d1:a99999999999999999999:xe", "d1:a1:be<html>", "dex", remotetest::tinyTorrent("a.txt").chopped(1)})
        EXPECT_FALSE(isBencodedDictionary(bad)) << bad.left(60).toStdString();

    const int depth = 200000;
    EXPECT_FALSE(isBencodedDictionary("d1:a" + QByteArray(depth, 'l'))) << "unclosed, and no stack to exhaust";
    EXPECT_TRUE(isBencodedDictionary("d1:a" + QByteArray(depth, 'l') + QByteArray(depth, 'e') + "e"));
}

// The info hash names a torrent across files and links: the SHA-1 of the info dictionary exactly as written.
TEST(BencodeCheck, InfoHashIsTheInfoDictionarysSha1)
{
    const QByteArray torrent = remotetest::tinyTorrent("hashed.txt");
    const qsizetype info = torrent.indexOf("4:infod") + 6;
    EXPECT_EQ(infoHash(torrent),
              QCryptographicHash::hash(torrent.mid(info, torrent.size() - info - 1), QCryptographicHash::Sha1).toHex());
    EXPECT_NE(infoHash(remotetest::tinyTorrent("other.txt")), infoHash(torrent));
    for (const QByteArray& none : {QByteArray("d8:announce3:abce"), QByteArray("d4:info3:abce"),
                                   QByteArray("<html>no torrent</html>"), torrent.left(torrent.size() - 1)})
        EXPECT_EQ(infoHash(none), std::nullopt) << none.toStdString();

    EXPECT_EQ(Qbittorrent::magnetInfoHash(u"magnet:?xt=urn:btih:0123456789ABCDEF0123456789abcdef01234567&dn=A"_s),
              "0123456789abcdef0123456789abcdef01234567");
    EXPECT_EQ(Qbittorrent::magnetInfoHash(u"magnet:?dn=A&xt=urn:btih:ABCDEFGHIJKLMNOPQRSTUVWXYZ234567"_s), "");
    EXPECT_EQ(Qbittorrent::magnetInfoHash(u"magnet:?dn=A"_s), "");
}
