#include "FilterPreview.h"

#include "Filter.h"
#include "FilterSet.h"

#include "core/text/RegexException.h"
#include "core/text/RegexMatching.h"
#include "core/text/RegexProblem.h"

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

std::optional<QString> filterProblem(const QString& text)
{
    const std::optional<RegexException> error = regexError(Filter(text).expression());
    if (!error) {
        return std::nullopt;
    }
    return regexProblemText(*error, text, Filter::kExpressionStart.size());
}

std::optional<QString> limitsProblem(const FilterLimits& limits)
{
    if (limits.minSize && limits.maxSize && *limits.minSize > *limits.maxSize) {
        return u"the smallest size is above the largest"_s;
    }
    if (const auto problem = limits.exclude.isEmpty() ? std::nullopt : filterProblem(limits.exclude)) {
        return u"the exclude expression \"%1\" is not valid: %2"_s.arg(limits.exclude, *problem);
    }
    return std::nullopt;
}

FilterPreview previewFilter(const QString& text, const FilterLimits& limits, const QList<Torrent>& torrents,
                            int firstCount)
{
    FilterPreview preview;
    preview.total = int(torrents.size());
    if ((preview.problem = filterProblem(text)) || (preview.problem = limitsProblem(limits))) {
        return preview;
    }
    const FilterSet filter({text}, {{text, limits}});
    for (const Torrent& torrent : torrents) {
        if (!filter.accepts(torrent)) {
            continue;
        }
        ++preview.accepted;
        if (preview.firstNames.size() < firstCount) {
            preview.firstNames.append(torrent.name.value_or(QString()));
        }
    }
    // A match that ran out of time makes the filter unusable: the preview says so rather than a partial count.
    if (const QList<FilterProblem> problems = filter.problems(); !problems.isEmpty()) {
        preview.problem = problems.first().reason;
        preview.accepted = 0;
        preview.firstNames.clear();
    }
    return preview;
}

FilterPreview previewFilter(const QString& text, const QStringList& names, int firstCount)
{
    QList<Torrent> torrents;
    for (const QString& name : names) {
        Torrent torrent;
        torrent.name = name;
        torrents.append(torrent);
    }
    return previewFilter(text, {}, torrents, firstCount);
}

} // namespace marrowfin
