#pragma once

#include "core/net/HttpRequest.h"

namespace marrowfin {

// A forum page, whole, as the site serves it to a phone browser.
class HttpRequestRegExForum final : public HttpRequest
{
public:
    explicit HttpRequestRegExForum(QUrl url, std::shared_ptr<HttpContext> context = nullptr);

    // Always sends the phone User-Agent, whatever overwriteUserAgent() was set to.
    void request() override;
};

} // namespace marrowfin
