#include "FlatTableViewCell.h"

#include "FlatTableViewCellView.h"

namespace marrowfin {

FlatTableViewCell::FlatTableViewCell(QString reuseIdentifier, QWidget* parent)
    : TableViewCell(std::move(reuseIdentifier), parent)
{
    setContentView(new FlatTableViewCellView);
}

FlatTableViewCell::~FlatTableViewCell() = default;

FlatTableViewCellView* FlatTableViewCell::flatContentView() const
{
    return qobject_cast<FlatTableViewCellView*>(contentView());
}

void FlatTableViewCell::setHighlighted(bool highlighted)
{
    TableViewCell::setHighlighted(highlighted);
    updateOpacity();
}

void FlatTableViewCell::setSelected(bool selected)
{
    TableViewCell::setSelected(selected);
    updateOpacity();
}

void FlatTableViewCell::updateOpacity()
{
    if (FlatTableViewCellView* view = flatContentView())
        view->setOpaque(!isHighlighted() && !isSelected());
}

void FlatTableViewCell::setNeedsDisplay()
{
    update();
    if (QWidget* view = contentView())
        view->update();
}

void FlatTableViewCell::drawContentView(QPainter&, const QRect&) {}

void FlatTableViewCell::layoutSubviews()
{
    TableViewCell::layoutSubviews();
    if (QWidget* view = contentView())
        view->setGeometry(contentRect().adjusted(0, 0, 0, -kSeparatorHeight));
}

} // namespace marrowfin
