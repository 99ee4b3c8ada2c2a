#pragma once

#include "core/net/FetchPage.h"

#include <QImage>
#include <QString>

#include <functional>

namespace marrowfin {

// Loads one picture (a torrent's poster, a captcha) on a worker thread of an OperationQueue and hands it to the
// target on the target's thread. Addresses may be http(s), file or qrc. Only a picture that loads and decodes is
// delivered; anything else (no answer, an error status, bytes that are no picture) delivers nothing at all.
class ImageLoader final : public FetchPage
{
public:
    // `address` is the loaded URL as text, so a receiver of several pictures can tell them apart.
    using Callback = std::function<void(const QString& address, const QImage& image)>;

    ImageLoader(QUrl url, QObject* target, Callback callback);

    void main() override;

private:
    [[nodiscard]] std::optional<QByteArray> fetchBytes() const;
};

} // namespace marrowfin
