#include "gui/ui/ImageLoader.h"

#include "Rendering.h"

#include "core/net/OperationQueue.h"
#include "gui/ui/ImageScaling.h"
#include "support/EventLoop.h"
#include "support/TestHttpServer.h"

#include <QBuffer>
#include <QMultiMap>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace marrowfin {
namespace {

using namespace Qt::Literals::StringLiterals;

QByteArray pngBytes(QSize size)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

TEST(ImageLoader, DeliversDecodedPicturesOnTheMainThreadAndNothingElse)
{
    test::TestHttpServer server;
    server.route("/poster.png", test::ScriptedResponse(200, "OK", {{"Content-Type", "image/png"}}, pngBytes({7, 5})));
    server.route("/garbage.png", test::ScriptedResponse(200, "OK", {{"Content-Type", "image/png"}},
                                                        "these bytes are no picture at all"));
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString localPath = folder.filePath(u"local.png"_s);
    QFile file(localPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(pngBytes({3, 9})) > 0);
    file.close();

    // Each picture delivered, by address: its size, and whether it came on the main thread.
    QObject receiver;
    QMultiMap<QString, std::pair<QSize, bool>> deliveries;
    const auto record = [&deliveries](const QString& address, const QImage& image) {
        deliveries.insert(address, {image.size(), QThread::currentThread() == qApp->thread()});
    };
    OperationQueue queue(2);
    const QUrl poster = server.url(u"/poster.png"_s);
    const QUrl local = QUrl::fromLocalFile(localPath);
    for (const QUrl& url : {poster, server.url(u"/garbage.png"_s), server.url(u"/missing.png"_s), local,
                            QUrl::fromLocalFile(folder.filePath(u"absent.png"_s))}) {
        queue.addOperation(std::make_shared<ImageLoader>(url, &receiver, record));
    }

    queue.waitUntilAllOperationsAreFinished();
    ASSERT_TRUE(test::processEventsUntil([&] { return deliveries.size() >= 2; }));
    // Anything posted for the failures would have arrived with the rest.
    QCoreApplication::processEvents();
    const QMultiMap<QString, std::pair<QSize, bool>> expected{{poster.toString(), {QSize(7, 5), true}},
                                                              {local.toString(), {QSize(3, 9), true}}};
    EXPECT_EQ(deliveries, expected);
}

// A picture is stretched whole to the size asked, at one pixel per point even when made for a denser screen.
TEST(ScaleToSize, StretchesTheWholePictureToExactlyTheSizeAsked)
{
    // Left half red, right half blue.
    QImage source(100, 50, QImage::Format_ARGB32);
    source.fill(Qt::blue);
    QPainter(&source).fillRect(0, 0, 50, 50, Qt::red);
    QPixmap dense = QPixmap::fromImage(source);
    dense.setDevicePixelRatio(2);

    const QImage scaled = scaleToSize(dense, QSize(48, 36)).toImage();
    EXPECT_EQ(scaled.size(), QSize(48, 36));
    EXPECT_EQ(scaled.devicePixelRatio(), 1.0);
    EXPECT_EQ(scaled.pixelColor(4, 31), QColor(Qt::red));
    EXPECT_EQ(scaled.pixelColor(43, 4), QColor(Qt::blue));
}

} // namespace
} // namespace marrowfin
