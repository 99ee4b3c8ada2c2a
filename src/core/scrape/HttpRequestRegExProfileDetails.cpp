#include "HttpRequestRegExProfileDetails.h"

#include "PageExtraction.h"
#include "PagePatterns.h"

#include "core/text/RegexException.h"

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

HttpRequestRegExProfileDetails::HttpRequestRegExProfileDetails(QUrl url, std::shared_ptr<HttpContext> context)
    : HttpRequest(std::move(url), std::move(context))
{}

void HttpRequestRegExProfileDetails::request()
{
    HttpRequest::request();
    if (!result())
        return;
    try {
        const std::optional<MainPart> part = findMainPart(*result());
        if (!part) {
            setResult(errorPageText());
            return;
        }
        QString page = part->head + part->main;
        emptySideBarCells(page);
        setResult(std::move(page));
    } catch (const RegexException& error) {
        logUnmatchedPage(u"the profile page from "_s + url().host(), error);
        clearResults();
    }
}

} // namespace marrowfin
