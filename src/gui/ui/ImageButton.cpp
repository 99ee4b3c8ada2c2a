#include "ImageButton.h"

#include <QPainter>

namespace marrowfin {

namespace {
constexpr qreal kPressedOpacity = 0.4;
constexpr qreal kDisabledOpacity = 0.3;
constexpr QSize kDefaultSize{30, 30};
} // namespace

ImageButton::ImageButton(const QPixmap& picture, QWidget* parent) : QAbstractButton(parent), m_picture(picture)
{
    // Reached with Tab; Space presses it.
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    resize(sizeHint());
}

void ImageButton::setPicture(const QPixmap& picture)
{
    m_picture = picture;
    update();
}

QSize ImageButton::sizeHint() const
{
    return kDefaultSize;
}

void ImageButton::paintEvent(QPaintEvent*)
{
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!isEnabled())
        painter.setOpacity(kDisabledOpacity);
    else if (isDown())
        painter.setOpacity(kPressedOpacity);
    // The picture keeps its proportions, centred in the button.
    const QSizeF pictureSize = m_picture.deviceIndependentSize().scaled(QSizeF(size()), Qt::KeepAspectRatio);
    const QRectF target(QPointF((width() - pictureSize.width()) / 2, (height() - pictureSize.height()) / 2),
                        pictureSize);
    painter.drawPixmap(target, m_picture, QRectF(m_picture.rect()));
    if (hasFocus()) {
        painter.setOpacity(1.0);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::white, 1.5));
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 4, 4);
    }
}

} // namespace marrowfin
