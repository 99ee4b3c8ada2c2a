#include "StoreCommands.h"

#include "CliContext.h"

#include "core/app/Profile.h"
#include "core/display/CategoryTree.h"
#include "core/display/ListingChoices.h"
#include "core/lists/FilterLimits.h"
#include "core/lists/FilterPreview.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsLists.h"
#include "core/settings/SettingsStore.h"
#include "core/text/RegexMatching.h"
#include "core/watch/BackgroundWatchSettings.h"
#include "core/watch/Watcher.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr QStringView kMasked = u"********";
// The window remembers the tab last selected, one of its nine but never the last, Logout: a start on it would sign
// out again at once.
constexpr int kLastRememberedTab = 7;

QStringList choiceValues(std::span<const ListingChoice> choices)
{
    QStringList values;
    for (const ListingChoice& choice : choices)
        values.append(choice.value.toString());
    return values;
}

// The values a key accepts beyond its kind, or an empty list when any text goes. Only what the window itself
// would offer is refused, so the command line never stores what the screens could not show.
QStringList allowedValues(QStringView key)
{
    using namespace SettingsKeys;
    if (key == orderBy || key == searchOrderBy)
        return choiceValues(kOrderChoices);
    if (key == sortBy || key == searchSortBy)
        return choiceValues(kSortChoices);
    if (key == categories || key == searchCategories)
        return CategoryTree::allValues();
    if (key == automaticLogin || key == anonymousLogin || key == watchInBackground || key == watchSend ||
        key == watchInTray)
        return {kSettingYes.toString(), kSettingNo.toString()};
    if (key == serverClient)
        return {u"Vuze"_s, u"Transmission"_s, u"Utorrent"_s, u"Qbittorrent"_s, u"Deluge"_s};
    return {};
}

// Checks one value for a key; returns the problem, or nothing when it may be stored.
std::optional<QString> problemWith(const SettingDescription& setting, const QString& value)
{
    const QStringList allowed = allowedValues(setting.key);
    if (!allowed.isEmpty() && !allowed.contains(value)) {
        QStringList shownValues;
        for (const QString& one : allowed)
            shownValues.append(one.isEmpty() ? u"\"\" (all)"_s : one);
        return u"%1 takes one of: %2"_s.arg(setting.key, shownValues.join(u", "_s));
    }
    bool ok = false;
    if (setting.kind == SettingKind::Number) {
        (void)value.toLongLong(&ok);
        if (!ok)
            return u"%1 takes a whole number"_s.arg(setting.key);
    }
    if (setting.key == SettingsKeys::favoritesCount) {
        const int pages = value.toInt(&ok);
        if (!ok || pages < 1 || pages > 100)
            return u"%1 takes a number of pages from 1 to 100"_s.arg(setting.key);
    }
    if (setting.key == SettingsKeys::tab) {
        const int index = value.toInt(&ok);
        if (!ok || index < 0 || index > kLastRememberedTab)
            return u"%1 takes a tab index from 0 to %2"_s.arg(setting.key).arg(kLastRememberedTab);
    }
    if (setting.key == SettingsKeys::watchEveryMinutes) {
        const int minutes = value.toInt(&ok);
        if (!ok || minutes < kShortestWatchMinutes || minutes > kLongestWatchMinutes)
            return u"%1 takes minutes from %2 to %3"_s.arg(setting.key)
                .arg(kShortestWatchMinutes)
                .arg(kLongestWatchMinutes);
    }
    if (setting.key == SettingsKeys::watchRequestsPerMinute) {
        const int perMinute = value.toInt(&ok);
        if (!ok || perMinute < 1 || perMinute > Watcher::kMostRequestsPerMinute)
            return u"%1 takes a number of requests from 1 to %2"_s.arg(setting.key)
                .arg(Watcher::kMostRequestsPerMinute);
    }
    if (setting.key == SettingsKeys::browserUserAgent &&
        std::any_of(value.cbegin(), value.cend(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; }))
        return u"%1 takes one line of text"_s.arg(setting.key);
    if (setting.key == SettingsKeys::serverPort) {
        const int port = value.toInt(&ok);
        if (!ok || port < 1 || port > 65535)
            return u"%1 takes a port number from 1 to 65535"_s.arg(setting.key);
    }
    return std::nullopt;
}

QString shown(const SettingDescription& setting, const QString& value)
{
    return setting.secret && !value.isEmpty() ? kMasked.toString() : value;
}

