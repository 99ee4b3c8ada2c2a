#include "core/settings/SettingsKeys.h"

#include <QSet>

#include <gtest/gtest.h>

using namespace marrowfin;
using namespace Qt::StringLiterals;

// The command line lists, validates and masks settings from the table alone, so each key needs exactly one row that
// is found by its exact text, and the kinds and secrets other code relies on must hold: the only number, the two
// lists and the limits beside one, the two passwords.
TEST(SettingsKeys, TableHasOneFindableRowPerKey)
{
    QSet<QString> keys;
    for (const SettingDescription& row : kSettingsTable) {
        const std::string key = row.key.toString().toStdString();
        keys.insert(row.key.toString());
        EXPECT_TRUE(row.key.startsWith(u"Marrowfin_")) << key;
        EXPECT_EQ(findSetting(row.key), &row) << key;
        EXPECT_FALSE(row.description.isEmpty()) << key;
        const bool isList = row.key == SettingsKeys::filters || row.key == SettingsKeys::filterLimits ||
                            row.key == SettingsKeys::torrentHistory;
        EXPECT_EQ(row.kind == SettingKind::TextList, isList) << key;
        EXPECT_EQ(row.kind == SettingKind::Number, row.key == SettingsKeys::tab) << key;
        EXPECT_EQ(row.secret, row.key == SettingsKeys::password || row.key == SettingsKeys::serverPassword) << key;
    }
    EXPECT_EQ(keys.size(), qsizetype(kSettingsTable.size())) << "a key has two rows";

    EXPECT_EQ(findSetting(u"marrowfin_tab"), nullptr);
    EXPECT_EQ(findSetting(u"Marrowfin_tab "), nullptr);
    EXPECT_EQ(findSetting(u"Marrowfin_"), nullptr);
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
