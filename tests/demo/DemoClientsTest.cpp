#include "DemoHttp.h"

#include "core/text/RegexMatching.h"
#include "support/DemoProcess.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace marrowfin;
using namespace marrowfin::demotest;
using namespace Qt::Literals::StringLiterals;

namespace {

// The app's fixed multipart boundary: 27 hyphens and 29 digits.
const std::string kBoundary = "---------------------------20072377098235644401115438165";

std::string fileHeader(const std::string& name, const std::string& filename, const std::string& type)
{
    return kBoundary + "\r\nContent-Disposition: form-data; name=\"" + name + "\"; filename=\"" + filename +
           "\"\r\nContent-Type: " + type + "\r\n\r\n";
}

// The uTorrent upload body: "--", the file part's header, the bytes, the closing delimiter.
std::string utorrentBody(const std::string& filename, const std::string& torrent)
{
    return "--" + fileHeader("torrent_file", filename, "application/x-bittorrent") + torrent + "\r\n--" + kBoundary +
           "--\r\n";
}

// The Vuze upload body: an empty upfile_1 part, then the torrent as upfile_0, then the closing delimiter.
std::string vuzeBody(const std::string& filename, const std::string& torrent)
{
    return "--" + kBoundary +
           "\r\nContent-Disposition: form-data; name=\"upfile_1\"; filename=\"\"\r\nContent-Type: "
           "application/octet-stream\r\n\r\n\r\n--" +
           fileHeader("upfile_0", filename, "application/octet-stream") + torrent + "\r\n--" + kBoundary + "--\r\n";
}

std::string sha1(const std::string& bytes)
{
    return QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Sha1).toHex().toStdString();
}

QJsonArray received(const std::string& address)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(get(address).body))[u"uploads"_s].toArray();
}

HttpReply upload(const std::string& url, const std::string& body, const std::string& credentials,
                 std::vector<std::string> headers = {})
{
    HttpCall call;
    call.method = "POST";
    call.url = url;
    call.body = body;
    call.userPassword = credentials;
    headers.push_back("Content-Type: multipart/form-data; boundary=" + kBoundary);
    headers.push_back("Keep-Alive: 115");
    headers.push_back("Expect:");
    call.headers = std::move(headers);
    return perform(call);
}

class DemoClients : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_demo = new DemoProcess({"--client-user", "joe", "--client-password", "s3cret"});
        const HttpReply reply = get(s_demo->site("/download/3000000/?title=a.torrent"));
        s_torrent = new std::string(reply.body);
    }
    static void TearDownTestSuite()
    {
        delete s_demo;
        delete s_torrent;
    }
    void SetUp() override
    {
        ASSERT_TRUE(s_demo->started()) << s_demo->readyLine();
        ASSERT_GT(s_torrent->size(), 100u);
    }

    struct Token
    {
        std::string token;
        std::string guid;
    };
    static Token fetchToken(const std::string& credentials = "joe:s3cret")
    {
        HttpCall call;
        call.url = s_demo->utorrent("/gui/token.html");
        call.userPassword = credentials;
        call.headers = {"X-Requested-With: XMLHttpRequest", "X-Request: JSON"};
        const HttpReply reply = perform(call);
        EXPECT_EQ(reply.status, 200);
        const QStringList match = captureComponentsMatchedByRegex(
            reply.text(), u"<html><div id='token' style='display:none;'>(.*)</div></html>"_s);
        EXPECT_EQ(match.value(0), reply.text()) << "the token page is exactly the pattern's line";
        return {match.value(1).toStdString(), setCookieValue(reply, "GUID")};
    }

    static inline DemoProcess* s_demo = nullptr;
    static inline std::string* s_torrent = nullptr;
};

} // namespace

