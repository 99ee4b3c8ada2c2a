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

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kFormat = 1;

bool isAlive(qint64 pid)
{
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
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
        SendJournal::Entry entry{value[u"hash"_s].toString().toLatin1(), value[u"name"_s].toString(),
                                 qint64(value[u"pid"_s].toDouble())};
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
        sends.append(QJsonObject{
            {u"hash"_s, QString::fromLatin1(entry.infoHash)}, {u"name"_s, entry.name}, {u"pid"_s, double(entry.pid)}});
    }
    const auto written =
        ProfileFile::replace(m_file, QJsonDocument(QJsonObject{{u"format"_s, kFormat}, {u"sends"_s, sends}}).toJson());
    return written ? failed(*written) : true;
}

bool SendJournal::begin(const QByteArray& infoHash, const QString& name, QString* error)
{
    if (!isInfoHash(infoHash)) {
        if (error) {
            *error = u"no info hash to keep the send by"_s;
        }
        return false;
    }
    return change([&](QList<Entry>& entries) { entries.append({infoHash, name, qint64(::getpid())}); }, error);
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

QSet<QByteArray> SendJournal::settle(const std::function<std::optional<bool>(const QByteArray&)>& holds,
                                     SettingsStore& store)
{
    QList<Entry> cutShort;
    for (const Entry& entry : entries()) {
        if (!isAlive(entry.pid)) {
            cutShort.append(entry);
        }
    }
    QSet<QByteArray> held;
    QList<Entry> settled;
    for (const Entry& entry : std::as_const(cutShort)) {
        const std::optional<bool> answer = holds(entry.infoHash);
        if (!answer) {
            continue;
        }
        if (*answer) {
            const auto history = store.updateList(SettingsStore::LockedList::TorrentHistory, [&](QStringList& names) {
                if (!names.contains(entry.name)) {
                    names.append(entry.name);
                    if (names.size() > kTorrentHistoryLimit) {
                        names.remove(0, names.size() - kTorrentHistoryLimit);
                    }
                }
            });
            if (!history) {
                continue;
            }
            held.insert(entry.infoHash);
            qCInfo(lcRemote).noquote() << "a send cut short had reached the client; the history now holds"
                                       << entry.name;
        }
        settled.append(entry);
    }
    if (!settled.isEmpty()) {
        (void)change([&](QList<Entry>& entries) {
            entries.removeIf([&](const Entry& entry) {
                for (const Entry& done : std::as_const(settled)) {
                    if (done.infoHash == entry.infoHash && done.pid == entry.pid) {
                        return true;
                    }
                }
                return false;
            });
        });
    }
    return held;
}

} // namespace marrowfin
