#pragma once

#include <QFont>
#include <QStringView>

namespace marrowfin {

// The fonts the screens name by their PostScript names ("Arial-BoldMT", "Arial", "ArialRoundedMTBold"). Where the
// named face is not installed, a metric-compatible one stands in (Liberation Sans has Arial's widths), so texts
// measure and cut the same. installFontSubstitutes() is called once at start, before any window.
void installFontSubstitutes();
[[nodiscard]] QFont fontNamed(QStringView postScriptName, qreal pointSize);
// The platform's system font at a size: what the overlay and plain labels use.
[[nodiscard]] QFont systemFont(qreal pointSize, bool bold = false);

} // namespace marrowfin
