#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace marrowfin {

// The application's own pictures, looked up by the names the screens use ("download.png", "tabbar-all.png", or a
// bare word such as a category's "movies"). The extension a caller writes is only a hint: the platform supplies its
// own, and every picture is a vector drawing of ours rendered at the screen's pixel density, so "up.jpg" and
// "up.png" are the same picture. Main thread only (pixmaps).
//
// A picture's size in points is its drawing's own size unless `pointSize` asks for another.
[[nodiscard]] QPixmap imageNamed(QStringView name, QSize pointSize = QSize());
[[nodiscard]] bool hasImageNamed(QStringView name);
// The same picture in one colour, keeping its shape (our glyphs are drawn white and tinted where they are shown).
[[nodiscard]] QPixmap tintedImage(const QPixmap& picture, const QColor& colour);
// The name without folder and extension, as the resources hold it: "tabbar-all.png" -> "tabbar-all".
[[nodiscard]] QString imageResourceBase(QStringView name);
// Every picture name the resources hold (without extension), sorted.
[[nodiscard]] QStringList imageResourceNames();
// The file path of a picture rendered once into the run's temporary folder as PNG, for pages that load it by a
// file address; empty when there is no such picture.
[[nodiscard]] QString imageFilePath(QStringView name);

} // namespace marrowfin
