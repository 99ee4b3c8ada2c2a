#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace marrowfin {

class SettingsStore;

// The newest-torrents listing and the search keep separate choices under separate keys.
enum class ListingKind
{
    Newest,
    Search,
};

// The three keys a listing reads and its settings screen writes.
struct ListingKeys
{
    QStringView category;
    QStringView orderBy;
    QStringView sortBy;

    [[nodiscard]] static ListingKeys of(ListingKind kind);
};

// A listing's category, order and sort as its next page fetch uses them: the stored texts, or the defaults when a
// key is missing or holds "". A stored text is used exactly as stored, even one no settings screen offers, so a
// value written by the command line reaches the site unchanged.
struct ListingSettings
{
    QString category; // "" for all categories
    QString orderBy;  // never empty
    QString sortBy;   // never empty

    [[nodiscard]] static ListingSettings fromStored(const std::optional<QString>& category,
                                                    const std::optional<QString>& orderBy,
                                                    const std::optional<QString>& sortBy);
    // Reads the store afresh: every page fetch calls this, so a choice takes effect with the next page.
    [[nodiscard]] static ListingSettings read(const SettingsStore& store, ListingKind kind);

    // The choices after a click on the heading of the column the listing can be ordered by `orderBy`: that order,
    // largest or newest first; a click on the column it is ordered by already flips the sort.
    [[nodiscard]] ListingSettings withHeadingClicked(QStringView orderBy) const;
    // Writes the order and sort under the listing's keys, as its settings screen does (the category stays).
    [[nodiscard]] bool storeOrder(SettingsStore& store, ListingKind kind) const;

    friend bool operator==(const ListingSettings&, const ListingSettings&) = default;
};

} // namespace marrowfin