// The stored value, else the default the readers assume, on standard output (a list one entry a line), with
// "(default)" on standard error for a value not stored; with --json one object: key, value (null when neither is
// there) and default.
int settingsGet(CliContext& context, const SettingDescription& setting)
{
    SettingsStore& store = context.profile().settings();
    bool isDefault = false;
    QStringList lines;
    QJsonValue value;
    if (setting.kind == SettingKind::TextList) {
        const std::optional<QStringList> list = store.list(setting.key);
        isDefault = !list;
        lines = list.value_or(QStringList());
        value = QJsonArray::fromStringList(lines);
    } else {
        const std::optional<QString> text = store.text(setting.key);
        isDefault = !text;
        // Masked as in the list: a user who needs the value reads the file.
        if (text) {
            lines.append(shown(setting, *text));
        } else if (setting.defaultText) {
            lines.append(setting.defaultText->toString());
        }
        value = lines.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(lines.first());
    }
    if (context.json()) {
        const QJsonObject object{{u"key"_s, setting.key.toString()}, {u"value"_s, value}, {u"default"_s, isDefault}};
        context.out() << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) << '\n';
        return CliContext::Success;
    }
    for (const QString& line : lines) {
        context.out() << line << '\n';
    }
    context.out().flush();
    if (isDefault) {
        context.err() << (setting.defaultText ? "(default)\n" : "(not set; no default)\n");
        context.err().flush();
    }
    return CliContext::Success;
}

// The settings' help: how many there are, then each with its kind and meaning, from the table the store uses.
QString settingsDescription()
{
    QString text = u"Shows and changes the %1 settings of the profile, listed below. \"get\" prints the stored value, "
                   u"or the default of one that is not stored (and \"(default)\" on standard error); with --json "
                   u"one object: key, value and default (true when the value is the default). A list setting takes "
                   u"several values (none for an empty list); passwords are shown masked. %2 is recorded by the "
                   u"application at each start and is not set by hand.\n\nSettings:\n"_s.arg(kSettingsTable.size())
                       .arg(SettingsKeys::version);
    for (const SettingDescription& setting : kSettingsTable) {
        text += u"  %1 %2 %3\n"_s.arg(setting.key.toString().leftJustified(28),
                                      settingKindName(setting.kind).toString().leftJustified(6),
                                      setting.description.toString());
    }
    return text;
}

int settingsList(CliContext& context)
{
    SettingsStore& store = context.profile().settings();
    if (context.json()) {
        QJsonObject all;
        for (const SettingDescription& setting : kSettingsTable) {
            const QString key = setting.key.toString();
            if (setting.kind == SettingKind::TextList) {
                if (const auto list = store.list(setting.key))
                    all.insert(key, QJsonArray::fromStringList(*list));
                else
                    all.insert(key, QJsonValue::Null);
            } else if (const auto text = store.text(setting.key)) {
                all.insert(key, shown(setting, *text));
            } else {
                all.insert(key, QJsonValue::Null);
            }
        }
        context.out() << QString::fromUtf8(QJsonDocument(all).toJson(QJsonDocument::Indented));
        return CliContext::Success;
    }
    for (const SettingDescription& setting : kSettingsTable) {
        QString value;
        if (setting.kind == SettingKind::TextList) {
            if (const auto list = store.list(setting.key))
                value = list->isEmpty() ? u"(empty list)"_s : u"%1 entries"_s.arg(list->size());
        } else if (const auto text = store.text(setting.key)) {
            value = u"\"%1\""_s.arg(shown(setting, *text));
        }
        if (value.isEmpty()) {
            value = setting.defaultText ? u"(not set; default \"%1\")"_s.arg(setting.defaultText->toString())
                                        : u"(not set)"_s;
            if (setting.kind == SettingKind::TextList)
                value = u"(not set; empty list)"_s;
        }
        context.out() << setting.key.toString().leftJustified(28) << ' ' << value << '\n';
    }
    return CliContext::Success;
}

} // namespace

