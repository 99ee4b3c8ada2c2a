#include "FavoritesBatch.h"

#include "core/display/ListingAddresses.h"
#include "core/lists/FetchPageAllTorrents.h"
#include "core/lists/FilterSet.h"
#include "core/net/OperationQueue.h"
#include "core/net/PendingPages.h"

#include <QEventLoop>

#include <algorithm>
#include <map>
#include <optional>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

FavoritesBatch FavoritesBatch::fetch(const FilterSet& filters, int pages, const QString& siteHost,
                                     OperationQueue* workers, const Progress& progress,
                                     const std::shared_ptr<HttpContext>& http, const std::function<bool()>& turn)
{
    QList<int> numbers;
    for (int page = 1; page <= pages; ++page) {
        numbers.append(page);
    }
    auto pending = std::make_shared<PendingPages>(numbers);

    QObject receiver;
    QEventLoop loop;
    const auto tell = [&progress, pages](int done) {
        if (progress) {
            progress(done, pages);
        }
    };
    tell(0);
    // Pages are delivered in page order; failures are kept by page so that they are reported in that order too.
    QList<Torrent> accepted;
    QList<Torrent> listed;
    std::map<int, QString> failed;
    int delivered = 0;
    int asked = 0;
    bool allAsked = false;
    int retryAfter = 0;
    {
        std::optional<OperationQueue> own;
        OperationQueue& queue = workers != nullptr ? *workers : own.emplace(kQueueWidth, u"favorites"_s);
        for (int page : numbers) {
            if (turn && !turn()) {
                break;
            }
            const QUrl address(favoritesPageAddress(page, siteHost));
            auto fetch = std::make_shared<FetchPageAllTorrents>(
                address, &receiver,
                FetchPageAllTorrents::selectorFor([&, address, page](std::optional<ListingPage> answer) {
                    if (!answer) {
                        failed.emplace(page, address.toString() + u" could not be fetched"_s);
                    } else if (answer->failed()) {
                        failed.emplace(page, answer->failureFor(address.toString()));
                        retryAfter = std::max(retryAfter, answer->retryAfterSeconds);
                    } else {
                        accepted.append(filters.filterTorrents(answer->torrents));
                        listed.append(answer->torrents);
                    }
                    tell(++delivered);
                    if (allAsked && delivered == asked) {
                        loop.quit();
                    }
                }),
                pending, page, page == 1 ? std::nullopt : std::optional<int>(page - 1));
            fetch->setHttpContext(http);
            queue.addOperation(fetch);
            ++asked;
        }
        allAsked = true;
        if (delivered < asked) {
            loop.exec();
        }
        // Every operation lets go of this batch's receiver before it goes.
        queue.waitUntilAllOperationsAreFinished();
    }
    FavoritesBatch batch;
    batch.accepted = std::move(accepted);
    batch.listed = std::move(listed);
    batch.retryAfterSeconds = retryAfter;
    for (const auto& [page, address] : failed) {
        batch.failedPages.append(address);
    }
    return batch;
}

} // namespace marrowfin
