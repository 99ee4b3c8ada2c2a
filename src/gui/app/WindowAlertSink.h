#pragma once

#include "core/remote/AlertSink.h"

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

    explicit WindowAlertSink(SwitchViewController& root);

    void raiseAlert(const QString& title, const QString& message) override;

    // From now on alerts are dropped rather than awaited: the window is closing, and a main thread that waits for a
    // queue to drain must not also be waited for by it.
    void close() { m_closed.store(true); }

private:
    QPointer<SwitchViewController> m_root;
    std::atomic<bool> m_closed{false};
};

} // namespace marrowfin