int StoreCommands::settings(CliContext& context, const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(u"action"_s, u"list | get KEY | set KEY VALUE... | unset KEY"_s);
    if (const auto done = context.parse(parser, arguments, u"settings list | get KEY | set KEY VALUE... | unset KEY"_s,
                                        settingsDescription()))
        return *done;
    const QStringList words = parser.positionalArguments().mid(1);
    const QString action = words.value(0);
    if (action == u"list"_s && words.size() == 1)
        return settingsList(context);
    if ((action == u"get"_s || action == u"unset"_s) && words.size() != 2)
        return context.fail(u"settings %1 takes one key"_s.arg(action), CliContext::UsageError);
    if (action == u"set"_s && words.size() < 2)
        return context.fail(u"settings set takes a key and its value"_s, CliContext::UsageError);
    if (action != u"get"_s && action != u"set"_s && action != u"unset"_s)
        return context.fail(u"settings takes list, get, set or unset"_s, CliContext::UsageError);

    const SettingDescription* setting = findSetting(words.at(1));
    if (!setting)
        return context.fail(
            u"%1 is not a setting; \"marrowfin-cli settings list\" shows them"_s.arg(CliContext::quoted(words.at(1))),
            CliContext::UsageError);
    if (action == u"get"_s)
        return settingsGet(context, *setting);
    // The application's record of the build it last ran as, written by it at each start: no setting of the user's.
    if (setting->key == SettingsKeys::version)
        return context.fail(u"%1 is recorded by the application at each start, not set by hand"_s.arg(setting->key),
                            CliContext::UsageError);
    SettingsStore& store = context.profile().settings();
    if (action == u"unset"_s)
        return store.remove(setting->key) ? CliContext::Success
                                          : context.failedWrite(u"%1 could not be written"_s.arg(setting->key));

    const QStringList values = words.mid(2);
    bool written = false;
    if (setting->kind == SettingKind::TextList) {
        written = store.setList(setting->key, values);
    } else {
        if (values.size() != 1)
            return context.fail(u"%1 takes exactly one value"_s.arg(setting->key), CliContext::UsageError);
        if (const auto problem = problemWith(*setting, values.first()))
            return context.fail(*problem, CliContext::UsageError);
        written = setting->kind == SettingKind::Number ? store.setNumber(setting->key, values.first().toLongLong())
                                                       : store.setText(setting->key, values.first());
    }
    return written ? CliContext::Success : context.failedWrite(u"%1 could not be written"_s.arg(setting->key));
}

namespace {

struct LimitOptions
{
    QCommandLineOption minSize{u"min-size"_s, u"Only torrents of this size or more, e.g. 700MB (\"none\": no limit)."_s,
                               u"SIZE"_s};
    QCommandLineOption maxSize{u"max-size"_s, u"Only torrents of this size or less, e.g. 4GB (\"none\": no limit)."_s,
                               u"SIZE"_s};
    QCommandLineOption minSeeders{u"min-seeders"_s,
                                  u"Only torrents with this many seeders or more (\"none\": no limit)."_s, u"N"_s};
    QCommandLineOption exclude{u"exclude"_s,
                               u"Leave out names this expression matches (matched as a filter is; \"none\": no "
                               u"limit; \"(none)\" leaves out names with the word none)."_s,
                               u"REGEX"_s};

    [[nodiscard]] bool anySet(const QCommandLineParser& parser) const
    {
        return parser.isSet(minSize) || parser.isSet(maxSize) || parser.isSet(minSeeders) || parser.isSet(exclude);
    }

    // Puts the options given into `limits`; the problem with one of them, or nothing.
    [[nodiscard]] std::optional<QString> apply(const QCommandLineParser& parser, FilterLimits& limits) const
    {
        const auto none = [](const QString& value) { return value.isEmpty() || value == u"none"_s; };
        for (const auto& [option, field] :
             {std::pair{&minSize, &limits.minSize}, std::pair{&maxSize, &limits.maxSize}}) {
            if (!parser.isSet(*option)) {
                continue;
            }
            const QString value = parser.value(*option);
            *field = none(value) ? std::nullopt : sizeInBytes(value);
            if (!none(value) && !*field) {
                return u"--%1 takes a size with its unit, such as 700MB or 4GB, not %2"_s.arg(
                    option->names().first(), CliContext::quoted(value));
            }
        }
        if (parser.isSet(minSeeders)) {
            const QString value = parser.value(minSeeders);
            bool ok = false;
            const int count = value.toInt(&ok);
            if (!none(value) && (!ok || count < 0)) {
                return u"--min-seeders takes a number of seeders, not %1"_s.arg(CliContext::quoted(value));
            }
            limits.minSeeders = none(value) ? std::nullopt : std::optional<int>(count);
        }
        if (parser.isSet(exclude)) {
            // "none" takes it away, as it does the other limits; "(none)" is the expression for the word itself.
            limits.exclude = none(parser.value(exclude)) ? QString() : parser.value(exclude);
        }
        return limitsProblem(limits);
    }
};

QString sentence(const QString& text)
{
    return text.endsWith(u'.') ? text : text + u'.';
}

} // namespace

