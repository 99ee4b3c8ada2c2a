#pragma once

#include "core/net/HttpRequest.h"

namespace marrowfin {

// A user's profile page cut down for a small screen: the head and the main part with the side-bar cells emptied.
class HttpRequestRegExProfileDetails final : public HttpRequest
{
public:
    explicit HttpRequestRegExProfileDetails(QUrl url, std::shared_ptr<HttpContext> context = nullptr);

    // After the base send, result() holds the cut-down page, or errorPageText() when the answer (whatever its
    // status) has no main part. Nothing fetched, or a page the patterns could not be run over: result() absent.
    void request() override;
};

} // namespace marrowfin
