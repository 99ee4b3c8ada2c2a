#include "DesktopNotifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr int kShownMilliseconds = 6000;
} // namespace

DesktopNotifications::DesktopNotifications(QObject* parent)
    : QObject(parent), m_available(QDBusConnection::sessionBus().isConnected())
{}

void DesktopNotifications::show(const QString& summary, const QString& body)
{
    if (!m_available) {
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(u"org.freedesktop.Notifications"_s, u"/org/freedesktop/Notifications"_s,
                                       u"org.freedesktop.Notifications"_s, u"Notify"_s);
    call << u"Marrowfin"_s << uint(0) << u"marrowfin"_s << summary << body.toHtmlEscaped() << QStringList()
         << QVariantMap() << int(kShownMilliseconds);
    auto* pending = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this, pending] {
        if (pending->isError()) {
            qWarning().noquote() << "desktop notifications are off:" << pending->error().message();
            m_available = false;
        }
        pending->deleteLater();
    });
}

} // namespace marrowfin
