#pragma once

#include <QImage>
#include <QPixmap>
#include <QSize>

namespace marrowfin {

// A new picture of exactly `size` pixels at scale factor 1, the whole of `image` stretched over it (proportions
// are not kept). An empty size or picture gives a null picture. The QImage form is safe on any thread.
[[nodiscard]] QImage scaleToSize(const QImage& image, QSize size);
// Main thread only.
[[nodiscard]] QPixmap scaleToSize(const QPixmap& pixmap, QSize size);

} // namespace marrowfin
