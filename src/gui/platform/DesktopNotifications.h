#pragma once

#include <QObject>
#include <QString>

namespace marrowfin {

// The desktop's notifications (the freedesktop service on the session bus), for what happens while the window is
// not looked at. A notification is sent without waiting for its answer; with no session bus, or once the service
// has refused one, nothing more is sent (the window still shows the same in its own screens). Main thread.
class DesktopNotifications final : public QObject
{
    Q_OBJECT

public:
    explicit DesktopNotifications(QObject* parent = nullptr);

    // `body` is plain text: it is escaped for the services that read markup.
    void show(const QString& summary, const QString& body);
    [[nodiscard]] bool isAvailable() const { return m_available; }

private:
    bool m_available = false;
};

} // namespace marrowfin
