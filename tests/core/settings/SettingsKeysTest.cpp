#include "core/settings/SettingsKeys.h"

#include <QSet>

#include <gtest/gtest.h>

using namespace marrowfin;
using namespace Qt::StringLiterals;

namespace {

// Every named key constant, listed independently of the table.
const QStringView kAllKeys[] = {
    SettingsKeys::version,          SettingsKeys::username,       SettingsKeys::password,
    SettingsKeys::automaticLogin,   SettingsKeys::anonymousLogin, SettingsKeys::tab,
    SettingsKeys::categories,       SettingsKeys::orderBy,        SettingsKeys::sortBy,
    SettingsKeys::searchCategories, SettingsKeys::searchOrderBy,  SettingsKeys::searchSortBy,
    SettingsKeys::favoritesCount,   SettingsKeys::filters,        SettingsKeys::torrentHistory,
    SettingsKeys::serverClient,     SettingsKeys::serverAddress,  SettingsKeys::serverPort,
    SettingsKeys::serverUser,       SettingsKeys::serverPassword,
};

} // namespace

// The command line lists, validates and masks settings from the table alone, so each key needs exactly one row
// that is found by its exact text.
TEST(SettingsKeys, TableHasOneFindableRowPerKey)
{
    QSet<QString> seen;
    for (const QStringView key : kAllKeys) {
        EXPECT_TRUE(key.startsWith(u"Marrowfin_")) << key.toString().toStdString();
        EXPECT_FALSE(seen.contains(key.toString())) << "duplicate constant " << key.toString().toStdString();
        seen.insert(key.toString());
        const SettingDescription* row = findSetting(key);
        ASSERT_NE(row, nullptr) << key.toString().toStdString();
        EXPECT_EQ(row->key, key);
        EXPECT_FALSE(row->description.isEmpty());
    }
    EXPECT_EQ(qsizetype(seen.size()), qsizetype(kSettingsTable.size()));

    EXPECT_EQ(findSetting(u"marrowfin_tab"), nullptr);
    EXPECT_EQ(findSetting(u"Marrowfin_tab "), nullptr);
    EXPECT_EQ(findSetting(u"Marrowfin_"), nullptr);

    // The kinds and secrets that other code relies on: the only number, the two lists, the two passwords.
    for (const SettingDescription& row : kSettingsTable) {
        const bool isList = row.key == SettingsKeys::filters || row.key == SettingsKeys::torrentHistory;
        EXPECT_EQ(row.kind == SettingKind::TextList, isList) << row.key.toString().toStdString();
        EXPECT_EQ(row.kind == SettingKind::Number, row.key == SettingsKeys::tab) << row.key.toString().toStdString();
        const bool isPassword = row.key == SettingsKeys::password || row.key == SettingsKeys::serverPassword;
        EXPECT_EQ(row.secret, isPassword) << row.key.toString().toStdString();
    }
}

// The two sign-in flags read the same stored texts differently: automatic sign-in is on only for a stored text
// other than "NO", the anonymous switch is off only for "NO".
TEST(SettingsKeys, FlagReadingRules)
{
    struct Case
    {
        std::optional<QString> stored;
        bool automatic;
        bool anonymous;
    };
    const Case cases[] = {
        {std::nullopt, false, true}, {u"NO"_s, false, false}, {u"YES"_s, true, true},
        {u""_s, true, true},         {u"no"_s, true, true},   {u"NO "_s, true, true},
    };
    for (const Case& c : cases) {
        const std::string label = c.stored ? c.stored->toStdString() : "<absent>";
        EXPECT_EQ(automaticLoginIsOn(c.stored), c.automatic) << label;
        EXPECT_EQ(anonymousLoginIsOn(c.stored), c.anonymous) << label;
    }
    // What is written reads back as what was meant.
    for (const bool on : {false, true}) {
        EXPECT_EQ(automaticLoginIsOn(settingFlagText(on)), on);
        EXPECT_EQ(anonymousLoginIsOn(settingFlagText(on)), on);
    }
}
