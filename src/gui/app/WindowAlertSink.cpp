#include "WindowAlertSink.h"

#include "SwitchViewController.h"

#include "core/settings/ProfileFile.h"

#include <QSemaphore>
#include <QThread>

#include <chrono>
#include <memory>

namespace marrowfin {

using namespace std::chrono_literals;

WindowAlertSink::WindowAlertSink(SwitchViewController& root) : m_root(&root) {}

void WindowAlertSink::sayFailedWrites()
{
    // The listener may run on any thread and after this sink is gone: it holds the root weakly and this sink not at
    // all; close() removes it before the sink goes.
    ProfileFile::setFailureListener([this, root = m_root](const QString& why) {
        if (m_closed.load() || !root) {
            return;
        }
        QMetaObject::invokeMethod(
            root.data(), [this, why] { sayNotSaved(why); }, Qt::QueuedConnection);
    });
}

void WindowAlertSink::close()
{
    m_closed.store(true);
    ProfileFile::setFailureListener(nullptr);
}

void WindowAlertSink::sayNotSaved(const QString& why)
{
    constexpr int kQuietMs = 30'000;
    QDeadlineTimer& quiet = m_notSavedQuiet[why];
    if (m_closed.load() || !m_root || !quiet.hasExpired()) {
        return;
    }
    quiet.setRemainingTime(kQuietMs);
    m_root->showAlert(kNotSavedTitle.toString(), kNotSavedMessage.toString().arg(why), {kButton.toString()});
}

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
