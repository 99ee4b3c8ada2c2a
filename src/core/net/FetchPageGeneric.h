#pragma once

#include "FetchPage.h"

namespace marrowfin {

// Fetches one page with a request made by `classType` and delivers that request's result text: the whole page
// for a plain HttpRequest, the extracted text for a page scraper; none when nothing could be fetched.
class FetchPageGeneric final : public FetchPage
{
public:
    FetchPageGeneric(QUrl url, QObject* target, Selector selector, RequestFactory classType);

    void main() override;

    // A factory for plain HttpRequest or any subclass constructible from an address alone.
    template <typename Request>
    [[nodiscard]] static RequestFactory requestOfType()
    {
        return [](const QUrl& url) -> std::unique_ptr<HttpRequest> { return std::make_unique<Request>(url); };
    }
};

} // namespace marrowfin
