#include "core/remote/ServerInfo.h"

#include "SendFixture.h"

#include "core/settings/SettingsKeys.h"

using namespace marrowfin;
using namespace Qt::Literals::StringLiterals;

// The shared store on a profile of the test's own.
using ServerInfoStore = remotetest::SendFixture;

TEST_F(ServerInfoStore, TheStoreIsTheSourceOfTruthForEveryReaderAndWriter)
{
    // Another process on the same profile.
    SettingsStore other(m_profile.path());

    ServerInfo& shared = ServerInfo::sharedInstance();
    EXPECT_EQ(shared.client(), std::nullopt) << "nothing is given a default";
    EXPECT_TRUE(shared.setClient(u"Transmission"_s));
    EXPECT_TRUE(shared.setPort(u"9091"_s));
    EXPECT_TRUE(shared.setPassword(u"pw"_s));
    EXPECT_EQ(other.text(SettingsKeys::serverClient), u"Transmission"_s);
    EXPECT_EQ(other.text(SettingsKeys::serverPort), u"9091"_s);

    // Every sharedInstance() reloads: another process's change is seen.
    ASSERT_TRUE(other.setText(SettingsKeys::serverAddress, u"nas.local"_s));
    EXPECT_EQ(ServerInfo::sharedInstance().address(), u"nas.local"_s);

    // A writer compares with the store, not with what the instance last saw: setting the value the instance
    // holds still puts it over another process's newer one.
    ServerInfo view(m_store);
    ASSERT_TRUE(other.setText(SettingsKeys::serverPort, u"1234"_s));
    EXPECT_EQ(view.port(), u"9091"_s);
    EXPECT_TRUE(view.setPort(u"9091"_s));
    EXPECT_EQ(other.text(SettingsKeys::serverPort), u"9091"_s);

    // A missing value removes the key; the empty text is a value.
    EXPECT_TRUE(view.setPassword(std::nullopt));
    EXPECT_FALSE(other.contains(SettingsKeys::serverPassword));
    EXPECT_TRUE(view.setUsername(u""_s));
    EXPECT_EQ(other.text(SettingsKeys::serverUser), u""_s);
    EXPECT_EQ(ServerInfo::sharedInstance().values().username, u""_s);
}
