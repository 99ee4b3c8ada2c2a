#include "FetchPageAllTorrents.h"

#include "core/net/SiteAnswer.h"
#include "core/scrape/HttpRequestRegExTorrent.h"

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

QString ListingPage::problemText() const
{
    switch (problem) {
    case ListingProblem::None:
        return {};
    case ListingProblem::NoAnswer:
        return transportFailure.isEmpty() ? u"the site did not answer"_s
                                          : u"the site did not answer (%1)"_s.arg(transportFailure);
    case ListingProblem::ErrorStatus:
        return pushback.isEmpty() ? u"the site answered with status %1"_s.arg(statusCode) : pushback;
    case ListingProblem::Unreadable:
        return u"the page could not be read"_s;
    case ListingProblem::ChangedLayout:
        return u"the site's layout has changed: its page lists torrents in a way Marrowfin does not know"_s;
    }
    return {};
}

QString ListingPage::failureFor(const QString& address) const
{
    const bool fetched = problem == ListingProblem::Unreadable || problem == ListingProblem::ChangedLayout;
    return (fetched ? u"%1 could not be read: %2"_s : u"%1 could not be fetched: %2"_s).arg(address, problemText());
}

void FetchPageAllTorrents::main()
{
    HttpRequestRegExTorrent request(url(), m_context);
    request.request();
    ListingPage page;
    page.statusCode = request.urlResponse() ? request.urlResponse()->statusCode : 0;
    if (request.torrents()) {
        page.torrents = *request.torrents();
        if (page.isErrorAnswer()) {
            page.problem = ListingProblem::ErrorStatus;
            const SiteAnswerKind kind = siteanswer::kindOf(request);
            if (kind == SiteAnswerKind::RateLimited || kind == SiteAnswerKind::BrowserCheck ||
                kind == SiteAnswerKind::Blocked) {
                page.pushback = siteanswer::describe(request);
                page.browserCheck = kind == SiteAnswerKind::BrowserCheck;
                if (kind == SiteAnswerKind::RateLimited) {
                    page.retryAfterSeconds = siteanswer::retryAfterSeconds(request).value_or(0);
                }
            }
        } else if (page.torrents.isEmpty() && request.result() &&
                   HttpRequestRegExTorrent::linksTorrents(*request.result())) {
            page.problem = ListingProblem::ChangedLayout;
        }
    } else if (request.transportFailure()) {
        page.problem = ListingProblem::NoAnswer;
        page.transportFailure = *request.transportFailure();
    } else {
        page.problem = ListingProblem::Unreadable;
    }
    setReturnObject(QVariant::fromValue(std::move(page)));
    FetchPage::main();
}

} // namespace marrowfin
