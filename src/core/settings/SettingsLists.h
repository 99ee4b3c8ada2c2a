#pragma once

#include "SettingsStore.h"

#include <QString>
#include <QStringList>

#include <optional>

// The read-change-write operations on the two stored lists, each under that list's lock in the store.
namespace marrowfin {

// The download history never holds more names than this; the oldest go first.
inline constexpr qsizetype kTorrentHistoryLimit = 50;

// Appends `name` even when it is already there (the history counts sends), then drops the oldest names beyond
// kTorrentHistoryLimit. Returns the stored history, or absent when the write failed.
std::optional<QStringList> appendToTorrentHistory(SettingsStore& store, const QString& name);

// Appends a favorite filter text exactly as entered. Returns the stored filters, or absent when the write failed.
std::optional<QStringList> appendFilter(SettingsStore& store, const QString& filterText);

// Removes the entry at `index` (0 = first/oldest). False when there is no such entry or the write failed.
bool removeListEntry(SettingsStore& store, SettingsStore::LockedList which, qsizetype index);

// The stored list, or the empty list when none is stored.
[[nodiscard]] QStringList storedList(const SettingsStore& store, SettingsStore::LockedList which);

} // namespace marrowfin
