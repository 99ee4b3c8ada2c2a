#include "core/net/HttpRequest.h"

#include "core/net/HttpContext.h"
#include "core/net/HttpRequestRegEx.h"
#include "core/net/UploadBody.h"
#include "support/DemoProcess.h"
#include "support/TestHttpServer.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace marrowfin {
namespace {

using namespace Qt::Literals::StringLiterals;
using test::RecordedRequest;
using test::ScriptedResponse;
using test::TestHttpServer;

class FixedBodyClient final : public UploadBody
{
public:
    explicit FixedBodyClient(QByteArray body) : m_body(std::move(body)) {}
    [[nodiscard]] QByteArray getData() const override { return m_body; }

private:
    QByteArray m_body;
};

class HttpRequestTest : public ::testing::Test
{
protected:
    [[nodiscard]] QUrl url(const char* path) const { return server.url(QString::fromLatin1(path)); }

    // A GET of `path`, sent on the calling thread.
    std::unique_ptr<HttpRequest> get(const char* path, std::shared_ptr<HttpContext> with = nullptr)
    {
        auto request = std::make_unique<HttpRequest>(url(path), with ? with : context);
        request->request();
        return request;
    }

    // Sends on the calling thread and hands back what the server saw of it.
    RecordedRequest send(HttpRequest& request, const QByteArray& path)
    {
        const qsizetype before = server.requestsTo(path).size();
        request.request();
        const QList<RecordedRequest> seen = server.requestsTo(path);
        EXPECT_EQ(seen.size(), before + 1) << path.constData();
        return seen.isEmpty() ? RecordedRequest{} : seen.last();
    }

    void expectAllAbsent(const HttpRequest& request)
    {
        EXPECT_FALSE(request.urlResponse());
        EXPECT_FALSE(request.responseData());
        EXPECT_FALSE(request.headers());
        EXPECT_FALSE(request.result());
        EXPECT_FALSE(request.isResponseValid());
    }

