#include "core/net/HttpContext.h"
#include "core/net/HttpRequest.h"
#include "core/net/UploadBody.h"
#include "support/QtTestSupport.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

namespace marrowfin {
namespace {

using namespace Qt::Literals::StringLiterals;
using test::TestHttpServer;

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

    const test::MessageCapture capture(u"marrowfin.net.debug=true"_s);
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
    EXPECT_TRUE(data.at(1).contains(QString::number(Upload().getData().size()))) << qPrintable(data.at(1));
    EXPECT_LT(data.at(1).size(), 200);
    for (const QString& line : lines) {
        EXPECT_FALSE(line.contains(QStringLiteral("hunter2"))) << qPrintable(line);
        EXPECT_FALSE(line.contains(QStringLiteral("cookie-secret-42"))) << qPrintable(line);
    }
}

} // namespace
} // namespace marrowfin
