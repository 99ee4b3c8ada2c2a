#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>
#include <vector>

namespace marrowfin::testing {

struct HelperRun
{
    int exitCode = -1;
    QStringList lines;
    QString errors;
};

// Starts the helper process (SettingsStoreHelper.cpp) with the given arguments; the caller waits.
[[nodiscard]] std::unique_ptr<QProcess> startHelper(const QStringList& arguments);

// Waits for a started helper to end and collects its output.
[[nodiscard]] HelperRun finishHelper(QProcess& process);

// Runs the helper's "dump" in a fresh process, which parses the store file from scratch (a restart), and returns
// its answer.
[[nodiscard]] QJsonObject dumpInFreshProcess(const QString& configDir, const QStringList& kindKeys);

[[nodiscard]] QByteArray fileBytes(const QString& path);

// Permission bits (st_mode & 07777) of a path, or -1 when it cannot be inspected.
[[nodiscard]] int modeOf(const QString& path);

// Collects every Qt message while alive (from any thread); restores the previous handler when destroyed.
class MessageCapture final
{
public:
    struct Message
    {
        QString category;
        QString text;
    };

    MessageCapture();
    ~MessageCapture();
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;

    [[nodiscard]] std::vector<Message> messages() const;
    [[nodiscard]] bool anyContains(const QString& needle) const;
    [[nodiscard]] bool anyFromCategory(const QString& category) const;
};

} // namespace marrowfin::testing
