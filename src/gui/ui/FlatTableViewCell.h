#pragma once

#include "gui/platform/TableViewCell.h"

class QPainter;

namespace marrowfin {

class FlatTableViewCellView;

// A table row that draws its whole content in one pass (drawContentView) into a single content view. The content
// view stops one point short of the row's bottom, so a line of the table's background separates the rows.
//
// While the row is neither highlighted nor selected its content view is opaque and drawContentView must cover the
// whole rectangle; while it is, the view turns transparent so the row's selection grey can show through whatever
// drawContentView leaves unpainted.
class FlatTableViewCell : public TableViewCell
{
    Q_OBJECT

public:
    static constexpr int kSeparatorHeight = 1;

    explicit FlatTableViewCell(QString reuseIdentifier, QWidget* parent = nullptr);
    ~FlatTableViewCell() override;

    [[nodiscard]] FlatTableViewCellView* flatContentView() const;

    void setHighlighted(bool highlighted) override;
    void setSelected(bool selected) override;
    // Repaints the row and its content.
    void setNeedsDisplay();

protected:
    friend class FlatTableViewCellView;

    // Draws the row's content into `rect` of the content view; draws nothing here.
    virtual void drawContentView(QPainter& painter, const QRect& rect);
    void layoutSubviews() override;

private:
    void updateOpacity();
};

} // namespace marrowfin
