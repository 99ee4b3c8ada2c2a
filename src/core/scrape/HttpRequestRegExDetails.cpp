#include "HttpRequestRegExDetails.h"

#include "PageExtraction.h"
#include "PagePatterns.h"

#include "core/config/AppConfig.h"
#include "core/text/RegexException.h"
#include "core/text/RegexMatching.h"

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

// The movie address is an extra on the page: when the configured host makes no valid pattern, the page is still
// shown, without it.
QString findImdbAddress(const QString& mainPart)
{
    try {
        return stringByMatching(mainPart, imdbPattern(AppConfig::current().imdbHost), 1);
    } catch (const RegexException& error) {
        logUnmatchedPage(u"the movie link of a detail page"_s, error);
        return {};
    }
}

} // namespace

HttpRequestRegExDetails::HttpRequestRegExDetails(QUrl url, std::shared_ptr<HttpContext> context)
    : HttpRequest(std::move(url), std::move(context))
{}

std::optional<HttpRequestRegExDetails::CutDown> HttpRequestRegExDetails::cutDown(const QString& page)
{
    const std::optional<MainPart> part = findMainPart(page);
    if (!part) {
        return std::nullopt;
    }
    CutDown result{part->head + part->main, findImdbAddress(part->main)};
    emptySideBarCells(result.page);
    replaceOccurrencesOfRegex(result.page, sharingWidgetPattern(), technicalTabOpening());
    return result;
}

void HttpRequestRegExDetails::request()
{
    m_imdb.reset();
    HttpRequest::request();
    if (!result())
        return;
    try {
        std::optional<CutDown> cut = cutDown(*result());
        if (!cut) {
            return;
        }
        setResult(std::move(cut->page));
        if (!cut->imdb.isEmpty()) {
            m_imdb = std::move(cut->imdb);
        }
    } catch (const RegexException& error) {
        logUnmatchedPage(u"the detail page from "_s + url().host(), error);
        clearResults();
    }
}

} // namespace marrowfin
