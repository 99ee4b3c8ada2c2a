#pragma once

#include "Torrent.h"

#include "core/net/HttpRequest.h"

#include <QList>
#include <QStringList>

#include <optional>

namespace marrowfin {

// Fetches one listing page (newest, category or search: they share the row layout) and turns each row that fits
// the listing pattern into a Torrent, marked when the download history holds its name. Runs on a page-fetch
// worker thread, where it reads the history from the shared settings store.
class HttpRequestRegExTorrent final : public HttpRequest
{
public:
    explicit HttpRequestRegExTorrent(QUrl url, std::shared_ptr<HttpContext> context = nullptr);

    // After the base send: the rows of the page, or absent when nothing was fetched or the page could not be
    // matched (a hostile page past the match time limit; one warning on "marrowfin.scrape" per such page, and the
    // request's results are cleared as for a failed fetch).
    void request() override;

    // The records of the last request() in page order: empty for a page without rows, absent for a failed one.
    [[nodiscard]] const std::optional<QList<Torrent>>& torrents() const { return m_torrents; }

    // The page-to-records step on its own. `history` holds the names already sent (compared exactly). Throws
    // RegexException when the listing pattern cannot be run over the page.
    [[nodiscard]] static QList<Torrent> torrentsFromPage(const QString& page, const QStringList& history);

    // The download address as a usable URL: characters that a URL may not hold (controls, space, '"', '<', '>',
    // '\', '^', '`', '{', '|', '}', anything beyond ASCII) become "%XX" of their UTF-8 bytes, while letters,
    // digits, "-._~", the reserved ":/?#[]@!$&'()*+,;=" and "%" (an address already escaped stays as it is) are
    // kept.
    [[nodiscard]] static QString escapedDownloadUrl(const QString& address);

    // Whether a page links torrents the way the site's rows do (download addresses, torrent files, magnet links):
    // one that does while no row fits the listing pattern has a layout the pattern no longer knows.
    [[nodiscard]] static bool linksTorrents(const QString& page);

private:
    std::optional<QList<Torrent>> m_torrents;
};

} // namespace marrowfin
