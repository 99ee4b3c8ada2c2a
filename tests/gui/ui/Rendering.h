#pragma once

#include "Printing.h"

#include <QColor>
#include <QImage>
#include <QWidget>

#include <cstdlib>
#include <functional>
#include <optional>

namespace marrowfin::test {

// The widget as it paints itself, one pixel per point, over a transparent picture. By default without the
// window background a top-level widget would get, as the widgets under test are children in the application.
inline QImage renderImage(QWidget& widget, QWidget::RenderFlags flags = QWidget::DrawChildren)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(1);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), flags);
    return image;
}

// The largest x in the rectangle whose pixel satisfies `matches`; none when no pixel does.
inline std::optional<int> rightmostMatching(const QImage& image, const QRect& area,
                                            const std::function<bool(const QColor&)>& matches)
{
    const QRect clipped = area & image.rect();
    for (int x = clipped.right(); x >= clipped.left(); --x) {
        for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
            if (matches(image.pixelColor(x, y)))
                return x;
        }
    }
    return std::nullopt;
}

inline bool closeTo(const QColor& actual, const QColor& expected, int tolerance = 3)
{
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance &&
           std::abs(actual.alpha() - expected.alpha()) <= tolerance;
}

} // namespace marrowfin::test
