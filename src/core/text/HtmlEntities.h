#pragma once

#include <span>
#include <string_view>

namespace marrowfin {

struct HtmlEntity
{
    std::u16string_view text; // "&" name ";"
    char16_t codeUnit;
};

// 253 entries ordered by code unit, from "&quot;" (34) to "&diams;" (9830).
[[nodiscard]] std::span<const HtmlEntity> htmlEntityTable();

} // namespace marrowfin