    TestHttpServer server;
    std::shared_ptr<HttpContext> context = std::make_shared<HttpContext>();
};

TEST_F(HttpRequestTest, GetPresentsABrowserAndSendsAuthorizationOnlyForAUserName)
{
    server.route("/page", {200, "OK", {{"X-Served-By", "test"}}, "hello"});

    HttpRequest plain(url("/page"), context);
    const RecordedRequest get = send(plain, "/page");
    EXPECT_EQ(get.requestLine, "GET /page HTTP/1.1");
    EXPECT_EQ(get.header("Content-Type"), "text/html");
    EXPECT_EQ(get.header("User-Agent"), kDesktopUserAgent);
    EXPECT_TRUE(get.headerValues("Authorization").isEmpty());
    EXPECT_TRUE(get.headerValues("Content-Length").isEmpty());
    EXPECT_TRUE(get.body.isEmpty());
    ASSERT_TRUE(plain.headers());
    EXPECT_EQ(plain.headers()->value(u"x-served-by"), u"test"_s) << "names compare in any case";

    HttpRequest phone(url("/page"), context);
    phone.setOverwriteUserAgent(false);
    EXPECT_EQ(send(phone, "/page").header("User-Agent"), kPhoneUserAgent);

    // An empty user name sends no authorization; an absent password counts as ""; both go as UTF-8.
    using Credentials = std::tuple<std::optional<QString>, std::optional<QString>, QByteArray>;
    for (const auto& [username, password, credentials] :
         {Credentials{u""_s, u"secret"_s, ""}, Credentials{u"user"_s, std::nullopt, "user:"},
          Credentials{u"jürgen"_s, u"pä:ss"_s, "j\xc3\xbcrgen:p\xc3\xa4:ss"}}) {
        HttpRequest request(url("/page"), context);
        request.setUsername(username);
        request.setPassword(password);
        EXPECT_EQ(send(request, "/page").header("Authorization"),
                  credentials.isEmpty() ? std::nullopt : std::optional("Basic " + credentials.toBase64()))
            << credentials.constData();
    }
}

// A form goes as its UTF-8 bytes; an upload client's body goes unchanged in its place, large enough that the HTTP
// client would ask for "100 Continue" on its own, and full of bytes that a text conversion would damage.
TEST_F(HttpRequestTest, PostsSendTheirExactBytesWithTheirCount)
{
    server.route("/post", {200, "OK", {}, "done"});
    const QString form = u"name=Zoë&city=東京&note=a+b"_s;
    QByteArray upload;
    for (int i = 0; upload.size() < 2 * 1024 * 1024; ++i) {
        upload.append(static_cast<char>(i % 256));
    }
    for (const bool withClient : {false, true}) {
        SCOPED_TRACE(withClient ? "upload" : "form");
        HttpRequest post(url("/post"), context);
        post.setType(u"POST"_s);
        post.setPostData(form);
        if (withClient) {
            post.setClient(std::make_shared<FixedBodyClient>(upload));
        }
        const QByteArray body = withClient ? upload : form.toUtf8();
        const RecordedRequest seen = send(post, "/post");
        EXPECT_EQ(seen.method, "POST");
        EXPECT_TRUE(seen.body == body);
        EXPECT_EQ(seen.header("Content-Length"), QByteArray::number(body.size()));
        EXPECT_TRUE(seen.headerValues("Expect").isEmpty());
        EXPECT_EQ(seen.header("Content-Type"), withClient ? "multipart/form-data; boundary=" + QByteArray(formBoundary)
                                                          : QByteArray("application/x-www-form-urlencoded"));
        EXPECT_EQ(seen.header("Keep-Alive"), withClient ? std::optional<QByteArray>("115") : std::nullopt);
        EXPECT_EQ(seen.header("Accept") == kMultipartAccept, withClient);
        EXPECT_EQ(post.result(), u"done"_s);
    }
}

TEST_F(HttpRequestTest, OnlyTheExactPostMethodCarriesABodyEvenOnAReusedConnection)
{
    server.route("/item", {200, "OK", {}, "done"});
    auto client = std::make_shared<FixedBodyClient>("client bytes");

    // The first send leaves a body, its length and the upload headers behind in this thread's HTTP client handle.
    HttpRequest upload(url("/item"), context);
    upload.setType(u"POST"_s);
    upload.setClient(client);
    ASSERT_EQ(send(upload, "/item").body, "client bytes");

    for (const QString& method : {u"PUT"_s, u"DELETE"_s, u"post"_s, u"GET"_s}) {
        SCOPED_TRACE(method.toStdString());
        HttpRequest other(url("/item"), context);
        other.setType(method);
        other.setPostData(u"a=1"_s);
        other.setClient(client);
        const RecordedRequest seen = send(other, "/item");
        EXPECT_EQ(seen.method, method.toLatin1());
        EXPECT_TRUE(seen.body.isEmpty());
        EXPECT_EQ(seen.header("Content-Type"), "text/html");
        EXPECT_TRUE(seen.headerValues("Keep-Alive").isEmpty());
        EXPECT_NE(seen.header("Accept"), kMultipartAccept);
        EXPECT_EQ(seen.header("Content-Length").value_or("0"), "0");
    }
}

// Only a 2xx final status is valid, yet the body of any status is kept, decoded as UTF-8 or else Latin-1; an empty
// body is an empty text, not none.
TEST_F(HttpRequestTest, OnlyA2xxFinalStatusIsValidAndEveryBodyIsKept)
{
    const struct
    {
        int status;
        QByteArray body;
        QString text;
    } rows[] = {{204, "", u""_s},         {299, "body", u"body"_s},        {300, "body", u"body"_s},
                {404, "body", u"body"_s}, {200, "caf\xc3\xa9", u"café"_s}, {200, "caf\xe9", u"café"_s}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.body.toHex().toStdString() + " " + std::to_string(row.status));
        server.route("/status", {row.status, "Scripted", {}, row.body});
        const auto request = get("/status");
        ASSERT_TRUE(request->urlResponse());
        EXPECT_EQ(request->urlResponse()->statusCode, row.status);
        EXPECT_EQ(request->isResponseValid(), row.status < 300);
        EXPECT_EQ(request->result(), row.text);
        EXPECT_EQ(request->responseData(), row.body);
    }

    // HTTP/1.1 only allows a 1xx as an interim answer; the one after it decides, with its own header fields.
    ScriptedResponse interim{200, "OK", {{"X-Final", "yes"}}, "final"};
    interim.interim = "HTTP/1.1 199 Early\r\nX-Interim: yes\r\n\r\n";
    server.route("/interim", interim);
    const auto early = get("/interim");
    ASSERT_TRUE(early->isResponseValid());
    EXPECT_TRUE(early->headers()->contains(u"X-Final"));
    EXPECT_FALSE(early->headers()->contains(u"X-Interim"));
    EXPECT_EQ(early->result(), u"final"_s);
}

TEST_F(HttpRequestTest, AHeaderGivenTwiceIsSentOnceJoinedInOrder)
{
    server.route("/page", {200, "OK", {}, "ok"});
    HttpRequest request(url("/page"), context);
    request.setExtraHeaders({{u"Content-Type"_s, u"application/json"_s},
                             {u"X-Token"_s, u"first"_s},
                             {u"x-token"_s, u"second"_s},
                             {u"X-Split"_s, u"a\r\nInjected: yes"_s}});
    const RecordedRequest seen = send(request, "/page");
    EXPECT_EQ(seen.headerValues("Content-Type"), QList<QByteArray>{"text/html, application/json"});
    EXPECT_EQ(seen.headerValues("X-Token"), QList<QByteArray>{"first, second"});
    // A value that would start a second header line is not sent at all.
    EXPECT_TRUE(seen.headerValues("Injected").isEmpty());
    EXPECT_TRUE(seen.headerValues("X-Split").isEmpty());
}

