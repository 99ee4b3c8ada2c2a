#include "core/net/CookieStore.h"

#include "core/net/HttpContext.h"
#include "core/net/HttpRequest.h"
#include "support/TestHttpServer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <thread>

namespace marrowfin {
namespace {

using test::Gate;
using test::RecordedRequest;
using test::ScriptedResponse;
using test::TestHttpServer;

mode_t modeOf(const QString& path)
{
    struct stat info
    {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0) << qPrintable(path);
    return info.st_mode & 07777;
}

QByteArray cookieSentTo(TestHttpServer& server, const QByteArray& path)
{
    const QList<RecordedRequest> seen = server.requestsTo(path);
    return seen.isEmpty() ? QByteArray("<no request>") : seen.last().header("Cookie").value_or(QByteArray());
}

void getOnOwnThread(const QUrl& url, const std::shared_ptr<HttpContext>& context)
{
    std::thread worker([&] {
        HttpRequest request(url, context);
        request.request();
        EXPECT_TRUE(request.isResponseValid()) << qPrintable(url.toString());
    });
    worker.join();
}

std::optional<Cookie> named(const QList<Cookie>& cookies, const QByteArray& name)
{
    for (const Cookie& cookie : cookies) {
        if (cookie.name == name) {
            return cookie;
        }
    }
    return std::nullopt;
}

class CookieStoreTest : public ::testing::Test
{
protected:
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
    getOnOwnThread(server.url(QStringLiteral("/signin")), context);
    getOnOwnThread(server.url(QStringLiteral("/check")), context);
    const QByteArray sent = cookieSentTo(server, "/check");
    EXPECT_TRUE(sent.contains("sid=abc123")) << sent.constData();
    EXPECT_TRUE(sent.contains("pref=dark")) << sent.constData();

    // A second process (or the next run) reads the same file; the session cookie is kept too.
    auto restarted = std::make_shared<CookieStore>(file);
    const std::optional<Cookie> sid = named(restarted->cookies(), "sid");
    ASSERT_TRUE(sid);
    EXPECT_TRUE(sid->isSession());
    EXPECT_TRUE(sid->httpOnly);
    EXPECT_EQ(sid->domain, QStringLiteral("127.0.0.1"));
    ASSERT_TRUE(named(restarted->cookies(), "pref"));
    EXPECT_GT(named(restarted->cookies(), "pref")->expiry, 0);
    HttpRequest afterRestart(server.url(QStringLiteral("/check")), std::make_shared<HttpContext>(restarted));
    afterRestart.request();
    EXPECT_TRUE(cookieSentTo(server, "/check").contains("sid=abc123"));

    // The server ends the session: the cookie leaves the jar, the file and the other process's view of it.
    getOnOwnThread(server.url(QStringLiteral("/signout")), context);
    EXPECT_FALSE(named(store->cookies(), "sid"));
    EXPECT_FALSE(named(CookieStore(file).cookies(), "sid"));
    EXPECT_FALSE(named(restarted->cookies(), "sid"));

    // This thread's HTTP client handle has carried cookies before; after clearing none may go out.
    HttpRequest onThisThread(server.url(QStringLiteral("/check")), context);
    onThisThread.request();
    EXPECT_FALSE(cookieSentTo(server, "/check").isEmpty());
    store->clear();
    HttpRequest afterClear(server.url(QStringLiteral("/check")), context);
    afterClear.request();
    EXPECT_EQ(cookieSentTo(server, "/check"), QByteArray());
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
    std::thread slow([&] {
        HttpRequest request(server.url(QStringLiteral("/slow")), context);
        request.request();
    });
    ASSERT_TRUE(server.waitForRequests("/slow", 1));
    server.route("/fast", {200, "OK", {{"Set-Cookie", "fast=1"}, {"Set-Cookie", "old=; Max-Age=0"}}, "fast"});
    getOnOwnThread(server.url(QStringLiteral("/fast")), context);
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
                            "other.example\tFALSE\t/\tFALSE\t0\tother\t4\n"
                            "other.example\tFALSE\t/\tFALSE\t1\texpired\t5\n"
                            "not a cookie line\n";
    CookieStore store(file);
    EXPECT_EQ(store.importNetscape(text), 4);
    CookieStore copy;
    EXPECT_EQ(copy.importNetscape(store.exportNetscape()), 4);
    EXPECT_EQ(copy.cookies(), store.cookies());
    EXPECT_EQ(CookieStore(file).cookies(), store.cookies());
    const std::optional<Cookie> domain = named(copy.cookies(), "domain");
    ASSERT_TRUE(domain);
    EXPECT_TRUE(domain->includeSubdomains);
    EXPECT_TRUE(domain->secure);
    EXPECT_EQ(domain->value, "a=b=c");
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
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), damaged);
    ASSERT_EQ(store.cookies().size(), 1);
    EXPECT_EQ(store.cookies().first().value, "yes");
    // What could be read was written back, owner-only, in place of the damaged file.
    EXPECT_EQ(CookieStore(file).cookies(), store.cookies());
    EXPECT_FALSE(CookieStore(file).movedAsidePath());
    EXPECT_EQ(modeOf(file), 0600);

    // Another process adds a cookie: this store sees it before its next use.
    CookieStore other(file);
    other.importNetscape("127.0.0.1\tFALSE\t/\tFALSE\t0\tfromOther\t1\n");
    EXPECT_TRUE(named(store.cookies(), "fromOther"));
}

} // namespace
} // namespace marrowfin
