#pragma once

#include <span>
#include <string_view>

namespace marrowfin::demo {

// The site's category tree: nine groups of category words (the "All" choice of the app has no word). The first
// word of a group stands for the whole group in a category address.
struct CategoryGroup
{
    std::string_view title;
    std::span<const std::string_view> words;
};

class CategoryTree final
{
public:
    [[nodiscard]] static std::span<const CategoryGroup> groups();
    // The group holding `word`; null for a word the site does not know.
    [[nodiscard]] static const CategoryGroup* groupOf(std::string_view word);
    // True when a listing narrowed to `filter` shows a torrent of category `word`: the same word, or the word
    // that stands for the torrent's group.
    [[nodiscard]] static bool covers(std::string_view filter, std::string_view word);
};

} // namespace marrowfin::demo