TEST_F(HttpRequestTest, RedirectsEndAtTheFinalAnswer)
{
    server.route("/start", {302, "Found", {{"Location", "/final"}, {"X-First", "1"}, {"Set-Cookie", "hop=1"}}, ""});
    server.route("/final", {200, "OK", {{"X-Final", "1"}}, "arrived"});
    const auto followed = get("/start");
    ASSERT_TRUE(followed->isResponseValid());
    EXPECT_EQ(followed->urlResponse()->url.path(), u"/final"_s);
    EXPECT_EQ(followed->result(), u"arrived"_s);
    EXPECT_TRUE(followed->headers()->contains(u"X-Final"));
    EXPECT_FALSE(followed->headers()->contains(u"X-First"));
    // A cookie set on the way is sent to the next address of the same exchange.
    ASSERT_EQ(server.requestsTo("/final").size(), 1);
    EXPECT_EQ(server.requestsTo("/final").first().header("Cookie"), "hop=1");

    // After a posted form the browser-like answer "see there" is fetched with a GET and no body.
    server.route("/signin", {302, "Found", {{"Location", "/home"}}, ""});
    server.route("/home", {200, "OK", {}, "home"});
    HttpRequest signIn(url("/signin"), context);
    signIn.setType(u"POST"_s);
    signIn.setPostData(u"user=a"_s);
    const RecordedRequest home = send(signIn, "/home");
    EXPECT_EQ(signIn.result(), u"home"_s);
    EXPECT_EQ(home.method, "GET");
    EXPECT_TRUE(home.body.isEmpty());
    EXPECT_TRUE(home.headerValues("Content-Length").isEmpty());

    server.route("/loop", {302, "Found", {{"Location", "/loop"}}, ""});
    expectAllAbsent(*get("/loop"));
    EXPECT_EQ(server.requestsTo("/loop").size(), 11);

    server.route("/local", {302, "Found", {{"Location", "file:///etc/hostname"}}, ""});
    expectAllAbsent(*get("/local"));
}

TEST_F(HttpRequestTest, TransportFailuresLeaveEverythingAbsent)
{
    auto limited = std::make_shared<HttpContext>(nullptr, QString(), 1024);
    ScriptedResponse unsized{200, "OK", {}, QByteArray(4096, 'x')};
    unsized.sendContentLength = false;
    server.route("/sized", {200, "OK", {}, QByteArray(4096, 'x')});
    server.route("/unsized", unsized);
    server.route("/limit", {200, "OK", {}, QByteArray(1024, 'y')});
    for (const char* path : {"/sized", "/unsized"}) {
        SCOPED_TRACE(path);
        expectAllAbsent(*get(path, limited));
    }
    EXPECT_EQ(get("/limit", limited)->responseData(), QByteArray(1024, 'y'));

    ScriptedResponse slow{200, "OK", {}, "late"};
    slow.delay = std::chrono::seconds(10);
    server.route("/slow", slow);
    HttpRequest timedOut(url("/slow"), context);
    timedOut.setTimeout(1);
    timedOut.request();
    expectAllAbsent(timedOut);
}

TEST_F(HttpRequestTest, RegExRequestKeepsGroupOneOrTheWholePage)
{
    const QByteArray page = "<b></b><i>x</i>";
    server.route("/page", {200, "OK", {}, page});

    HttpRequestRegEx emptyGroup(url("/page"), u"<b>(.*?)</b>"_s, context);
    emptyGroup.request();
    ASSERT_TRUE(emptyGroup.result());
    EXPECT_EQ(*emptyGroup.result(), QString());
    EXPECT_EQ(emptyGroup.elements(), QStringList({u"<b></b>"_s, QString()}));

    HttpRequestRegEx match(url("/page"), u"<i>(.*)</i>"_s, context);
    match.request();
    EXPECT_EQ(match.result(), u"x"_s);
    // Sent again with a pattern that no longer matches: the earlier capture list must not survive.
    match.setRegex(u"<u>(.*)</u>"_s);
    match.request();
    EXPECT_EQ(match.result(), QString::fromLatin1(page));
    EXPECT_FALSE(match.elements());

    HttpRequestRegEx broken(url("/page"), u"<b>(.*"_s, context);
    broken.request();
    EXPECT_FALSE(broken.result());
    EXPECT_FALSE(broken.elements());
    EXPECT_FALSE(broken.isResponseValid());
}

} // namespace
} // namespace marrowfin

// A worker thread still cleaning up after a TLS transfer when the process exits: exit waits for its handle to go
// before the libraries clean up (the two ran into each other, and a command crashed as it ended).
TEST(TransferThreads, ExitWaitsForAThreadsHandleToGo)
{
    marrowfin::demotest::DemoProcess demo;
    ASSERT_TRUE(demo.started());
    QProcess helper;
    helper.start(QStringLiteral(MARROWFIN_EXIT_RACE_HELPER),
                 {QString::fromStdString(demo.secureSite("/")), QString::fromStdString(demo.caFile())});
    ASSERT_TRUE(helper.waitForFinished(30000));
    EXPECT_EQ(helper.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(helper.exitCode(), 0) << "3: the transfer failed, 4: exit did not wait for the thread";
}
