#include "PickerView.h"

#include "Fonts.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVariantAnimation>
#include <QWheelEvent>

#include <cmath>
#include <functional>

namespace marrowfin {

namespace {
constexpr int kComponentGap = 4;
constexpr int kDefaultHeight = 216;
constexpr int kTurnMilliseconds = 200;
constexpr int kWheelStep = 120;
constexpr int kPageRows = 5;
constexpr qreal kCornerRadius = 6;
constexpr QColor kColumnColour{0x26, 0x26, 0x26};
constexpr QColor kBandColour{255, 255, 255, 38};
constexpr QColor kBandEdge{255, 255, 255, 90};
constexpr QColor kFocusColour{0xf0, 0xa0, 0x30};
// Marks the plain labels the picker makes itself, so that only those are reused for plain titles.
constexpr char kPlainRowProperty[] = "marrowfinPlainPickerRow";

// Drawn over the rows: the fades that make the columns look like wheels, and the band's edges. It takes no input,
// so presses reach the picker underneath.
class PickerOverlay final : public QWidget
{
public:
    PickerOverlay(QWidget* parent, std::function<void(QPainter&)> paint) : QWidget(parent), m_paint(std::move(paint))
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        m_paint(painter);
    }

private:
    std::function<void(QPainter&)> m_paint;
};

} // namespace

PickerView::PickerView(PickerViewDataSource& dataSource, QWidget* parent) : QWidget(parent), m_dataSource(dataSource)
{
    setFocusPolicy(Qt::StrongFocus);
    setFont(systemFont(18));
    m_overlay = new PickerOverlay(this, [this](QPainter& painter) { paintOverlay(painter); });
    reloadAllComponents();
}

PickerView::~PickerView() = default;

int PickerView::numberOfRowsInComponent(int component) const
{
    return component >= 0 && component < numberOfComponents() ? int(m_components[component].rows.size()) : 0;
}

int PickerView::selectedRowInComponent(int component) const
{
    return component >= 0 && component < numberOfComponents() ? m_components[component].selected : -1;
}

void PickerView::selectRow(int row, int component, bool animated)
{
    if (component < 0 || component >= numberOfComponents() || m_components[component].rows.isEmpty())
        return;
    Component& column = m_components[component];
    const int previous = column.selected;
    column.selected = qBound(0, row, int(column.rows.size()) - 1);
    setPosition(component, column.selected, animated);
    if (previous != column.selected) {
        notifySelection(component);
    }
}

