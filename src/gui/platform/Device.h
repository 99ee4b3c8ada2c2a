#pragma once

#include <QSize>

class QWidget;

namespace marrowfin {

// What kind of device the window stands for. The window is phone-shaped by default; a user who widens it to tablet
// width gets the tablet cases (wider banner, name column the screen's width, tablet backgrounds).
enum class DeviceKind
{
    Phone,
    Tablet,
};

class Device final
{
public:
    // Widths from this many points on count as a tablet.
    static constexpr int kTabletWidth = 700;
    // The phone screen the layout's points are measured on, and the one of the tall phone.
    static constexpr QSize kPhoneSize{375, 667};
    static constexpr int kTallPhoneHeight = 568;

    Device() = delete;

    // The kind for a window of this width.
    [[nodiscard]] static DeviceKind kindForWidth(int width);
    // The main window's kind (a phone when there is no main window yet).
    [[nodiscard]] static DeviceKind current();
    [[nodiscard]] static bool isTablet() { return current() == DeviceKind::Tablet; }
    // The system version the layout rules compare against; this platform behaves as a recent one.
    [[nodiscard]] static int systemMajorVersion() { return 7; }

    // The application's one main window; set once at start.
    [[nodiscard]] static QWidget* mainWindow();
    static void setMainWindow(QWidget* window);
    // The main window's size in points (the phone size when there is none).
    [[nodiscard]] static QSize screenSize();
};

} // namespace marrowfin
