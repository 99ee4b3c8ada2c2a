#pragma once

#include <QObject>
#include <QString>
#include <QStringView>

#include <functional>

class QWidget;

namespace marrowfin {

class ImageButton;
class ViewController;

// What the display settings screens have in common. Main thread only.
namespace settingsscreens {

inline constexpr QStringView kBackImage = u"back.png";
inline constexpr QStringView kBackTitle = u"Back";
// Every settings screen shows its form on the grey of the listings behind it.
inline constexpr float kBackgroundGrey = 0.2f;

// The left item of a settings screen's navigation bar: "back.png" in a 50 x 47 point bar button.
[[nodiscard]] ImageButton* newBackButton();

// The parent of the screens that last the whole run. It is never freed, so a navigation stack that pops such a
// screen only takes it off (a stack deletes the screens it was given without a parent), and no screen outlives the
// application object through it.
[[nodiscard]] QObject* sharedScreensOwner();

// Escape anywhere on `view` (its fields included) calls `action`: the keyboard's way back from a pushed screen.
void addEscapeShortcut(QWidget* view, QObject* receiver, std::function<void()> action);

// Takes `screen` off its navigation stack without animation, when it was pushed there (the root of a stack, a tab
// of its own, stays).
void leave(ViewController& screen);

// Gives `widget` the name `objectName` and a style sheet that paints it in the settings grey, followed by
// `moreRules` for its children.
void paintSettingsBackground(QWidget* widget, const QString& objectName, const QString& moreRules = QString());

// A slim dark scroll bar for a form that scrolls on the settings grey.
void styleScrollArea(QWidget* scrollArea);

} // namespace settingsscreens

} // namespace marrowfin
