#include "TableView.h"

#include "Fonts.h"
#include "TableViewCell.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QGraphicsOpacityEffect>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>

namespace marrowfin {

TableView::TableView(TableViewDataSource& dataSource, QWidget* parent)
    : QAbstractScrollArea(parent), m_dataSource(dataSource)
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    verticalScrollBar()->setSingleStep(37);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setStyleSheet(QStringLiteral("QScrollBar:vertical { background: transparent; width: 7px; margin: 2px; }"
                                 "QScrollBar::handle:vertical { background: rgba(255,255,255,90); border-radius: 3px;"
                                 " min-height: 30px; }"
                                 "QScrollBar::add-line, QScrollBar::sub-line { height: 0; }"
                                 "QScrollBar::add-page, QScrollBar::sub-page { background: transparent; }"));

    m_deleteButton = new QPushButton(QStringLiteral("Delete"), viewport());
    m_deleteButton->setObjectName(QStringLiteral("deleteButton"));
    m_deleteButton->setFont(systemFont(13, true));
    m_deleteButton->setCursor(Qt::PointingHandCursor);
    m_deleteButton->setFocusPolicy(Qt::NoFocus);
    m_deleteButton->setStyleSheet(QStringLiteral("QPushButton { color: white; background: qlineargradient(x1:0, y1:0, "
                                                 "x2:0, y2:1, stop:0 #e8453c, stop:1 #b3201a);"
                                                 " border: 1px solid #7a1410; border-radius: 5px; padding: 0 10px; }"
                                                 "QPushButton:pressed { background: #9c1c16; }"));
    m_deleteButton->hide();
    connect(m_deleteButton, &QPushButton::clicked, this, [this] {
        const int row = m_deleteRow;
        hideDeleteConfirmation();
        if (row >= 0 && row < m_rowCount && m_dataSource.canEditRow(row))
            m_dataSource.commitDeleteRow(row);
    });

    // Shows which row the keys act on; it never takes a click.
    m_currentFrame = new QWidget(viewport());
    m_currentFrame->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_currentFrame->setAttribute(Qt::WA_StyledBackground);
    m_currentFrame->setStyleSheet(
        QStringLiteral("background: transparent; border: 1px solid rgba(255, 255, 255, 110); border-radius: 2px;"));
    m_currentFrame->hide();
}

TableView::~TableView() = default;

void TableView::recomputeOffsets()
{
    m_offsets.resize(m_rowCount + 1);
    int top = m_topInset;
    for (int row = 0; row < m_rowCount; ++row) {
        m_offsets[row] = top;
        top += qMax(0, m_dataSource.heightForRow(row));
    }
    m_offsets[m_rowCount] = top;
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setRange(0, qMax(0, top - viewport()->height()));
}

void TableView::recycle(int row)
{
    TableViewCell* cell = m_visible.take(row);
    if (!cell)
        return;
    if (row == m_pressedRow)
        m_pressedRow = -1;
    cell->prepareForReuse();
    cell->hide();
    m_reusable[cell->reuseIdentifier()].append(cell);
}

void TableView::reloadData()
{
    const QList<int> shown = m_visible.keys();
    for (const int row : shown)
        recycle(row);
    m_rowCount = qMax(0, m_dataSource.numberOfRows());
    if (m_selectedRow >= m_rowCount)
        m_selectedRow = -1;
    if (m_currentRow >= m_rowCount)
        m_currentRow = m_rowCount - 1;
    if (m_deleteRow >= m_rowCount)
        hideDeleteConfirmation();
    recomputeOffsets();
    layoutRows();
    placeEmptyAction();
    viewport()->update();
}

TableViewCell* TableView::dequeueReusableCell(const QString& identifier)
{
    auto found = m_reusable.find(identifier);
    if (found == m_reusable.end() || found->isEmpty())
        return nullptr;
    return found->takeLast();
}

