#include "SegmentedControl.h"

#include "Fonts.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace marrowfin {

namespace {
constexpr qreal kCornerRadius = 5;
constexpr int kTextPointSize = 13;
constexpr int kTextPadding = 8;
constexpr int kSmallestTextPixels = 10;
// Dark segments with a lighter top edge, as a black bar has; the selected one in the window's accent colour.
constexpr QColor kSegmentTop{0x4a, 0x4a, 0x4a};
constexpr QColor kSegmentBottom{0x1e, 0x1e, 0x1e};
constexpr QColor kPressedTop{0x5c, 0x5c, 0x5c};
constexpr QColor kSelectedTop{0x4c, 0xc4, 0xb0};
constexpr QColor kSelectedBottom{0x2a, 0x8c, 0x7b};
constexpr QColor kBorder{0x0c, 0x0c, 0x0c};
constexpr QColor kDivider{0x10, 0x10, 0x10};
constexpr QColor kFocus{0xf0, 0xa0, 0x30};
} // namespace

SegmentedControl::SegmentedControl(const QStringList& titles, QWidget* parent) : QWidget(parent), m_titles(titles)
{
    setFont(systemFont(kTextPointSize, true));
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SegmentedControl::setSelectedSegmentIndex(int index)
{
    const int selected = index >= 0 && index < numberOfSegments() ? index : kNoSegment;
    if (selected == m_selected) {
        return;
    }
    const int previous = m_selected;
    m_selected = selected;
    update();
    notifySelection(previous);
}

void SegmentedControl::notifySelection(int previous)
{
    if (!QAccessible::isActive()) {
        return;
    }
    for (const int changed : {previous, m_selected}) {
        if (changed >= 0 && changed < numberOfSegments()) {
            QAccessible::State checked;
            checked.checked = true;
            QAccessibleStateChangeEvent event(this, checked);
            event.setChild(changed);
            QAccessible::updateAccessibility(&event);
        }
    }
    if (hasFocus() && m_selected >= 0) {
        QAccessibleEvent focus(this, QAccessible::Focus);
        focus.setChild(m_selected);
        QAccessible::updateAccessibility(&focus);
    }
}

QRect SegmentedControl::segmentRect(int index) const
{
    if (index < 0 || index >= numberOfSegments())
        return {};
    // Equal widths while every title fits its equal share; otherwise each segment takes its title's width and an
    // equal part of what is left (or, when even that does not fit, a share in proportion to its title), so that a
    // long name is not cut while a short one has room to spare. The last segment takes what the division leaves.
    const int count = numberOfSegments();
    QList<int> natural;
    int widest = 0;
    int sum = 0;
    for (const QString& title : m_titles) {
        natural.append(fontMetrics().horizontalAdvance(title) + 2 * kTextPadding);
        widest = qMax(widest, natural.last());
        sum += natural.last();
    }
    const auto edge = [&](int at) -> int {
        if (at >= count)
            return width();
        if (widest * count <= width() || sum <= 0)
            return width() * at / count;
        qint64 before = 0;
        for (int i = 0; i < at; ++i)
            before += natural.at(i);
        if (sum <= width())
            return int(before + qint64(width() - sum) * at / count);
        return int(before * width() / sum);
    };
    const int left = edge(index);
    const int right = edge(index + 1);
    return {left, 0, right - left, height()};
}

int SegmentedControl::segmentAt(QPoint point) const
{
    if (!rect().contains(point))
        return kNoSegment;
    for (int index = 0; index < numberOfSegments(); ++index) {
        if (segmentRect(index).contains(point))
            return index;
    }
    return kNoSegment;
}

QSize SegmentedControl::sizeHint() const
{
    int widest = 0;
    for (const QString& title : m_titles)
        widest = qMax(widest, fontMetrics().horizontalAdvance(title));
    return {qMax(1, numberOfSegments()) * (widest + 2 * kTextPadding), kHeight};
}

QSize SegmentedControl::minimumSizeHint() const
{
    return {numberOfSegments() * 2 * kTextPadding, kHeight};
}

void SegmentedControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF outline = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(outline, kCornerRadius, kCornerRadius);
    painter.setClipPath(shape);
    if (!isEnabled())
        painter.setOpacity(0.5);

    for (int index = 0; index < numberOfSegments(); ++index) {
        const QRect segment = segmentRect(index);
        QLinearGradient fill(segment.topLeft(), segment.bottomLeft());
        if (index == m_selected) {
            fill.setColorAt(0, kSelectedTop);
            fill.setColorAt(1, kSelectedBottom);
        } else {
            fill.setColorAt(0, index == m_pressed ? kPressedTop : kSegmentTop);
            fill.setColorAt(1, kSegmentBottom);
        }
        painter.fillRect(segment, fill);
        if (index > 0) {
            painter.setPen(QPen(kDivider, 1));
            painter.drawLine(QPointF(segment.left() + 0.5, 0), QPointF(segment.left() + 0.5, height()));
        }
        painter.setPen(Qt::white);
        const QRect textArea = segment.adjusted(kTextPadding / 2, 0, -kTextPadding / 2, 0);
        // A title too wide for a narrow control is drawn smaller first, and cut only below the smallest size.
        QFont fitted = font();
        while (fitted.pixelSize() > kSmallestTextPixels &&
               QFontMetrics(fitted).horizontalAdvance(m_titles.at(index)) > textArea.width())
            fitted.setPixelSize(fitted.pixelSize() - 1);
        painter.setFont(fitted);
        painter.drawText(textArea, Qt::AlignCenter,
                         QFontMetrics(fitted).elidedText(m_titles.at(index), Qt::ElideRight, textArea.width()));
    }

    painter.setClipping(false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(hasFocus() ? kFocus : kBorder, hasFocus() ? 1.5 : 1.0));
    painter.drawPath(shape);
}

void SegmentedControl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_pressed = segmentAt(event->position().toPoint());
    update();
}

void SegmentedControl::mouseMoveEvent(QMouseEvent* event)
{
    // Dragging off the pressed segment shows that releasing there will not choose it.
    if (m_pressed != kNoSegment && segmentAt(event->position().toPoint()) != m_pressed)
        update();
}

void SegmentedControl::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const int released = segmentAt(event->position().toPoint());
    const int pressed = m_pressed;
    m_pressed = kNoSegment;
    update();
    if (released != kNoSegment && released == pressed)
        chooseSegment(released);
}

void SegmentedControl::keyPressEvent(QKeyEvent* event)
{
    const int count = numberOfSegments();
    int wanted = kNoSegment;
    switch (event->key()) {
    case Qt::Key_Left:
        wanted = m_selected == kNoSegment ? count - 1 : qMax(0, m_selected - 1);
        break;
    case Qt::Key_Right:
        wanted = m_selected == kNoSegment ? 0 : qMin(count - 1, m_selected + 1);
        break;
    case Qt::Key_Home:
        wanted = 0;
        break;
    case Qt::Key_End:
        wanted = count - 1;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    chooseSegment(wanted);
}

void SegmentedControl::chooseSegment(int index)
{
    if (index < 0 || index >= numberOfSegments() || index == m_selected) {
        return;
    }
    setSelectedSegmentIndex(index);
    Q_EMIT valueChanged(index);
}

} // namespace marrowfin
