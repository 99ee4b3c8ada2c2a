#pragma once

#include <QString>
#include <QStringView>

namespace marrowfin {

class ImageButton;

// A navigation bar button of the screens' fixed size, 50 by 47 points, showing one of our glyphs ("back.png",
// "add.png") at the glyph's own size in its middle, so the touch area is large while the mark stays small.
// `accessibleName` says what it does ("Back", "Add a filter"); it is also the tooltip.
[[nodiscard]] ImageButton* makeBarButtonItem(QStringView imageName, const QString& accessibleName);

} // namespace marrowfin
