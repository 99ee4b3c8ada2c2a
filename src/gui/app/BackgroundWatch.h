#pragma once

#include "core/watch/WatchRunner.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringView>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace marrowfin {

class AlertViewDelegate;
class DesktopNotifications;
class SettingsStore;

// The favorites watched while the window runs: the watcher's rounds (WatchRunner) and what the desktop shows of them.
// Each new match is a desktop notification and counts towards the Favorites tab's badge until that tab is opened;
// rounds that start to fail give one notification with the reason and one more when they work again; how the last
// round went is a sentence for the favorites settings. With a system tray, a tray icon shows while watching, and
// closing the window may hide it there instead (asked once, the answer stored). Main thread.
class BackgroundWatch final : public QObject
{
    Q_OBJECT

public:
    // The first round waits this long after sign-in, so that the window's own lists are read first.
    static constexpr std::chrono::seconds kFirstRoundDelay{20};

    static constexpr QStringView kNewMatchTitle = u"New favorite";
    static constexpr QStringView kSentLine = u"Sent to the client.";
    static constexpr QStringView kFailingTitle = u"Watching fails";
    static constexpr QStringView kWorksAgainTitle = u"Watching works again";
    static constexpr QStringView kWorksAgainText = u"The last round read the site and did all it had to.";
    static constexpr QStringView kKeepTitle = u"Keep watching?";
    static constexpr QStringView kKeepMessage =
        u"Marrowfin can go on watching your favorites from the system tray while its window is closed. Its tray "
        u"icon opens the window again, pauses watching or quits.";
    static constexpr QStringView kKeepButton = u"Keep Watching";
    static constexpr QStringView kQuitButton = u"Quit";
    static constexpr QStringView kOpenAction = u"Open Marrowfin";
    static constexpr QStringView kPauseAction = u"Pause Watching";
    static constexpr QStringView kResumeAction = u"Resume Watching";
    static constexpr QStringView kQuitAction = u"Quit";

    BackgroundWatch(WatchRunner::Services services, std::chrono::milliseconds firstDelay, QObject* parent = nullptr);
    ~BackgroundWatch() override;

    [[nodiscard]] WatchRunner& runner() { return *m_runner; }

    // New matches since the Favorites tab was last opened.
    [[nodiscard]] int newMatches() const { return m_newMatches; }
    void clearNewMatches();
    // How the last round went, for the settings screen; empty before the first.
    [[nodiscard]] const QString& status() const { return m_status; }

    enum class OnClose
    {
        Close, // not watching, no tray, or the user chose to quit
        Hide,  // watching goes on in the tray
        Wait,  // the question is on screen: the window stays until it is answered, then `closeAgain` runs
    };
    // What closing the window does; asks the first time it matters and stores the answer.
    [[nodiscard]] OnClose closing(const std::function<void()>& closeAgain);
    // Whether a system tray is there (tests say so themselves); the icon shows at once when watching.
    void setTrayAvailable(bool available);
    [[nodiscard]] QSystemTrayIcon* trayIcon() const { return m_tray; }
    [[nodiscard]] QMenu* trayMenu() const { return m_trayMenu; }
    // The window message after a round, in the window's words (no command-line options): what the round found
    // worth saying, or nothing.
    [[nodiscard]] static QString windowWording(const WatchMessage& message);
    [[nodiscard]] static QString statusOf(const WatchRoundSummary& summary);

Q_SIGNALS:
    void newMatchesChanged(int count);
    void statusChanged(const QString& text);
    // Each desktop notification, as it was given (also when no desktop shows it).
    void notified(const QString& summary, const QString& body);
    // The tray menu's Open and Quit (after which closing the window closes it).
    void openRequested();
    void quitRequested();

private:
    void notify(const QString& summary, const QString& body);
    void showTray(bool watching);

    std::shared_ptr<SettingsStore> m_settings;
    std::unique_ptr<WatchRunner> m_runner;
    std::unique_ptr<AlertViewDelegate> m_keepAnswer;
    // The answer to the question when it could not be stored: it holds for this run.
    std::optional<bool> m_keepInTrayUnstored;
    DesktopNotifications* m_notifications = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
    QMenu* m_trayMenu = nullptr;
    QAction* m_pauseAction = nullptr;
    bool m_trayAvailable = false;
    bool m_asking = false;
    bool m_quitting = false;
    int m_newMatches = 0;
    QString m_status;
};

} // namespace marrowfin
