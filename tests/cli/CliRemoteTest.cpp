#include "CliDemoTest.h"

#include "support/DemoProcess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace marrowfin::clitest;
using namespace Qt::Literals::StringLiterals;

namespace {

// The demo site and its client stand-ins; each test has its own profile.
class CliRemote : public CliDemoTest
{
protected:
    static void SetUpTestSuite() { startDemo(); }

    // Download addresses as the listing gives them (some are paths on the site, some magnet links).
    QStringList downloadAddresses(int page = 1) const
    {
        QStringList addresses;
        for (const QJsonValue& torrent : jsonArray({u"new"_s, u"--page"_s, QString::number(page)})) {
            addresses.append(torrent.toObject().value(u"downloadUrl"_s).toString());
        }
        return addresses;
    }
};

} // namespace

TEST_F(CliRemote, SettingsAreShownAndChangedButThePasswordNeverPrinted)
{
    ASSERT_EQ(cli({u"remote"_s, u"set"_s, u"--client"_s, u"Transmission"_s, u"--address"_s, u"nas.local"_s}).exitCode,
              0);
    CliRun show = cli({u"remote"_s, u"show"_s});
    EXPECT_EQ(show.exitCode, 0);
    EXPECT_TRUE(show.out.contains(u"9091"_s)) << "a client chosen without a port takes its default";
    EXPECT_TRUE(show.out.contains(u"http://nas.local:9091/transmission/web/"_s)) << show.out.toStdString();

    const QString secret = u"Zq7@hidden:pw"_s;
    ASSERT_EQ(
        cli({u"remote"_s, u"set"_s, u"--user"_s, u"joe"_s, u"--password"_s, secret, u"--port"_s, u"9999"_s}).exitCode,
        0);
    for (const QStringList& arguments :
         {QStringList{u"remote"_s, u"show"_s}, QStringList{u"--json"_s, u"remote"_s, u"show"_s}}) {
        show = cli(arguments);
        EXPECT_EQ(show.exitCode, 0);
        EXPECT_FALSE((show.out + show.err).contains(u"Zq7"_s)) << show.out.toStdString();
        EXPECT_FALSE((show.out + show.err).contains(u"hidden"_s));
    }
    EXPECT_TRUE(QJsonDocument::fromJson(show.out.toUtf8()).object().value(u"passwordSet"_s).toBool());

    EXPECT_EQ(cli({u"remote"_s, u"set"_s, u"--client"_s, u"transmission"_s}).exitCode, 2);
    EXPECT_EQ(cli({u"remote"_s, u"set"_s, u"--port"_s, u"70000"_s}).exitCode, 2);
    EXPECT_EQ(cli({u"remote"_s, u"set"_s}).exitCode, 2);
    EXPECT_EQ(cli({u"remote"_s, u"show"_s, u"--port"_s, u"1"_s}).exitCode, 2);
    EXPECT_TRUE(cli({u"remote"_s, u"show"_s}).out.contains(u"9999"_s)) << "refused changes change nothing";
}

