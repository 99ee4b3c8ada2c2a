#include "CategoryTree.h"

#include <array>

namespace marrowfin::demo {

namespace {

using namespace std::string_view_literals;

constexpr std::array anime{"anime"sv, "other-anime"sv};
constexpr std::array applications{"applications"sv, "windows"sv, "mac-software"sv,          "unix"sv,
                                  "ios"sv,          "android"sv, "handheld-applications"sv, "other-applications"sv};
constexpr std::array books{"books"sv,       "ebooks"sv,  "comics"sv,      "magazines"sv, "textbooks"sv,
                           "non-fiction"sv, "fiction"sv, "audio-books"sv, "academic"sv,  "other-books"sv};
constexpr std::array games{"games"sv,     "pc-games"sv,       "mac-games"sv,  "ps2"sv, "xbox360"sv,
                           "wii"sv,       "handheld-games"sv, "nds"sv,        "psp"sv, "ps3"sv,
                           "ios-games"sv, "android-game"sv,   "other-games"sv};
constexpr std::array movies{"movies"sv,          "3d-movies"sv,   "music-videos"sv,   "movie-clips"sv,
                            "handheld-movies"sv, "ipad-movies"sv, "highres-movies"sv, "bollywood"sv,
                            "concerts"sv,        "asian"sv,       "dubbed-movies"sv,  "documentary"sv,
                            "trailer"sv,         "other-movies"sv};
constexpr std::array music{"music"sv, "mp3"sv, "aac"sv, "lossless"sv, "transcode"sv, "other-music"sv};
constexpr std::array other{"other"sv,      "pictures"sv,  "sound-clips"sv, "covers"sv,
                           "wallpapers"sv, "tutorials"sv, "unsorted"sv};
constexpr std::array tv{"tv"sv, "other-tv"sv};
constexpr std::array xxx{"xxx"sv,       "xxx-video"sv, "xxx-hd-video"sv, "xxx-magazines"sv,
                         "xxx-books"sv, "hentai"sv,    "other-xxx"sv};

const std::array<CategoryGroup, 9> kGroups{{
    {"Anime", anime},
    {"Applications", applications},
    {"Books", books},
    {"Games", games},
    {"Movies", movies},
    {"Music", music},
    {"Other", other},
    {"Tv", tv},
    {"XXX", xxx},
}};

} // namespace

std::span<const CategoryGroup> CategoryTree::groups()
{
    return kGroups;
}

const CategoryGroup* CategoryTree::groupOf(std::string_view word)
{
    for (const CategoryGroup& group : kGroups) {
        for (const std::string_view candidate : group.words) {
            if (candidate == word)
                return &group;
        }
    }
    return nullptr;
}

bool CategoryTree::covers(std::string_view filter, std::string_view word)
{
    if (filter == word)
        return true;
    const CategoryGroup* group = groupOf(word);
    return group != nullptr && group->words.front() == filter;
}

} // namespace marrowfin::demo
