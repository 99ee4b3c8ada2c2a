#pragma once

#include "Filter.h"

#include "core/scrape/Torrent.h"
#include "core/text/RegexException.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <mutex>

namespace marrowfin {

class SettingsStore;

// A filter that cannot be used, with the pattern layer's reason ("ICU regular expression error #66310,
// U_REGEX_MISMATCHED_PAREN.") for the command line and the window to show beside it.
struct FilterProblem
{
    QString text; // the filter as stored
    RegexException::Kind kind;
    QString reason;

    friend bool operator==(const FilterProblem&, const FilterProblem&) = default;
};

// The favorites' filters and the rule that combines them: a torrent stays when at least one filter accepts its
// name; the rest go; the order is kept. With no filters nothing stays (the favorites list is then empty); screens
// that do not filter simply do not call this.
//
// A filter that cannot be used, because its expression does not compile or because a match of it ran out of
// time (a hostile expression that would stall every page), is skipped from then on and reported once: one warning
// on "marrowfin.lists" per filter text, however many pages are filtered and however often the list is reloaded
// while the text stays in it. Nothing is thrown out of the rule.
//
// Threads: every member may be called from any thread; one mutex guards the filters and the problems, and matching
// runs under it (each thread matches with its own compiled expressions).
class FilterSet final
{
public:
    FilterSet() = default;
    explicit FilterSet(const QStringList& texts);
    FilterSet(const FilterSet&) = delete;
    FilterSet& operator=(const FilterSet&) = delete;

    // One Filter per text, in the given order. Problems of texts no longer present are forgotten; those of texts
    // still present are kept and not reported again. Expressions that do not compile are found here, so they are
    // known before any name is matched.
    void setFilters(const QStringList& texts);
    // setFilters with the stored filter list ("Marrowfin_filters", none when missing).
    void reloadFilters(const SettingsStore& store);

    [[nodiscard]] QList<Filter> filters() const;
    [[nodiscard]] bool isEmpty() const;

    // At least one usable filter accepts `name`.
    [[nodiscard]] bool accepts(const QString& name) const;
    // A torrent without a name is never accepted.
    [[nodiscard]] bool accepts(const Torrent& torrent) const;

    [[nodiscard]] QList<Torrent> filterTorrents(const QList<Torrent>& page) const;
    [[nodiscard]] QStringList filterNames(const QStringList& names) const;

    // The unusable filters, each text once: those that do not compile in list order, then those that ran out of
    // time in the order met.
    [[nodiscard]] QList<FilterProblem> problems() const;

private:
    [[nodiscard]] bool acceptsLocked(const QString& name) const;
    [[nodiscard]] bool isSkippedLocked(const QString& text) const;
    void reportLocked(FilterProblem problem) const;

    mutable std::mutex m_mutex;
    QList<Filter> m_filters;
    // Grows while matching (a time-out is met on some name), hence mutable.
    mutable QList<FilterProblem> m_problems;
};

} // namespace marrowfin