void PickerView::notifySelection(int component)
{
    if (!QAccessible::isActive() || component < 0 || component >= numberOfComponents()) {
        return;
    }
    QAccessibleInterface* picker = QAccessible::queryAccessibleInterface(this);
    QAccessibleInterface* column = picker ? picker->child(component) : nullptr;
    QAccessibleInterface* row = column ? column->child(m_components[component].selected) : nullptr;
    if (!row) {
        return;
    }
    QAccessibleEvent selected(row, QAccessible::Selection);
    QAccessible::updateAccessibility(&selected);
    if (hasFocus() && component == m_focusedComponent) {
        QAccessibleEvent focus(row, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
}

void PickerView::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    notifySelection(m_focusedComponent);
}

void PickerView::setShowsSelectionIndicator(bool shows)
{
    m_showsSelectionIndicator = shows;
    update();
    m_overlay->update();
}

void PickerView::syncComponents()
{
    const int count = qMax(0, m_dataSource.numberOfComponents());
    while (m_components.size() > count) {
        Component removed = m_components.takeLast();
        qDeleteAll(removed.rows);
        delete removed.turn;
    }
    m_components.resize(count);
    for (int component = 0; component < count; ++component)
        m_components[component].rowHeight = qMax(1, m_dataSource.rowHeightForComponent(component));
    m_focusedComponent = qBound(0, m_focusedComponent, qMax(0, count - 1));
    layoutComponents();
}

void PickerView::reloadAllComponents()
{
    syncComponents();
    for (int component = 0; component < numberOfComponents(); ++component)
        reloadComponent(component);
}

void PickerView::reloadComponent(int component)
{
    if (component < 0 || component >= numberOfComponents())
        return;
    Component& column = m_components[component];
    column.rowHeight = qMax(1, m_dataSource.rowHeightForComponent(component));
    QList<QWidget*> reusable = std::exchange(column.rows, {});
    const int rowCount = qMax(0, m_dataSource.numberOfRows(component));
    for (int row = 0; row < rowCount; ++row) {
        QWidget* reuse = reusable.isEmpty() ? nullptr : reusable.first();
        QWidget* view = m_dataSource.viewForRow(row, component, reuse);
        if (!view) {
            auto* label =
                reuse && reuse->property(kPlainRowProperty).toBool() ? static_cast<QLabel*>(reuse) : new QLabel;
            label->setProperty(kPlainRowProperty, true);
            label->setFont(font());
            label->setAlignment(Qt::AlignCenter);
            label->setText(m_dataSource.titleForRow(row, component));
            view = label;
        }
        if (view == reuse)
            reusable.removeFirst();
        view->setParent(this);
        view->setAttribute(Qt::WA_TransparentForMouseEvents);
        view->show();
        column.rows.append(view);
    }
    qDeleteAll(reusable);

    // A turn under way continues to a row that still exists; otherwise the column stands on its last row.
    if (column.rows.isEmpty()) {
        column.selected = -1;
        setPosition(component, 0, false);
    } else if (column.selected < 0 || column.selected >= rowCount) {
        column.selected = qBound(0, column.selected, rowCount - 1);
        setPosition(component, column.selected, false);
    } else {
        layoutRows(component);
    }
    m_overlay->raise();
}

void PickerView::layoutComponents()
{
    const int count = numberOfComponents();
    QList<int> widths(count, 0);
    int fixed = 0;
    int shared = 0;
    for (int component = 0; component < count; ++component) {
        widths[component] = qMax(0, m_dataSource.widthForComponent(component));
        if (widths[component] > 0)
            fixed += widths[component];
        else
            ++shared;
    }
    const int gaps = qMax(0, count - 1) * kComponentGap;
    const int share = shared > 0 ? qMax(0, width() - gaps - fixed) / shared : 0;
    int total = gaps;
    for (int& componentWidth : widths) {
        if (componentWidth == 0)
            componentWidth = share;
        total += componentWidth;
    }
    // Narrower than the columns want: every column gives up the same fraction of its width.
    const qreal scale = total > width() && total > gaps ? qreal(qMax(0, width() - gaps)) / (total - gaps) : 1.0;
    int left = qMax(0, (width() - total) / 2);
    for (int component = 0; component < count; ++component) {
        m_components[component].left = left;
        m_components[component].width = int(widths[component] * scale);
        left += m_components[component].width + kComponentGap;
        layoutRows(component);
    }
    m_overlay->setGeometry(rect());
    m_overlay->raise();
    update();
}

void PickerView::layoutRows(int component)
{
    const Component& column = m_components[component];
    for (int row = 0; row < column.rows.size(); ++row) {
        const QRect place = rowRect(row, component);
        QWidget* view = column.rows[row];
        view->setGeometry(place);
        view->setVisible(place.intersects(rect()));
    }
}

int PickerView::bandTop(int component) const
{
    return (height() - m_components[component].rowHeight) / 2;
}

QRect PickerView::componentRect(int component) const
{
    if (component < 0 || component >= numberOfComponents())
        return {};
    return {m_components[component].left, 0, m_components[component].width, height()};
}

QRect PickerView::rowRect(int row, int component) const
{
    if (component < 0 || component >= numberOfComponents())
        return {};
    const Component& column = m_components[component];
    const int top = bandTop(component) + int(std::lround((row - column.position) * column.rowHeight));
    return {column.left, top, column.width, column.rowHeight};
}

QWidget* PickerView::viewForRow(int row, int component) const
{
    if (component < 0 || component >= numberOfComponents())
        return nullptr;
    return m_components[component].rows.value(row);
}

QSize PickerView::sizeHint() const
{
    int total = 0;
    for (int component = 0; component < numberOfComponents(); ++component)
        total += qMax(0, m_dataSource.widthForComponent(component)) + (component > 0 ? kComponentGap : 0);
    return {qMax(total, 200), kDefaultHeight};
}

int PickerView::componentAt(QPoint point) const
{
    for (int component = 0; component < numberOfComponents(); ++component) {
        if (componentRect(component).contains(point))
            return component;
    }
    return -1;
}

void PickerView::setPosition(int component, qreal position, bool animated)
{
    Component& column = m_components[component];
    if (column.turn)
        column.turn->stop();
    if (!animated || !isVisible() || qFuzzyCompare(column.position + 1, position + 1)) {
        column.position = position;
        layoutRows(component);
        return;
    }
    if (!column.turn) {
        column.turn = new QVariantAnimation(this);
        column.turn->setDuration(kTurnMilliseconds);
        column.turn->setEasingCurve(QEasingCurve::OutCubic);
        connect(column.turn, &QVariantAnimation::valueChanged, this, [this, component](const QVariant& value) {
            if (component >= numberOfComponents())
                return;
            m_components[component].position = value.toReal();
            layoutRows(component);
        });
    }
    column.turn->setStartValue(column.position);
    column.turn->setEndValue(position);
    column.turn->start();
}

void PickerView::chooseRow(int row, int component)
{
    if (component < 0 || component >= numberOfComponents() || m_components[component].rows.isEmpty())
        return;
    Component& column = m_components[component];
    const int chosen = qBound(0, row, int(column.rows.size()) - 1);
    const bool changed = chosen != column.selected;
    column.selected = chosen;
    setPosition(component, chosen, true);
    if (changed) {
        notifySelection(component);
        m_dataSource.didSelectRow(chosen, component);
    }
}

void PickerView::resizeEvent(QResizeEvent*)
{
    layoutComponents();
}

void PickerView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int component = 0; component < numberOfComponents(); ++component) {
        const QRectF column = QRectF(componentRect(component)).adjusted(0.5, 0.5, -0.5, -0.5);
        painter.setPen(QPen(QColor(0, 0, 0, 120), 1));
        painter.setBrush(kColumnColour);
        painter.drawRoundedRect(column, kCornerRadius, kCornerRadius);
        if (m_showsSelectionIndicator) {
            const Component& data = m_components[component];
            painter.fillRect(QRect(data.left, bandTop(component), data.width, data.rowHeight), kBandColour);
        }
    }
}

