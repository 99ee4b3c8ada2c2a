#pragma once

#include <QString>

// The site addresses of the listing screens, built from the choices, the page and the site host alone (pass
// AppConfig::current().siteHost), so each is a pure function of its arguments. Texts are put in exactly as given:
// the site expects its category words, user names and paths as it wrote them.
namespace marrowfin {

struct ListingSettings;

// "" for page 1, "<n>/" for a later page. Pages count from 1; anything below 2 is the first page.
[[nodiscard]] QString listingPagePart(int page);

// The newest torrents: http://<host>/new/<page part>?field=<order>&sorder=<sort>, or with a category
// http://<host>/usearch/category%3A<category>/<page part>?field=<order>&sorder=<sort>.
[[nodiscard]] QString newestListingAddress(const ListingSettings& settings, int page, const QString& siteHost);

// A search: http://<host>/usearch/<query>/<page part>?field=...&sorder=..., or with a category
// http://<host>/usearch/<query>%20category%3A<category>/<page part>?field=...&sorder=...
// `escapedQuery` is escapeSearchQuery() of what the user typed.
[[nodiscard]] QString searchAddress(const QString& escapedQuery, const ListingSettings& settings, int page,
                                    const QString& siteHost);

// One page of a favorites batch: http://<host>/new/<page>, the site's default order over all categories whatever
// the listing's choices are, and without a trailing slash.
[[nodiscard]] QString favoritesPageAddress(int page, const QString& siteHost);

// A torrent's detail page; `detailsUrl` is the record's path without its leading "/".
[[nodiscard]] QString detailsAddress(const QString& detailsUrl, const QString& siteHost);

// A user's profile page; the name goes in unescaped.
[[nodiscard]] QString profileAddress(const QString& userName, const QString& siteHost);

// Where a torrent file is fetched from. A link without its scheme ("//host/...") gets "http:"; a download address
// that holds the site host anywhere is used unchanged (the page wrote it whole), and so is a magnet link; any other is
// a path on the site and gets "http://<host>" in front.
[[nodiscard]] QString sendAddress(const QString& downloadUrl, const QString& siteHost);

// The query as it goes into a search address. ASCII letters, digits, - _ . ! ~ * ' ( ) and the reserved
// ; / ? : @ & = + $ , stay as typed (so "&" and "/" reach the site unescaped); every other ASCII character becomes
// %XX in upper-case hex ("ubuntu 12.04" -> "ubuntu%2012.04"). Text beyond ASCII is written as its UTF-8 bytes in
// the same %XX form, as a browser sends such a query, rather than refused.
[[nodiscard]] QString escapeSearchQuery(const QString& typed);

} // namespace marrowfin
