#include "SendJournal.h"

#include "RemoteLog.h"

#include "core/settings/FileLock.h"
#include "core/settings/SettingsLists.h"
#include "core/settings/SettingsStore.h"
#include "core/settings/StoreFiles.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

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

bool SendJournal::change(const std::function<void(QList<Entry>&)>& edit)
{
    QString error;
    if (!storefiles::ensureDirectory(QFileInfo(m_file).path(), &error)) {
        qCWarning(lcRemote).noquote() << "the sends under way cannot be kept:" << error;
        return false;
    }
    FileLock lock;
    if (!lock.lock(m_lockFile)) {
        qCWarning(lcRemote).noquote() << "the sends under way cannot be locked:" << lock.errorString();
        return false;
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
                return false;
            }
        }
    }
    const QList<Entry> before = entries;
    edit(entries);
    if (entries.size() > kLimit) {
        entries.remove(0, entries.size() - kLimit);
    }
    if (entries.isEmpty()) {
        return !QFile::exists(m_file) || QFile::remove(m_file);
    }
    QJsonArray sends;
    for (const Entry& entry : entries) {
        sends.append(QJsonObject{
            {u"hash"_s, QString::fromLatin1(entry.infoHash)}, {u"name"_s, entry.name}, {u"pid"_s, double(entry.pid)}});
    }
    QSaveFile out(m_file);
    // Owner-only before anything is written; the rename keeps the mode.
    if (!out.open(QIODevice::WriteOnly) || !out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        out.write(QJsonDocument(QJsonObject{{u"format"_s, kFormat}, {u"sends"_s, sends}}).toJson()) < 0 ||
        !out.commit()) {
        qCWarning(lcRemote).noquote() << "the sends under way cannot be written:" << out.errorString();
        return false;
    }
    return true;
}

bool SendJournal::begin(const QByteArray& infoHash, const QString& name)
{
    if (!isInfoHash(infoHash)) {
        return false;
    }
    return change([&](QList<Entry>& entries) { entries.append({infoHash, name, qint64(::getpid())}); });
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
