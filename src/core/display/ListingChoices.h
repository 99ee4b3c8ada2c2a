#pragma once

#include <QStringView>

#include <array>
#include <optional>
#include <span>

// The order and sort choices of the listing and search settings, as the site names them in its addresses.
namespace marrowfin {

struct ListingChoice
{
    QStringView title;
    QStringView value;
};

// In the order the settings screen shows its segments.
inline constexpr std::array<ListingChoice, 5> kOrderChoices{{
    {u"Date", u"time_add"},
    {u"Size", u"size"},
    {u"Files", u"files_count"},
    {u"Seeders", u"seeders"},
    {u"Leechers", u"leechers"},
}};

inline constexpr std::array<ListingChoice, 2> kSortChoices{{
    {u"Desc", u"desc"},
    {u"Asc", u"asc"},
}};

// What a listing uses when nothing (or an empty text) is stored: newest first.
inline constexpr QStringView kDefaultOrderBy = kOrderChoices[0].value;
inline constexpr QStringView kDefaultSortBy = kSortChoices[0].value;

// The index of the choice whose value is `value` exactly, or nothing. A stored text that names no choice leaves
// the settings screen with no segment selected rather than overwrite it; an absent or empty one is the caller's
// case (the first segment), since "" names no choice.
[[nodiscard]] std::optional<int> choiceIndex(std::span<const ListingChoice> choices, QStringView value);

} // namespace marrowfin
