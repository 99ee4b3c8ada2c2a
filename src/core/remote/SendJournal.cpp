#include "SendJournal.h"

#include "RemoteLog.h"

#include "core/settings/FileLock.h"
#include "core/settings/ProfileFile.h"
#include "core/settings/SettingsLists.h"
#include "core/settings/SettingsStore.h"
#include "core/settings/StoreFiles.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kFormat = 1;

// When the process started, in clock ticks since boot (/proc's "starttime"); 0 when it cannot be read. With the id it
// tells a process from a later one that was given the same id.
qint64 startTimeOf(qint64 pid)
{
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QByteArray line = stat.readAll();
    // The command name in parentheses may hold spaces and parentheses itself; the fields after it are plain.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 1).simplified().split(' ');
    constexpr int kStartTimeAfterName = 19;
    return fields.size() > kStartTimeAfterName ? fields[kStartTimeAfterName].toLongLong() : 0;
}

bool isAlive(const SendJournal::Entry& entry)
{
    if (entry.pid <= 0 || (::kill(pid_t(entry.pid), 0) != 0 && errno != EPERM)) {
        return false;
    }
    return entry.started == 0 || startTimeOf(entry.pid) == entry.started;
}

bool isInfoHash(const QByteArray& text)
{
    if (text.size() != 40) {
        return false;
    }
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
            return false;
        }
    }
    return true;
}

// The entries in `bytes`; absent when they are not a journal of ours.
std::optional<QList<SendJournal::Entry>> parse(const QByteArray& bytes)
{
    QJsonParseError error{};
    const QJsonObject root = QJsonDocument::fromJson(bytes, &error).object();
    if (error.error != QJsonParseError::NoError || root.value(u"format"_s).toInt() != kFormat ||
        !root.value(u"sends"_s).isArray()) {
        return std::nullopt;
    }
    QList<SendJournal::Entry> entries;
    for (const QJsonValue& value : root.value(u"sends"_s).toArray()) {
        // "client" and "started" came later: an entry without them is settled with any client, by its id alone.
        SendJournal::Entry entry{value[u"hash"_s].toString().toLatin1(), value[u"name"_s].toString(),
                                 qint64(value[u"pid"_s].toDouble()), qint64(value[u"started"_s].toDouble()),
                                 value[u"client"_s].toString()};
        if (!isInfoHash(entry.infoHash)) {
            return std::nullopt;
        }
        entries.append(std::move(entry));
    }
    return entries;
}

} // namespace

SendJournal::SendJournal(const QString& configDir)
    : m_file(QDir(configDir).filePath(kFileName.toString())), m_lockFile(QDir(configDir).filePath(u"sending.lock"_s))
{}

QList<SendJournal::Entry> SendJournal::entries() const
{
    QFile file(m_file);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return parse(file.readAll()).value_or(QList<Entry>());
}

bool SendJournal::change(const std::function<void(QList<Entry>&)>& edit, QString* failure)
{
    const auto failed = [failure](const QString& why) {
        qCWarning(lcRemote).noquote() << "the sends under way cannot be kept:" << why;
        if (failure) {
            *failure = why;
        }
        return false;
    };
    QString error;
    if (!storefiles::ensureDirectory(QFileInfo(m_file).path(), &error)) {
        return failed(error);
    }
    FileLock lock;
    if (!lock.lock(m_lockFile)) {
        return failed(u"cannot lock %1: %2"_s.arg(m_lockFile, lock.errorString()));
    }
    QList<Entry> entries;
    if (QFile file(m_file); file.open(QIODevice::ReadOnly)) {
        const std::optional<QList<Entry>> stored = parse(file.readAll());
        file.close();
        if (stored) {
            entries = *stored;
        } else {
            // Kept for a person to look at, never overwritten.
            const QString kept = storefiles::moveAside(m_file, &error);
            qCWarning(lcRemote).noquote()
                << "the sends under way could not be read; the file was moved to" << (kept.isEmpty() ? error : kept);
            if (kept.isEmpty()) {
                return failed(u"cannot read %1, nor move it aside: %2"_s.arg(m_file, error));
            }
        }
    }
    const QList<Entry> before = entries;
    edit(entries);
    if (entries.size() > kLimit) {
        entries.remove(0, entries.size() - kLimit);
    }
    if (entries == before) {
        return true;
    }
    if (entries.isEmpty()) {
        const auto removed = ProfileFile::remove(m_file);
        return removed ? failed(*removed) : true;
    }
    QJsonArray sends;
    for (const Entry& entry : entries) {
        sends.append(QJsonObject{{u"hash"_s, QString::fromLatin1(entry.infoHash)},
                                 {u"name"_s, entry.name},
                                 {u"pid"_s, double(entry.pid)},
                                 {u"started"_s, double(entry.started)},
                                 {u"client"_s, entry.client}});
    }
    const auto written =
        ProfileFile::replace(m_file, QJsonDocument(QJsonObject{{u"format"_s, kFormat}, {u"sends"_s, sends}}).toJson());
    return written ? failed(*written) : true;
}

bool SendJournal::begin(const QByteArray& infoHash, const QString& name, const QString& client, QString* error)
{
    if (!isInfoHash(infoHash)) {
        if (error) {
            *error = u"no info hash to keep the send by"_s;
        }
        return false;
    }
    const qint64 self = ::getpid();
    return change(
        [&](QList<Entry>& entries) {
            entries.append({infoHash, name, self, startTimeOf(self), client});
        },
        error);
}

void SendJournal::end(const QByteArray& infoHash)
{
    const qint64 self = ::getpid();
    (void)change([&](QList<Entry>& entries) {
        // One entry: this process may send the same torrent twice at once.
        for (qsizetype i = 0; i < entries.size(); ++i) {
            if (entries[i].infoHash == infoHash && entries[i].pid == self) {
                entries.removeAt(i);
                return;
            }
        }
    });
}

QList<SendJournal::Entry> SendJournal::settle(const std::function<std::optional<bool>(const QByteArray&)>& holds,
                                              SettingsStore& store, const QString& client)
{
    QList<Entry> cutShort;
    for (const Entry& entry : entries()) {
        // A send made to another client is that client's to answer: it waits until that one is configured again.
        if (!isAlive(entry) && (entry.client.isEmpty() || entry.client == client)) {
            cutShort.append(entry);
        }
    }
    QList<Entry> held;
    QList<Entry> settled;
    for (const Entry& entry : std::as_const(cutShort)) {
        const std::optional<bool> answer = holds(entry.infoHash);
        if (!answer) {
            continue;
        }
        if (*answer) {
            // Through the history's own change, so that the other sends keep their times; when this one reached the
            // client is not known.
            const auto history = updateHistory(store, [&](QList<HistoryEntry>& sends) {
                const bool listed = std::any_of(sends.cbegin(), sends.cend(),
                                                [&](const HistoryEntry& send) { return send.name == entry.name; });
                if (!listed) {
                    sends.append(HistoryEntry{entry.name, std::nullopt});
                    if (sends.size() > kTorrentHistoryLimit) {
                        sends.remove(0, sends.size() - kTorrentHistoryLimit);
                    }
                }
            });
            if (!history) {
                continue;
            }
            held.append(entry);
            qCInfo(lcRemote).noquote() << "a send cut short had reached the client; the history now holds"
                                       << entry.name;
        }
        settled.append(entry);
    }
    if (!settled.isEmpty()) {
        (void)change([&](QList<Entry>& entries) {
            entries.removeIf([&](const Entry& entry) { return settled.contains(entry); });
        });
    }
    return held;
}

} // namespace marrowfin
