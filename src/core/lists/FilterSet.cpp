#include "FilterSet.h"

#include "ListsLog.h"

#include "core/settings/SettingsLists.h"
#include "core/settings/SettingsStore.h"
#include "core/text/RegexMatching.h"

#include <algorithm>
#include <utility>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

FilterSet::FilterSet(const QStringList& texts, const FilterLimitsMap& limits)
{
    setFilters(texts, limits);
}

void FilterSet::setFilters(const QStringList& texts, const FilterLimitsMap& limits)
{
    std::lock_guard lock(m_mutex);
    m_entries.clear();
    m_entries.reserve(texts.size());
    for (const QString& text : texts) {
        Entry entry{Filter(text), limits.value(text), std::nullopt};
        if (!entry.limits.exclude.isEmpty()) {
            entry.exclude = Filter(entry.limits.exclude);
        }
        m_entries.append(std::move(entry));
    }

    m_problems.removeIf([&texts](const FilterProblem& problem) { return !texts.contains(problem.text); });
    for (Entry& entry : m_entries) {
        if (isSkippedLocked(entry.filter.regex())) {
            continue;
        }
        QString reason;
        if (!isValidRegex(entry.filter.expression(), &reason)) {
            reportLocked({entry.filter.regex(), RegexException::Kind::CompileFailed, reason});
        } else if (entry.exclude && !isValidRegex(entry.exclude->expression(), &reason)) {
            reportLocked({entry.filter.regex(), RegexException::Kind::CompileFailed, u"exclude: "_s + reason});
        } else {
            entry.acceptsEveryName = entry.limits.isEmpty() && acceptsEveryName(entry.filter.regex());
        }
    }
}

void FilterSet::reloadFilters(const SettingsStore& store)
{
    setFilters(storedList(store, SettingsStore::LockedList::Filters), storedFilterLimits(store));
}

QList<Filter> FilterSet::filters() const
{
    std::lock_guard lock(m_mutex);
    QList<Filter> filters;
    for (const Entry& entry : m_entries) {
        filters.append(entry.filter);
    }
    return filters;
}

bool FilterSet::isEmpty() const
{
    std::lock_guard lock(m_mutex);
    return m_entries.isEmpty();
}

bool FilterSet::accepts(const QString& name) const
{
    Torrent torrent;
    torrent.name = name;
    return accepts(torrent);
}

bool FilterSet::accepts(const Torrent& torrent, bool guardedOnly) const
{
    std::lock_guard lock(m_mutex);
    return acceptsLocked(torrent, guardedOnly);
}

QList<Torrent> FilterSet::filterTorrents(const QList<Torrent>& page) const
{
    std::lock_guard lock(m_mutex);
    QList<Torrent> kept;
    for (const Torrent& torrent : page) {
        if (acceptsLocked(torrent, false)) {
            kept.append(torrent);
        }
    }
    return kept;
}

QStringList FilterSet::filterNames(const QStringList& names) const
{
    std::lock_guard lock(m_mutex);
    QStringList kept;
    Torrent torrent;
    for (const QString& name : names) {
        torrent.name = name;
        if (acceptsLocked(torrent, false)) {
            kept.append(name);
        }
    }
    return kept;
}

QStringList FilterSet::unguardedFilters() const
{
    std::lock_guard lock(m_mutex);
    QStringList texts;
    for (const Entry& entry : m_entries) {
        if (entry.acceptsEveryName && !isSkippedLocked(entry.filter.regex()) && !texts.contains(entry.filter.regex())) {
            texts.append(entry.filter.regex());
        }
    }
    return texts;
}

QList<FilterProblem> FilterSet::problems() const
{
    std::lock_guard lock(m_mutex);
    return m_problems;
}

bool FilterSet::acceptsLocked(const Torrent& torrent, bool guardedOnly) const
{
    if (!torrent.name) {
        return false;
    }
    for (const Entry& entry : m_entries) {
        if ((guardedOnly && entry.acceptsEveryName) || isSkippedLocked(entry.filter.regex()) ||
            !entry.limits.admitsFigures(torrent)) {
            continue;
        }
        if (matchesLocked(entry, entry.filter, *torrent.name) &&
            !(entry.exclude && matchesLocked(entry, *entry.exclude, *torrent.name)) &&
            !isSkippedLocked(entry.filter.regex())) {
            return true;
        }
    }
    return false;
}

bool FilterSet::matchesLocked(const Entry& entry, const Filter& expression, const QString& name) const
{
    try {
        return expression.isAccepted(name);
    } catch (const RegexException& e) {
        reportLocked(
            {entry.filter.regex(), e.kind(), &expression == &entry.filter ? e.reason() : u"exclude: "_s + e.reason()});
        return false;
    }
}
bool FilterSet::isSkippedLocked(const QString& text) const
{
    return std::any_of(m_problems.cbegin(), m_problems.cend(),
                       [&text](const FilterProblem& problem) { return problem.text == text; });
}

void FilterSet::reportLocked(FilterProblem problem) const
{
    qCWarning(lcLists).noquote().nospace()
        << "favorite filter \"" << problem.text << "\" is skipped: " << problem.reason;
    m_problems.append(std::move(problem));
}

} // namespace marrowfin
