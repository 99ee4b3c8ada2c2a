#pragma once

#include <QColor>
#include <QTimer>
#include <QWidget>

namespace marrowfin {

// A small busy mark: a ring of ticks whose brightest tick steps round while it animates. Hidden while stopped.
class ActivitySpinner final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kSize = 20;

    explicit ActivitySpinner(QWidget* parent = nullptr);

    [[nodiscard]] QColor color() const { return m_color; }
    void setColor(const QColor& colour);

    void startAnimating();
    void stopAnimating();
    [[nodiscard]] bool isAnimating() const { return m_timer.isActive(); }

    [[nodiscard]] QSize sizeHint() const override { return {kSize, kSize}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color = Qt::white;
    QTimer m_timer;
    int m_step = 0;
};

} // namespace marrowfin
