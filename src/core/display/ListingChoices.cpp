#include "ListingChoices.h"

namespace marrowfin {

std::optional<int> choiceIndex(std::span<const ListingChoice> choices, QStringView value)
{
    for (size_t i = 0; i < choices.size(); ++i) {
        if (choices[i].value == value)
            return int(i);
    }
    return std::nullopt;
}

} // namespace marrowfin
