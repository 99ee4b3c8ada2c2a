#pragma once

#include "core/net/FetchPage.h"
#include "core/scrape/Torrent.h"

#include <QList>

namespace marrowfin {

// Fetches one listing page (newest, category or search) and delivers its records: a QList<Torrent>, empty when the
// page had no torrent rows, or none when the page could not be fetched or read.
class FetchPageAllTorrents final : public FetchPage
{
public:
    using FetchPage::FetchPage;

    void main() override;

    // A selector taking the delivered list; std::nullopt for a page that could not be fetched.
    [[nodiscard]] static Selector selectorFor(std::function<void(std::optional<QList<Torrent>>)> callback)
    {
        return FetchPage::selectorFor<QList<Torrent>>(std::move(callback));
    }
};

} // namespace marrowfin
