#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <span>

namespace marrowfin {

// One choice of the category picker: what the user reads and the word the site expects in its category address.
struct CategoryEntry
{
    QStringView title;
    QStringView value;
};

// A group of the picker's left column. Its first entry stands for the whole group.
struct CategoryGroup
{
    QStringView title;
    std::span<const CategoryEntry> entries;
};

struct CategoryPosition
{
    int group = 0;
    int entry = 0;

    friend bool operator==(const CategoryPosition&, const CategoryPosition&) = default;
};

// The site's category tree as this client knows it: fixed at build time, so it lives in static storage and every
// member may be called from any thread.
class CategoryTree final
{
public:
    static constexpr int kGroupCount = 10;
    static constexpr int kEntryCount = 70;

    CategoryTree() = delete;

    [[nodiscard]] static std::span<const CategoryGroup> groups();
    // Null for an index outside the tree: picker rows come from the user interface, which may ask before it knows.
    [[nodiscard]] static const CategoryGroup* group(int groupIndex);
    [[nodiscard]] static const CategoryEntry* entry(int groupIndex, int entryIndex);

    // Where a stored category value sits ("" is All, the first entry of the first group). Values are compared
    // exactly; a value the tree does not hold gives nothing, and the listing then keeps using it as stored.
    [[nodiscard]] static std::optional<CategoryPosition> find(QStringView value);

    // The value that stands for the whole group a value sits in ("audio-books" -> "books", "books" -> "books"); none
    // for a value the tree does not hold or for All.
    [[nodiscard]] static std::optional<QStringView> groupValue(QStringView value);

    // The category as words to say: the group's title, then the entry's words when it is not the whole group
    // ("Movies", "Movies: highres movies"); a value the tree does not hold, its own words; nothing for "".
    [[nodiscard]] static QString spokenName(QStringView value);

    // Every value, group by group, in picker order.
    [[nodiscard]] static QStringList allValues();
};

} // namespace marrowfin
