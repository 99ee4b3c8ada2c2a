#include "Catalogue.h"

#include "CategoryTree.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace marrowfin::demo {

namespace {

using namespace std::string_view_literals;

// SplitMix64: tiny, fast and the same everywhere, unlike the standard distributions.
class Random
{
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // [low, high]
    std::int64_t between(std::int64_t low, std::int64_t high)
    {
        return low + std::int64_t(next() % std::uint64_t(high - low + 1));
    }
    bool chance(int percent) { return int(next() % 100) < percent; }
    template <class Container>
    const auto& pick(const Container& items)
    {
        return items[next() % std::size(items)];
    }

private:
    std::uint64_t m_state;
};

constexpr std::string_view kAdjectives[] = {
    "Amber",     "Brass",   "Crimson", "Distant", "Ember",     "Feral",    "Gilded", "Hollow",   "Ivory",
    "Jagged",    "Kindled", "Lunar",   "Muted",   "Northern",  "Obsidian", "Pale",   "Quiet",    "Restless",
    "Saltwater", "Tidal",   "Umber",   "Velvet",  "Wandering", "Yonder",   "Copper", "Glass",    "Paper",
    "Hidden",    "Second",  "Last",    "Winter",  "Electric",  "Slow",     "Sunken", "Borrowed", "Crooked"};
constexpr std::string_view kNouns[] = {
    "Lantern",  "Harbour", "Orchard",  "Meridian", "Cartographer", "Foundry",  "Lighthouse", "Quarry",  "Tern",
    "Heron",    "Signal",  "Causeway", "Glacier",  "Pilgrim",      "Beacon",   "Archive",    "Circuit", "Canal",
    "Garden",   "Parade",  "Kestrel",  "Comet",    "Ledger",       "Monsoon",  "Bellwether", "Drumlin", "Ferryman",
    "Tinsmith", "Orbit",   "Thicket",  "Weaver",   "Clocktower",   "Marigold", "Estuary",    "Sparrow", "Vault"};
constexpr std::string_view kForeignWords[] = {"Café",  "Fjørd", "Ærø",      "Mañana", "Über",
                                              "Łódka", "Crème", "Österlen", "Příběh", "Señora"};
constexpr std::string_view kFirstNames[] = {"Ada",  "Bram", "Cleo",   "Dario", "Elin", "Faye", "Goran", "Hedda",
                                            "Ivo",  "Juno", "Kasia",  "Lior",  "Mira", "Nils", "Odile", "Pavel",
                                            "Rosa", "Sven", "Tamsin", "Ugo",   "Vera", "Wren", "Yara",  "Zeno"};
constexpr std::string_view kLastNames[] = {"Ashgrove", "Bellweather", "Corvin",    "Dunmore",     "Eastling",
                                           "Farrow",   "Greywell",    "Hallow",    "Inkster",     "Jessop",
                                           "Larkspur", "Mossley",     "Northcote", "Oakhurst",    "Penrose",
                                           "Quarrie",  "Rookwood",    "Saltmarsh", "Thistlewood", "Whitlock"};
constexpr std::string_view kReleaseGroups[] = {"NOVA", "KESTREL", "PIXELDUST", "QUILL", "RUSTFOX", "LUMEN", "TIDE"};
constexpr std::string_view kBrands[] = {"Quillsoft", "Brightforge", "Nimbusware", "Tallyhand", "Orchidlabs"};
constexpr std::string_view kTools[] = {"Photo Studio", "Disk Doctor", "Office Suite",  "Video Converter",
                                       "Sound Mixer",  "Code Editor", "Backup Keeper", "Map Maker"};
constexpr std::string_view kUploaders[] = {
    "quietmoth",  "lanternfish", "orchardkeeper", "saltpeter", "brassmonkey77", "tidewalker", "emberline",
    "kestrel_k",  "velvetfox",   "northcote",     "paperboat", "glacier9",      "marigold",   "demo",
    "copperwire", "ferryman",    "thicket",       "mosshawk",  "umberjack",     "clocksmith", "sparrowhawk",
    "archivist",  "drumlin",     "pilgrim_p",     "signalman", "estuary",       "lunaria",    "heronbay"};

std::string adjectiveNoun(Random& random)
{
    std::string text(random.pick(kAdjectives));
    text += ' ';
    if (random.chance(12)) {
        text += random.pick(kForeignWords);
        return text;
    }
    const std::string_view noun = random.pick(kNouns);
    text += noun;
    if (random.chance(8))
        text += "'s " + std::string(random.pick(kNouns));
    else if (random.chance(10))
        text += " & " + std::string(random.pick(kNouns));
    return text;
}

std::string personName(Random& random)
{
    return std::string(random.pick(kFirstNames)) + ' ' + std::string(random.pick(kLastNames));
}

std::string twoDigits(std::int64_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02d", int(value));
    return text;
}

std::string makeName(Random& random, std::string_view groupWord)
{
    const std::string year = std::to_string(random.between(1994, 2014));
    if (groupWord == "movies") {
        std::string name = "The " + adjectiveNoun(random) + " (" + year + ")";
        if (random.chance(5))
            name += " <b>Extended</b>";
        name += random.chance(50) ? " 1080p BluRay x264-" : " 720p WEB-DL-";
        return name + std::string(random.pick(kReleaseGroups));
    }
    if (groupWord == "tv")
        return adjectiveNoun(random) + " S" + twoDigits(random.between(1, 9)) + "E" + twoDigits(random.between(1, 24)) +
               (random.chance(50) ? " 720p HDTV x264-" : " 480p WEB-") + std::string(random.pick(kReleaseGroups));
    if (groupWord == "music")
        return personName(random) + " - " + adjectiveNoun(random) + " (" + year + ") " +
               (random.chance(40) ? "[FLAC]" : "[MP3 320kbps]");
    if (groupWord == "books")
        return adjectiveNoun(random) + " by " + personName(random) + (random.chance(50) ? " (EPUB)" : " [PDF]");
    if (groupWord == "games")
        return std::string(random.pick(kNouns)) + " of the " + adjectiveNoun(random) + " v1." +
               std::to_string(random.between(0, 9)) + "." + std::to_string(random.between(0, 20)) +
               (random.chance(50) ? " [Multi5]" : " [ENG]");
    if (groupWord == "applications")
        return std::string(random.pick(kBrands)) + ' ' + std::string(random.pick(kTools)) + ' ' +
               std::to_string(random.between(2, 12)) + '.' + std::to_string(random.between(0, 9)) + '.' +
               std::to_string(random.between(0, 30)) + (random.chance(50) ? " x64 Portable" : " Setup");
    if (groupWord == "anime")
        return "[" + std::string(random.pick(kReleaseGroups)) + "] " + adjectiveNoun(random) + " - " +
               twoDigits(random.between(1, 26)) + (random.chance(50) ? " [720p]" : " [1080p]");
    if (groupWord == "xxx")
        return std::string(random.pick(kLastNames)) + " Studio Sampler Vol. " + std::to_string(random.between(1, 40)) +
               " XXX 720p";
    static constexpr std::string_view kOtherKinds[] = {" Wallpaper Pack 2560x1440", " Sound Effects Collection",
                                                       " Photo Set", " Video Tutorial"};
    return adjectiveNoun(random) + std::string(random.pick(kOtherKinds));
}

// Only the non-ASCII letters of our own word lists need a spelling in file names.
std::string asciiFold(std::string_view text)
{
    static constexpr std::pair<std::string_view, std::string_view> kFolds[] = {
        {"é", "e"}, {"ø", "o"}, {"Æ", "Ae"}, {"æ", "ae"}, {"ñ", "n"}, {"Ü", "U"}, {"ü", "u"}, {"Ł", "L"},
        {"ł", "l"}, {"ó", "o"}, {"è", "e"},  {"Ö", "O"},  {"ř", "r"}, {"í", "i"}, {"ě", "e"}};
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        bool folded = false;
        for (const auto& [from, to] : kFolds) {
            if (text.substr(i, from.size()) == from) {
                out += to;
                i += from.size();
                folded = true;
                break;
            }
        }
        if (!folded)
            out += text[i++];
    }
    return out;
}

