#include "HttpRequestRegEx.h"

#include "NetLog.h"

#include "core/text/RegexException.h"
#include "core/text/RegexMatching.h"

namespace marrowfin {

HttpRequestRegEx::HttpRequestRegEx(QUrl url, QString regex, std::shared_ptr<HttpContext> context)
    : HttpRequest(std::move(url), std::move(context)), m_regex(std::move(regex))
{}

void HttpRequestRegEx::request()
{
    m_elements.reset();
    HttpRequest::request();
    if (!result()) {
        return;
    }
    QStringList captures;
    try {
        captures = captureComponentsMatchedByRegex(*result(), m_regex);
    } catch (const RegexException& error) {
        // The page is not logged: it may hold the user's details.
        qCWarning(lcNet) << "the page from" << url().host() << "could not be matched:" << error.reason();
        clearResults();
        return;
    }
    if (captures.size() < 2) {
        return; // no match (or no group 1): the caller keeps the whole page and tests elements()
    }
    setResult(captures.at(1));
    m_elements = std::move(captures);
}

} // namespace marrowfin
