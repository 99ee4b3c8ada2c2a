#pragma once

#include "core/net/FetchPage.h"
#include "core/net/OperationQueue.h"
#include "core/remote/AlertSink.h"
#include "support/EventLoop.h"
#include "support/QtTestSupport.h"

#include <QCoreApplication>
#include <QStringList>

#include <mutex>
#include <ostream>
#include <utility>

namespace marrowfin::remotetest {

using marrowfin::test::processEventsUntil;

// Keeps every alert raised, from any thread.
class RecordingAlerts final : public AlertSink
{
public:
    void raiseAlert(const QString& title, const QString& message) override
    {
        const std::lock_guard lock(m_mutex);
        m_alerts.append({title, message});
    }
    [[nodiscard]] QList<std::pair<QString, QString>> alerts() const
    {
        const std::lock_guard lock(m_mutex);
        return m_alerts;
    }

private:
    mutable std::mutex m_mutex;
    QList<std::pair<QString, QString>> m_alerts;
};

// A torrent a BitTorrent client takes: one file named `name`, one piece; the hash bytes need not match data that
// nobody has.
inline QByteArray tinyTorrent(const QByteArray& name)
{
    return "d8:announce22:http://127.0.0.1:1/ann4:infod6:lengthi5e4:name" + QByteArray::number(name.size()) + ':' +
           name + "12:piece lengthi16384e6:pieces20:" + QByteArray(20, 'x') + "ee";
}

} // namespace marrowfin::remotetest
