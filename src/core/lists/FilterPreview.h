#pragma once

#include "FilterLimits.h"

#include "core/scrape/Torrent.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace marrowfin {

// What a filter being typed would keep of the names already at hand, before it is saved.
struct FilterPreview
{
    // Why the filter cannot be used (in plain words, as filterProblem gives them), or nothing when it can.
    std::optional<QString> problem;
    int accepted = 0;
    int total = 0;
    // The first accepted names, in the given order.
    QStringList firstNames;
};

// Why `text` cannot be a favorite filter (it does not compile once put into the filter pattern), in plain words
// with the place in the text ("a [ is not closed, at character 7"), or nothing.
[[nodiscard]] std::optional<QString> filterProblem(const QString& text);

// Why `limits` cannot go with a filter (its exclude expression does not compile, its smallest size is above its
// largest), or nothing.
[[nodiscard]] std::optional<QString> limitsProblem(const FilterLimits& limits);

// Matches `text` with `limits` against `torrents` as the favorites would; the problem is the filter's or the
// limits'.
[[nodiscard]] FilterPreview previewFilter(const QString& text, const FilterLimits& limits,
                                          const QList<Torrent>& torrents, int firstCount = 5);
// Matches `text` against `names` as the favorites would. Any thread; a match that runs out of time ends the preview
// with that as its problem rather than stalling the caller.
[[nodiscard]] FilterPreview previewFilter(const QString& text, const QStringList& names, int firstCount = 5);

} // namespace marrowfin