void PickerView::paintOverlay(QPainter& painter) const
{
    for (int component = 0; component < numberOfComponents(); ++component) {
        const QRect column = componentRect(component);
        const Component& data = m_components[component];
        // Rows fade towards the column's ends, as on a turning wheel.
        const int fade = qMax(0, bandTop(component) * 2 / 3);
        QColor edge = kColumnColour;
        QColor clear = kColumnColour;
        clear.setAlpha(0);
        QLinearGradient top(0, column.top(), 0, column.top() + fade);
        top.setColorAt(0, edge);
        top.setColorAt(1, clear);
        painter.fillRect(QRect(column.left() + 1, column.top() + 1, column.width() - 2, fade), top);
        QLinearGradient bottom(0, column.bottom() - fade, 0, column.bottom());
        bottom.setColorAt(0, clear);
        bottom.setColorAt(1, edge);
        painter.fillRect(QRect(column.left() + 1, column.bottom() - fade, column.width() - 2, fade), bottom);
        if (!m_showsSelectionIndicator)
            continue;
        const bool focused = hasFocus() && component == m_focusedComponent;
        painter.setPen(QPen(focused ? kFocusColour : kBandEdge, focused ? 1.5 : 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(data.left + 0.5, bandTop(component) - 0.5, data.width - 1.0, data.rowHeight + 1.0));
    }
}

void PickerView::mousePressEvent(QMouseEvent* event)
{
    const int component = componentAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || component < 0) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (m_components[component].turn)
        m_components[component].turn->stop();
    m_focusedComponent = component;
    m_pressComponent = component;
    m_pressPoint = event->position().toPoint();
    m_pressPosition = m_components[component].position;
    m_dragging = false;
    m_overlay->update();
}

void PickerView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_pressComponent < 0 || !(event->buttons() & Qt::LeftButton))
        return;
    const int distance = event->position().toPoint().y() - m_pressPoint.y();
    if (!m_dragging && std::abs(distance) < QApplication::startDragDistance())
        return;
    m_dragging = true;
    Component& column = m_components[m_pressComponent];
    const qreal last = qMax(0, int(column.rows.size()) - 1);
    column.position = qBound(0.0, m_pressPosition - qreal(distance) / column.rowHeight, last);
    layoutRows(m_pressComponent);
}

void PickerView::mouseReleaseEvent(QMouseEvent* event)
{
    const int component = m_pressComponent;
    m_pressComponent = -1;
    if (event->button() != Qt::LeftButton || component < 0) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const Component& column = m_components[component];
    if (m_dragging) {
        m_dragging = false;
        chooseRow(int(std::lround(column.position)), component);
        return;
    }
    const qreal offset = qreal(event->position().y() - bandTop(component)) / column.rowHeight;
    const int row = int(std::floor(offset + column.position));
    if (row >= 0 && row < column.rows.size())
        chooseRow(row, component);
}

void PickerView::wheelEvent(QWheelEvent* event)
{
    int component = componentAt(event->position().toPoint());
    if (component < 0)
        component = m_focusedComponent;
    if (component >= numberOfComponents()) {
        event->ignore();
        return;
    }
    Component& column = m_components[component];
    const QPoint angle = event->angleDelta();
    column.pendingWheel += angle.y() != 0 ? angle.y() : angle.x();
    const int steps = column.pendingWheel / kWheelStep;
    column.pendingWheel -= steps * kWheelStep;
    // Turning the wheel away from oneself brings the earlier rows down into the band.
    if (steps != 0)
        chooseRow(column.selected - steps, component);
    // Taken even at either end, so a scroll area around the picker does not move instead.
    event->accept();
}

void PickerView::keyPressEvent(QKeyEvent* event)
{
    const int count = numberOfComponents();
    if (count == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int component = m_focusedComponent;
    const int selected = m_components[component].selected;
    switch (event->key()) {
    case Qt::Key_Up:
        chooseRow(selected - 1, component);
        break;
    case Qt::Key_Down:
        chooseRow(selected + 1, component);
        break;
    case Qt::Key_PageUp:
        chooseRow(selected - kPageRows, component);
        break;
    case Qt::Key_PageDown:
        chooseRow(selected + kPageRows, component);
        break;
    case Qt::Key_Home:
        chooseRow(0, component);
        break;
    case Qt::Key_End:
        chooseRow(int(m_components[component].rows.size()) - 1, component);
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
        m_focusedComponent = qBound(0, component + (event->key() == Qt::Key_Left ? -1 : 1), count - 1);
        m_overlay->update();
        notifySelection(m_focusedComponent);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
}

} // namespace marrowfin