std::string slugOf(std::string_view name)
{
    std::string slug;
    for (const char c : asciiFold(Catalogue::withoutTags(name))) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) != 0 && byte < 128)
            slug += char(std::tolower(byte));
        else if (!slug.empty() && slug.back() != '-')
            slug += '-';
    }
    while (!slug.empty() && slug.back() == '-')
        slug.pop_back();
    return slug;
}

// Letters (any script), digits, blanks, dots and hyphens of the name, for file names that keep spaces.
std::string spacedName(std::string_view name)
{
    std::string out;
    for (const char c : Catalogue::withoutTags(name)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 128 || std::isalnum(byte) != 0 || c == ' ' || c == '.' || c == '-') {
            if (c == ' ' && (out.empty() || out.back() == ' '))
                continue;
            out += c;
        }
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

std::uint64_t sizeFor(Random& random, std::string_view groupWord)
{
    constexpr std::uint64_t kB = 1024, MB = kB * 1024, GB = MB * 1024;
    auto range = [&](std::uint64_t low, std::uint64_t high) { return low + random.next() % (high - low); };
    if (groupWord == "movies")
        return range(650 * MB, 24 * GB);
    if (groupWord == "tv" || groupWord == "anime")
        return range(120 * MB, 3 * GB);
    if (groupWord == "music")
        return range(40 * MB, 900 * MB);
    if (groupWord == "books")
        return range(300 * kB, 120 * MB);
    if (groupWord == "games")
        return range(300 * MB, 45 * GB);
    if (groupWord == "applications")
        return range(4 * MB, 6 * GB);
    if (groupWord == "xxx")
        return range(200 * MB, 4 * GB);
    return random.chance(30) ? range(600, 900 * kB) : range(900 * kB, 2 * GB);
}

int filesFor(Random& random, std::string_view groupWord)
{
    if (random.chance(40))
        return 1;
    if (groupWord == "music")
        return int(random.between(6, 24));
    if (groupWord == "games" || groupWord == "other")
        return int(random.between(2, 150));
    return int(random.between(2, 12));
}

std::int64_t sortKey(const CatalogueEntry& entry, ListingOrder order)
{
    switch (order) {
    case ListingOrder::TimeAdd:
        return -entry.ageSeconds;
    case ListingOrder::Size:
        return std::int64_t(entry.sizeBytes);
    case ListingOrder::Files:
        return entry.files;
    case ListingOrder::Seeders:
        return entry.seeders;
    case ListingOrder::Leechers:
        return entry.leechers;
    }
    return 0;
}

} // namespace

