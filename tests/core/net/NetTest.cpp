#include "core/net/CookieStore.h"
#include "core/net/FetchPage.h"
#include "core/net/FetchPageGeneric.h"
#include "core/net/HttpContext.h"
#include "core/net/HttpRequest.h"
#include "core/net/HttpRequestRegEx.h"
#include "core/net/OperationQueue.h"
#include "core/net/PendingPages.h"
#include "core/net/UploadBody.h"
#include "support/DemoProcess.h"
#include "support/EventLoop.h"
#include "support/QtTestSupport.h"
#include "support/TestHttpServer.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <numeric>
#include <thread>

namespace marrowfin {
namespace {

using namespace Qt::Literals::StringLiterals;
using namespace test;

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

    static void expectAllAbsent(const HttpRequest& request, const char* what = "")
    {
        EXPECT_FALSE(request.urlResponse() || request.responseData() || request.headers() || request.result() ||
                     request.isResponseValid())
            << what;
    }

    TestHttpServer server;
    std::shared_ptr<HttpContext> context = std::make_shared<HttpContext>();
};

TEST_F(HttpRequestTest, GetPresentsABrowserSendsAuthorizationOnlyForAUserNameAndEachHeaderOnce)
{
    server.route("/page", {200, "OK", {{"X-Served-By", "test"}}, "hello"});

    HttpRequest plain(url("/page"), context);
    const RecordedRequest get = send(plain, "/page");
    EXPECT_EQ(get.header("User-Agent"), kDesktopUserAgent);
    EXPECT_TRUE(get.headerValues("Authorization").isEmpty());
    ASSERT_TRUE(plain.headers());
    EXPECT_EQ(plain.headers()->value(u"x-served-by"), u"test"_s) << "names compare in any case";

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

    // A header given twice is sent once, its values joined in order; a value that would start a second header line is
    // not sent at all.
    HttpRequest extra(url("/page"), context);
    extra.setExtraHeaders({{u"Content-Type"_s, u"application/json"_s},
                           {u"X-Token"_s, u"first"_s},
                           {u"x-token"_s, u"second"_s},
                           {u"X-Split"_s, u"a\r\nInjected: yes"_s}});
    const RecordedRequest joined = send(extra, "/page");
    EXPECT_EQ(joined.headerValues("Content-Type"), QList<QByteArray>{"text/html, application/json"});
    EXPECT_EQ(joined.headerValues("X-Token"), QList<QByteArray>{"first, second"});
    EXPECT_TRUE(joined.headerValues("Injected").isEmpty() && joined.headerValues("X-Split").isEmpty());
}

// A form goes as its UTF-8 bytes; an upload client's body goes unchanged in its place, large enough that the HTTP
// client would ask for "100 Continue" on its own, and full of bytes that a text conversion would damage.
TEST_F(HttpRequestTest, PostsSendTheirExactBytesWithTheirCount)
{
    server.route("/post", {200, "OK", {}, "done"});
    const QString form = u"name=Zoë&city=東京&note=a+b"_s;
    QByteArray upload(2 * 1024 * 1024, '\0');
    std::iota(upload.begin(), upload.end(), char(0));
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
        EXPECT_TRUE(seen.body == body);
        EXPECT_EQ(seen.header("Content-Length"), QByteArray::number(body.size()));
        EXPECT_TRUE(seen.headerValues("Expect").isEmpty());
        EXPECT_EQ(seen.header("Content-Type"), withClient ? "multipart/form-data; boundary=" + QByteArray(formBoundary)
                                                          : QByteArray("application/x-www-form-urlencoded"));
        EXPECT_EQ(seen.header("Keep-Alive"), withClient ? std::optional<QByteArray>("115") : std::nullopt);
        EXPECT_EQ(seen.header("Accept") == kMultipartAccept, withClient);
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
    const std::tuple<int, QByteArray, QString> rows[] = {{204, "", u""_s},
                                                         {299, "body", u"body"_s},
                                                         {300, "body", u"body"_s},
                                                         {200, "caf\xc3\xa9", u"café"_s},
                                                         {200, "caf\xe9", u"café"_s}};
    for (const auto& [status, body, text] : rows) {
        SCOPED_TRACE(body.toHex().toStdString() + " " + std::to_string(status));
        server.route("/status", {status, "Scripted", {}, body});
        const auto request = get("/status");
        EXPECT_EQ(request->isResponseValid(), status < 300);
        EXPECT_EQ(request->result(), text);
        EXPECT_EQ(request->responseData(), body);
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

TEST_F(HttpRequestTest, RedirectsEndAtTheFinalAnswer)
{
    server.route("/start", {302, "Found", {{"Location", "/final"}, {"Set-Cookie", "hop=1"}}, ""});
    server.route("/final", {200, "OK", {}, "arrived"});
    const auto followed = get("/start");
    ASSERT_TRUE(followed->isResponseValid());
    EXPECT_EQ(followed->urlResponse()->url.path(), u"/final"_s);
    EXPECT_EQ(followed->result(), u"arrived"_s);
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

    server.route("/loop", {302, "Found", {{"Location", "/loop"}}, ""});
    expectAllAbsent(*get("/loop"));

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
    expectAllAbsent(*get("/sized", limited), "a body over the limit");
    expectAllAbsent(*get("/unsized", limited), "a body without a length that grows over the limit");
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
    EXPECT_FALSE(broken.result() || broken.elements() || broken.isResponseValid());
}

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

TEST_F(HttpRequestTest, APostedBodyIsLoggedWithoutSecrets)
{
    server.route("/login", {200, "OK", {{"Set-Cookie", "sid=cookie-secret-42; Path=/"}}, "ok"});
    const MessageCapture capture(u"marrowfin.net.debug=true"_s);
    HttpRequest form(url("/login"), context);
    form.setType(u"POST"_s);
    form.setPostData(u"user=bob&password=hunter2&Confirm_PASSWORD=hunter2&pass%77ord=hunter2&remember=1"_s);
    form.request();
    ASSERT_TRUE(form.isResponseValid());
    // A long body (a torrent file inside a client's JSON call) by its size and first bytes only.
    HttpRequest call(url("/login"), context);
    call.setType(u"POST"_s);
    call.setPostData(u"{\"metainfo\":\""_s + QString(30000, u'A') + u"torrent-tail\"}"_s);
    call.request();
    // The cookie goes back out on the next request, a second chance to leak it.
    get("/login");

    const QStringList lines = capture.lines();
    const QStringList data = lines.filter(QStringLiteral("DATA: "));
    ASSERT_EQ(data.size(), 2) << qPrintable(lines.join(QLatin1Char('\n')));
    EXPECT_TRUE(data.at(0).contains(QStringLiteral("user=bob"))) << qPrintable(data.at(0));
    EXPECT_TRUE(data.at(1).contains(u"30027 bytes of data"_s) && !data.at(1).contains(u"tail"_s))
        << qPrintable(data.at(1));
    for (const QString& line : lines) {
        EXPECT_FALSE(line.contains(QStringLiteral("hunter2"))) << qPrintable(line);
        EXPECT_FALSE(line.contains(QStringLiteral("cookie-secret-42"))) << qPrintable(line);
    }
}

std::optional<Cookie> named(const QList<Cookie>& cookies, const QByteArray& name)
{
    const auto found = std::ranges::find(cookies, name, &Cookie::name);
    return found == cookies.end() ? std::nullopt : std::optional(*found);
}

class CookieStoreTest : public ::testing::Test
{
protected:
    // GETs `path` with `context`, on a thread of its own as the queues send or on this one, and hands back the
    // cookies the server was sent.
    QByteArray cookiesOfGet(const char* path, const std::shared_ptr<HttpContext>& context, bool ownThread = false)
    {
        const auto get = [&] {
            HttpRequest request(server.url(QString::fromLatin1(path)), context);
            request.request();
            EXPECT_TRUE(request.isResponseValid()) << path;
        };
        ownThread ? std::thread(get).join() : get();
        const QList<RecordedRequest> seen = server.requestsTo(path);
        return seen.isEmpty() ? QByteArray("<no request>") : seen.last().header("Cookie").value_or(QByteArray());
    }

    QTemporaryDir dir;
    QString file = dir.filePath(QStringLiteral("config/cookies.txt"));
    TestHttpServer server;
};

TEST_F(CookieStoreTest, ASessionIsSharedByThreadsAndSurvivesARestart)
{
    server.route("/signin",
                 {200,
                  "OK",
                  {{"Set-Cookie", "sid=abc123; Path=/; HttpOnly"}, {"Set-Cookie", "pref=dark; Max-Age=3600"}},
                  "signed in"});
    server.route("/check", {200, "OK", {}, "ok"});
    server.route("/signout", {200, "OK", {{"Set-Cookie", "sid=; Max-Age=0; Path=/"}}, "bye"});

    auto store = std::make_shared<CookieStore>(file);
    auto context = std::make_shared<HttpContext>(store);
    cookiesOfGet("/signin", context, true);
    const QByteArray sent = cookiesOfGet("/check", context, true);
    EXPECT_TRUE(sent.contains("sid=abc123")) << sent.constData();
    EXPECT_TRUE(sent.contains("pref=dark")) << sent.constData();

    // A second process (or the next run) reads the same file; the session cookie is kept too.
    auto restarted = std::make_shared<CookieStore>(file);
    EXPECT_TRUE(named(restarted->cookies(), "sid") && named(restarted->cookies(), "sid")->isSession());
    EXPECT_TRUE(cookiesOfGet("/check", std::make_shared<HttpContext>(restarted)).contains("sid=abc123"));

    // The server ends the session: the cookie leaves the jar, the file and the other process's view of it.
    cookiesOfGet("/signout", context, true);
    EXPECT_FALSE(named(store->cookies(), "sid"));
    EXPECT_FALSE(named(CookieStore(file).cookies(), "sid"));
    EXPECT_FALSE(named(restarted->cookies(), "sid"));

    // This thread's HTTP client handle has carried cookies before; after clearing none may go out.
    EXPECT_FALSE(cookiesOfGet("/check", context).isEmpty());
    store->clear();
    EXPECT_EQ(cookiesOfGet("/check", context), QByteArray());
    EXPECT_TRUE(CookieStore(file).cookies().isEmpty());
}

TEST_F(CookieStoreTest, TransfersAtTheSameTimeKeepEachOthersCookies)
{
    auto gate = std::make_shared<Gate>();
    ScriptedResponse held{200, "OK", {{"Set-Cookie", "slow=1"}}, "slow"};
    held.gate = gate;
    server.route("/slow", held);
    server.route("/fast", {200, "OK", {{"Set-Cookie", "fast=1"}}, "fast"});
    auto store = std::make_shared<CookieStore>(file);
    store->importNetscape("127.0.0.1\tFALSE\t/\tFALSE\t0\told\t1\n");
    auto context = std::make_shared<HttpContext>(store);

    // The slow transfer took its cookies before the fast one changed the jar, and ends after it.
    std::thread slow([&] { cookiesOfGet("/slow", context); });
    ASSERT_TRUE(server.waitForRequests("/slow", 1));
    server.route("/fast", {200, "OK", {{"Set-Cookie", "fast=1"}, {"Set-Cookie", "old=; Max-Age=0"}}, "fast"});
    cookiesOfGet("/fast", context, true);
    gate->open();
    slow.join();

    const QList<Cookie> cookies = store->cookies();
    EXPECT_TRUE(named(cookies, "slow"));
    EXPECT_TRUE(named(cookies, "fast"));
    EXPECT_FALSE(named(cookies, "old"));
    EXPECT_EQ(CookieStore(file).cookies(), cookies);
}

// Comments, the HttpOnly marker and expired or broken lines of a cookie file, read and written back.
TEST_F(CookieStoreTest, NetscapeTextRoundTrips)
{
    const QByteArray text = "# a comment\n"
                            "site.example\tFALSE\t/\tFALSE\t0\thost\t1\n"
                            ".site.example\tTRUE\t/\tTRUE\t4102444800\tdomain\ta=b=c\n"
                            "#HttpOnly_forum.site.example\tFALSE\t/f\tFALSE\t0\tforum\t3\n"
                            "other.example\tFALSE\t/\tFALSE\t1\texpired\t5\n"
                            "not a cookie line\n";
    CookieStore store(file);
    EXPECT_EQ(store.importNetscape(text), 3);
    CookieStore copy;
    EXPECT_EQ(copy.importNetscape(store.exportNetscape()), 3);
    EXPECT_EQ(copy.cookies(), store.cookies());
    const std::optional<Cookie> domain = named(copy.cookies(), "domain");
    EXPECT_TRUE(domain && domain->includeSubdomains && domain->secure && domain->value == "a=b=c");
    EXPECT_TRUE(named(copy.cookies(), "forum")->httpOnly);
}

TEST_F(CookieStoreTest, AnUnreadableFileIsKeptAsideAndAChangedFileIsReloaded)
{
    QDir().mkpath(QFileInfo(file).absolutePath());
    const QByteArray damaged = "127.0.0.1\tFALSE\t/\tFALSE\t0\tkept\tyes\n"
                               "\x01\x02 this is not a cookie file \xff\n";
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(damaged);
        out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
    }

    CookieStore store(file);
    const std::optional<QString> aside = store.movedAsidePath();
    ASSERT_TRUE(aside);
    QFile kept(*aside);
    EXPECT_TRUE(kept.open(QIODevice::ReadOnly) && kept.readAll() == damaged);
    EXPECT_TRUE(store.cookies().size() == 1 && store.cookies().first().value == "yes");
    // What could be read was written back, owner-only, in place of the damaged file.
    EXPECT_EQ(CookieStore(file).cookies(), store.cookies());
    EXPECT_FALSE(CookieStore(file).movedAsidePath());
    EXPECT_EQ(QFile::permissions(file),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser);

    // Another process adds a cookie: this store sees it before its next use.
    CookieStore other(file);
    other.importNetscape("127.0.0.1\tFALSE\t/\tFALSE\t0\tfromOther\t1\n");
    EXPECT_TRUE(named(store.cookies(), "fromOther"));
}

// An ordered page fetch as a batch uses it: waits until its gate opens, says it has its page, then delivers through
// the base's ordered step, after the page before it.
class OrderedPageFetch final : public FetchPage
{
public:
    OrderedPageFetch(QObject* target, Selector selector, std::shared_ptr<PendingPages> pending, int page, Gate& gate,
                     std::atomic<bool>& fetched)
        : FetchPage(QUrl(), target, std::move(selector), std::move(pending), page,
                    page == 1 ? std::nullopt : std::optional<int>(page - 1)),
          m_page(page), m_gate(gate), m_fetched(fetched)
    {}

    void main() override
    {
        m_gate.wait();
        setReturnObject(u"page %1"_s.arg(m_page));
        m_fetched = true;
        FetchPage::main();
    }

private:
    int m_page;
    Gate& m_gate;
    std::atomic<bool>& m_fetched;
};

TEST(FetchPage, BatchIsDeliveredInPageOrderWhateverOrderTheFetchesFinish)
{
    application();
    QObject receiver;
    QStringList delivered;
    std::array<Gate, 6> gates;
    std::array<std::atomic<bool>, 6> fetched{};
    OperationQueue queue(10);
    auto pending = std::make_shared<PendingPages>(QList<int>{1, 2, 3, 4, 5});
    for (int page = 1; page <= 5; ++page) {
        queue.addOperation(std::make_shared<OrderedPageFetch>(
            &receiver, [&delivered](const QVariant& value) { delivered.append(value.toString()); }, pending, page,
            gates[page], fetched[page]));
    }
    const auto fetch = [&](int page) {
        gates[page].open();
        return processEventsUntil([&] { return fetched[page].load(); });
    };

    // Page 3 is fetched first and must wait; page 1 is then handed over at once, without the rest.
    ASSERT_TRUE(fetch(3));
    ASSERT_TRUE(fetch(1));
    ASSERT_TRUE(processEventsUntil([&] { return !delivered.isEmpty(); }));
    EXPECT_EQ(delivered, QStringList{u"page 1"_s});

    for (int page : {5, 2, 4}) {
        ASSERT_TRUE(fetch(page));
    }
    ASSERT_TRUE(processEventsUntil([&] { return delivered.size() == 5; }));
    EXPECT_EQ(delivered, (QStringList{u"page 1"_s, u"page 2"_s, u"page 3"_s, u"page 4"_s, u"page 5"_s}));
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(pending->numbers().isEmpty());
}

// (A sign-in again in the background is delivered on its worker thread: RecoveryAgainstDemo's re-sign-ins would
// wait for themselves otherwise.)
TEST(FetchPage, QueueWidthBoundsConcurrencyAndAGoneReceiverIsNotCalled)
{
    application();
    TestHttpServer server;
    auto gate = std::make_shared<Gate>();
    ScriptedResponse held(200, "OK", {}, "held");
    held.gate = gate;
    server.route("/slow", held);
    const auto context = std::make_shared<HttpContext>();
    HttpContext::setDefaultContext(context);

    OperationQueue queue(2);
    bool called = false;
    {
        auto receiver = std::make_unique<QObject>();
        for (int i = 0; i < 5; ++i) {
            queue.addOperation(std::make_shared<FetchPageGeneric>(
                server.url(u"/slow"_s), receiver.get(), [&called](const QVariant&) { called = true; },
                FetchPageGeneric::requestOfType<HttpRequest>()));
        }
        ASSERT_TRUE(server.waitForRequests("/slow", 2));
        QThread::msleep(200); // give a third worker the chance to start, which it must not take
        EXPECT_EQ(server.requestsTo("/slow").size(), 2);
        gate->open();
        queue.waitUntilAllOperationsAreFinished();
    } // the receiver goes before its queued deliveries run
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);
    EXPECT_EQ(server.requestsTo("/slow").size(), 5);
    HttpContext::setDefaultContext(nullptr);
}

} // namespace
} // namespace marrowfin
