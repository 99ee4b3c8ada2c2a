#pragma once

#include <QString>

class QWidget;

namespace marrowfin {

// Gives our own drawn controls what a screen reader needs: the window as a frame named by its title, the tab bar as
// a list of page tabs (each named, the selected one marked, pressable), switches as check boxes, lists as lists of
// their rows in sight (each a list item that takes the focus, opens, and is sent or deleted where its menu allows),
// and alerts as alerts named by their title. Once per process, before the first window; later calls do nothing.
void installAccessibility();

// Has a screen reader say `text` (a send that finished, how many torrents a search found, a refresh that failed)
// through a notification in `window` (the main window when null). Nothing without an assistive tool.
void announce(const QString& text, QWidget* window = nullptr);

} // namespace marrowfin
