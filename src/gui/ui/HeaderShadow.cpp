#include "HeaderShadow.h"

#include <QLinearGradient>
#include <QPainter>

namespace marrowfin {

namespace {
constexpr QColor kShadowTop{0, 0, 0, 150};
constexpr QColor kShadowBottom{0, 0, 0, 0};
} // namespace

HeaderShadow::HeaderShadow(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
}

void HeaderShadow::paintEvent(QPaintEvent*)
{
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, kShadowTop);
    gradient.setColorAt(1, kShadowBottom);
    QPainter painter(this);
    painter.fillRect(rect(), gradient);
}

} // namespace marrowfin
