#pragma once

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

#include <functional>
#include <optional>

namespace marrowfin {

class SettingsStore;

// The sends under way, in "sending.json" beside the settings: a send writes its torrent's info hash and name here
// before the upload and takes them out once the history holds the name (or the client refused it). An entry left
// behind by a process that is gone is a send cut short somewhere between the two, and only the client knows whether
// the upload reached it: settle() asks, writes the name into the history when it did, and drops the entry either way.
// So a killed send is neither lost from the history nor made again by a watcher that trusts the history.
//
// Every change is a read-change-write under the lock file "sending.lock", written whole through a temporary file and
// a rename (owner-only, through ProfileFile), so processes and threads that send at once lose nothing. A file that
// cannot be read is moved aside as "sending.json.corrupt-<time>" and reported; the journal then starts empty.
class SendJournal final
{
public:
    static constexpr QStringView kFileName = u"sending.json";
    // Entries beyond this (sends cut short with a client that cannot be asked) go, oldest first.
    static constexpr qsizetype kLimit = 200;

    struct Entry
    {
        QByteArray infoHash; // 40 lower-case hex digits
        QString name;        // as the history records it
        qint64 pid = 0;      // the sending process
        qint64 started = 0;  // when it started (clock ticks since boot; 0 unknown), so that a reused id is no match
        QString client;      // the client it was sent to (clientKey()); empty when unknown

        friend bool operator==(const Entry&, const Entry&) = default;
    };

    explicit SendJournal(const QString& configDir);

    // Keeps the send before it is made. False, with the reason in *error (the file and why), when it cannot be kept:
    // the send must not be made then.
    [[nodiscard]] bool begin(const QByteArray& infoHash, const QString& name, const QString& client,
                             QString* error = nullptr);
    void end(const QByteArray& infoHash);
    [[nodiscard]] QList<Entry> entries() const;

    // Settles the entries of processes that are gone whose sends went to `client` (or to a client not recorded):
    // `holds` tells whether the client holds a hash (absent: it did not answer, and the entry waits for a later
    // settle). A held torrent's name goes into the history of `store` unless the history holds it already. Returns
    // the entries found with the client.
    QList<Entry> settle(const std::function<std::optional<bool>(const QByteArray&)>& holds, SettingsStore& store,
                        const QString& client);

private:
    [[nodiscard]] bool change(const std::function<void(QList<Entry>&)>& edit, QString* failure = nullptr);

    QString m_file;
    QString m_lockFile;
};

} // namespace marrowfin
