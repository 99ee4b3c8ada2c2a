#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>

namespace marrowfin {

// One line of text that fits itself into its width: a text too wide is drawn in a smaller size of its font, down
// to a floor, and cut with an ellipsis only if even that is too wide.
class ShrinkingLabel final : public QWidget
{
    Q_OBJECT

public:
    explicit ShrinkingLabel(QWidget* parent = nullptr);

    [[nodiscard]] const QString& text() const { return m_text; }
    void setText(const QString& text);
    [[nodiscard]] QColor textColor() const { return m_textColor; }
    void setTextColor(const QColor& colour);
    [[nodiscard]] Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);
    // The smallest pixel size the font is taken down to; the label's own font() is the largest.
    [[nodiscard]] int minimumPixelSize() const { return m_minimumPixelSize; }
    void setMinimumPixelSize(int pixelSize);

    // The font and text the label draws at its current width.
    [[nodiscard]] QFont fittedFont() const;
    [[nodiscard]] QString displayedText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    QColor m_textColor = Qt::white;
    Qt::Alignment m_alignment = Qt::AlignCenter;
    int m_minimumPixelSize = 8;
};

} // namespace marrowfin
