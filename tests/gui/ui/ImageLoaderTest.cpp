#include "gui/ui/ImageLoader.h"

#include "Rendering.h"

#include "core/net/OperationQueue.h"
#include "support/EventLoop.h"
#include "support/TestHttpServer.h"

#include <QBuffer>
#include <QMultiMap>
#include <QThread>

#include <gtest/gtest.h>

namespace marrowfin {
namespace {

using namespace Qt::Literals::StringLiterals;

// A decoded picture reaches its receiver on the main thread; bytes that are no picture and a missing one give
// nothing.
TEST(ImageLoader, DeliversDecodedPicturesOnTheMainThreadAndNothingElse)
{
    QImage poster(7, 5, QImage::Format_ARGB32);
    poster.fill(Qt::darkCyan);
    QByteArray png;
    QBuffer buffer(&png);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && poster.save(&buffer, "PNG"));
    test::TestHttpServer server;
    server.route("/poster.png", test::ScriptedResponse(200, "OK", {{"Content-Type", "image/png"}}, png));
    server.route("/garbage.png", test::ScriptedResponse(200, "OK", {{"Content-Type", "image/png"}}, "no picture"));
    QObject receiver;
    QMultiMap<QString, std::pair<QSize, bool>> deliveries;
    OperationQueue queue(2);
    for (const char* path : {"/poster.png", "/garbage.png", "/missing.png"}) {
        queue.addOperation(std::make_shared<ImageLoader>(
            server.url(QString::fromLatin1(path)), &receiver,
            [&deliveries](const QString& address, const QImage& image) {
                deliveries.insert(address, {image.size(), QThread::currentThread() == qApp->thread()});
            }));
    }
    queue.waitUntilAllOperationsAreFinished();
    ASSERT_TRUE(test::processEventsUntil([&] { return !deliveries.isEmpty(); }));
    // Anything posted for the failures would have arrived with the rest.
    QCoreApplication::processEvents();
    const QMultiMap<QString, std::pair<QSize, bool>> expected{
        {server.url(u"/poster.png"_s).toString(), {QSize(7, 5), true}}};
    EXPECT_EQ(deliveries, expected);
}

} // namespace
} // namespace marrowfin
