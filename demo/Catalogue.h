#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marrowfin::demo {

// How a listing row writes the torrent file's address; the send handles each differently.
enum class DownloadForm
{
    AbsoluteNamed,    // "http://HOST/download/ID/?title=slug.torrent"
    RelativeNamed,    // "/download/ID/?title=slug.torrent"
    RelativeSpaced,   // "/download/ID/?title=Words Of The Name.torrent" (spaces, letters outside ASCII)
    AbsoluteRedirect, // "http://HOST/get/ID/slug.torrent": no "=", answered with a redirect to a named address
    RelativeRedirect, // "/get/ID/": no "=", redirected likewise
    AbsoluteSpaced,   // as RelativeSpaced with the host in front
};

// What a detail page links as the torrent's film page.
enum class MovieLink
{
    None,
    SingleQuoted, // href='http://MOVIEHOST/title/ttNNNNNNN/'
    DoubleQuoted, // href="http://MOVIEHOST/title/ttNNNNNNN/"
    OtherHost,    // a quoted link of the same shape on a different host
};

struct CatalogueEntry
{
    int id = 0;
    std::string name;     // as uploaded; may hold "&", "'" and "<b>...</b>" as plain characters
    std::string slug;     // lower-case ASCII, for addresses and file names
    std::string category; // a word of the category tree
    std::string uploader;
    std::uint64_t sizeBytes = 0;
    int files = 1;
    std::int64_t ageSeconds = 0; // how long ago it was added
    int seeders = 0;
    int leechers = 0;
    std::uint64_t contentSeed = 0; // the torrent file's hashes and file split come from it
    int emphasisWord = -1;         // a word of the name the listing wraps in markup, or -1
    DownloadForm download = DownloadForm::RelativeNamed;
    MovieLink movieLink = MovieLink::None;
    std::string movieId; // "tt" and seven digits
    QString listedName;  // the name as the listing pattern's rules give it back (entities decoded, tags removed)
};

enum class ListingOrder
{
    TimeAdd,
    Size,
    Files,
    Seeders,
    Leechers,
};

struct ListingQuery
{
    QStringList words;    // each must occur in the listed name, case-insensitively
    std::string category; // empty: every category; else a word of the tree (its group's first word: the group)
    ListingOrder order = ListingOrder::TimeAdd;
    bool ascending = false;
};

// The site's torrents, made once at start from a seed: the same seed gives the same catalogue on every machine
// (own generator, no std distributions). Immutable afterwards, so any io thread may read it without a lock.
class Catalogue final
{
public:
    static constexpr int kDefaultSize = 2500;

    Catalogue(std::uint64_t seed, int size);
    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;

    // The torrents there from the start; those added later (see addFresh) are not among them.
    [[nodiscard]] const std::vector<CatalogueEntry>& entries() const { return m_entries; }
    // Any torrent listed now, from the start or added since.
    [[nodiscard]] const CatalogueEntry* find(int id) const;

    // Puts up to `count` new torrents on the site, newer than every torrent listed so far, and returns them, newest
    // last. They come from a reserve made at start with the rest, so the catalogue's entries never move and io
    // threads keep reading without a lock; once the reserve is used up nothing more is added.
    // A repost puts each up as the same torrent (the same file, so the same info hash) as one listed newest before
    // the call, the newest first, under a new detail page and a name ending in " REPACK".
    std::vector<const CatalogueEntry*> addFresh(int count, bool repost = false) const;
    [[nodiscard]] int freshCount() const { return m_freshShown.load(std::memory_order_acquire); }
    static constexpr int kFreshReserve = 300;
    // Every uploader name, in first-seen order.
    [[nodiscard]] const std::vector<std::string>& uploaders() const { return m_uploaders; }

    // Every entry the query accepts, in its order (ties by id, so pages never overlap).
    [[nodiscard]] std::vector<const CatalogueEntry*> select(const ListingQuery& query) const;

    [[nodiscard]] static std::optional<ListingOrder> orderFromValue(std::string_view value);

    // The texts a listing row shows, as the page writes them.
    [[nodiscard]] static std::array<std::string, 2> sizeParts(std::uint64_t bytes); // number, unit
    [[nodiscard]] static std::string ageHtml(std::int64_t seconds);                 // "2&nbsp;hours"
    [[nodiscard]] static std::string detailPath(const CatalogueEntry& entry);       // without the leading "/"
    [[nodiscard]] static std::optional<int> idFromDetailPath(std::string_view path);
    [[nodiscard]] static std::string torrentFileName(const CatalogueEntry& entry);
    // `host` is "host:port" as the visitor addressed the site.
    [[nodiscard]] static std::string downloadAddress(const CatalogueEntry& entry, std::string_view host);
    // About one row in ten offers a magnet link instead of the file as its download address (the detail page keeps
    // a link to the file too). Chosen by id, so the catalogue's other fields stay as they are.
    [[nodiscard]] static bool offersMagnetLink(const CatalogueEntry& entry) { return entry.id % 10 == 3; }
    // The address a redirecting download address leads to; always holds "=".
    [[nodiscard]] static std::string namedDownloadAddress(const CatalogueEntry& entry, std::string_view host);
    // The name with every "<...>" removed: what a reader of the listing sees.
    [[nodiscard]] static std::string withoutTags(std::string_view name);

private:
    std::vector<CatalogueEntry> m_entries;
    // The reserve, oldest first. An entry not yet listed is read by nobody, so a repost may complete it under the
    // add lock before it is listed.
    mutable std::vector<CatalogueEntry> m_fresh;
    // How many of the reserve are listed: the one thing that changes after start.
    mutable std::atomic<int> m_freshShown{0};
    mutable std::mutex m_addMutex;
    std::vector<std::string> m_uploaders;
    std::array<std::vector<int>, 5> m_ascending; // entry indices ascending by each order
};

} // namespace marrowfin::demo
