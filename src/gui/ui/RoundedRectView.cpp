#include "RoundedRectView.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace marrowfin {

RoundedRectView::RoundedRectView(QWidget* parent) : QWidget(parent)
{
    // Translucency implies no system background, which also keeps autoFillBackground and a palette's window
    // colour from ever painting behind the shape.
    setAttribute(Qt::WA_TranslucentBackground);
}

void RoundedRectView::setStrokeColor(const QColor& colour)
{
    m_strokeColor = colour;
    update();
}

void RoundedRectView::setRectColor(const QColor& colour)
{
    m_rectColor = colour;
    update();
}

void RoundedRectView::setStrokeWidth(qreal width)
{
    m_strokeWidth = width;
    update();
}

void RoundedRectView::setCornerRadius(qreal radius)
{
    m_cornerRadius = radius;
    update();
}

void RoundedRectView::paintEvent(QPaintEvent*)
{
    const QRectF bounds = rect();
    const qreal radius = std::min({m_cornerRadius, bounds.width() / 2, bounds.height() / 2});
    const qreal diameter = 2 * radius;
    const qreal left = bounds.left();
    const qreal top = bounds.top();
    const qreal right = bounds.right();
    const qreal bottom = bounds.bottom();

    // Angles run anticlockwise in Qt with y pointing down, so negative sweeps go clockwise on screen.
    QPainterPath path;
    path.moveTo(left, top + bounds.height() / 2);
    path.arcTo(QRectF(left, top, diameter, diameter), 180, -90);
    path.arcTo(QRectF(right - diameter, top, diameter, diameter), 90, -90);
    path.arcTo(QRectF(right - diameter, bottom - diameter, diameter, diameter), 0, -90);
    path.arcTo(QRectF(left, bottom - diameter, diameter, diameter), 270, -90);
    path.closeSubpath();

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(m_strokeWidth > 0 ? QPen(m_strokeColor, m_strokeWidth) : QPen(Qt::NoPen));
    painter.setBrush(m_rectColor);
    painter.drawPath(path);
}

} // namespace marrowfin