int StoreCommands::filters(CliContext& context, const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(u"action"_s, u"list | add TEXT | set NUMBER | remove NUMBER"_s);
    const QCommandLineOption force(u"force"_s, u"With add: store the text even when it is not a valid expression."_s);
    const LimitOptions limitOptions;
    parser.addOptions(
        {force, limitOptions.minSize, limitOptions.maxSize, limitOptions.minSeeders, limitOptions.exclude});
    if (const auto done = context.parse(
            parser, arguments,
            u"filters list | add [--force] TEXT [LIMITS] | set NUMBER LIMITS | remove NUMBER\n"
            u"LIMITS: [--min-size SIZE] [--max-size SIZE] [--min-seeders N] [--exclude REGEX]"_s,
            u"Shows and changes the favorite filters: regular expressions over torrent names, case-sensitive, "
            u"matched anywhere in a name. \"list\" numbers them from 1; \"set\" and \"remove\" take that number. A "
            u"filter may carry limits: the smallest and largest size, the fewest seeders, and an expression a name "
            u"must not match; \"set\" changes the limits given and keeps the others (\"none\" takes one away). "
            u"Filters with the same text share their limits. A text that is not a valid expression is refused "
            u"unless --force is given (the favorites then skip it); an exclude expression that is not valid is "
            u"always refused."_s))
        return *done;
    const QStringList words = parser.positionalArguments().mid(1);
    const QString action = words.value(0);
    SettingsStore& store = context.profile().settings();
    if (action != u"add"_s && action != u"set"_s && limitOptions.anySet(parser)) {
        return context.fail(u"limits go with filters add or filters set"_s, CliContext::UsageError);
    }
    if (action == u"list"_s && words.size() == 1) {
        const QStringList filters = storedList(store, SettingsStore::LockedList::Filters);
        const FilterLimitsMap limits = storedFilterLimits(store);
        if (context.json()) {
            QJsonArray array;
            for (const QString& text : filters) {
                QJsonObject filter = limitsJson(limits.value(text));
                filter.insert(u"text"_s, text);
                array.append(filter);
            }
            context.out() << QString::fromUtf8(QJsonDocument(array).toJson());
            return CliContext::Success;
        }
        for (qsizetype i = 0; i < filters.size(); ++i) {
            context.out() << QString::number(i + 1).rightJustified(3) << "  " << filters.at(i) << '\n';
            if (const QString shown = limitsText(limits.value(filters.at(i))); !shown.isEmpty()) {
                context.out() << "       " << shown << '\n';
            }
        }
        return CliContext::Success;
    }
    if (action == u"add"_s && words.size() == 2) {
        const QString text = words.at(1);
        const std::optional<QString> problem = filterProblem(text);
        if (problem && !parser.isSet(force))
            return context.fail(
                u"%1 is not a valid expression: %2. Nothing was stored (--force stores it anyway)."_s.arg(
                    CliContext::quoted(text), *problem),
                CliContext::UsageError);
        FilterLimits limits;
        if (const auto limitProblem = limitOptions.apply(parser, limits)) {
            return context.fail(sentence(*limitProblem) + u" Nothing was stored."_s, CliContext::UsageError);
        }
        if (!appendFilter(store, text, limits))
            return context.failedWrite(u"the filter could not be stored"_s);
        if (problem)
            context.err() << "marrowfin-cli: note: the filter was stored but is not a valid expression and will be "
                             "skipped ("
                          << *problem << ")\n";
        return CliContext::Success;
    }
    bool ok = false;
    const qsizetype number = words.value(1).toLongLong(&ok);
    if ((action == u"remove"_s || action == u"set"_s) && words.size() == 2 && (!ok || number < 1)) {
        return context.fail(u"filters %1 takes the number \"filters list\" shows"_s.arg(action),
                            CliContext::UsageError);
    }
    if (action == u"set"_s && words.size() == 2) {
        if (!limitOptions.anySet(parser)) {
            return context.fail(u"filters set takes at least one of --min-size, --max-size, --min-seeders, --exclude"_s,
                                CliContext::UsageError);
        }
        // Judged inside the lock, on the list as stored at this moment.
        std::optional<QString> problem;
        bool found = false;
        const auto stored = updateFilters(store, [&](QStringList& filters, FilterLimitsMap& limits) {
            found = number <= filters.size();
            if (!found) {
                return;
            }
            FilterLimits changed = limits.value(filters.at(number - 1));
            if (!(problem = limitOptions.apply(parser, changed))) {
                limits.insert(filters.at(number - 1), changed);
            }
        });
        if (problem) {
            return context.fail(sentence(*problem) + u" Nothing was changed."_s, CliContext::UsageError);
        }
        if (!found) {
            return context.fail(u"there is no filter %1"_s.arg(number));
        }
        return stored ? CliContext::Success : context.failedWrite(u"the limits could not be stored"_s);
    }
    if (action == u"remove"_s && words.size() == 2) {
        if (number > storedList(store, SettingsStore::LockedList::Filters).size()) {
            return context.fail(u"there is no filter %1"_s.arg(number));
        }
        if (!removeFilter(store, number - 1)) {
            return context.failedWrite(u"the filter could not be removed"_s);
        }
        return CliContext::Success;
    }
    return context.fail(u"filters takes list, add TEXT, set NUMBER or remove NUMBER"_s, CliContext::UsageError);
}

} // namespace marrowfin
