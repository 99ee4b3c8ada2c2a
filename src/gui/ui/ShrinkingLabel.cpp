#include "ShrinkingLabel.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace marrowfin {

ShrinkingLabel::ShrinkingLabel(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void ShrinkingLabel::setText(const QString& text)
{
    m_text = text;
    update();
}

void ShrinkingLabel::setTextColor(const QColor& colour)
{
    m_textColor = colour;
    update();
}

void ShrinkingLabel::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    update();
}

void ShrinkingLabel::setMinimumPixelSize(int pixelSize)
{
    m_minimumPixelSize = pixelSize;
    update();
}

QFont ShrinkingLabel::fittedFont() const
{
    QFont fitted = font();
    const int largest = fitted.pixelSize() > 0 ? fitted.pixelSize() : QFontMetrics(fitted).height();
    for (int size = largest; size >= std::min(largest, m_minimumPixelSize); --size) {
        fitted.setPixelSize(size);
        if (QFontMetrics(fitted).horizontalAdvance(m_text) <= width())
            return fitted;
    }
    return fitted;
}

QString ShrinkingLabel::displayedText() const
{
    return QFontMetrics(fittedFont()).elidedText(m_text, Qt::ElideRight, width());
}

void ShrinkingLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(fittedFont());
    painter.setPen(m_textColor);
    painter.drawText(rect(), int(m_alignment) | Qt::TextSingleLine, displayedText());
}

} // namespace marrowfin
