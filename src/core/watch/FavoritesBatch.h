#pragma once

#include "core/scrape/Torrent.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <memory>

namespace marrowfin {

class FilterSet;
class HttpContext;
class OperationQueue;

// One favorites batch as the favorites screen runs it: the first `pages` pages of the newest listing fetched at
// once on a queue ten wide, each page filtered as it comes, the accepted torrents kept in page order. Blocks on
// this thread's event loop until every page is in.
struct FavoritesBatch
{
    QList<Torrent> accepted;
    // Every torrent of the pages read, accepted or not, in page order: what a filter's share is judged against.
    QList<Torrent> listed;
    // The pages that could not be fetched or read, in page order: each one's address and why ("ADDRESS could not
    // be fetched: the site answered with status 500").
    QStringList failedPages;
    // The longest wait the site asked for in a page it refused for being asked too often, in seconds (0: none).
    int retryAfterSeconds = 0;

    // The pages run on `workers` when given (a watcher keeps its workers, their connections and TLS sessions from
    // round to round), else on workers of the batch's own. `progress`, when given, hears on this thread how many
    // pages are in of how many: (0, pages) first, then once a page. The pages are fetched with `http` (the default
    // context when none is given). `turn`, when given, is asked on this thread before each page is asked for and
    // may wait there (a watcher spacing its requests); when it answers false the pages not asked for yet are left.
    using Progress = std::function<void(int done, int total)>;
    [[nodiscard]] static FavoritesBatch fetch(const FilterSet& filters, int pages, const QString& siteHost,
                                              OperationQueue* workers = nullptr, const Progress& progress = {},
                                              const std::shared_ptr<HttpContext>& http = nullptr,
                                              const std::function<bool()>& turn = {});

    // The favorites screen fetches this many pages at once.
    static constexpr int kQueueWidth = 10;
};

} // namespace marrowfin
