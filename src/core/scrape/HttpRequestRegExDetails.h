#pragma once

#include "core/net/HttpRequest.h"

#include <optional>

namespace marrowfin {

// A torrent's detail page cut down for a small screen: the head and the main part, with the side-bar cells emptied
// and the sharing widget dropped, plus the address of the torrent's page on the movie database when the main part
// links one. Like every request, one thread at a time: the worker that sends it, then its receiver.
class HttpRequestRegExDetails final : public HttpRequest
{
public:
    explicit HttpRequestRegExDetails(QUrl url, std::shared_ptr<HttpContext> context = nullptr);

    // After the base send, result() holds the cut-down page. A page without the main part stays whole and offers
    // no movie address; a page the patterns could not be run over counts as not fetched (results cleared).
    void request() override;

    // The movie database address of the last request(), with the host taken from AppConfig::current().imdbHost.
    [[nodiscard]] const std::optional<QString>& imdb() const { return m_imdb; }

    struct CutDown
    {
        QString page;
        QString imdb; // empty when the main part links no movie page
    };
    // The page-to-result step on its own: absent for a page without the main part. Throws RegexException when the
    // page patterns cannot be run over the page.
    [[nodiscard]] static std::optional<CutDown> cutDown(const QString& page);

private:
    std::optional<QString> m_imdb;
};

} // namespace marrowfin
