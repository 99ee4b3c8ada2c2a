#include "ActivitySpinner.h"

#include <QPainter>

#include <algorithm>

namespace marrowfin {

namespace {
constexpr int kTickCount = 12;
constexpr int kStepMilliseconds = 80;
// The trailing ticks fade to this share of the full colour.
constexpr qreal kFaintestAlpha = 0.25;
} // namespace

ActivitySpinner::ActivitySpinner(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    resize(kSize, kSize);
    hide();
    m_timer.setInterval(kStepMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % kTickCount;
        update();
    });
}

void ActivitySpinner::setColor(const QColor& colour)
{
    m_color = colour;
    update();
}

void ActivitySpinner::startAnimating()
{
    m_timer.start();
    show();
}

void ActivitySpinner::stopAnimating()
{
    m_timer.stop();
    hide();
}

void ActivitySpinner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(width(), height());
    const qreal outer = side / 2;
    const qreal inner = outer * 0.45;
    const qreal tickWidth = std::max<qreal>(1.5, side / 10);
    painter.translate(width() / 2.0, height() / 2.0);
    for (int tick = 0; tick < kTickCount; ++tick) {
        // The tick at m_step is the head; those behind it in the turn fade out.
        const int behind = (m_step - tick + kTickCount) % kTickCount;
        QColor colour = m_color;
        colour.setAlphaF(m_color.alphaF() * std::max(kFaintestAlpha, 1.0 - qreal(behind) / kTickCount));
        painter.setPen(QPen(colour, tickWidth, Qt::SolidLine, Qt::RoundCap));
        painter.save();
        painter.rotate(tick * 360.0 / kTickCount);
        painter.drawLine(QPointF(0, -inner), QPointF(0, -outer + tickWidth / 2));
        painter.restore();
    }
}

} // namespace marrowfin
