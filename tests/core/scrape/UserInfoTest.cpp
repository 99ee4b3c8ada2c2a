#include "core/scrape/HttpRequestRegExUserInfo.h"
#include "support/QtTestSupport.h"

#include <gtest/gtest.h>

namespace marrowfin {
namespace {

using namespace Qt::Literals::StringLiterals;

// Runs the scraper over `data` as the sign-in operations do; the shared record afterwards.
UserInfo& readUser(const QByteArray& data)
{
    HttpRequestRegExUserInfo reader;
    reader.setResponseData(data);
    reader.request();
    EXPECT_EQ(reader.userInfo(), &UserInfo::sharedInstance());
    return UserInfo::sharedInstance();
}

TEST(UserInfoTest, AnonymousCheckClearsTheIdWhileASignInKeepsIt)
{
    UserInfo::sharedInstance().setIds(u"4711"_s);
    EXPECT_EQ(readUser("0").username(), u"Anonymous"_s);
    EXPECT_FALSE(UserInfo::sharedInstance().ids());

    UserInfo::sharedInstance().setIds(u"4711"_s);
    const UserInfo& user = readUser("<script>var u = {id: 7,\n nickname: 'joe', lang: 'en'};</script>");
    EXPECT_EQ(user.username(), u"joe"_s);
    EXPECT_EQ(user.ids(), u"4711"_s);
}

TEST(UserInfoTest, NicknameIsTrimmedAndReadAsUtf8WhileUndecodableDataChangesNothing)
{
    EXPECT_EQ(readUser("x = {nickname: ' \t joe  ', y: 1}").username(), u"joe"_s);
    EXPECT_EQ(readUser("nickname: '   ',").username(), u""_s);
    EXPECT_EQ(readUser("nickname: 'Zo\xc3\xab',").username(), u"Zoë"_s);

    HttpRequestRegExUserInfo broken;
    broken.setResponseData(QByteArray("nickname: 'bad\xff',"));
    broken.request();
    EXPECT_FALSE(broken.result() || broken.userInfo());
    EXPECT_EQ(UserInfo::sharedInstance().username(), u"Zoë"_s);
}

} // namespace
} // namespace marrowfin
