#include "SettingsLists.h"

#include "SettingsKeys.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <vector>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

QList<HistoryEntry> historyWithTimes(const QStringList& names, const QStringList& storedTimes)
{
    QList<HistoryEntry> timed;
    for (const QString& entry : storedTimes) {
        const QJsonObject object = QJsonDocument::fromJson(entry.toUtf8()).object();
        const QDateTime sent = QDateTime::fromString(object.value(u"sent"_s).toString(), Qt::ISODateWithMs);
        if (object.value(u"name"_s).isString() && sent.isValid()) {
            timed.append({object.value(u"name"_s).toString(), sent.toUTC()});
        }
    }
    QList<HistoryEntry> history;
    for (const QString& name : names) {
        history.append({name, std::nullopt});
    }
    // The longest run of names, in order, that the names and the times share: a name deleted or appended by a
    // writer that knows nothing of times moves no time onto another send.
    const qsizetype n = names.size();
    const qsizetype m = timed.size();
    std::vector<int> common(std::size_t((n + 1) * (m + 1)), 0);
    const auto at = [&](qsizetype i, qsizetype j) -> int& { return common[std::size_t(i * (m + 1) + j)]; };
    for (qsizetype i = n - 1; i >= 0; --i) {
        for (qsizetype j = m - 1; j >= 0; --j) {
            at(i, j) = names.at(i) == timed.at(j).name ? at(i + 1, j + 1) + 1 : qMax(at(i + 1, j), at(i, j + 1));
        }
    }
    for (qsizetype i = 0, j = 0; i < n && j < m;) {
        if (names.at(i) == timed.at(j).name && at(i, j) == at(i + 1, j + 1) + 1) {
            history[i++].sentAt = timed.at(j++).sentAt;
        } else if (at(i + 1, j) >= at(i, j + 1)) {
            ++i;
        } else {
            ++j;
        }
    }
    return history;
}

QStringList historyTimesToStored(const QList<HistoryEntry>& history)
{
    QStringList stored;
    for (const HistoryEntry& entry : history) {
        if (entry.sentAt) {
            const QJsonObject object{{u"name"_s, entry.name},
                                     {u"sent"_s, entry.sentAt->toUTC().toString(Qt::ISODateWithMs)}};
            stored.append(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
        }
    }
    return stored;
}

QList<HistoryEntry> storedHistory(const SettingsStore& store)
{
    // Two reads, not under the history's lock: a write between them can only leave a time unmatched for this read.
    return historyWithTimes(storedList(store, SettingsStore::LockedList::TorrentHistory),
                            store.list(SettingsKeys::torrentHistoryTimes).value_or(QStringList()));
}

std::optional<QList<HistoryEntry>> updateHistory(SettingsStore& store,
                                                 const std::function<void(QList<HistoryEntry>&)>& change)
{
    QList<HistoryEntry> after;
    const auto stored = store.updateList(SettingsStore::LockedList::TorrentHistory, SettingsKeys::torrentHistoryTimes,
                                         [&](QStringList& names, QStringList& times) {
                                             const QList<HistoryEntry> before = historyWithTimes(names, times);
                                             after = before;
                                             change(after);
                                             // Unchanged, nothing is written, not even times that no longer fit.
                                             if (after == before) {
                                                 return;
                                             }
                                             names.clear();
                                             for (const HistoryEntry& entry : std::as_const(after)) {
                                                 names.append(entry.name);
                                             }
                                             times = historyTimesToStored(after);
                                         });
    if (!stored) {
        return std::nullopt;
    }
    return after;
}

std::optional<QStringList> appendToTorrentHistory(SettingsStore& store, const QString& name, const QDateTime& sentAt)
{
    const auto history = updateHistory(store, [&](QList<HistoryEntry>& entries) {
        entries.append({name, sentAt.toUTC()});
        if (entries.size() > kTorrentHistoryLimit) {
            entries.remove(0, entries.size() - kTorrentHistoryLimit);
        }
    });
    if (!history) {
        return std::nullopt;
    }
    QStringList names;
    for (const HistoryEntry& entry : *history) {
        names.append(entry.name);
    }
    return names;
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
    if (which == SettingsStore::LockedList::TorrentHistory) {
        const auto result = updateHistory(store, [index, &found](QList<HistoryEntry>& entries) {
            found = index >= 0 && index < entries.size();
            if (found) {
                entries.removeAt(index);
            }
        });
        return found && result.has_value();
    }
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