namespace {

// One torrent of the catalogue; `random` gives everything but its place. `afterFiles` runs where the catalogue's
// ages take their own draw, so that the same seed keeps giving the same catalogue.
template <typename AfterFiles>
CatalogueEntry makeEntry(Random& random, int id, const CategoryGroup& group, std::int64_t age, AfterFiles afterFiles)
{
    CatalogueEntry entry;
    entry.id = id;
    entry.category = std::string(random.chance(35) ? group.words.front() : random.pick(group.words));
    entry.name = makeName(random, group.words.front());
    entry.slug = slugOf(entry.name);
    entry.uploader = std::string(random.pick(kUploaders));
    entry.sizeBytes = sizeFor(random, group.words.front());
    entry.files = filesFor(random, group.words.front());
    entry.ageSeconds = age;
    afterFiles();
    const int popularity = int(random.between(0, 6));
    entry.seeders = popularity == 0 ? 0 : int(random.between(0, 40 * popularity * popularity));
    entry.leechers = int(random.between(0, 25 * (popularity + 1)));
    entry.contentSeed = random.next();
    entry.download = static_cast<DownloadForm>(random.between(0, 5));
    const bool film = group.words.front() == "movies" || group.words.front() == "tv" || group.words.front() == "anime";
    const int link = int(random.between(0, 9));
    entry.movieLink = film ? (link < 4   ? MovieLink::SingleQuoted
                              : link < 8 ? MovieLink::DoubleQuoted
                                         : MovieLink::OtherHost)
                           : (link < 2 ? MovieLink::OtherHost : MovieLink::None);
    entry.movieId = "tt" + std::to_string(1000000 + random.between(0, 8999999));
    const auto wordCount = std::count(entry.name.begin(), entry.name.end(), ' ') + 1;
    entry.emphasisWord = random.chance(15) ? int(random.between(0, wordCount - 1)) : -1;
    entry.listedName = QString::fromStdString(Catalogue::withoutTags(entry.name));
    return entry;
}

bool listedBefore(const CatalogueEntry& a, const CatalogueEntry& b, ListingOrder order)
{
    const auto keyA = sortKey(a, order);
    const auto keyB = sortKey(b, order);
    return keyA != keyB ? keyA < keyB : a.id < b.id;
}

} // namespace

