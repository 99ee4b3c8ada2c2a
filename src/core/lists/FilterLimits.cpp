#include "FilterLimits.h"

#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

#include <array>
#include <cmath>
#include <limits>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr double kLargestSize = 1024.0 * 1024 * 1024 * 1024 * 1024; // a petabyte

// The number of 1024-steps a unit stands for; absent for no unit we know.
std::optional<int> unitPower(const QString& unit)
{
    static const QHash<QString, int> kPowers{
        {u"b"_s, 0},   {u"byte"_s, 0}, {u"bytes"_s, 0}, {u"k"_s, 1},   {u"kb"_s, 1},
        {u"kib"_s, 1}, {u"m"_s, 2},    {u"mb"_s, 2},    {u"mib"_s, 2}, {u"g"_s, 3},
        {u"gb"_s, 3},  {u"gib"_s, 3},  {u"t"_s, 4},     {u"tb"_s, 4},  {u"tib"_s, 4},
    };
    const auto found = kPowers.constFind(unit.toLower());
    return found == kPowers.cend() ? std::nullopt : std::optional<int>(*found);
}

} // namespace

bool FilterLimits::admitsFigures(const Torrent& torrent) const
{
    if (minSize || maxSize) {
        const std::optional<qint64> size = sizeInBytes(torrent.size.value_or(QString()));
        if (!size || (minSize && *size < *minSize) || (maxSize && *size > *maxSize)) {
            return false;
        }
    }
    if (minSeeders) {
        bool ok = false;
        const int seeders = torrent.up.value_or(QString()).trimmed().toInt(&ok);
        if (!ok || seeders < *minSeeders) {
            return false;
        }
    }
    return true;
}

std::optional<qint64> sizeInBytes(QStringView text)
{
    // The listing's sizes may hold a no-break space between the number and its unit.
    static const QRegularExpression kSize(uR"(^\s*(\d+(?:[.,]\d+)*)\s*([A-Za-z]+)\s*$)"_s);
    const QRegularExpressionMatch match = kSize.match(text.toString().replace(QChar(0xa0), u' '));
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const std::optional<int> power = unitPower(match.captured(2));
    QString number = match.captured(1);
    // "1,023" and "1,234.5" group thousands; "1,5" is one and a half.
    static const QRegularExpression kGrouped(uR"(^\d{1,3}(,\d{3})+(\.\d+)?$)"_s);
    if (kGrouped.match(number).hasMatch()) {
        number.remove(u',');
    } else if (number.count(u',') + number.count(u'.') > 1) {
        return std::nullopt;
    } else {
        number.replace(u',', u'.');
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!power || !ok) {
        return std::nullopt;
    }
    const double bytes = value * std::pow(1024.0, *power);
    if (!std::isfinite(bytes) || bytes > kLargestSize) {
        return std::nullopt;
    }
    return qint64(std::llround(bytes));
}

QString sizeText(qint64 bytes)
{
    static constexpr std::array kUnits{u"bytes", u"KB", u"MB", u"GB", u"TB", u"PB"};
    double value = double(bytes);
    std::size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < kUnits.size()) {
        value /= 1024.0;
        ++unit;
    }
    // Two decimals at most, trailing zeros dropped, as the site writes them.
    QString number = QString::number(value, 'f', unit == 0 ? 0 : 2);
    if (number.contains(u'.')) {
        while (number.endsWith(u'0')) {
            number.chop(1);
        }
        if (number.endsWith(u'.')) {
            number.chop(1);
        }
    }
    return number + u' ' + QString::fromUtf16(kUnits.at(unit));
}

QString limitsText(const FilterLimits& limits)
{
    QStringList parts;
    if (limits.minSize && limits.maxSize) {
        parts.append(u"%1 to %2"_s.arg(sizeText(*limits.minSize), sizeText(*limits.maxSize)));
    } else if (limits.minSize) {
        parts.append(u"%1 or more"_s.arg(sizeText(*limits.minSize)));
    } else if (limits.maxSize) {
        parts.append(u"up to %1"_s.arg(sizeText(*limits.maxSize)));
    }
    if (limits.minSeeders) {
        parts.append(u"%1 %2 or more"_s.arg(*limits.minSeeders).arg(*limits.minSeeders == 1 ? u"seeder" : u"seeders"));
    }
    if (!limits.exclude.isEmpty()) {
        parts.append(u"not \"%1\""_s.arg(limits.exclude));
    }
    return parts.join(u", "_s);
}

