#pragma once

#include "AlertSink.h"

#include <QList>

#include <mutex>
#include <utility>

namespace marrowfin {

// Keeps an operation's alerts for its caller to show once the operation has delivered (a command line's message, a
// watcher's report), so they are shown from the main thread, in order, and never interleave with the result.
class CollectedAlerts final : public AlertSink
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
    // Each alert as one line: its title, then its message when it has one.
    [[nodiscard]] QStringList lines() const
    {
        QStringList lines;
        for (const auto& [title, message] : alerts())
            lines.append(message.isEmpty() ? title : title + u' ' + message);
        return lines;
    }

private:
    mutable std::mutex m_mutex;
    QList<std::pair<QString, QString>> m_alerts;
};

} // namespace marrowfin