// Each missing or wrong piece of the handshake, the authorization or the body is refused, and nothing of it is
// taken as an accepted torrent.
TEST_F(DemoClients, UtorrentRefusesBadHandshakesCredentialsAndBodies)
{
    const Token token = fetchToken();
    const std::string url = s_demo->utorrent("/gui/?token=" + token.token + "&action=add-file");
    const std::string guid = "Cookie: GUID=" + token.guid;
    const std::string good = utorrentBody("a.torrent", *s_torrent);
    const auto before = received(s_demo->utorrent("/_demo/received")).size();

    const HttpReply wrongToken =
        upload(s_demo->utorrent("/gui/?token=" + token.token + "x&action=add-file"), good, "joe:s3cret", {guid});
    EXPECT_EQ(wrongToken.status, 400);
    EXPECT_EQ(wrongToken.body, "invalid request");
    EXPECT_EQ(upload(url, good, "joe:s3cret").status, 400) << "no GUID cookie";
    EXPECT_EQ(upload(url, good, "joe:s3cret", {"Cookie: GUID=" + fetchToken().guid}).status, 400)
        << "a GUID of another token";
    EXPECT_EQ(upload(url, good, "joe:wrong", {guid}).status, 401);
    EXPECT_EQ(upload(url, good, "", {guid}).status, 401);
    EXPECT_EQ(perform(HttpCall{"GET", s_demo->utorrent("/gui/token.html"), {}, {}, {}, "joe:wrong", false}).status,
              401);

    std::string unclosed = good;
    unclosed.resize(unclosed.size() - 4); // the closing delimiter loses its final "--\r\n"
    EXPECT_EQ(upload(url, unclosed, "joe:s3cret", {guid}).status, 400);
    EXPECT_EQ(upload(url, utorrentBody("a.torrent", "x"), "joe:s3cret", {guid}).status, 400) << "not a torrent";
    EXPECT_EQ(upload(url, utorrentBody("a.torrent", s_torrent->substr(0, s_torrent->size() - 1)), "joe:s3cret", {guid})
                  .status,
              400)
        << "a truncated torrent";
    std::string renamed = good;
    renamed.replace(renamed.find("torrent_file"), 12, "torrent_fil3");
    EXPECT_EQ(upload(url, renamed, "joe:s3cret", {guid}).status, 400) << "the wrong field";

    const QJsonArray uploads = received(s_demo->utorrent("/_demo/received"));
    ASSERT_GT(uploads.size(), before);
    for (qsizetype i = before; i < uploads.size(); ++i)
        EXPECT_FALSE(uploads[i].toObject()[u"accepted"_s].toBool()) << i;

    // After all that the same token still works with its cookie.
    EXPECT_EQ(upload(url, good, "joe:s3cret", {guid}).status, 200);
    EXPECT_EQ(perform(HttpCall{"GET", s_demo->utorrent("/gui/"), {}, {}, {}, "joe:s3cret", false}).status, 200);
}

TEST_F(DemoClients, VuzeTakesTheUploadBodyAndRefusesBrokenOnes)
{
    const std::string url = s_demo->vuze("/index.tmpl?d=u&local=1");
    const std::string body = vuzeBody("b.torrent", *s_torrent);
    const HttpReply reply = upload(url, body, "joe:s3cret");
    ASSERT_EQ(reply.status, 200) << reply.body;
    EXPECT_NE(reply.body.find("loaded successfully!"), std::string::npos);
    const QJsonObject last = received(s_demo->vuze("/_demo/received")).last().toObject();
    EXPECT_TRUE(last[u"accepted"_s].toBool());
    EXPECT_EQ(last[u"bodySha1"_s].toString().toStdString(), sha1(body));
    const QJsonArray parts = last[u"parts"_s].toArray();
    ASSERT_EQ(parts.size(), 2);
    EXPECT_EQ(parts[0].toObject()[u"name"_s].toString(), u"upfile_1"_s);
    EXPECT_EQ(parts[0].toObject()[u"filename"_s].toString(), u""_s);
    EXPECT_EQ(parts[0].toObject()[u"bytes"_s].toInteger(), 0);
    EXPECT_EQ(parts[1].toObject()[u"name"_s].toString(), u"upfile_0"_s);
    EXPECT_EQ(parts[1].toObject()[u"filename"_s].toString(), u"b.torrent"_s);
    EXPECT_EQ(parts[1].toObject()[u"sha1"_s].toString().toStdString(), sha1(*s_torrent));

    EXPECT_EQ(upload(url, body, "joe:nope").status, 401);
    std::string unclosed = body;
    unclosed.resize(unclosed.size() - 4);
    EXPECT_EQ(upload(url, unclosed, "joe:s3cret").status, 400);
    EXPECT_EQ(upload(url, vuzeBody("", *s_torrent), "joe:s3cret").status, 400) << "no file name";
    EXPECT_EQ(upload(url, vuzeBody("c.torrent", "d4:spam"), "joe:s3cret").status, 400) << "broken bencoding";
    EXPECT_EQ(perform(HttpCall{"GET", s_demo->vuze("/"), {}, {}, {}, "joe:s3cret", false}).status, 200);
}
