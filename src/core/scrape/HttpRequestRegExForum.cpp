#include "HttpRequestRegExForum.h"

namespace marrowfin {

HttpRequestRegExForum::HttpRequestRegExForum(QUrl url, std::shared_ptr<HttpContext> context)
    : HttpRequest(std::move(url), std::move(context))
{}

void HttpRequestRegExForum::request()
{
    // The forum's desktop layout is unreadable on a small screen; its phone layout needs no cutting.
    setOverwriteUserAgent(false);
    HttpRequest::request();
}

} // namespace marrowfin
