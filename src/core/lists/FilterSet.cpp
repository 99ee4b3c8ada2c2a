#include "FilterSet.h"

#include "ListsLog.h"

#include "core/settings/SettingsLists.h"
#include "core/settings/SettingsStore.h"
#include "core/text/RegexMatching.h"

#include <algorithm>
#include <utility>

namespace marrowfin {

FilterSet::FilterSet(const QStringList& texts)
{
    setFilters(texts);
}

void FilterSet::setFilters(const QStringList& texts)
{
    std::lock_guard lock(m_mutex);
    m_filters.clear();
    m_filters.reserve(texts.size());
    for (const QString& text : texts)
        m_filters.append(Filter(text));

    m_problems.removeIf([&texts](const FilterProblem& problem) { return !texts.contains(problem.text); });
    for (const Filter& filter : std::as_const(m_filters)) {
        if (isSkippedLocked(filter.regex()))
            continue;
        QString reason;
        if (!isValidRegex(filter.expression(), &reason))
            reportLocked({filter.regex(), RegexException::Kind::CompileFailed, reason});
    }
}

void FilterSet::reloadFilters(const SettingsStore& store)
{
    setFilters(storedList(store, SettingsStore::LockedList::Filters));
}

QList<Filter> FilterSet::filters() const
{
    std::lock_guard lock(m_mutex);
    return m_filters;
}

bool FilterSet::isEmpty() const
{
    std::lock_guard lock(m_mutex);
    return m_filters.isEmpty();
}

bool FilterSet::accepts(const QString& name) const
{
    std::lock_guard lock(m_mutex);
    return acceptsLocked(name);
}

bool FilterSet::accepts(const Torrent& torrent) const
{
    return torrent.name && accepts(*torrent.name);
}

QList<Torrent> FilterSet::filterTorrents(const QList<Torrent>& page) const
{
    std::lock_guard lock(m_mutex);
    QList<Torrent> kept;
    for (const Torrent& torrent : page) {
        if (torrent.name && acceptsLocked(*torrent.name))
            kept.append(torrent);
    }
    return kept;
}

QStringList FilterSet::filterNames(const QStringList& names) const
{
    std::lock_guard lock(m_mutex);
    QStringList kept;
    for (const QString& name : names) {
        if (acceptsLocked(name))
            kept.append(name);
    }
    return kept;
}

QList<FilterProblem> FilterSet::problems() const
{
    std::lock_guard lock(m_mutex);
    return m_problems;
}

bool FilterSet::acceptsLocked(const QString& name) const
{
    for (const Filter& filter : m_filters) {
        if (isSkippedLocked(filter.regex()))
            continue;
        try {
            if (filter.isAccepted(name))
                return true;
        } catch (const RegexException& e) {
            reportLocked({filter.regex(), e.kind(), e.reason()});
        }
    }
    return false;
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