void TableView::layoutRows()
{
    const int top = verticalScrollBar()->value();
    const int bottom = top + viewport()->height();
    const QList<int> shown = m_visible.keys();
    // Only with an assistive tool listening: a scroll lays the rows out at every step.
    const bool telling = QAccessible::isActive();
    const QList<TableViewCell*> before = telling ? m_visible.values() : QList<TableViewCell*>();
    for (const int row : shown) {
        if (row >= m_rowCount || m_offsets[row + 1] <= top || m_offsets[row] >= bottom)
            recycle(row);
    }
    for (int row = 0; row < m_rowCount; ++row) {
        if (m_offsets[row + 1] <= top)
            continue;
        if (m_offsets[row] >= bottom)
            break;
        TableViewCell* cell = m_visible.value(row);
        if (!cell) {
            cell = m_dataSource.cellForRow(row);
            if (!cell)
                continue;
            cell->setParent(viewport());
            cell->setSelected(row == m_selectedRow);
            m_visible.insert(row, cell);
        }
        cell->setGeometry(0, m_offsets[row] - top, viewport()->width(), m_offsets[row + 1] - m_offsets[row]);
        cell->show();
    }
    placeOverlays();
    // Assistive tools that keep the list's children hear that they changed.
    if (telling && m_visible.values() != before) {
        QAccessibleEvent reorder(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&reorder);
    }
}

void TableView::placeOverlays()
{
    if (m_deleteRow >= 0) {
        const QRect row = rectForRow(m_deleteRow);
        const int height = qMax(0, row.height() - 8);
        const int width = qMax(72, m_deleteButton->sizeHint().width());
        m_deleteButton->setGeometry(row.right() - width - 8, row.top() + (row.height() - height) / 2, width, height);
        m_deleteButton->show();
        m_deleteButton->raise();
    } else {
        m_deleteButton->hide();
    }
    const bool framed = hasFocus() && m_currentRow >= 0 && m_currentRow < m_rowCount;
    if (framed) {
        m_currentFrame->setGeometry(rectForRow(m_currentRow).adjusted(1, 0, -1, -1));
        m_currentFrame->raise();
    }
    m_currentFrame->setVisible(framed);
}

void TableView::showDeleteConfirmation(int row)
{
    if (row < 0 || row >= m_rowCount || !m_dataSource.canEditRow(row))
        return;
    m_deleteRow = row;
    placeOverlays();
}

void TableView::hideDeleteConfirmation()
{
    m_deleteRow = -1;
    placeOverlays();
}

void TableView::setCurrentRow(int row)
{
    const int previous = m_currentRow;
    m_currentRow = (row >= 0 && row < m_rowCount) ? row : -1;
    if (m_currentRow >= 0) {
        // Into sight, as the keys move it.
        QScrollBar* bar = verticalScrollBar();
        const int top = m_offsets[m_currentRow];
        const int bottom = m_offsets[m_currentRow + 1];
        if (top - m_topInset < bar->value())
            bar->setValue(top - m_topInset);
        else if (bottom > bar->value() + viewport()->height())
            bar->setValue(bottom - viewport()->height());
    }
    placeOverlays();
    notifyCurrentRow(previous);
}

