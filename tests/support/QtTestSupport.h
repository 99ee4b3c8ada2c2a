#pragma once

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>
#include <QStringList>

#include <mutex>
#include <ostream>

// Readable failure messages for texts: GoogleTest finds these by argument-dependent lookup (Qt's types live in the
// global namespace).
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* out)
{
    *out << '[' << list.join(QStringLiteral(", ")).toStdString() << ']';
}

namespace marrowfin::test {

// Every Qt message, from any thread, while alive, as "category: text" lines (warnings as "category: warning: text").
// `rules` turns on more (QLoggingCategory filter rules) for its life.
class MessageCapture final
{
public:
    explicit MessageCapture(const QString& rules = {}) : m_rules(!rules.isEmpty())
    {
        {
            const std::lock_guard lock(s_mutex);
            s_lines.clear();
        }
        if (m_rules) {
            QLoggingCategory::setFilterRules(rules);
        }
        m_previous = qInstallMessageHandler(&record);
    }
    ~MessageCapture()
    {
        qInstallMessageHandler(m_previous);
        if (m_rules) {
            QLoggingCategory::setFilterRules(QString());
        }
    }
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;

    [[nodiscard]] static QStringList lines()
    {
        const std::lock_guard lock(s_mutex);
        return s_lines;
    }
    [[nodiscard]] static QString text() { return lines().join(u'\n'); }
    // The warnings of one category, their texts only.
    [[nodiscard]] static QStringList warnings(const QString& category)
    {
        QStringList texts;
        const QString prefix = category + QStringLiteral(": warning: ");
        for (const QString& line : lines()) {
            if (line.startsWith(prefix)) {
                texts.append(line.mid(prefix.size()));
            }
        }
        return texts;
    }

private:
    static void record(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        const std::lock_guard lock(s_mutex);
        s_lines.append(QString::fromUtf8(context.category ? context.category : "default") + QStringLiteral(": ") +
                       (type == QtWarningMsg ? QStringLiteral("warning: ") : QString()) + text);
    }

    static inline std::mutex s_mutex;
    static inline QStringList s_lines;
    QtMessageHandler m_previous = nullptr;
    bool m_rules = false;
};

} // namespace marrowfin::test
