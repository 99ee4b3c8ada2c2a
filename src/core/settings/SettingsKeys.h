#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

// The keys of the settings store, what each holds and what a reader assumes when it is absent. Nothing here is ever
// written to the store as a default: an absent key stays absent.
namespace marrowfin {

namespace SettingsKeys {
inline constexpr QStringView version = u"Marrowfin_version";
inline constexpr QStringView username = u"Marrowfin_username";
inline constexpr QStringView password = u"Marrowfin_password";
inline constexpr QStringView automaticLogin = u"Marrowfin_automaticLogin";
inline constexpr QStringView anonymousLogin = u"Marrowfin_anonymousLogin";
inline constexpr QStringView tab = u"Marrowfin_tab";
inline constexpr QStringView categories = u"Marrowfin_categories";
inline constexpr QStringView orderBy = u"Marrowfin_orderBy";
inline constexpr QStringView sortBy = u"Marrowfin_sortBy";
inline constexpr QStringView searchCategories = u"Marrowfin_searchCategories";
inline constexpr QStringView searchOrderBy = u"Marrowfin_searchOrderBy";
inline constexpr QStringView searchSortBy = u"Marrowfin_searchSortBy";
inline constexpr QStringView favoritesCount = u"Marrowfin_favoritesCount";
inline constexpr QStringView filters = u"Marrowfin_filters";
inline constexpr QStringView filterLimits = u"Marrowfin_filterLimits";
inline constexpr QStringView torrentHistory = u"Marrowfin_torrentHistory";
inline constexpr QStringView torrentHistoryTimes = u"Marrowfin_torrentHistoryTimes";
inline constexpr QStringView serverClient = u"Marrowfin_serverClient";
inline constexpr QStringView serverAddress = u"Marrowfin_serverAddress";
inline constexpr QStringView serverPort = u"Marrowfin_serverPort";
inline constexpr QStringView serverUser = u"Marrowfin_serverUser";
inline constexpr QStringView serverPassword = u"Marrowfin_serverPassword";
inline constexpr QStringView watchInBackground = u"Marrowfin_watchInBackground";
inline constexpr QStringView watchEveryMinutes = u"Marrowfin_watchEveryMinutes";
inline constexpr QStringView watchSend = u"Marrowfin_watchSend";
inline constexpr QStringView watchInTray = u"Marrowfin_watchInTray";
inline constexpr QStringView watchRequestsPerMinute = u"Marrowfin_watchRequestsPerMinute";
inline constexpr QStringView browserUserAgent = u"Marrowfin_browserUserAgent";
} // namespace SettingsKeys

// Boolean settings are stored as these texts, never as booleans.
inline constexpr QStringView kSettingYes = u"YES";
inline constexpr QStringView kSettingNo = u"NO";

enum class SettingKind
{
    Text,
    Number,
    TextList,
};

struct SettingDescription
{
    QStringView key;
    SettingKind kind;
    // The value a reader assumes when the key is absent, written as the command line shows it; for a list the only
    // default is the empty list, given as "". No value means the reader has no default (the field stays unset).
    std::optional<QStringView> defaultText;
    QStringView description;
    // Passwords: shown masked by anything that prints settings, never logged.
    bool secret;
};

// clang-format off
inline constexpr std::array<SettingDescription, 28> kSettingsTable{{
    {SettingsKeys::version, SettingKind::Text, std::nullopt, u"build version recorded at the last start", false},
    {SettingsKeys::username, SettingKind::Text, u"", u"site sign-in e-mail or user name, as typed", false},
    {SettingsKeys::password, SettingKind::Text, u"", u"site password, as typed", true},
    {SettingsKeys::automaticLogin, SettingKind::Text, kSettingNo, u"sign in at start: absent or \"NO\" off, any other text on", false},
    {SettingsKeys::anonymousLogin, SettingKind::Text, kSettingYes, u"use the site anonymously: only \"NO\" is off", false},
    {SettingsKeys::tab, SettingKind::Number, u"0", u"index of the last selected tab, from 0", false},
    {SettingsKeys::categories, SettingKind::Text, u"", u"category word of the newest-torrents listing; empty for all", false},
    {SettingsKeys::orderBy, SettingKind::Text, u"time_add", u"sort field of the newest-torrents listing (empty means the default)", false},
    {SettingsKeys::sortBy, SettingKind::Text, u"desc", u"\"desc\" or \"asc\" for the newest-torrents listing (empty means the default)", false},
    {SettingsKeys::searchCategories, SettingKind::Text, u"", u"category word of the search listing; empty for all", false},
    {SettingsKeys::searchOrderBy, SettingKind::Text, u"time_add", u"sort field of the search listing", false},
    {SettingsKeys::searchSortBy, SettingKind::Text, u"desc", u"\"desc\" or \"asc\" for the search listing", false},
    {SettingsKeys::favoritesCount, SettingKind::Text, u"5", u"number of listing pages the favorites search, as decimal text", false},
    {SettingsKeys::filters, SettingKind::TextList, u"", u"favorite filter texts, in the order created", false},
    {SettingsKeys::filterLimits, SettingKind::TextList, u"", u"limits of favorite filters: one JSON object per filter text with limits", false},
    {SettingsKeys::torrentHistory, SettingKind::TextList, u"", u"names of the torrents sent to the remote client, oldest first, at most 50", false},
    {SettingsKeys::torrentHistoryTimes, SettingKind::TextList, u"", u"when the torrents of the history were sent: one JSON object per entry with a time", false},
    {SettingsKeys::serverClient, SettingKind::Text, std::nullopt, u"remote client: \"Vuze\", \"Transmission\" or \"Utorrent\"", false},
    {SettingsKeys::serverAddress, SettingKind::Text, std::nullopt, u"host name or address of the remote client", false},
    {SettingsKeys::serverPort, SettingKind::Text, std::nullopt, u"port of the remote client's web interface", false},
    {SettingsKeys::serverUser, SettingKind::Text, std::nullopt, u"user name for the remote client", false},
    {SettingsKeys::serverPassword, SettingKind::Text, std::nullopt, u"password for the remote client", true},
    {SettingsKeys::watchInBackground, SettingKind::Text, kSettingNo, u"the window watches the favorites in the background: only \"YES\" is on", false},
    {SettingsKeys::watchEveryMinutes, SettingKind::Number, u"15", u"minutes from one of the window's background rounds to the next, 1 to 1440", false},
    {SettingsKeys::watchSend, SettingKind::Text, kSettingNo, u"the window's background rounds send new matches to the remote client: only \"YES\" is on", false},
    {SettingsKeys::watchInTray, SettingKind::Text, std::nullopt, u"closing the window while it watches: \"YES\" keeps watching in the tray, \"NO\" quits; absent: asked", false},
    {SettingsKeys::watchRequestsPerMinute, SettingKind::Number, u"30", u"requests a watcher makes to the site a minute at most, 1 to 600", false},
    {SettingsKeys::browserUserAgent, SettingKind::Text, u"", u"the User-Agent the site's pages are asked for with, that of the browser a browser check was passed in; empty: the desktop one", false},
}};
// clang-format on

// The table's row for a key (exact, case-sensitive), or nullptr for a key the system does not use.
[[nodiscard]] const SettingDescription* findSetting(QStringView key);

// "text", "number" or "list", as the command line prints and accepts them.
[[nodiscard]] QStringView settingKindName(SettingKind kind);

// Reading rules of the two sign-in flags; `stored` is the store's value (absent when never written). Comparisons are
// exact: "no" is not "NO".
[[nodiscard]] bool automaticLoginIsOn(const std::optional<QString>& stored);
[[nodiscard]] bool anonymousLoginIsOn(const std::optional<QString>& stored);

// The reading rule of the window's watch flags: on only when stored as "YES".
[[nodiscard]] bool watchFlagIsOn(const std::optional<QString>& stored);

// "YES" or "NO".
[[nodiscard]] QString settingFlagText(bool on);

} // namespace marrowfin
