#include "TableViewCell.h"

#include <QPainter>

namespace marrowfin {

TableViewCell::TableViewCell(QString reuseIdentifier, QWidget* parent)
    : QWidget(parent), m_reuseIdentifier(std::move(reuseIdentifier)), m_contentView(new QWidget(this))
{
    setAttribute(Qt::WA_NoSystemBackground);
}

TableViewCell::~TableViewCell() = default;

void TableViewCell::setContentView(QWidget* view)
{
    if (view == m_contentView)
        return;
    delete m_contentView;
    m_contentView = view;
    if (m_contentView) {
        m_contentView->setParent(this);
        m_contentView->show();
        m_contentView->lower();
    }
    layoutSubviews();
}

void TableViewCell::setAccessoryView(QWidget* view)
{
    if (view == m_accessoryView)
        return;
    delete m_accessoryView.data();
    m_accessoryView = view;
    if (m_accessoryView) {
        m_accessoryView->setParent(this);
        m_accessoryView->show();
        m_accessoryView->raise();
    }
    layoutSubviews();
}

void TableViewCell::setHighlighted(bool highlighted)
{
    if (m_highlighted == highlighted)
        return;
    m_highlighted = highlighted;
    update();
    if (m_contentView)
        m_contentView->update();
}

void TableViewCell::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    update();
    if (m_contentView)
        m_contentView->update();
}

void TableViewCell::setBackgroundColor(const QColor& colour)
{
    m_backgroundColor = colour;
    update();
}

void TableViewCell::prepareForReuse()
{
    setHighlighted(false);
    setSelected(false);
    setTakesTouches(true);
}

QRect TableViewCell::contentRect() const
{
    int width = this->width();
    if (m_accessoryView)
        width -= m_accessoryView->width() + 2 * kAccessoryMargin;
    return {0, 0, qMax(0, width), height()};
}

void TableViewCell::layoutSubviews()
{
    if (m_contentView)
        m_contentView->setGeometry(contentRect());
    if (m_accessoryView) {
        const QSize size = m_accessoryView->size();
        m_accessoryView->move(width() - kAccessoryMargin - size.width(), (height() - size.height()) / 2);
    }
}

void TableViewCell::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutSubviews();
}

void TableViewCell::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const bool showsSelection = (m_highlighted || m_selected) && m_selectionStyle == SelectionStyle::Grey;
    if (showsSelection)
        painter.fillRect(rect(), kSelectionGrey);
    else if (m_backgroundColor.alpha() > 0)
        painter.fillRect(rect(), m_backgroundColor);
}

} // namespace marrowfin