TEST_F(CliRemote, SendRecordsTheHistoryAndFailuresPrintTheAlert)
{
    const QStringList addresses = downloadAddresses();
    ASSERT_GE(addresses.size(), 2);
    useUtorrent();
    const CliRun test = cli({u"remote"_s, u"test"_s});
    EXPECT_EQ(test.exitCode, 0) << test.err.toStdString();
    EXPECT_EQ(test.out, u"Success!\n"_s);

    for (int i = 0; i < 2; ++i) {
        const CliRun sent = cli({u"send"_s, addresses.at(i), u"--name"_s, u"Torrent %1"_s.arg(i)});
        EXPECT_EQ(sent.exitCode, 0) << addresses.at(i).toStdString() << ": " << sent.err.toStdString();
        EXPECT_EQ(sent.out, u"Torrent %1\n"_s.arg(i));
    }
    EXPECT_EQ(cli({u"history"_s, u"list"_s}).out, u"  1  Torrent 1\n  2  Torrent 0\n"_s);

    // The site's front page is no torrent: nothing is uploaded and the history stays as it was.
    const CliRun page = cli({u"send"_s, u"/?title=front.torrent"_s, u"--name"_s, u"Front"_s});
    EXPECT_EQ(page.exitCode, 1);
    EXPECT_TRUE(page.out.isEmpty());
    EXPECT_TRUE(page.err.contains(u"Problem with website. The download url is bad."_s)) << page.err.toStdString();

    ASSERT_EQ(cli({u"remote"_s, u"set"_s, u"--password"_s, u"wrong"_s}).exitCode, 0);
    const CliRun refused = cli({u"send"_s, addresses.at(0), u"--name"_s, u"Refused"_s});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(u"Connection with server failed. Please make sure you have correctly setup your "
                                     u"remote download settings."_s))
        << refused.err.toStdString();
    const CliRun failedTest = cli({u"remote"_s, u"test"_s});
    EXPECT_EQ(failedTest.exitCode, 1);
    EXPECT_TRUE(failedTest.err.contains(u"Connection with server failed."_s));
    EXPECT_FALSE(failedTest.out.contains(u"Success!"_s));

    EXPECT_EQ(jsonArray({u"history"_s, u"list"_s}), QJsonArray({u"Torrent 1"_s, u"Torrent 0"_s}));
    EXPECT_EQ(cli({u"history"_s, u"remove"_s, u"2"_s}).exitCode, 0) << "row 2 is the older one";
    EXPECT_EQ(cli({u"history"_s, u"list"_s}).out, u"  1  Torrent 1\n"_s);
    EXPECT_EQ(cli({u"history"_s, u"remove"_s, u"2"_s}).exitCode, 1);
    EXPECT_EQ(cli({u"history"_s, u"remove"_s, u"0"_s}).exitCode, 2);
}

// A row whose download address is a magnet link: a client that takes links is handed the link itself and the
// history records the name. One whose upload takes files only passes the settings test, refuses the link with its
// own words and records nothing, takes a file from the site, and with a wrong password takes nothing.
TEST_F(CliRemote, MagnetLinksGoToClientsThatTakeThemAndFilesToEither)
{
    QString magnet;
    QString file;
    for (int page = 1; page <= 4 && magnet.isEmpty(); ++page) {
        for (const QString& address : downloadAddresses(page)) {
            if (address.startsWith(u"magnet:?xt=urn:btih:"_s)) {
                magnet = address;
            } else {
                file = address;
            }
        }
    }
    ASSERT_FALSE(magnet.isEmpty() || file.isEmpty()) << "the demo offers magnet links on some rows";
    const auto lastUpload = [](const std::string& receivedAddress) {
        const QByteArray log = marrowfin::test::plainHttpAt(receivedAddress).body;
        const QJsonArray all = QJsonDocument::fromJson(log).object().value(u"uploads"_s).toArray();
        return all.isEmpty() ? QJsonObject() : all.last().toObject();
    };

    useUtorrent();
    const CliRun sent = cli({u"send"_s, magnet, u"--name"_s, u"Linked"_s});
    EXPECT_EQ(sent.exitCode, 0) << sent.err.toStdString();
    const QJsonObject received = lastUpload(demo().utorrent("/_demo/received"));
    EXPECT_EQ(received.value(u"url"_s).toString(), magnet);
    EXPECT_TRUE(received.value(u"accepted"_s).toBool());

    useClient(u"Vuze"_s, portOf(demo().vuze("/")), u"admin"_s, u"admin"_s);
    EXPECT_EQ(cli({u"remote"_s, u"test"_s}).out, u"Success!\n"_s);
    const CliRun refused = cli({u"send"_s, magnet, u"--name"_s, u"Refused"_s});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(u"Problem with website. This client takes torrent files only."_s))
        << refused.err.toStdString();
    const CliRun filed = cli({u"send"_s, file, u"--name"_s, u"Filed"_s});
    EXPECT_EQ(filed.exitCode, 0) << file.toStdString() << ": " << filed.err.toStdString();
    EXPECT_TRUE(lastUpload(demo().vuze("/_demo/received")).value(u"accepted"_s).toBool());
    ASSERT_EQ(cli({u"remote"_s, u"set"_s, u"--password"_s, u"wrong"_s}).exitCode, 0);
    EXPECT_EQ(cli({u"send"_s, file, u"--name"_s, u"Refused"_s}).exitCode, 1);
    EXPECT_EQ(cli({u"history"_s, u"list"_s}).out, u"  1  Filed\n  2  Linked\n"_s);
}
