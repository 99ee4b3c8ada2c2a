#include "WindowAlertSink.h"

#include "SwitchViewController.h"

#include <QSemaphore>
#include <QThread>

#include <chrono>
#include <memory>

namespace marrowfin {

using namespace std::chrono_literals;

WindowAlertSink::WindowAlertSink(SwitchViewController& root) : m_root(&root) {}

void WindowAlertSink::raiseAlert(const QString& title, const QString& message)
{
    SwitchViewController* root = m_root;
    if (!root || m_closed.load())
        return;
    const QStringList buttons{kButton.toString()};
    if (QThread::currentThread() == root->thread()) {
        root->showAlert(title, message, buttons);
        return;
    }
    auto shown = std::make_shared<QSemaphore>();
    QMetaObject::invokeMethod(
        root,
        [root, title, message, buttons, shown] {
            root->showAlert(title, message, buttons);
            shown->release();
        },
        Qt::QueuedConnection);
    // Waits for the showing, in steps, so that a window that closes meanwhile does not hold the operation forever.
    while (!shown->tryAcquire(1, 100ms)) {
        if (m_closed.load() || !m_root)
            return;
    }
}

} // namespace marrowfin
