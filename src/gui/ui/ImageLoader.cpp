#include "ImageLoader.h"

#include "core/net/HttpRequest.h"

#include <QFile>
#include <QVariantList>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

FetchPage::Selector imageSelector(ImageLoader::Callback callback)
{
    return [callback = std::move(callback)](const QVariant& value) {
        const QVariantList parts = value.toList();
        if (parts.size() == 2 && callback)
            callback(parts.at(0).toString(), parts.at(1).value<QImage>());
    };
}

} // namespace

ImageLoader::ImageLoader(QUrl url, QObject* target, Callback callback)
    : FetchPage(std::move(url), target, imageSelector(std::move(callback)))
{}

std::optional<QByteArray> ImageLoader::fetchBytes() const
{
    const QUrl& address = url();
    QString localPath;
    if (address.isLocalFile())
        localPath = address.toLocalFile();
    else if (address.scheme() == u"qrc"_s)
        localPath = u':' + address.path();
    if (!localPath.isEmpty()) {
        QFile file(localPath);
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return file.readAll();
    }

    HttpRequest request(address);
    request.request();
    if (!request.isResponseValid())
        return std::nullopt;
    return request.responseData();
}

void ImageLoader::main()
{
    const std::optional<QByteArray> bytes = fetchBytes();
    if (!bytes || bytes->isEmpty())
        return;
    // QImage rather than QPixmap: this runs on a worker thread, where pixmaps may not be made.
    const QImage image = QImage::fromData(*bytes);
    if (image.isNull())
        return;
    setReturnObject(QVariantList{url().toString(), image});
    FetchPage::main();
}

} // namespace marrowfin