void TableView::notifyCurrentRow(int previous)
{
    if (!QAccessible::isActive()) {
        return;
    }
    if (TableViewCell* old = m_visible.value(previous); old && previous != m_currentRow) {
        QAccessibleEvent unselected(old, QAccessible::SelectionRemove);
        QAccessible::updateAccessibility(&unselected);
    }
    TableViewCell* cell = m_visible.value(m_currentRow);
    if (!cell) {
        return;
    }
    if (previous != m_currentRow) {
        QAccessibleEvent selected(cell, QAccessible::Selection);
        QAccessible::updateAccessibility(&selected);
    }
    if (hasFocus()) {
        QAccessibleEvent focus(cell, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
}

QList<int> TableView::visibleRows() const
{
    QList<int> rows = m_visible.keys();
    std::sort(rows.begin(), rows.end());
    return rows;
}

int TableView::rowOfCell(const TableViewCell* cell) const
{
    for (auto found = m_visible.cbegin(); found != m_visible.cend(); ++found) {
        if (found.value() == cell) {
            return found.key();
        }
    }
    return -1;
}

bool TableView::canSendRow(int row) const
{
    return row >= 0 && row < m_rowCount && m_dataSource.canSendRow(row);
}

bool TableView::sendRow(int row)
{
    if (!canSendRow(row)) {
        return false;
    }
    m_dataSource.sendRow(row);
    return true;
}

bool TableView::canRemoveRow(int row) const
{
    return row >= 0 && row < m_rowCount && m_dataSource.canEditRow(row);
}

bool TableView::removeRow(int row)
{
    if (!canRemoveRow(row)) {
        return false;
    }
    hideDeleteConfirmation();
    m_dataSource.commitDeleteRow(row);
    return true;
}

void TableView::deleteRow(int row, bool fade)
{
    QLabel* ghost = nullptr;
    if (TableViewCell* cell = m_visible.value(row); cell && fade) {
        ghost = new QLabel(viewport());
        ghost->setAttribute(Qt::WA_TransparentForMouseEvents);
        ghost->setPixmap(cell->grab());
        ghost->setGeometry(cell->geometry());
    }
    // Rows below move up by one; so do the marks that name them.
    auto shift = [row](int& mark) {
        if (mark == row)
            mark = -1;
        else if (mark > row)
            --mark;
    };
    shift(m_selectedRow);
    shift(m_pressedRow);
    const int current = m_currentRow;
    hideDeleteConfirmation();
    reloadData();
    if (current >= 0)
        setCurrentRow(current > row ? current - 1 : qMin(current, m_rowCount - 1));
    if (!ghost)
        return;
    ghost->show();
    ghost->raise();
    auto* opacity = new QGraphicsOpacityEffect(ghost);
    ghost->setGraphicsEffect(opacity);
    auto* animation = new QPropertyAnimation(opacity, "opacity", ghost);
    animation->setDuration(250);
    animation->setStartValue(1.0);
    animation->setEndValue(0.0);
    connect(animation, &QAbstractAnimation::finished, ghost, &QObject::deleteLater);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

TableViewCell* TableView::cellForRow(int row) const
{
    return m_visible.value(row);
}

int TableView::rowAt(QPoint viewportPoint) const
{
    const int y = viewportPoint.y() + verticalScrollBar()->value();
    if (m_rowCount == 0 || y < m_offsets[0] || y >= m_offsets[m_rowCount])
        return -1;
    const auto next = std::upper_bound(m_offsets.cbegin(), m_offsets.cend() - 1, y);
    return int(next - m_offsets.cbegin()) - 1;
}

QRect TableView::rectForRow(int row) const
{
    if (row < 0 || row >= m_rowCount)
        return {};
    return {0, m_offsets[row] - verticalScrollBar()->value(), viewport()->width(), m_offsets[row + 1] - m_offsets[row]};
}

void TableView::setAllowsSelection(bool allows)
{
    m_allowsSelection = allows;
    if (!allows)
        clearHighlight();
}

void TableView::setScrollEnabled(bool enabled)
{
    m_scrollEnabled = enabled;
    verticalScrollBar()->setEnabled(enabled);
}

void TableView::scrollToTop()
{
    verticalScrollBar()->setValue(0);
}

void TableView::deselectRow(int row, bool)
{
    if (TableViewCell* cell = m_visible.value(row))
        cell->setSelected(false);
    if (row == m_selectedRow)
        m_selectedRow = -1;
}

void TableView::setTopInset(int inset)
{
    m_topInset = qMax(0, inset);
    reloadData();
}

void TableView::setBackgroundColor(const QColor& colour)
{
    m_background = colour;
    viewport()->update();
}

void TableView::clearHighlight()
{
    if (TableViewCell* cell = m_visible.value(m_pressedRow))
        cell->setHighlighted(false);
    m_pressedRow = -1;
}

void TableView::tapRow(int row)
{
    if (!m_allowsSelection || row < 0 || row >= m_rowCount)
        return;
    TableViewCell* cell = m_visible.value(row);
    if (cell && !cell->takesTouches())
        return;
    if (m_selectedRow >= 0 && m_selectedRow != row)
        deselectRow(m_selectedRow, false);
    const int previous = m_currentRow;
    m_selectedRow = row;
    m_currentRow = row;
    placeOverlays();
    notifyCurrentRow(previous);
    if (cell) {
        cell->setHighlighted(false);
        cell->setSelected(true);
    }
    m_dataSource.didSelectRow(row);
}

void TableView::setEmptyText(const QString& text)
{
    m_emptyText = text;
    placeEmptyAction();
    viewport()->update();
}

void TableView::setEmptyAction(const QString& title, std::function<void()> action)
{
    m_emptyActionCallback = title.isEmpty() ? nullptr : std::move(action);
    if (title.isEmpty()) {
        delete m_emptyAction;
        m_emptyAction = nullptr;
        return;
    }
    if (!m_emptyAction) {
        m_emptyAction = new QPushButton(viewport());
        m_emptyAction->setObjectName(QStringLiteral("emptyAction"));
        m_emptyAction->setFont(systemFont(16, true));
        m_emptyAction->setCursor(Qt::PointingHandCursor);
        m_emptyAction->setStyleSheet(QStringLiteral(
            "QPushButton { color: white; background: #4a4a4a; border: 1px solid #6a6a6a; border-radius: 6px;"
            " min-height: 34px; padding: 0 18px; }"
            "QPushButton:pressed { background: #2e2e2e; }"
            "QPushButton:focus { border-color: #3cb4a0; }"));
        connect(m_emptyAction, &QPushButton::clicked, this, [this] {
            if (m_emptyActionCallback) {
                m_emptyActionCallback();
            }
        });
    }
    m_emptyAction->setText(title);
    placeEmptyAction();
}

QRect TableView::emptyTextArea() const
{
    return viewport()->rect().adjusted(24, m_topInset, -24, 0);
}

void TableView::placeEmptyAction()
{
    if (!m_emptyAction) {
        return;
    }
    const bool shown = m_rowCount == 0;
    if (shown) {
        const QRect area = emptyTextArea();
        const QRect text =
            QFontMetrics(systemFont(15)).boundingRect(area, Qt::AlignCenter | Qt::TextWordWrap, m_emptyText);
        m_emptyAction->adjustSize();
        m_emptyAction->move(area.center().x() - m_emptyAction->width() / 2, text.bottom() + 16);
    }
    m_emptyAction->setVisible(shown);
}

void TableView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), m_background);
    if (m_rowCount == 0 && !m_emptyText.isEmpty()) {
        painter.setPen(QColor(0x9a, 0x9a, 0x9a));
        painter.setFont(systemFont(15));
        painter.drawText(emptyTextArea(), Qt::AlignCenter | Qt::TextWordWrap, m_emptyText);
    }
}

