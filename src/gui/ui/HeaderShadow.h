#pragma once

#include <QWidget>

namespace marrowfin {

// The soft shadow under the listing header. It is a sibling of the header rather than part of it, so that it can
// be drawn over the list while clicks pass through it to the list.
class HeaderShadow final : public QWidget
{
    Q_OBJECT

public:
    explicit HeaderShadow(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace marrowfin
