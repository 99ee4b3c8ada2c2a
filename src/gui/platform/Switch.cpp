#include "Switch.h"

#include <QPainter>
#include <QPainterPath>

namespace marrowfin {

Switch::Switch(QWidget* parent) : QAbstractButton(parent)
{
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(sizeHint());
}

void Switch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(isEnabled() ? 1.0 : 0.5);
    const QRectF track = QRectF(rect()).adjusted(1, 1, -1, -1);
    const qreal radius = track.height() / 2;
    painter.setPen(QPen(isChecked() ? QColor(0x2f, 0x9c, 0x8a) : QColor(0x6a, 0x6a, 0x6a), 1.0));
    painter.setBrush(isChecked() ? QColor(0x3c, 0xb4, 0xa0) : QColor(0x4a, 0x4a, 0x4a));
    painter.drawRoundedRect(track, radius, radius);
    const qreal knob = track.height() - 4;
    const qreal x = isChecked() ? track.right() - 2 - knob : track.left() + 2;
    painter.setPen(QPen(QColor(0, 0, 0, 60), 1.0));
    painter.setBrush(isDown() ? QColor(0xe0, 0xe0, 0xe0) : Qt::white);
    painter.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
    if (hasFocus()) {
        painter.setPen(QPen(QColor(0xf0, 0xa0, 0x30), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(track, radius, radius);
    }
}

} // namespace marrowfin
