#include "FilterSet.h"

#include "ListsLog.h"

#include "core/settings/SettingsLists.h"
#include "core/settings/SettingsStore.h"
#include "core/text/RegexMatching.h"
#include "core/text/RegexProblem.h"

#include <QVarLengthArray>

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
        m_entries.append(Entry{Filter(text), limits.value(text), nullptr, nullptr});
    }

    m_problems.removeIf([&texts, &limits](const FilterProblem& problem) {
        return !texts.contains(problem.text) || limits.value(problem.text).exclude != problem.exclude;
    });
    m_byFirstTwo.clear();
    m_byFirst.clear();
    for (Entry& entry : m_entries) {
        if (isSkippedLocked(entry)) {
            continue;
        }
        bool excluding = false;
        try {
            entry.matcher = std::make_shared<FilterMatcher>(entry.filter.regex());
            excluding = !entry.limits.exclude.isEmpty();
            if (excluding) {
                entry.exclude = std::make_shared<FilterMatcher>(entry.limits.exclude);
            }
            entry.acceptsEveryName = entry.limits.isEmpty() && acceptsEveryName(*entry.matcher);
            const qsizetype place = &entry - m_entries.data();
            for (const QString& required : entry.matcher->requiredTexts()) {
                if (required.size() == 1) {
                    m_byFirst[required.at(0).unicode()].append({place, required});
                } else {
                    m_byFirstTwo[quint32(required.at(0).unicode()) << 16 | required.at(1).unicode()].append(
                        {place, required});
                }
            }
        } catch (const RegexException& e) {
            entry.matcher.reset();
            // Thrown for the wrapped form (see FilterMatcher), hence the place counted past the wrapping's start.
            const QString& typed = excluding ? entry.limits.exclude : entry.filter.regex();
            const QString reason = regexProblemText(e, typed, Filter::kExpressionStart.size());
            reportLocked(
                {entry.filter.regex(), e.kind(), excluding ? u"exclude: "_s + reason : reason, entry.limits.exclude});
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
        if ((entry.acceptsEveryName || entry.takesNearlyAll) && !isSkippedLocked(entry) &&
            !texts.contains(entry.filter.regex())) {
            texts.append(entry.filter.regex());
        }
    }
    return texts;
}

QStringList FilterSet::markNearlyAll(const QList<Torrent>& listed)
{
    std::lock_guard lock(m_mutex);
    QStringList texts;
    for (Entry& entry : m_entries) {
        if (listed.size() < kNearlyAllOf || !entry.matcher || entry.acceptsEveryName || isSkippedLocked(entry)) {
            continue;
        }
        qsizetype taken = 0;
        for (const Torrent& torrent : listed) {
            taken += torrent.name && entry.limits.admitsFigures(torrent) &&
                             matchesLocked(entry, *entry.matcher, *torrent.name) &&
                             !(entry.exclude && matchesLocked(entry, *entry.exclude, *torrent.name))
                         ? 1
                         : 0;
        }
        entry.takesNearlyAll = taken * 100 >= listed.size() * kNearlyAllPercent && !isSkippedLocked(entry);
        if (entry.takesNearlyAll && !texts.contains(entry.filter.regex())) {
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
    // The filters one of whose required texts the name holds.
    const QString& name = *torrent.name;
    QVarLengthArray<bool, 256> holds(m_entries.size(), false);
    if (!m_byFirst.isEmpty() || !m_byFirstTwo.isEmpty()) {
        const auto mark = [&](const QList<std::pair<qsizetype, QString>>& texts, qsizetype at) {
            for (const auto& [place, text] : texts) {
                holds[place] = holds[place] || QStringView(name).sliced(at).startsWith(text);
            }
        };
        for (qsizetype at = 0; at < name.size(); ++at) {
            if (const auto one = m_byFirst.constFind(name.at(at).unicode()); one != m_byFirst.cend()) {
                mark(*one, at);
            }
            if (at + 1 < name.size()) {
                const quint32 key = quint32(name.at(at).unicode()) << 16 | name.at(at + 1).unicode();
                if (const auto two = m_byFirstTwo.constFind(key); two != m_byFirstTwo.cend()) {
                    mark(*two, at);
                }
            }
        }
    }
    for (const Entry& entry : m_entries) {
        if ((guardedOnly && (entry.acceptsEveryName || entry.takesNearlyAll)) || !entry.matcher ||
            isSkippedLocked(entry) || !entry.limits.admitsFigures(torrent) ||
            (!entry.matcher->requiredTexts().isEmpty() && !holds[&entry - m_entries.data()])) {
            continue;
        }
        if (matchesLocked(entry, *entry.matcher, *torrent.name) &&
            !(entry.exclude && matchesLocked(entry, *entry.exclude, *torrent.name)) && !isSkippedLocked(entry)) {
            return true;
        }
    }
    return false;
}

bool FilterSet::matchesLocked(const Entry& entry, FilterMatcher& matcher, const QString& name) const
{
    try {
        return matcher.accepts(name);
    } catch (const RegexException& e) {
        const QString reason = regexProblemText(e, {});
        reportLocked({entry.filter.regex(), e.kind(),
                      &matcher == entry.matcher.get() ? reason : u"exclude: "_s + reason, entry.limits.exclude});
        return false;
    }
}

bool FilterSet::isSkippedLocked(const Entry& entry) const
{
    return std::any_of(m_problems.cbegin(), m_problems.cend(), [&entry](const FilterProblem& problem) {
        return problem.text == entry.filter.regex() && problem.exclude == entry.limits.exclude;
    });
}

void FilterSet::reportLocked(FilterProblem problem) const
{
    qCWarning(lcLists).noquote().nospace()
        << "favorite filter \"" << problem.text << "\" is skipped: " << problem.reason;
    m_problems.append(std::move(problem));
}

} // namespace marrowfin
