#pragma once

#include "core/net/FetchPage.h"
#include "core/scrape/Torrent.h"

#include <QList>
#include <QMetaType>

#include <memory>

namespace marrowfin {

class HttpContext;

// Why a listing page gave no rows to go by.
enum class ListingProblem
{
    None,
    NoAnswer,      // nothing came back: no connection, a time-out, a TLS failure, a body past the size limit
    ErrorStatus,   // the site answered with a status outside 200 to 299
    Unreadable,    // the listing pattern could not be run over the page (past the match time limit)
    ChangedLayout, // the page links torrents, but no row fits the listing pattern
};

// One listing page as it came: its torrents (none when the page had no torrent rows), the status the site answered
// with and, when the page gave no rows to go by, why. A page answered with an error status is read all the same,
// as the screens always have, but usually holds no rows: the problem tells a site in trouble from a quiet one.
struct ListingPage
{
    QList<Torrent> torrents;
    int statusCode = 0;
    ListingProblem problem = ListingProblem::None;
    // Why nothing came back, for NoAnswer ("connection refused").
    QString transportFailure;
    // ErrorStatus: the site pushing back (a rate limit, a browser check, a block) in words; empty for a plain error.
    QString pushback = {};
    // A rate limit's Retry-After, in seconds (0: none asked for).
    int retryAfterSeconds = 0;
    // The site answered with its browser check instead of the page.
    bool browserCheck = false;

    [[nodiscard]] bool failed() const { return problem != ListingProblem::None; }
    // A status outside 200 to 299.
    [[nodiscard]] bool isErrorAnswer() const { return statusCode < 200 || statusCode > 299; }
    // The problem in words for a message, starting in lower case ("the site answered with status 500"); empty
    // when there is none.
    [[nodiscard]] QString problemText() const;
    // "ADDRESS could not be fetched: WHY" (or "could not be read" for a page that came), for the command line.
    [[nodiscard]] QString failureFor(const QString& address) const;
};

// Fetches one listing page (newest, category or search) and delivers it as a ListingPage, whether or not it could
// be fetched and read.
class FetchPageAllTorrents final : public FetchPage
{
public:
    using FetchPage::FetchPage;

    void main() override;

    // The transport the page is fetched with; the default context's when none is given.
    void setHttpContext(std::shared_ptr<HttpContext> context) { m_context = std::move(context); }

    // A selector taking the delivered page.
    [[nodiscard]] static Selector selectorFor(std::function<void(std::optional<ListingPage>)> callback)
    {
        return FetchPage::selectorFor<ListingPage>(std::move(callback));
    }

private:
    std::shared_ptr<HttpContext> m_context;
};

} // namespace marrowfin

Q_DECLARE_METATYPE(marrowfin::ListingPage)
