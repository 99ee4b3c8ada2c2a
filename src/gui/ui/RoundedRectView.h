#pragma once

#include <QColor>
#include <QWidget>

namespace marrowfin {

// A rounded rectangle drawn over whatever lies behind it: the view itself is always transparent, so only the
// shape shows. Overlays use it as their panel.
class RoundedRectView final : public QWidget
{
    Q_OBJECT

public:
    explicit RoundedRectView(QWidget* parent = nullptr);

    [[nodiscard]] QColor strokeColor() const { return m_strokeColor; }
    void setStrokeColor(const QColor& colour);
    [[nodiscard]] QColor rectColor() const { return m_rectColor; }
    void setRectColor(const QColor& colour);
    [[nodiscard]] qreal strokeWidth() const { return m_strokeWidth; }
    void setStrokeWidth(qreal width);
    [[nodiscard]] qreal cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(qreal radius);

    // The view keeps its clear background whatever its owner asks for; these exist so that asking is harmless.
    void setBackgroundColor(const QColor&) {}
    void setOpaque(bool) {}
    [[nodiscard]] bool isOpaque() const { return false; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_strokeColor = Qt::white;
    QColor m_rectColor = Qt::white;
    qreal m_strokeWidth = 1.0;
    qreal m_cornerRadius = 30.0;
};

} // namespace marrowfin
