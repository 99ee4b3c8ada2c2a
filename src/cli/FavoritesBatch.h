#pragma once

#include "core/scrape/Torrent.h"

#include <QList>
#include <QStringList>

namespace marrowfin {

class FilterSet;

// One favorites batch as the favorites screen runs it: the first `pages` pages of the newest listing fetched at
// once on a queue ten wide, each page filtered as it comes, the accepted torrents kept in page order. Blocks on
// this thread's event loop until every page is in; shows "page N/M" on a terminal meanwhile.
struct FavoritesBatch
{
    QList<Torrent> accepted;
    // The pages that could not be fetched or read, in page order: each one's address and why ("ADDRESS could not
    // be fetched: the site answered with status 500").
    QStringList failedPages;

    [[nodiscard]] static FavoritesBatch fetch(const FilterSet& filters, int pages, const QString& siteHost);
};

} // namespace marrowfin
