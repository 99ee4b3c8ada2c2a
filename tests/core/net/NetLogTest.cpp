#include "core/net/HttpContext.h"
#include "core/net/HttpRequest.h"
#include "core/net/UploadBody.h"
#include "support/TestHttpServer.h"

#include <QLoggingCategory>

#include <gtest/gtest.h>

#include <mutex>

namespace marrowfin {
namespace {

using test::TestHttpServer;

std::mutex g_logMutex;
QStringList g_logLines;

void captureMessage(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    const std::lock_guard lock(g_logMutex);
    g_logLines.append(QString::fromLatin1(context.category ? context.category : "") + QLatin1String(": ") + message);
}

// Everything the net category says at every level while it lives.
class LogCapture final
{
public:
    LogCapture()
    {
        {
            const std::lock_guard lock(g_logMutex);
            g_logLines.clear();
        }
        QLoggingCategory::setFilterRules(QStringLiteral("marrowfin.net.debug=true"));
        m_previous = qInstallMessageHandler(&captureMessage);
    }
    ~LogCapture()
    {
        qInstallMessageHandler(m_previous);
        QLoggingCategory::setFilterRules(QString());
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    [[nodiscard]] QStringList lines() const
    {
        const std::lock_guard lock(g_logMutex);
        return g_logLines;
    }

private:
    QtMessageHandler m_previous = nullptr;
};

class Upload final : public UploadBody
{
public:
    [[nodiscard]] QByteArray getData() const override { return m_body; }
    QByteArray m_body =
        QByteArray("--boundary\r\nContent-Disposition: form-data; name=\"torrent\"\r\n\r\n") + QByteArray(500, '\x01');
};

TEST(NetLog, PostedBodyIsLoggedWithoutSecrets)
{
    TestHttpServer server;
    server.route("/login", {200, "OK", {{"Set-Cookie", "sid=cookie-secret-42; Path=/"}}, "ok"});
    server.route("/upload", {200, "OK", {}, "ok"});
    auto context = std::make_shared<HttpContext>();

    const LogCapture capture;
    HttpRequest form(server.url(QStringLiteral("/login")), context);
    form.setType(QStringLiteral("POST"));
    form.setPostData(
        QStringLiteral("user=bob&password=hunter2&Confirm_PASSWORD=hunter2&pass%77ord=hunter2&remember=1"));
    form.request();
    ASSERT_TRUE(form.isResponseValid());
    // The cookie goes back out on the next request, a second chance to leak it.
    HttpRequest upload(server.url(QStringLiteral("/upload")), context);
    upload.setType(QStringLiteral("POST"));
    upload.setClient(std::make_shared<Upload>());
    upload.request();
    ASSERT_TRUE(upload.isResponseValid());

    const QStringList lines = capture.lines();
    const QStringList data = lines.filter(QStringLiteral("DATA: "));
    ASSERT_EQ(data.size(), 2) << qPrintable(lines.join(QLatin1Char('\n')));
    EXPECT_TRUE(data.at(0).contains(QStringLiteral("user=bob"))) << qPrintable(data.at(0));
    EXPECT_TRUE(data.at(0).contains(QStringLiteral("remember=1"))) << qPrintable(data.at(0));
    EXPECT_TRUE(data.at(0).startsWith(QStringLiteral("marrowfin.net: DATA: "))) << qPrintable(data.at(0));
    EXPECT_TRUE(data.at(1).contains(QString::number(Upload().getData().size()))) << qPrintable(data.at(1));
    EXPECT_LT(data.at(1).size(), 200);
    for (const QString& line : lines) {
        EXPECT_FALSE(line.contains(QStringLiteral("hunter2"))) << qPrintable(line);
        EXPECT_FALSE(line.contains(QStringLiteral("cookie-secret-42"))) << qPrintable(line);
    }
}

} // namespace
} // namespace marrowfin
