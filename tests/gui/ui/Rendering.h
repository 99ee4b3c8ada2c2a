#pragma once

#include "support/QtTestSupport.h"

#include <QColor>
#include <QImage>
#include <QSize>
#include <QWidget>

#include <ostream>

// Readable failure messages for the Qt values the tests compare. Qt's types live in the global namespace, so
// GoogleTest finds these there.
inline void PrintTo(const QSize& size, std::ostream* out)
{
    *out << "QSize(" << size.width() << "x" << size.height() << ")";
}

inline void PrintTo(const QColor& colour, std::ostream* out)
{
    *out << "QColor(" << colour.red() << ", " << colour.green() << ", " << colour.blue() << ", " << colour.alpha()
         << ")";
}

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

} // namespace marrowfin::test
