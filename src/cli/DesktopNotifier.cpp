#include "DesktopNotifier.h"

#include "CliContext.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kNotificationTimeoutMs = 3000;

} // namespace

void DesktopNotifier::notify(const QString& name, bool sent)
{
    if (m_off) {
        return;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        m_off = true;
        m_context.fail(u"no desktop session bus: --notify shows nothing"_s);
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(u"org.freedesktop.Notifications"_s, u"/org/freedesktop/Notifications"_s,
                                       u"org.freedesktop.Notifications"_s, u"Notify"_s);
    // The body may be read as simple markup: the name is escaped.
    const QString body = name.toHtmlEscaped() + (sent ? u"\nSent to the client."_s : QString());
    call << u"Marrowfin"_s << uint(0) << u"marrowfin"_s << u"New favorite"_s << body << QStringList() << QVariantMap()
         << int(-1);
    const QDBusMessage reply = bus.call(call, QDBus::Block, kNotificationTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        m_off = true;
        m_context.fail(u"desktop notifications failed (%1): --notify shows nothing more"_s.arg(reply.errorMessage()));
    }
}

} // namespace marrowfin
