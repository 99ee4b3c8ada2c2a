#pragma once

#include "core/remote/AlertSink.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QPointer>

#include <atomic>

namespace marrowfin {

class SwitchViewController;

// Shows a background operation's alerts in the window, with the root controller as their delegate. raiseAlert()
// runs on the operation's worker thread: it asks the main thread to show the alert and returns once the showing
// has started there, so the operation goes on without waiting for the user.
class WindowAlertSink final : public AlertSink
{
public:
    static constexpr QStringView kButton = u"Ok";
    // Said when a change (a setting, a filter, the history, the cookies) could not be written to the profile.
    static constexpr QStringView kNotSavedTitle = u"Not saved.";
    static constexpr QStringView kNotSavedMessage =
        u"A change could not be written (%1). What was saved before is kept.";

    explicit WindowAlertSink(SwitchViewController& root);

    void raiseAlert(const QString& title, const QString& message) override;

    // From now on every profile write that fails, on any thread, is said in the window ("Not saved."), each cause
    // once in a while: a full disk fails every write, and a tab change writes. Until close().
    void sayFailedWrites();

    // From now on alerts are dropped rather than awaited: the window is closing, and a main thread that waits for a
    // queue to drain must not also be waited for by it.
    void close();

private:
    // Main thread.
    void sayNotSaved(const QString& why);

    QPointer<SwitchViewController> m_root;
    std::atomic<bool> m_closed{false};
    // When each cause may be said again; main thread.
    QHash<QString, QDeadlineTimer> m_notSavedQuiet;
};

} // namespace marrowfin