Catalogue::Catalogue(std::uint64_t seed, int size)
{
    Random random(seed ^ 0x6D61727277666E31ULL);
    const auto groups = CategoryTree::groups();
    m_entries.reserve(std::size_t(size));
    std::int64_t age = random.between(40, 400);
    const std::int64_t newestAge = age;
    for (int i = 0; i < size; ++i) {
        // The newest entries take the groups in turn, so the first page of the newest list shows every group.
        const int id = 3000000 + i * 7 + int(random.between(0, 6));
        const CategoryGroup& group = i < int(groups.size()) ? groups[std::size_t(i)] : random.pick(groups);
        const std::int64_t entryAge = age;
        m_entries.push_back(
            makeEntry(random, id, group, entryAge, [&] { age += random.between(30, 900) * (1 + i / 150); }));
        if (std::find(m_uploaders.begin(), m_uploaders.end(), m_entries.back().uploader) == m_uploaders.end())
            m_uploaders.push_back(m_entries.back().uploader);
    }
    // The reserve: a generator of its own keeps the torrents above the same for every reserve size. Each is newer
    // than the one before it (the same age and a higher id list it first), all newer than the torrents above.
    Random freshRandom(seed ^ 0x66726573686E6577ULL);
    const int firstFreshId = 3000000 + size * 7 + 7;
    m_fresh.reserve(kFreshReserve);
    for (int i = 0; i < kFreshReserve; ++i)
        m_fresh.push_back(makeEntry(freshRandom, firstFreshId + i * 3, freshRandom.pick(groups),
                                    std::max<std::int64_t>(1, newestAge - 1 - i), [] {}));
    for (std::size_t order = 0; order < m_ascending.size(); ++order) {
        auto& indices = m_ascending[order];
        indices.resize(m_entries.size());
        for (std::size_t i = 0; i < indices.size(); ++i)
            indices[i] = int(i);
        std::stable_sort(indices.begin(), indices.end(), [&](int a, int b) {
            const auto keyA = sortKey(m_entries[std::size_t(a)], ListingOrder(order));
            const auto keyB = sortKey(m_entries[std::size_t(b)], ListingOrder(order));
            return keyA != keyB ? keyA < keyB : m_entries[std::size_t(a)].id < m_entries[std::size_t(b)].id;
        });
    }
}

const CatalogueEntry* Catalogue::find(int id) const
{
    const auto it = std::lower_bound(m_entries.begin(), m_entries.end(), id,
                                     [](const CatalogueEntry& entry, int wanted) { return entry.id < wanted; });
    if (it != m_entries.end() && it->id == id)
        return &*it;
    const auto shown = m_fresh.begin() + freshCount();
    const auto fresh = std::lower_bound(m_fresh.begin(), shown, id,
                                        [](const CatalogueEntry& entry, int wanted) { return entry.id < wanted; });
    return fresh != shown && fresh->id == id ? &*fresh : nullptr;
}

std::vector<const CatalogueEntry*> Catalogue::addFresh(int count, bool repost) const
{
    const std::lock_guard lock(m_addMutex);
    const int before = freshCount();
    const int after = std::min(kFreshReserve, before + std::max(0, count));
    const std::vector<const CatalogueEntry*> newest =
        repost ? select(ListingQuery{}) : std::vector<const CatalogueEntry*>();
    std::vector<const CatalogueEntry*> added;
    for (int i = before; i < after; ++i) {
        CatalogueEntry& entry = m_fresh[std::size_t(i)];
        if (const std::size_t at = std::size_t(i - before); at < newest.size()) {
            // The file is made from these alone: the same file, the same torrent.
            const CatalogueEntry& original = *newest[at];
            entry.slug = original.slug;
            entry.sizeBytes = original.sizeBytes;
            entry.files = original.files;
            entry.contentSeed = original.contentSeed;
            entry.name = original.name + " REPACK";
            entry.listedName = original.listedName + QStringLiteral(" REPACK");
            entry.emphasisWord = -1;
        }
        added.push_back(&entry);
    }
    m_freshShown.store(after, std::memory_order_release);
    return added;
}

std::vector<const CatalogueEntry*> Catalogue::select(const ListingQuery& query) const
{
    const auto& indices = m_ascending[std::size_t(query.order)];
    std::vector<const CatalogueEntry*> selected;
    auto accept = [&](const CatalogueEntry& entry) {
        if (!query.category.empty() && !CategoryTree::covers(query.category, entry.category))
            return false;
        return std::all_of(query.words.begin(), query.words.end(),
                           [&](const QString& word) { return entry.listedName.contains(word, Qt::CaseInsensitive); });
    };
    auto visit = [&](int index) {
        const CatalogueEntry& entry = m_entries[std::size_t(index)];
        if (accept(entry))
            selected.push_back(&entry);
    };
    if (query.ascending)
        std::for_each(indices.begin(), indices.end(), visit);
    else
        std::for_each(indices.rbegin(), indices.rend(), visit);
    const int freshShown = freshCount();
    if (freshShown == 0)
        return selected;
    std::vector<const CatalogueEntry*> fresh;
    for (int i = 0; i < freshShown; ++i)
        if (accept(m_fresh[std::size_t(i)]))
            fresh.push_back(&m_fresh[std::size_t(i)]);
    const auto before = [&](const CatalogueEntry* a, const CatalogueEntry* b) {
        return query.ascending ? listedBefore(*a, *b, query.order) : listedBefore(*b, *a, query.order);
    };
    std::sort(fresh.begin(), fresh.end(), before);
    std::vector<const CatalogueEntry*> merged;
    merged.reserve(selected.size() + fresh.size());
    std::merge(selected.begin(), selected.end(), fresh.begin(), fresh.end(), std::back_inserter(merged), before);
    return merged;
}

