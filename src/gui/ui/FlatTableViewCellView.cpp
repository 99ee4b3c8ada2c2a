#include "FlatTableViewCellView.h"

#include "FlatTableViewCell.h"

#include <QPainter>

namespace marrowfin {

FlatTableViewCellView::FlatTableViewCellView(QWidget* parent) : QWidget(parent)
{
    setOpaque(true);
}

void FlatTableViewCellView::setOpaque(bool opaque)
{
    setAttribute(Qt::WA_OpaquePaintEvent, opaque);
    setAttribute(Qt::WA_NoSystemBackground, opaque);
}

void FlatTableViewCellView::paintEvent(QPaintEvent*)
{
    // The view may sit inside wrappers of the row's, so the row is looked for up the whole chain.
    for (QWidget* ancestor = parentWidget(); ancestor; ancestor = ancestor->parentWidget()) {
        if (auto* cell = qobject_cast<FlatTableViewCell*>(ancestor)) {
            QPainter painter(this);
            cell->drawContentView(painter, rect());
            return;
        }
    }
}

} // namespace marrowfin
