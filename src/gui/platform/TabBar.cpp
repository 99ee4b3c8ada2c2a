#include "TabBar.h"

#include "Fonts.h"
#include "Images.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace marrowfin {

namespace {
constexpr QColor kTint{0xff, 0xff, 0xff};
constexpr QColor kDimmed{0x8e, 0x8e, 0x8e};
constexpr int kImageSide = 30;
constexpr QColor kBadge{0xe0, 0x3a, 0x2f};

// A red pill with white figures whose left end sits at `topLeft`, over the corner of a tab's picture.
void paintBadge(QPainter& painter, const QString& text, QPoint topLeft)
{
    painter.setFont(systemFont(11, true));
    const int height = 17;
    const int width = qMax(height, painter.fontMetrics().horizontalAdvance(text) + 10);
    const QRectF pill(topLeft.x(), topLeft.y(), width, height);
    painter.setPen(QPen(Qt::black, 1.5));
    painter.setBrush(kBadge);
    painter.drawRoundedRect(pill, height / 2.0, height / 2.0);
    painter.setPen(Qt::white);
    painter.drawText(pill, Qt::AlignCenter, text);
}

} // namespace

TabBar::TabBar(QWidget* parent) : QWidget(parent)
{
    setFixedHeight(kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::PointingHandCursor);
    // Reached with Tab like any control; the arrow keys move between the tabs, Space or Return opens one.
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Tabs"));
}

void TabBar::keyPressEvent(QKeyEvent* event)
{
    const int count = int(m_items.size());
    if (count == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const int step = event->key() == Qt::Key_Left ? count - 1 : 1;
        m_focused = ((m_focused < 0 ? qMax(0, m_selected) : m_focused) + step) % count;
        update();
        notifyFocusedTab();
        return;
    }
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        pressSlot(focusedSlot());
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void TabBar::focusInEvent(QFocusEvent* event)
{
    if (m_focused < 0 || m_focused >= m_items.size())
        m_focused = qMax(0, m_selected);
    QWidget::focusInEvent(event);
    update();
    notifyFocusedTab();
}

void TabBar::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

int TabBar::focusedSlot() const
{
    return m_focused >= 0 && m_focused < m_items.size() ? m_focused : qMax(0, m_selected);
}

void TabBar::notifyFocusedTab()
{
    if (QAccessible::isActive() && !m_items.isEmpty()) {
        QAccessibleEvent focus(this, QAccessible::Focus);
        focus.setChild(focusedSlot());
        QAccessible::updateAccessibility(&focus);
    }
}

void TabBar::setItems(QList<TabBarItem> items)
{
    const QList<TabBarItem> before = std::exchange(m_items, std::move(items));
    // A tab whose spoken name changed in place (a badge's count came or went) is said again.
    if (QAccessible::isActive()) {
        for (int slot = 0; slot < qMin(before.size(), m_items.size()); ++slot) {
            const TabBarItem& was = before.at(slot);
            const TabBarItem& now = m_items.at(slot);
            if (was.title == now.title && was.accessibleName != now.accessibleName) {
                QAccessibleEvent renamed(this, QAccessible::NameChanged);
                renamed.setChild(slot);
                QAccessible::updateAccessibility(&renamed);
            }
        }
    }
    if (m_selected >= m_items.size())
        m_selected = -1;
    update();
}

void TabBar::pressSlot(int slot)
{
    if (isSlotEnabled(slot)) {
        Q_EMIT slotClicked(slot);
    }
}

void TabBar::setSelectedSlot(int slot)
{
    const int previous = m_selected;
    m_selected = slot >= 0 && slot < m_items.size() ? slot : -1;
    if (QAccessible::isActive() && previous != m_selected) {
        // The tab that lost the selection and the one that has it, so that a screen reader hears the change.
        for (const int changed : {previous, m_selected}) {
            if (changed >= 0 && changed < m_items.size()) {
                QAccessibleEvent event(this,
                                       changed == m_selected ? QAccessible::Selection : QAccessible::SelectionRemove);
                event.setChild(changed);
                QAccessible::updateAccessibility(&event);
            }
        }
    }
    // The focus ring follows a selection made any way (a click, a shortcut), so that no two tabs look chosen.
    if (m_selected >= 0) {
        m_focused = m_selected;
    }
    update();
}

bool TabBar::isSlotEnabled(int slot) const
{
    return m_enabled && slot >= 0 && slot < m_items.size();
}

void TabBar::setAllEnabled(bool enabled)
{
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    update();
}

QRect TabBar::slotRect(int slot) const
{
    if (m_items.isEmpty() || slot < 0 || slot >= m_items.size())
        return {};
    const int count = int(m_items.size());
    // Slots share the width; on a wide bar they keep a phone-like width, centred.
    const int slotWidth = qMin(width() / count, 110);
    const int left = (width() - slotWidth * count) / 2;
    return {left + slot * slotWidth, 0, slotWidth, height()};
}

int TabBar::slotAt(QPoint point) const
{
    for (int slot = 0; slot < m_items.size(); ++slot) {
        if (slotRect(slot).contains(point))
            return slot;
    }
    return -1;
}

void TabBar::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton ? slotAt(event->position().toPoint()) : -1;
}

void TabBar::mouseReleaseEvent(QMouseEvent* event)
{
    const int slot = slotAt(event->position().toPoint());
    if (slot >= 0 && slot == m_pressed) {
        pressSlot(slot);
    }
    m_pressed = -1;
}

void TabBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.setPen(QColor(0x2e, 0x2e, 0x2e));
    painter.drawLine(0, 0, width(), 0);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QFont titleFont = systemFont(10, true);
    painter.setFont(titleFont);
    for (int slot = 0; slot < m_items.size(); ++slot) {
        const TabBarItem& item = m_items.at(slot);
        const QRect area = slotRect(slot);
        const bool selected = slot == m_selected;
        if (selected)
            painter.fillRect(area.adjusted(2, 2, -2, -1), QColor(0xff, 0xff, 0xff, 0x1c));
        const QColor colour = selected ? kTint : kDimmed;
        painter.setOpacity(m_enabled ? 1.0 : 0.45);
        const QPixmap picture = tintedImage(imageNamed(item.imageName, QSize(kImageSide, kImageSide)), colour);
        painter.drawPixmap(area.center().x() - kImageSide / 2, 3, picture);
        painter.setPen(colour);
        const QRect titleRect(area.left() + 1, 33, area.width() - 2, 14);
        painter.drawText(titleRect, Qt::AlignHCenter | Qt::AlignTop,
                         painter.fontMetrics().elidedText(item.title, Qt::ElideRight, titleRect.width()));
        painter.setOpacity(1.0);
        if (!item.badgeValue.isEmpty()) {
            paintBadge(painter, item.badgeValue, QPoint(area.center().x() + kImageSide / 2 - 4, 2));
            painter.setFont(titleFont);
        }
        if (hasFocus() && slot == focusedSlot()) {
            painter.setPen(QPen(kTint, 1.5));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(QRectF(area).adjusted(2.5, 2.5, -2.5, -1.5), 4, 4);
        }
    }
}

} // namespace marrowfin
