#include "TableView.h"

#include "Fonts.h"
#include "TableViewCell.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

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
    recomputeOffsets();
    layoutRows();
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
    m_selectedRow = row;
    if (cell) {
        cell->setHighlighted(false);
        cell->setSelected(true);
    }
    m_dataSource.didSelectRow(row);
}

void TableView::setEmptyText(const QString& text)
{
    m_emptyText = text;
    viewport()->update();
}

void TableView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), m_background);
    if (m_rowCount == 0 && !m_emptyText.isEmpty()) {
        painter.setPen(QColor(0x9a, 0x9a, 0x9a));
        painter.setFont(systemFont(15));
        const QRect area = viewport()->rect().adjusted(24, m_topInset, -24, 0);
        painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, m_emptyText);
    }
}

void TableView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    recomputeOffsets();
    layoutRows();
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
    if (event->button() != Qt::LeftButton || !m_allowsSelection)
        return;
    const int row = rowAt(event->position().toPoint());
    TableViewCell* cell = m_visible.value(row);
    if (!cell || !cell->takesTouches())
        return;
    m_pressedRow = row;
    cell->setHighlighted(true);
}

void TableView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_pressedRow >= 0 && rowAt(event->position().toPoint()) != m_pressedRow)
        clearHighlight();
}

void TableView::mouseReleaseEvent(QMouseEvent* event)
{
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

void TableView::keyPressEvent(QKeyEvent* event)
{
    if (!m_scrollEnabled) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    QScrollBar* bar = verticalScrollBar();
    switch (event->key()) {
    case Qt::Key_Home:
        bar->setValue(0);
        return;
    case Qt::Key_End:
        bar->setValue(bar->maximum());
        return;
    case Qt::Key_PageDown:
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        return;
    case Qt::Key_PageUp:
        bar->triggerAction(QAbstractSlider::SliderPageStepSub);
        return;
    case Qt::Key_Down:
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        return;
    case Qt::Key_Up:
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        return;
    default:
        QAbstractScrollArea::keyPressEvent(event);
    }
}

} // namespace marrowfin
