#pragma once

#include "core/net/FetchPage.h"
#include "core/scrape/Torrent.h"

#include <QList>
#include <QMetaType>

namespace marrowfin {

// One listing page as it came: its torrents (none when the page had no torrent rows) and the status the site
// answered with. A page answered with an error status is read all the same, as the screens always have, but
// usually holds no rows: the status tells a site in trouble from a quiet one.
struct ListingPage
{
    QList<Torrent> torrents;
    int statusCode = 0;

    // A status outside 200 to 299.
    [[nodiscard]] bool isErrorAnswer() const { return statusCode < 200 || statusCode > 299; }
    // "the site answered with status 500", for a message; empty for an answer that is not an error.
    [[nodiscard]] QString errorText() const;
};

// Fetches one listing page (newest, category or search) and delivers it as a ListingPage, or none when the page
// could not be fetched or read.
class FetchPageAllTorrents final : public FetchPage
{
public:
    using FetchPage::FetchPage;

    void main() override;

    // A selector taking the delivered page; std::nullopt for a page that could not be fetched.
    [[nodiscard]] static Selector selectorFor(std::function<void(std::optional<ListingPage>)> callback)
    {
        return FetchPage::selectorFor<ListingPage>(std::move(callback));
    }
};

} // namespace marrowfin

Q_DECLARE_METATYPE(marrowfin::ListingPage)
