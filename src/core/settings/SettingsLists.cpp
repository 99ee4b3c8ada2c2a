#include "SettingsLists.h"

namespace marrowfin {

std::optional<QStringList> appendToTorrentHistory(SettingsStore& store, const QString& name)
{
    return store.updateList(SettingsStore::LockedList::TorrentHistory, [&name](QStringList& history) {
        history.append(name);
        if (history.size() > kTorrentHistoryLimit) {
            history.remove(0, history.size() - kTorrentHistoryLimit);
        }
    });
}

std::optional<QStringList> appendFilter(SettingsStore& store, const QString& filterText)
{
    return store.updateList(SettingsStore::LockedList::Filters,
                            [&filterText](QStringList& filters) { filters.append(filterText); });
}

bool removeListEntry(SettingsStore& store, SettingsStore::LockedList which, qsizetype index)
{
    // Judged inside the lock: the entry at `index` is the one in the list as stored at this moment.
    bool found = false;
    const auto result = store.updateList(which, [index, &found](QStringList& entries) {
        found = index >= 0 && index < entries.size();
        if (found) {
            entries.removeAt(index);
        }
    });
    return found && result.has_value();
}

QStringList storedList(const SettingsStore& store, SettingsStore::LockedList which)
{
    return store.list(SettingsStore::keyOf(which)).value_or(QStringList());
}

} // namespace marrowfin
