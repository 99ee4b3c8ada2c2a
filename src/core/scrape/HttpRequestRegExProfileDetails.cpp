#include "HttpRequestRegExProfileDetails.h"

#include "PageExtraction.h"
#include "PagePatterns.h"

#include "core/text/RegexException.h"

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

HttpRequestRegExProfileDetails::HttpRequestRegExProfileDetails(QUrl url, std::shared_ptr<HttpContext> context)
    : HttpRequest(std::move(url), std::move(context))
{}

std::optional<QString> HttpRequestRegExProfileDetails::cutDown(const QString& page)
{
    const std::optional<MainPart> part = findMainPart(page);
    if (!part) {
        return std::nullopt;
    }
    QString result = part->head + part->main;
    emptySideBarCells(result);
    return result;
}

void HttpRequestRegExProfileDetails::request()
{
    HttpRequest::request();
    if (!result())
        return;
    try {
        std::optional<QString> page = cutDown(*result());
        setResult(page ? std::move(*page) : errorPageText());
    } catch (const RegexException& error) {
        logUnmatchedPage(u"the profile page from "_s + url().host(), error);
        clearResults();
    }
}

} // namespace marrowfin