std::optional<ListingOrder> Catalogue::orderFromValue(std::string_view value)
{
    if (value == "time_add")
        return ListingOrder::TimeAdd;
    if (value == "size")
        return ListingOrder::Size;
    if (value == "files_count")
        return ListingOrder::Files;
    if (value == "seeders")
        return ListingOrder::Seeders;
    if (value == "leechers")
        return ListingOrder::Leechers;
    return std::nullopt;
}

std::array<std::string, 2> Catalogue::sizeParts(std::uint64_t bytes)
{
    static constexpr std::string_view kUnits[] = {"bytes", "KB", "MB", "GB", "TB"};
    if (bytes < 1024)
        return {std::to_string(bytes), std::string(kUnits[0])};
    double value = double(bytes);
    std::size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < std::size(kUnits)) {
        value /= 1024.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    std::string number = text;
    while (number.back() == '0')
        number.pop_back();
    if (number.back() == '.')
        number.pop_back();
    return {number, std::string(kUnits[unit])};
}

std::string Catalogue::ageHtml(std::int64_t seconds)
{
    struct Step
    {
        std::int64_t seconds;
        std::string_view one;
        std::string_view many;
    };
    static constexpr Step kSteps[] = {{365 * 86400, "year", "years"}, {30 * 86400, "month", "months"},
                                      {7 * 86400, "week", "weeks"},   {86400, "day", "days"},
                                      {3600, "hour", "hours"},        {60, "min.", "min."}};
    for (const Step& step : kSteps) {
        if (seconds >= step.seconds || step.seconds == 60) {
            const std::int64_t count = std::max<std::int64_t>(1, seconds / step.seconds);
            return std::to_string(count) + "&nbsp;" + std::string(count == 1 ? step.one : step.many);
        }
    }
    return {};
}

std::string Catalogue::detailPath(const CatalogueEntry& entry)
{
    return entry.slug + "-t" + std::to_string(entry.id) + ".html";
}

std::optional<int> Catalogue::idFromDetailPath(std::string_view path)
{
    if (!path.ends_with(".html"))
        return std::nullopt;
    path.remove_suffix(5);
    const auto marker = path.rfind("-t");
    if (marker == std::string_view::npos)
        return std::nullopt;
    const std::string_view digits = path.substr(marker + 2);
    int id = 0;
    const auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), id);
    if (ec != std::errc() || ptr != digits.data() + digits.size() || digits.empty())
        return std::nullopt;
    return id;
}

std::string Catalogue::torrentFileName(const CatalogueEntry& entry)
{
    if (entry.download == DownloadForm::RelativeSpaced || entry.download == DownloadForm::AbsoluteSpaced)
        return spacedName(entry.name) + ".torrent";
    return entry.slug + ".torrent";
}

std::string Catalogue::downloadAddress(const CatalogueEntry& entry, std::string_view host)
{
    const std::string id = std::to_string(entry.id);
    const std::string absolute = "http://" + std::string(host);
    switch (entry.download) {
    case DownloadForm::AbsoluteNamed:
    case DownloadForm::AbsoluteSpaced:
        return absolute + "/download/" + id + "/?title=" + torrentFileName(entry);
    case DownloadForm::RelativeNamed:
    case DownloadForm::RelativeSpaced:
        return "/download/" + id + "/?title=" + torrentFileName(entry);
    case DownloadForm::AbsoluteRedirect:
        return absolute + "/get/" + id + "/" + entry.slug + ".torrent";
    case DownloadForm::RelativeRedirect:
        return "/get/" + id + "/";
    }
    return {};
}

std::string Catalogue::namedDownloadAddress(const CatalogueEntry& entry, std::string_view host)
{
    return "http://" + std::string(host) + "/download/" + std::to_string(entry.id) + "/?title=" + entry.slug +
           ".torrent";
}

std::string Catalogue::withoutTags(std::string_view name)
{
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '<') {
            const auto close = name.find('>', i + 1);
            if (close != std::string_view::npos && close > i + 1) {
                i = close;
                continue;
            }
        }
        out += name[i];
    }
    return out;
}

} // namespace marrowfin::demo
