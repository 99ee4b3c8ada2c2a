#pragma once

#include "SettingsStore.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The read-change-write operations on the two stored lists, each under that list's lock in the store.
namespace marrowfin {

// The download history never holds more names than this; the oldest go first.
inline constexpr qsizetype kTorrentHistoryLimit = 50;

// One torrent of the download history: its name, and when it was sent. Entries written by versions that did not
// record the time, or by writers that change the names alone, have none.
struct HistoryEntry
{
    QString name;
    std::optional<QDateTime> sentAt; // UTC

    friend bool operator==(const HistoryEntry&, const HistoryEntry&) = default;
};

// The history's times are kept beside its names, under their own key ("Marrowfin_torrentHistoryTimes"): one compact
// JSON object {"name": NAME, "sent": "2024-05-01T12:34:56.789Z"} per entry that has a time, in the history's order.
// The names list itself stays one text per send, so that readers that know nothing of times read it as before. Since
// such writers also change the names without the times, the times are matched to the names when read (the longest
// run of names in order that both lists share), and rewritten to fit them with every change made here.
[[nodiscard]] QList<HistoryEntry> historyWithTimes(const QStringList& names, const QStringList& storedTimes);
[[nodiscard]] QStringList historyTimesToStored(const QList<HistoryEntry>& history);

// The stored history with its times, oldest first; empty when none is stored.
[[nodiscard]] QList<HistoryEntry> storedHistory(const SettingsStore& store);

// Read-change-write of the history and its times together, under the history's lock. Returns the history as stored
// afterwards, or absent when the write failed.
std::optional<QList<HistoryEntry>> updateHistory(SettingsStore& store,
                                                 const std::function<void(QList<HistoryEntry>&)>& change);

// Appends `name` even when it is already there (the history counts sends), sent at `sentAt`, then drops the oldest
// names beyond kTorrentHistoryLimit. Returns the stored names, or absent when the write failed.
std::optional<QStringList> appendToTorrentHistory(SettingsStore& store, const QString& name,
                                                  const QDateTime& sentAt = QDateTime::currentDateTimeUtc());

// Appends a favorite filter text exactly as entered. Returns the stored filters, or absent when the write failed.
std::optional<QStringList> appendFilter(SettingsStore& store, const QString& filterText);

// Removes the entry at `index` (0 = first/oldest), with its time for the history. False when there is no such entry
// or the write failed.
bool removeListEntry(SettingsStore& store, SettingsStore::LockedList which, qsizetype index);

// The stored list, or the empty list when none is stored.
[[nodiscard]] QStringList storedList(const SettingsStore& store, SettingsStore::LockedList which);

} // namespace marrowfin
