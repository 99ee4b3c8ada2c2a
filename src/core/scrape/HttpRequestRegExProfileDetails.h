#pragma once

#include "core/net/HttpRequest.h"

#include <optional>

namespace marrowfin {

// A user's profile page cut down for a small screen: the head and the main part with the side-bar cells emptied.
class HttpRequestRegExProfileDetails final : public HttpRequest
{
public:
    explicit HttpRequestRegExProfileDetails(QUrl url, std::shared_ptr<HttpContext> context = nullptr);

    // After the base send, result() holds the cut-down page, or errorPageText() when the answer (whatever its
    // status) has no main part. Nothing fetched, or a page the patterns could not be run over: result() absent.
    void request() override;

    // The page-to-result step on its own: absent for a page without the main part. Throws RegexException when the
    // page patterns cannot be run over the page.
    [[nodiscard]] static std::optional<QString> cutDown(const QString& page);
};

} // namespace marrowfin
