#pragma once

#include "Filter.h"
#include "FilterLimits.h"

#include "core/scrape/Torrent.h"
#include "core/text/RegexException.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>

namespace marrowfin {

class SettingsStore;

// A filter that cannot be used, with why in plain words ("a ( is not closed, at character 1", "matching it took too
// long") for the command line and the window to show beside it.
struct FilterProblem
{
    QString text; // the filter as stored
    RegexException::Kind kind;
    QString reason;
    // The exclude expression the filter had when the problem was found: once its limits change, it is tried again.
    QString exclude;

    friend bool operator==(const FilterProblem&, const FilterProblem&) = default;
};

// The favorites' filters and the rule that combines them: a torrent stays when at least one filter accepts its
// name and its limits admit it (FilterLimits); the rest go; the order is kept. With no filters nothing stays (the
// favorites list is then empty); screens that do not filter simply do not call this.
//
// A filter that cannot be used, because its expression does not compile or because a match of it ran out of
// time (a hostile expression that would stall every page), is skipped from then on and reported once: one warning
// on "marrowfin.lists" per filter text, however many pages are filtered and however often the list is reloaded
// while the text stays in it. Nothing is thrown out of the rule.
//
// Each filter is compiled once, when the list is set (FilterMatcher), not through the per-thread expression cache,
// whose slots a long list would overrun on every name.
//
// Threads: every member may be called from any thread; one mutex guards the filters, their compiled expressions
// and the problems, and matching runs under it.
class FilterSet final
{
public:
    FilterSet() = default;
    explicit FilterSet(const QStringList& texts, const FilterLimitsMap& limits = {});
    FilterSet(const FilterSet&) = delete;
    FilterSet& operator=(const FilterSet&) = delete;

    // One Filter per text, in the given order. Problems of texts no longer present, or whose exclude expression has
    // changed since, are forgotten; those of filters still as they were are kept and not reported again. Expressions
    // that do not compile are found here, so they are known before any name is matched. An exclude expression that does
    // not compile makes its filter unusable as well.
    void setFilters(const QStringList& texts, const FilterLimitsMap& limits = {});
    // setFilters with the stored filter list ("Marrowfin_filters", none when missing) and its limits.
    void reloadFilters(const SettingsStore& store);

    [[nodiscard]] QList<Filter> filters() const;
    [[nodiscard]] bool isEmpty() const;

    // At least one usable filter accepts `name` (a torrent of that name and no figures: size and seeder limits
    // fail it).
    [[nodiscard]] bool accepts(const QString& name) const;
    // A torrent without a name is never accepted. With `guardedOnly`, filters that accept every name and have no
    // limit (acceptsEveryName) do not count: an unattended send must not take a whole listing.
    [[nodiscard]] bool accepts(const Torrent& torrent, bool guardedOnly = false) const;

    [[nodiscard]] QList<Torrent> filterTorrents(const QList<Torrent>& page) const;
    [[nodiscard]] QStringList filterNames(const QStringList& names) const;

    // The texts of the usable filters that accept every name and have no limit, each once, in list order; after
    // markNearlyAll(), also those it found.
    [[nodiscard]] QStringList unguardedFilters() const;

    // Marks the usable filters that, with their limits, accept nearly every torrent of `listed` (kNearlyAllPercent
    // of at least kNearlyAllOf torrents) as taking a whole listing: until the filters are set again, `guardedOnly`
    // leaves them out as it does those that accept every name. Returns their texts, each once, in list order.
    // Catches what no fixed list of names can ("..", "\D", "[^z]", a limit that keeps nothing out).
    QStringList markNearlyAll(const QList<Torrent>& listed);
    static constexpr int kNearlyAllPercent = 90;
    static constexpr qsizetype kNearlyAllOf = 40;

    // The unusable filters, each text once: those that do not compile in list order, then those that ran out of
    // time in the order met.
    [[nodiscard]] QList<FilterProblem> problems() const;

private:
    struct Entry
    {
        Filter filter;
        FilterLimits limits;
        // Compiled once for the set; absent when unusable (then the filter is among the problems).
        std::shared_ptr<FilterMatcher> matcher;
        std::shared_ptr<FilterMatcher> exclude;
        bool acceptsEveryName = false;
        bool takesNearlyAll = false; // markNearlyAll() found it on the batch in hand
    };

    [[nodiscard]] bool acceptsLocked(const Torrent& torrent, bool guardedOnly) const;
    // The expression (or the exclude expression) matches `name`; a filter that fails is reported and skipped.
    [[nodiscard]] bool matchesLocked(const Entry& entry, FilterMatcher& matcher, const QString& name) const;
    [[nodiscard]] bool isSkippedLocked(const Entry& entry) const;
    void reportLocked(FilterProblem problem) const;

    mutable std::mutex m_mutex;
    QList<Entry> m_entries;
    // Where the texts every match of a filter holds (FilterMatcher::requiredTexts) begin, by their first two
    // characters (by the one, for a text of one), each with its filter's place: a name is searched only by the
    // filters one of whose texts it holds, and by those without any.
    QHash<quint32, QList<std::pair<qsizetype, QString>>> m_byFirstTwo;
    QHash<char16_t, QList<std::pair<qsizetype, QString>>> m_byFirst;
    // Grows while matching (a time-out is met on some name), hence mutable.
    mutable QList<FilterProblem> m_problems;
};

} // namespace marrowfin
