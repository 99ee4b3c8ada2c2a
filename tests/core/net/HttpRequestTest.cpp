#include "core/net/HttpRequest.h"

#include "core/net/HttpContext.h"
#include "core/net/HttpRequestRegEx.h"
#include "core/net/SessionGuard.h"
#include "core/net/UploadBody.h"
#include "support/DemoProcess.h"
#include "support/TestHttpServer.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <atomic>

namespace marrowfin {
namespace {

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

QString basicOf(const QByteArray& credentials)
{
    return QStringLiteral("Basic ") + QString::fromLatin1(credentials.toBase64());
}

class HttpRequestTest : public ::testing::Test
{
protected:
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

    HttpRequest plain(server.url(QStringLiteral("/page")), context);
    const RecordedRequest get = send(plain, "/page");
    EXPECT_EQ(get.requestLine, "GET /page HTTP/1.1");
    EXPECT_EQ(get.header("Content-Type"), "text/html");
    EXPECT_EQ(get.header("User-Agent"), kDesktopUserAgent);
    EXPECT_TRUE(get.headerValues("Authorization").isEmpty());
    EXPECT_TRUE(get.headerValues("Content-Length").isEmpty());
    EXPECT_TRUE(get.body.isEmpty());
    ASSERT_TRUE(plain.isResponseValid());
    EXPECT_EQ(plain.urlResponse()->statusCode, 200);
    EXPECT_EQ(plain.result(), QStringLiteral("hello"));
    EXPECT_EQ(plain.responseData(), "hello");
    ASSERT_TRUE(plain.headers());
    EXPECT_EQ(plain.headers()->value(u"x-served-by"), QStringLiteral("test"));

    HttpRequest phone(server.url(QStringLiteral("/page")), context);
    phone.setOverwriteUserAgent(false);
    EXPECT_EQ(send(phone, "/page").header("User-Agent"), kPhoneUserAgent);

    HttpRequest emptyUser(server.url(QStringLiteral("/page")), context);
    emptyUser.setUsername(QString());
    emptyUser.setPassword(QStringLiteral("secret"));
    EXPECT_TRUE(send(emptyUser, "/page").headerValues("Authorization").isEmpty());

    HttpRequest noPassword(server.url(QStringLiteral("/page")), context);
    noPassword.setUsername(QStringLiteral("user"));
    EXPECT_EQ(send(noPassword, "/page").header("Authorization"), basicOf("user:").toLatin1());

