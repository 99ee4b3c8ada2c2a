#pragma once

#include "core/scrape/Torrent.h"

#include <QHash>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace marrowfin {

class SettingsStore;

// The optional limits of a favorite filter, beside its expression: a torrent the expression accepts is kept only
// when its size (the listing's size text read as bytes) lies within the sizes given, it has at least the seeders
// given, and its name does not match the exclude expression (matched as a filter is: anywhere in the name). Every
// limit is optional; a filter without any behaves as one without limits at all.
//
// Stored beside the filter list, under its own key ("Marrowfin_filterLimits"): one compact JSON object per filter
// text that has limits, {"filter": TEXT, "minSize": BYTES, "maxSize": BYTES, "minSeeders": N, "exclude": TEXT},
// the absent limits left out. The filter list itself keeps its one text per filter, so that readers that know
// nothing of limits read it as before; filters with the same text share their limits.
struct FilterLimits
{
    std::optional<qint64> minSize; // bytes
    std::optional<qint64> maxSize; // bytes
    std::optional<int> minSeeders;
    QString exclude; // empty: nothing is excluded

    [[nodiscard]] bool isEmpty() const { return !minSize && !maxSize && !minSeeders && exclude.isEmpty(); }
    // The size and seeder limits (not the exclude expression, which FilterSet matches). A size or a seeder count
    // that cannot be read fails a limit on it rather than passing it.
    [[nodiscard]] bool admitsFigures(const Torrent& torrent) const;

    friend bool operator==(const FilterLimits&, const FilterLimits&) = default;
};

// The limits of each filter text.
using FilterLimitsMap = QHash<QString, FilterLimits>;

// A size as the site writes it ("1.38 GB", "700.5 MB", "512 KB", "1,5 GB", "900 bytes") or as a person types one
// ("700MB", "4 gb", "1.5G", "4GiB"), in bytes; the units go by 1024, as the site's do. A comma followed by three
// digits groups thousands ("1,023 MB"), any other comma is a decimal point. Absent for anything else, a number
// without its unit included, and for a size beyond a petabyte.
[[nodiscard]] std::optional<qint64> sizeInBytes(QStringView text);
// Bytes as the site would write them: "700 MB", "1.38 GB".
[[nodiscard]] QString sizeText(qint64 bytes);
// A short line for the filter list and the command line: "700 MB to 4 GB, 5 seeders or more, not \"CAM\"";
// empty without limits.
[[nodiscard]] QString limitsText(const FilterLimits& limits);

// The limits that are set, as JSON keys "minSize", "maxSize" (bytes), "minSeeders" and "exclude": the stored form's
// and the command line's.
[[nodiscard]] QJsonObject limitsJson(const FilterLimits& limits);

// The stored form and back. Entries that cannot be read are skipped; a later entry for the same text wins.
[[nodiscard]] FilterLimitsMap limitsFromStored(const QStringList& stored);
// One entry per text of `filters` that has limits, in the filters' order: limits of filters that are gone go.
[[nodiscard]] QStringList limitsToStored(const FilterLimitsMap& limits, const QStringList& filters);

// The stored limits, none when the key is missing.
[[nodiscard]] FilterLimitsMap storedFilterLimits(const SettingsStore& store);

// Read-change-write of the filter list and its limits together, under the filter list's lock; limits of texts no
// longer in the list are dropped. Returns the stored filters afterwards, or absent when the write failed.
std::optional<QStringList> updateFilters(SettingsStore& store,
                                         const std::function<void(QStringList&, FilterLimitsMap&)>& change);
// Appends a filter; limits that are not empty become those of its text (shared with filters of the same text).
std::optional<QStringList> appendFilter(SettingsStore& store, const QString& text, const FilterLimits& limits);
// Removes the filter at `index` (0 = first). False when there is no such filter or the write failed.
bool removeFilter(SettingsStore& store, qsizetype index);

// Changes the filter `original`, shown at `index`, into `text` with `limits`, in its place. The entry is the one at
// `index` when it still holds `original`, else the first that does (another program may have changed the list);
// when none does any more, the filter is put back at `index` (or at the end). The limits become those of `text`
// (shared with filters of the same text; empty limits take them away); those of `original` stay with any other
// filter of that text. Returns the place the filter took, or absent when the write failed.
std::optional<qsizetype> replaceFilter(SettingsStore& store, qsizetype index, const QString& original,
                                       const QString& text, const FilterLimits& limits);
// Puts a deleted filter back at `index` (or at the end, when the list has since become shorter); its limits come
// back with it unless filters of its text have limits of their own now. Returns the place it took, or absent when
// the write failed.
std::optional<qsizetype> insertFilter(SettingsStore& store, qsizetype index, const QString& text,
                                      const FilterLimits& limits);

} // namespace marrowfin
