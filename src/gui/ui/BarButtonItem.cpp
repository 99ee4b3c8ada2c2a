#include "BarButtonItem.h"

#include "ImageButton.h"

#include "gui/platform/Images.h"

#include <QGuiApplication>
#include <QPainter>

namespace marrowfin {

namespace {
constexpr QSize kBarButtonSize{50, 47};
}

ImageButton* makeBarButtonItem(QStringView imageName, const QString& accessibleName)
{
    const QPixmap glyph = imageNamed(imageName);
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap picture(kBarButtonSize * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QSizeF size = glyph.deviceIndependentSize();
        painter.drawPixmap(
            QRectF(QPointF((kBarButtonSize.width() - size.width()) / 2, (kBarButtonSize.height() - size.height()) / 2),
                   size),
            glyph, QRectF(glyph.rect()));
    }
    auto* button = new ImageButton(picture);
    button->setFixedSize(kBarButtonSize);
    button->setAccessibleName(accessibleName);
    button->setToolTip(accessibleName);
    return button;
}

} // namespace marrowfin
