#include "ListingSettings.h"

#include "ListingChoices.h"

#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"

namespace marrowfin {

namespace {

QString storedOr(const std::optional<QString>& stored, QStringView fallback)
{
    return stored && !stored->isEmpty() ? *stored : fallback.toString();
}

} // namespace

ListingKeys ListingKeys::of(ListingKind kind)
{
    switch (kind) {
    case ListingKind::Newest:
        break;
    case ListingKind::Search:
        return {SettingsKeys::searchCategories, SettingsKeys::searchOrderBy, SettingsKeys::searchSortBy};
    }
    return {SettingsKeys::categories, SettingsKeys::orderBy, SettingsKeys::sortBy};
}

ListingSettings ListingSettings::fromStored(const std::optional<QString>& category,
                                            const std::optional<QString>& orderBy, const std::optional<QString>& sortBy)
{
    return {storedOr(category, u""), storedOr(orderBy, kDefaultOrderBy), storedOr(sortBy, kDefaultSortBy)};
}

ListingSettings ListingSettings::read(const SettingsStore& store, ListingKind kind)
{
    const ListingKeys keys = ListingKeys::of(kind);
    return fromStored(store.text(keys.category), store.text(keys.orderBy), store.text(keys.sortBy));
}

ListingSettings ListingSettings::withHeadingClicked(QStringView orderBy) const
{
    ListingSettings next = *this;
    if (orderBy == this->orderBy) {
        next.sortBy = (sortBy == kSortChoices[0].value ? kSortChoices[1].value : kSortChoices[0].value).toString();
    } else {
        next.orderBy = orderBy.toString();
        next.sortBy = kDefaultSortBy.toString();
    }
    return next;
}

bool ListingSettings::storeOrder(SettingsStore& store, ListingKind kind) const
{
    const ListingKeys keys = ListingKeys::of(kind);
    const bool order = store.setText(keys.orderBy, orderBy);
    const bool sort = store.setText(keys.sortBy, sortBy);
    return order && sort;
}

} // namespace marrowfin
