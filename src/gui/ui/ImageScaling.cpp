#include "ImageScaling.h"

#include <QPainter>

namespace marrowfin {

QImage scaleToSize(const QImage& image, QSize size)
{
    if (image.isNull() || size.isEmpty())
        return {};
    QImage scaled(size, QImage::Format_ARGB32_Premultiplied);
    scaled.setDevicePixelRatio(1);
    scaled.fill(Qt::transparent);
    QPainter painter(&scaled);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // Source in the picture's own pixels, so its scale factor plays no part.
    painter.drawImage(QRectF(QPointF(0, 0), QSizeF(size)), image, QRectF(image.rect()));
    painter.end();
    return scaled;
}

QPixmap scaleToSize(const QPixmap& pixmap, QSize size)
{
    if (pixmap.isNull())
        return {};
    return QPixmap::fromImage(scaleToSize(pixmap.toImage(), size));
}

} // namespace marrowfin
