#pragma once

#include <QObject>

#include <memory>

namespace marrowfin {

class MainWindow;
class Profile;
class SwitchViewController;
class WindowAlertSink;

// The application: its one window and the root controller, made at launch and kept for the whole run. Every screen
// reaches the root controller as the delegate's viewController().
class MarrowfinAppDelegate final : public QObject
{
    Q_OBJECT

public:
    // Said when a change (a setting, a filter, the history, the cookies) could not be written to the profile.
    static constexpr QStringView kNotSavedTitle = u"Not saved.";
    static constexpr QStringView kNotSavedMessage =
        u"A change could not be written (%1). What was saved before is kept.";

    explicit MarrowfinAppDelegate(Profile& profile, QObject* parent = nullptr);
    ~MarrowfinAppDelegate() override;

    // The running application's delegate, or nullptr before launch.
    [[nodiscard]] static MarrowfinAppDelegate* shared();

    // Records the build version, puts the root controller's view in the window and shows it.
    void applicationDidFinishLaunching();

    [[nodiscard]] MainWindow* window() const { return m_window.get(); }
    [[nodiscard]] SwitchViewController* viewController() const { return m_viewController; }

    // The file that keeps the window's size and place, beside the settings.
    [[nodiscard]] static QString geometryFile(const QString& configDir);

private:
    Profile& m_profile;
    std::unique_ptr<MainWindow> m_window;
    SwitchViewController* m_viewController = nullptr;
    std::shared_ptr<WindowAlertSink> m_alerts;
};

} // namespace marrowfin
