#include "CategoryTree.h"

#include <array>

namespace marrowfin {

namespace {

// clang-format off
constexpr std::array<CategoryEntry, 1> kAll{{
    {u"All", u""},
}};
constexpr std::array<CategoryEntry, 2> kAnime{{
    {u"All anime", u"anime"}, {u"other anime", u"other-anime"},
}};
constexpr std::array<CategoryEntry, 8> kApplications{{
    {u"All applications", u"applications"}, {u"windows", u"windows"}, {u"mac-software", u"mac-software"},
    {u"unix", u"unix"}, {u"ios", u"ios"}, {u"android", u"android"},
    {u"handheld-applications", u"handheld-applications"}, {u"other-applications", u"other-applications"},
}};
constexpr std::array<CategoryEntry, 10> kBooks{{
    {u"All books", u"books"}, {u"ebooks", u"ebooks"}, {u"comics", u"comics"}, {u"magazines", u"magazines"},
    {u"textbooks", u"textbooks"}, {u"non-fiction", u"non-fiction"}, {u"fiction", u"fiction"},
    {u"audio-books", u"audio-books"}, {u"academic", u"academic"}, {u"other-books", u"other-books"},
}};
// The site spells the android games category without the final "s" in its addresses.
constexpr std::array<CategoryEntry, 13> kGames{{
    {u"All games", u"games"}, {u"pc-games", u"pc-games"}, {u"mac-games", u"mac-games"}, {u"ps2", u"ps2"},
    {u"xbox360", u"xbox360"}, {u"wii", u"wii"}, {u"handheld-games", u"handheld-games"}, {u"nds", u"nds"},
    {u"psp", u"psp"}, {u"ps3", u"ps3"}, {u"ios-games", u"ios-games"}, {u"android-games", u"android-game"},
    {u"other-games", u"other-games"},
}};
constexpr std::array<CategoryEntry, 14> kMovies{{
    {u"All movies", u"movies"}, {u"3d-movies", u"3d-movies"}, {u"music-videos", u"music-videos"},
    {u"movie-clips", u"movie-clips"}, {u"handheld-movies", u"handheld-movies"}, {u"ipad-movies", u"ipad-movies"},
    {u"highres-movies", u"highres-movies"}, {u"bollywood", u"bollywood"}, {u"concerts", u"concerts"},
    {u"asian", u"asian"}, {u"dubbed-movies", u"dubbed-movies"}, {u"documentary", u"documentary"},
    {u"trailer", u"trailer"}, {u"other-movies", u"other-movies"},
}};
constexpr std::array<CategoryEntry, 6> kMusic{{
    {u"All music", u"music"}, {u"mp3", u"mp3"}, {u"aac", u"aac"}, {u"lossless", u"lossless"},
    {u"transcode", u"transcode"}, {u"other-music", u"other-music"},
}};
// No "All other" entry: the site's "other" category is the whole group.
constexpr std::array<CategoryEntry, 7> kOther{{
    {u"other", u"other"}, {u"pictures", u"pictures"}, {u"sound-clips", u"sound-clips"}, {u"covers", u"covers"},
    {u"wallpapers", u"wallpapers"}, {u"tutorials", u"tutorials"}, {u"unsorted", u"unsorted"},
}};
constexpr std::array<CategoryEntry, 2> kTv{{
    {u"All tv", u"tv"}, {u"other-tv", u"other-tv"},
}};
constexpr std::array<CategoryEntry, 7> kXxx{{
    {u"All xxx", u"xxx"}, {u"xxx-video", u"xxx-video"}, {u"xxx-hd-video", u"xxx-hd-video"},
    {u"xxx-magazines", u"xxx-magazines"}, {u"xxx-books", u"xxx-books"}, {u"hentai", u"hentai"},
    {u"other-xxx", u"other-xxx"},
}};

constexpr std::array<CategoryGroup, CategoryTree::kGroupCount> kGroups{{
    {u"All", kAll},
    {u"Anime", kAnime},
    {u"Applications", kApplications},
    {u"Books", kBooks},
    {u"Games", kGames},
    {u"Movies", kMovies},
    {u"Music", kMusic},
    {u"Other", kOther},
    {u"Tv", kTv},
    {u"XXX", kXxx},
}};
// clang-format on

constexpr int countEntries()
{
    int count = 0;
    for (const CategoryGroup& group : kGroups)
        count += int(group.entries.size());
    return count;
}
static_assert(countEntries() == CategoryTree::kEntryCount);

} // namespace

std::span<const CategoryGroup> CategoryTree::groups()
{
    return kGroups;
}

const CategoryGroup* CategoryTree::group(int groupIndex)
{
    if (groupIndex < 0 || groupIndex >= kGroupCount)
        return nullptr;
    return &kGroups[size_t(groupIndex)];
}

const CategoryEntry* CategoryTree::entry(int groupIndex, int entryIndex)
{
    const CategoryGroup* owner = group(groupIndex);
    if (!owner || entryIndex < 0 || size_t(entryIndex) >= owner->entries.size())
        return nullptr;
    return &owner->entries[size_t(entryIndex)];
}

std::optional<CategoryPosition> CategoryTree::find(QStringView value)
{
    for (int g = 0; g < kGroupCount; ++g) {
        const auto& entries = kGroups[size_t(g)].entries;
        for (size_t e = 0; e < entries.size(); ++e) {
            if (entries[e].value == value)
                return CategoryPosition{g, int(e)};
        }
    }
    return std::nullopt;
}

std::optional<QStringView> CategoryTree::groupValue(QStringView value)
{
    const std::optional<CategoryPosition> position = find(value);
    if (!position || position->group == 0) {
        return std::nullopt;
    }
    return kGroups[size_t(position->group)].entries.front().value;
}

QString CategoryTree::spokenName(QStringView value)
{
    const auto words = [](QStringView text) { return text.toString().replace(u'-', u' '); };
    const std::optional<CategoryPosition> position = find(value);
    if (!position) {
        return words(value);
    }
    if (position->group == 0) {
        return {};
    }
    const QString group = kGroups[size_t(position->group)].title.toString();
    if (position->entry == 0) {
        return group;
    }
    return group + QStringLiteral(": ") +
           words(kGroups[size_t(position->group)].entries[size_t(position->entry)].title);
}

QStringList CategoryTree::allValues()
{
    QStringList values;
    values.reserve(kEntryCount);
    for (const CategoryGroup& group : kGroups) {
        for (const CategoryEntry& entry : group.entries)
            values.append(entry.value.toString());
    }
    return values;
}

} // namespace marrowfin