    HttpRequest nonAscii(server.url(QStringLiteral("/page")), context);
    nonAscii.setUsername(QStringLiteral("jürgen"));
    nonAscii.setPassword(QStringLiteral("pä:ss"));
    EXPECT_EQ(send(nonAscii, "/page").header("Authorization"), basicOf("j\xc3\xbcrgen:p\xc3\xa4:ss").toLatin1());
}

TEST_F(HttpRequestTest, FormPostSendsItsUtf8BytesWithTheirCount)
{
    server.route("/login", {200, "OK", {}, "welcome"});
    const QString form = QStringLiteral("name=Zoë&city=東京&note=a+b");
    const QByteArray utf8 = form.toUtf8();
    ASSERT_NE(utf8.size(), form.size());

    HttpRequest post(server.url(QStringLiteral("/login")), context);
    post.setType(QStringLiteral("POST"));
    post.setPostData(form);
    const RecordedRequest seen = send(post, "/login");
    EXPECT_EQ(seen.method, "POST");
    EXPECT_EQ(seen.body, utf8);
    EXPECT_EQ(seen.header("Content-Length"), QByteArray::number(utf8.size()));
    EXPECT_EQ(seen.header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_TRUE(seen.headerValues("Expect").isEmpty());
    EXPECT_EQ(post.result(), QStringLiteral("welcome"));
}

TEST_F(HttpRequestTest, UploadPostSendsTheClientBodyUnchanged)
{
    server.route("/upload", {200, "OK", {}, "{}"});
    // Large enough that the HTTP client would ask for "100 Continue" on its own, and full of bytes that a text
    // conversion would damage.
    QByteArray upload;
    for (int i = 0; upload.size() < 2 * 1024 * 1024; ++i) {
        upload.append(static_cast<char>(i % 256));
    }
    auto client = std::make_shared<FixedBodyClient>(upload);

    HttpRequest post(server.url(QStringLiteral("/upload")), context);
    post.setType(QStringLiteral("POST"));
    post.setClient(client);
    post.setPostData(QStringLiteral("ignored=1"));
    const RecordedRequest seen = send(post, "/upload");
    EXPECT_TRUE(seen.body == upload);
    EXPECT_EQ(seen.header("Content-Length"), QByteArray::number(upload.size()));
    EXPECT_EQ(seen.header("Content-Type"), QByteArray("multipart/form-data; boundary=") + formBoundary);
    EXPECT_EQ(seen.header("Keep-Alive"), "115");
    EXPECT_EQ(seen.header("Accept"), kMultipartAccept);
    EXPECT_TRUE(seen.headerValues("Expect").isEmpty());
    EXPECT_TRUE(post.isResponseValid());
}

TEST_F(HttpRequestTest, OnlyTheExactPostMethodCarriesABodyEvenOnAReusedConnection)
{
    server.route("/item", {200, "OK", {}, "done"});
    auto client = std::make_shared<FixedBodyClient>("client bytes");

    // The first send leaves a body, its length and the upload headers behind in this thread's HTTP client handle.
    HttpRequest upload(server.url(QStringLiteral("/item")), context);
    upload.setType(QStringLiteral("POST"));
    upload.setClient(client);
    ASSERT_EQ(send(upload, "/item").body, "client bytes");

    for (const QString& method : {QStringLiteral("PUT"), QStringLiteral("DELETE"), QStringLiteral("post")}) {
        HttpRequest other(server.url(QStringLiteral("/item")), context);
        other.setType(method);
        other.setPostData(QStringLiteral("a=1"));
        other.setClient(client);
        const RecordedRequest seen = send(other, "/item");
        EXPECT_EQ(seen.method, method.toLatin1());
        EXPECT_TRUE(seen.body.isEmpty()) << qPrintable(method);
        EXPECT_EQ(seen.header("Content-Type"), "text/html") << qPrintable(method);
        EXPECT_TRUE(seen.headerValues("Keep-Alive").isEmpty()) << qPrintable(method);
        EXPECT_EQ(seen.header("Content-Length").value_or("0"), "0") << qPrintable(method);
    }

    HttpRequest get(server.url(QStringLiteral("/item")), context);
    const RecordedRequest seen = send(get, "/item");
    EXPECT_EQ(seen.method, "GET");
    EXPECT_TRUE(seen.body.isEmpty());
    EXPECT_TRUE(seen.headerValues("Accept").value(0) != kMultipartAccept);
}

TEST_F(HttpRequestTest, OnlyA2xxFinalStatusIsValid)
{
    for (const int status : {204, 299, 300, 404}) {
        server.route("/" + QByteArray::number(status), {status, "Scripted", {}, status == 204 ? "" : "body"});
    }
    const auto statusOf = [this](int status) {
        HttpRequest request(server.url(QStringLiteral("/%1").arg(status)), context);
        request.request();
        EXPECT_TRUE(request.urlResponse()) << status;
        EXPECT_EQ(request.urlResponse() ? request.urlResponse()->statusCode : 0, status);
        return request.isResponseValid();
    };
    EXPECT_TRUE(statusOf(204));
    EXPECT_TRUE(statusOf(299));
    EXPECT_FALSE(statusOf(300));
    EXPECT_FALSE(statusOf(404));

    HttpRequest notFound(server.url(QStringLiteral("/404")), context);
    notFound.request();
    EXPECT_EQ(notFound.result(), QStringLiteral("body"));

    // HTTP/1.1 only allows a 1xx as an interim answer; the one after it decides, with its own header fields.
    ScriptedResponse interim{200, "OK", {{"X-Final", "yes"}}, "final"};
    interim.interim = "HTTP/1.1 199 Early\r\nX-Interim: yes\r\n\r\n";
    server.route("/interim", interim);
    HttpRequest early(server.url(QStringLiteral("/interim")), context);
    early.request();
    ASSERT_TRUE(early.isResponseValid());
    EXPECT_TRUE(early.headers()->contains(u"X-Final"));
    EXPECT_FALSE(early.headers()->contains(u"X-Interim"));
    EXPECT_EQ(early.result(), QStringLiteral("final"));
}

TEST_F(HttpRequestTest, AHeaderGivenTwiceIsSentOnceJoinedInOrder)
{
    server.route("/page", {200, "OK", {}, "ok"});
    HttpRequest request(server.url(QStringLiteral("/page")), context);
    request.setExtraHeaders({{QStringLiteral("Content-Type"), QStringLiteral("application/json")},
                             {QStringLiteral("X-Token"), QStringLiteral("first")},
                             {QStringLiteral("x-token"), QStringLiteral("second")},
                             {QStringLiteral("X-Split"), QStringLiteral("a\r\nInjected: yes")}});
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
    HttpRequest followed(server.url(QStringLiteral("/start")), context);
    followed.request();
    ASSERT_TRUE(followed.isResponseValid());
    EXPECT_EQ(followed.urlResponse()->url.path(), QStringLiteral("/final"));
    EXPECT_EQ(followed.result(), QStringLiteral("arrived"));
    EXPECT_TRUE(followed.headers()->contains(u"X-Final"));
    EXPECT_FALSE(followed.headers()->contains(u"X-First"));
    // A cookie set on the way is sent to the next address of the same exchange.
    ASSERT_EQ(server.requestsTo("/final").size(), 1);
    EXPECT_EQ(server.requestsTo("/final").first().header("Cookie"), "hop=1");

    // After a posted form the browser-like answer "see there" is fetched with a GET and no body.
    server.route("/signin", {302, "Found", {{"Location", "/home"}}, ""});
    server.route("/home", {200, "OK", {}, "home"});
    HttpRequest signIn(server.url(QStringLiteral("/signin")), context);
    signIn.setType(QStringLiteral("POST"));
    signIn.setPostData(QStringLiteral("user=a"));
    signIn.request();
    EXPECT_EQ(signIn.result(), QStringLiteral("home"));
    ASSERT_EQ(server.requestsTo("/home").size(), 1);
    const RecordedRequest home = server.requestsTo("/home").first();
    EXPECT_EQ(home.method, "GET");
    EXPECT_TRUE(home.body.isEmpty());
    EXPECT_TRUE(home.headerValues("Content-Length").isEmpty());

    server.route("/loop", {302, "Found", {{"Location", "/loop"}}, ""});
    HttpRequest loop(server.url(QStringLiteral("/loop")), context);
    loop.request();
    expectAllAbsent(loop);
    EXPECT_EQ(server.requestsTo("/loop").size(), 11);

    server.route("/local", {302, "Found", {{"Location", "file:///etc/hostname"}}, ""});
    HttpRequest local(server.url(QStringLiteral("/local")), context);
    local.request();
    expectAllAbsent(local);
}

TEST_F(HttpRequestTest, BodyIsDecodedAsUtf8OrElseLatin1)
{
    server.route("/utf8", {200, "OK", {}, "caf\xc3\xa9"});
    server.route("/latin1", {200, "OK", {}, "caf\xe9"});
    server.route("/empty", {200, "OK", {}, ""});

    HttpRequest utf8(server.url(QStringLiteral("/utf8")), context);
    utf8.request();
    EXPECT_EQ(utf8.result(), QStringLiteral("café"));

    HttpRequest latin1(server.url(QStringLiteral("/latin1")), context);
    latin1.request();
    EXPECT_EQ(latin1.result(), QStringLiteral("café"));
    EXPECT_EQ(latin1.responseData(), "caf\xe9");

    HttpRequest empty(server.url(QStringLiteral("/empty")), context);
    empty.request();
    ASSERT_TRUE(empty.result());
    EXPECT_TRUE(empty.result()->isEmpty());
    EXPECT_EQ(empty.responseData(), QByteArray());
}

TEST_F(HttpRequestTest, TransportFailuresLeaveEverythingAbsent)
{
    auto limited = std::make_shared<HttpContext>(nullptr, QString(), 1024);
    ScriptedResponse unsized{200, "OK", {}, QByteArray(4096, 'x')};
    unsized.sendContentLength = false;
    server.route("/sized", {200, "OK", {}, QByteArray(4096, 'x')});
    server.route("/unsized", unsized);
    server.route("/limit", {200, "OK", {}, QByteArray(1024, 'y')});

    for (const QString& path : {QStringLiteral("/sized"), QStringLiteral("/unsized")}) {
        HttpRequest tooLarge(server.url(path), limited);
        tooLarge.request();
        SCOPED_TRACE(qPrintable(path));
        expectAllAbsent(tooLarge);
    }
    HttpRequest atLimit(server.url(QStringLiteral("/limit")), limited);
    atLimit.request();
    EXPECT_EQ(atLimit.responseData(), QByteArray(1024, 'y'));

    ScriptedResponse slow{200, "OK", {}, "late"};
    slow.delay = std::chrono::seconds(10);
    server.route("/slow", slow);
    HttpRequest timedOut(server.url(QStringLiteral("/slow")), context);
    timedOut.setTimeout(1);
    timedOut.request();
    expectAllAbsent(timedOut);

    const QUrl closed = server.url(QStringLiteral("/page"));
    server.stop();
    HttpRequest refused(closed, context);
    refused.request();
    expectAllAbsent(refused);
}

TEST_F(HttpRequestTest, RegExRequestKeepsGroupOneOrTheWholePage)
{
    const QByteArray page = "<b></b><i>x</i>";
    server.route("/page", {200, "OK", {}, page});

    HttpRequestRegEx emptyGroup(server.url(QStringLiteral("/page")), QStringLiteral("<b>(.*?)</b>"), context);
    emptyGroup.request();
    ASSERT_TRUE(emptyGroup.result());
    EXPECT_EQ(*emptyGroup.result(), QString());
    EXPECT_EQ(emptyGroup.elements(), QStringList({QStringLiteral("<b></b>"), QString()}));

    HttpRequestRegEx match(server.url(QStringLiteral("/page")), QStringLiteral("<i>(.*)</i>"), context);
    match.request();
    EXPECT_EQ(match.result(), QStringLiteral("x"));

    // Sent again with a pattern that no longer matches: the earlier capture list must not survive.
    match.setRegex(QStringLiteral("<u>(.*)</u>"));
    match.request();
    EXPECT_EQ(match.result(), QString::fromLatin1(page));
    EXPECT_FALSE(match.elements());

    HttpRequestRegEx broken(server.url(QStringLiteral("/page")), QStringLiteral("<b>(.*"), context);
    broken.request();
    EXPECT_FALSE(broken.result());
    EXPECT_FALSE(broken.elements());
    EXPECT_FALSE(broken.isResponseValid());
}

class ResendOnce final : public SessionGuard
{
public:
    Verdict check(HttpRequest& request, int /*sentAgain*/) override
    {
        ++checks;
        seenResult = request.result().value_or(QString());
        return checks == 1 ? Verdict::SendAgain : Verdict::Final;
    }
    std::atomic<int> checks{0};
    QString seenResult;
};

TEST_F(HttpRequestTest, AnInstalledGuardCanHaveTheRequestSentAgain)
{
    server.route("/page", {200, "OK", {}, "page"});
    auto guard = std::make_shared<ResendOnce>();
    SessionGuard::install(guard);
    HttpRequest request(server.url(QStringLiteral("/page")), context);
    request.request();
    SessionGuard::install(nullptr);

    EXPECT_EQ(guard->checks, 2);
    EXPECT_EQ(guard->seenResult, QStringLiteral("page"));
    EXPECT_EQ(server.requestsTo("/page").size(), 2);
    EXPECT_EQ(request.result(), QStringLiteral("page"));

    HttpRequest unguarded(server.url(QStringLiteral("/page")), context);
    unguarded.request();
    EXPECT_EQ(server.requestsTo("/page").size(), 3);
    EXPECT_EQ(guard->checks, 2);
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
