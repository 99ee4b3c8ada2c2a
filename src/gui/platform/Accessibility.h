#pragma once

namespace marrowfin {

// Gives our own drawn controls what a screen reader needs: the tab bar as a list of page tabs (each named by its
// title, the selected one marked, pressable), switches as check boxes, lists as lists and their rows as list items
// (a row's name is what its accessible name says). Once per process, before the first window; later calls do
// nothing.
void installAccessibility();

} // namespace marrowfin