void TableView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    recomputeOffsets();
    layoutRows();
    placeEmptyAction();
}

void TableView::scrollContentsBy(int, int)
{
    clearHighlight();
    layoutRows();
}

bool TableView::viewportEvent(QEvent* event)
{
    return QAbstractScrollArea::viewportEvent(event);
}

void TableView::mousePressEvent(QMouseEvent* event)
{
    clearHighlight();
    m_swipeRow = -1;
    // With a Delete button out, a press anywhere else only puts it away, as on a phone.
    if (m_deleteRow >= 0) {
        hideDeleteConfirmation();
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    const int row = rowAt(event->position().toPoint());
    m_pressPoint = event->position().toPoint();
    if (row >= 0 && m_dataSource.canEditRow(row))
        m_swipeRow = row;
    if (!m_allowsSelection)
        return;
    TableViewCell* cell = m_visible.value(row);
    if (!cell || !cell->takesTouches())
        return;
    m_pressedRow = row;
    cell->setHighlighted(true);
}

void TableView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (m_swipeRow >= 0) {
        const int leftwards = m_pressPoint.x() - point.x();
        if (leftwards > kSwipeDistance && leftwards > 2 * qAbs(point.y() - m_pressPoint.y())) {
            // A swipe, not a tap: the row is not selected when the button is let go.
            clearHighlight();
            showDeleteConfirmation(m_swipeRow);
            m_swipeRow = -1;
            return;
        }
    }
    if (m_pressedRow >= 0 && rowAt(point) != m_pressedRow)
        clearHighlight();
}

