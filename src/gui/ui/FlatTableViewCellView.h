#pragma once

#include <QWidget>

namespace marrowfin {

// The content view of a FlatTableViewCell: it has no drawing of its own and asks its row to draw into it, so a
// row's whole content is one paint pass instead of a widget per text.
class FlatTableViewCellView final : public QWidget
{
    Q_OBJECT

public:
    explicit FlatTableViewCellView(QWidget* parent = nullptr);

    // Opaque: the row promises to cover every pixel, so nothing behind the view is painted first.
    void setOpaque(bool opaque);
    [[nodiscard]] bool isOpaque() const { return testAttribute(Qt::WA_OpaquePaintEvent); }

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace marrowfin