QJsonObject limitsJson(const FilterLimits& limits)
{
    QJsonObject object;
    if (limits.minSize) {
        object.insert(u"minSize"_s, *limits.minSize);
    }
    if (limits.maxSize) {
        object.insert(u"maxSize"_s, *limits.maxSize);
    }
    if (limits.minSeeders) {
        object.insert(u"minSeeders"_s, *limits.minSeeders);
    }
    if (!limits.exclude.isEmpty()) {
        object.insert(u"exclude"_s, limits.exclude);
    }
    return object;
}

FilterLimitsMap limitsFromStored(const QStringList& stored)
{
    FilterLimitsMap limits;
    for (const QString& entry : stored) {
        const QJsonObject object = QJsonDocument::fromJson(entry.toUtf8()).object();
        if (!object.value(u"filter"_s).isString()) {
            continue;
        }
        FilterLimits read;
        const auto number = [&object](const QString& key) -> std::optional<qint64> {
            const QJsonValue value = object.value(key);
            return value.isDouble() && value.toDouble() >= 0 ? std::optional<qint64>(value.toInteger()) : std::nullopt;
        };
        read.minSize = number(u"minSize"_s);
        read.maxSize = number(u"maxSize"_s);
        if (const auto seeders = number(u"minSeeders"_s)) {
            read.minSeeders = int(std::min<qint64>(*seeders, std::numeric_limits<int>::max()));
        }
        read.exclude = object.value(u"exclude"_s).toString();
        limits.insert(object.value(u"filter"_s).toString(), read);
    }
    return limits;
}

QStringList limitsToStored(const FilterLimitsMap& limits, const QStringList& filters)
{
    QStringList stored;
    QSet<QString> written;
    for (const QString& text : filters) {
        const auto found = limits.constFind(text);
        if (found == limits.cend() || found->isEmpty() || written.contains(text)) {
            continue;
        }
        written.insert(text);
        QJsonObject object = limitsJson(*found);
        object.insert(u"filter"_s, text);
        stored.append(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
    }
    return stored;
}

FilterLimitsMap storedFilterLimits(const SettingsStore& store)
{
    return limitsFromStored(store.list(SettingsKeys::filterLimits).value_or(QStringList()));
}

std::optional<QStringList> updateFilters(SettingsStore& store,
                                         const std::function<void(QStringList&, FilterLimitsMap&)>& change)
{
    return store.updateList(SettingsStore::LockedList::Filters, SettingsKeys::filterLimits,
                            [&change](QStringList& filters, QStringList& storedLimits) {
                                FilterLimitsMap limits = limitsFromStored(storedLimits);
                                change(filters, limits);
                                storedLimits = limitsToStored(limits, filters);
                            });
}

std::optional<QStringList> appendFilter(SettingsStore& store, const QString& text, const FilterLimits& limits)
{
    return updateFilters(store, [&](QStringList& filters, FilterLimitsMap& stored) {
        filters.append(text);
        if (!limits.isEmpty()) {
            stored.insert(text, limits);
        }
    });
}

bool removeFilter(SettingsStore& store, qsizetype index)
{
    // Judged inside the lock: the entry at `index` is the one in the list as stored at this moment.
    bool found = false;
    const auto result = updateFilters(store, [index, &found](QStringList& filters, FilterLimitsMap&) {
        found = index >= 0 && index < filters.size();
        if (found) {
            filters.removeAt(index);
        }
    });
    return found && result.has_value();
}

std::optional<qsizetype> replaceFilter(SettingsStore& store, qsizetype index, const QString& original,
                                       const QString& text, const FilterLimits& limits)
{
    qsizetype place = -1;
    const auto result = updateFilters(store, [&](QStringList& filters, FilterLimitsMap& stored) {
        place =
            index >= 0 && index < filters.size() && filters.at(index) == original ? index : filters.indexOf(original);
        if (place < 0) {
            place = qBound(qsizetype(0), index, filters.size());
            filters.insert(place, text);
        } else {
            filters[place] = text;
        }
        if (limits.isEmpty()) {
            stored.remove(text);
        } else {
            stored.insert(text, limits);
        }
    });
    return result ? std::optional(place) : std::nullopt;
}

std::optional<qsizetype> insertFilter(SettingsStore& store, qsizetype index, const QString& text,
                                      const FilterLimits& limits)
{
    qsizetype place = -1;
    const auto result = updateFilters(store, [&](QStringList& filters, FilterLimitsMap& stored) {
        place = qBound(qsizetype(0), index, filters.size());
        if (!filters.contains(text) && !limits.isEmpty()) {
            stored.insert(text, limits);
        }
        filters.insert(place, text);
    });
    return result ? std::optional(place) : std::nullopt;
}

} // namespace marrowfin