void TableView::mouseReleaseEvent(QMouseEvent* event)
{
    m_swipeRow = -1;
    const int row = rowAt(event->position().toPoint());
    const int pressed = m_pressedRow;
    clearHighlight();
    if (pressed >= 0 && row == pressed)
        tapRow(row);
}

void TableView::wheelEvent(QWheelEvent* event)
{
    if (!m_scrollEnabled) {
        event->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}

void TableView::contextMenuEvent(QContextMenuEvent* event)
{
    const int row = rowAt(event->pos());
    if (row < 0 || (!m_dataSource.canEditRow(row) && !m_dataSource.canSendRow(row))) {
        return;
    }
    setCurrentRow(row);
    const QVariant key = m_dataSource.rowKey(row);
    QMenu menu(this);
    QAction* send = m_dataSource.canSendRow(row) ? menu.addAction(kSendTitle.toString()) : nullptr;
    QAction* remove = m_dataSource.canEditRow(row) ? menu.addAction(QStringLiteral("Delete")) : nullptr;
    QAction* chosen = menu.exec(event->globalPos());
    // The menu ran an event loop of its own: a refresh may have landed meanwhile. It acts on what it was opened for,
    // wherever that row is now, or on nothing when it is gone.
    if (!chosen) {
        return;
    }
    int now = row < m_rowCount && m_dataSource.rowKey(row) == key ? row : -1;
    for (int other = 0; now < 0 && other < m_rowCount; ++other) {
        now = m_dataSource.rowKey(other) == key ? other : -1;
    }
    if (now < 0) {
        return;
    }
    if (chosen == send && m_dataSource.canSendRow(now)) {
        sendRow(now);
    } else if (chosen == remove && m_dataSource.canEditRow(now)) {
        removeRow(now);
    }
}

int TableView::rowAfterScreen(int row, bool down) const
{
    // The row a screen's height away from the current one's top, or the end.
    const int from = m_offsets[qBound(0, row, m_rowCount - 1)];
    const int target = down ? from + viewport()->height() - m_topInset : from - (viewport()->height() - m_topInset);
    int found = 0;
    while (found + 1 < m_rowCount && m_offsets[found + 1] <= target) {
        ++found;
    }
    return qBound(0, found, m_rowCount - 1);
}

void TableView::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    placeOverlays();
    notifyCurrentRow(m_currentRow);
}

void TableView::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    placeOverlays();
}

void TableView::keyPressEvent(QKeyEvent* event)
{
    // The keys pick a current row and act on it; a list that does not scroll now (a page on its way) keeps its
    // place.
    if (m_rowCount == 0 || !m_scrollEnabled) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const int current = m_currentRow;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Down:
        setCurrentRow(current < 0 ? 0 : qMin(current + 1, m_rowCount - 1));
        return;
    case Qt::Key_Up:
        setCurrentRow(current < 0 ? 0 : qMax(current - 1, 0));
        return;
    case Qt::Key_PageDown:
        setCurrentRow(rowAfterScreen(qMax(0, current), true));
        return;
    case Qt::Key_PageUp:
        setCurrentRow(rowAfterScreen(qMax(0, current), false));
        return;
    case Qt::Key_Home:
        setCurrentRow(0);
        return;
    case Qt::Key_End:
        setCurrentRow(m_rowCount - 1);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (current >= 0) {
            tapRow(current);
        }
        return;
    case Qt::Key_D:
        if (ctrl && sendRow(current)) {
            return;
        }
        break;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        if (removeRow(current)) {
            return;
        }
        break;
    case Qt::Key_Escape:
        if (m_deleteRow >= 0) {
            hideDeleteConfirmation();
            return;
        }
        break;
    default:
        break;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

} // namespace marrowfin
