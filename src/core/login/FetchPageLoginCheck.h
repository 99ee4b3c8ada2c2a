#pragma once

#include "LoginPages.h"

#include "core/net/FetchPage.h"

namespace marrowfin {

class HttpContext;

// Finds out whether the session cookie already signs the user in: fetches a signed-in page of the site and
// delivers the HttpRequestRegEx that fetched it (a SignInRequest). A valid page without "/auth/login/" is a
// signed-in page, and names the shared UserInfo after its nickname.
class FetchPageLoginCheck final : public FetchPage
{
public:
    // A null `context` takes the default HTTP context when main() runs.
    FetchPageLoginCheck(QUrl url, QObject* target, Selector selector, std::shared_ptr<HttpContext> context = nullptr);

    void main() override;

private:
    std::shared_ptr<HttpContext> m_context;
};

} // namespace marrowfin
