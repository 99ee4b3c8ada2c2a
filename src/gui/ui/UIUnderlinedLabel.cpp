#include "UIUnderlinedLabel.h"

#include <QFontMetrics>
#include <QPainter>

namespace marrowfin {

UIUnderlinedLabel::UIUnderlinedLabel(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
}

QSize UIUnderlinedLabel::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()), metrics.height() + 2 * kUnderlineInset};
}

void UIUnderlinedLabel::paintEvent(QPaintEvent*)
{
    // Nothing is filled: the area stays clear, so the header's gradient shows behind the title.
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(QPen(Qt::white, 1));
    const int titleWidth = QFontMetrics(font()).horizontalAdvance(text());
    const int lineY = height() - kUnderlineInset;
    painter.drawLine(0, lineY, titleWidth, lineY);
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
    if (hasFocus())
        painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

} // namespace marrowfin
