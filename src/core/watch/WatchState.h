#pragma once

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>

namespace marrowfin {

// What the watcher remembers between rounds and runs, in "watch.json" beside the settings: the rounds run so far
// and, for each torrent a round has reported, its detail path (the torrent's identity: names repeat across
// torrents), its name and download address, its info hash once known (a torrent posted again under another page
// is the same torrent), when it was reported and sent, and whether a send is still due (the client did not take it
// yet, or a round's cap held it back). The file is owner-only, replaced whole through a
// temporary file and a rename (a reader sees the old state or the new one, never a part), and holds at most
// kLimit torrents, the oldest reported going first: more than the 100 pages of 25 rows one batch can scan, so
// nothing still listed is forgotten.
class WatchState final
{
public:
    static constexpr qsizetype kLimit = 5000;

    struct Entry
    {
        QString path;
        QString name;
        QString downloadUrl;
        QDateTime reported;
        std::optional<QDateTime> sent;
        bool sendDue = false;
        QByteArray hash; // 40 lower-case hex digits; empty until known
    };

    // The state in `file`; an empty state when there is none. Absent, with the reason in *error, when the file
    // is there but cannot be read or is not a state of ours: the caller must not overwrite it then.
    [[nodiscard]] static std::optional<WatchState> load(const QString& file, QString* error);
    [[nodiscard]] bool save(QString* error) const;

    [[nodiscard]] int rounds() const { return m_rounds; }
    void setRounds(int rounds) { m_rounds = rounds; }

    [[nodiscard]] Entry* find(const QString& path);
    // Adds a torrent reported now; beyond kLimit drops the oldest that neither have a send due nor a hash that
    // de-duplication needs, then the oldest with a hash; never more than twice kLimit are kept.
    void add(Entry entry);
    // The paths of the torrents whose send is due, oldest reported first.
    [[nodiscard]] QStringList due() const;
    // The info hashes of the torrents sent, or found already sent (in the history, or under another page).
    [[nodiscard]] QSet<QByteArray> sentHashes() const;

private:
    QString m_file;
    int m_rounds = 0;
    QList<Entry> m_entries; // oldest reported first
};

} // namespace marrowfin
