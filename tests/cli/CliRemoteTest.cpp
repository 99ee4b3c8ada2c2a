#include "CliDemoTest.h"

#include <QRegularExpression>

using namespace marrowfin::clitest;
using namespace Qt::Literals::StringLiterals;

namespace {

// The local time of a send, in its column before the name.
const QRegularExpression kSentAt(uR"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d  )"_s);

// "history list" without its times, once each row was seen to have one.
QString withoutTimes(const QString& listed)
{
    EXPECT_EQ(listed.count(kSentAt), listed.count(u'\n')) << listed.toStdString();
    return QString(listed).remove(kSentAt);
}

} // namespace

namespace {

// The demo site and its client stand-ins; each test has its own profile.
class CliRemote : public CliDemoTest
{
protected:
    static void SetUpTestSuite() { startDemo(); }

    // Download addresses as the listing gives them (some are paths on the site, some magnet links).
    QStringList downloadAddresses(int page = 1) const
    {
        return fieldOf(jsonArray({u"new"_s, u"--page"_s, QString::number(page)}), u"downloadUrl"_s);
    }
};

} // namespace

TEST_F(CliRemote, SettingsAreShownAndChangedButThePasswordNeverPrinted)
{
    // A client's name in any case, stored in the system's spelling.
    ASSERT_EQ(cli("remote set --client tRANSMISSION --address nas.local").exitCode, 0);
    CliRun show = cli("remote show");
    EXPECT_TRUE(show.out.startsWith(u"client    Transmission\n"_s)) << show.out.toStdString();
    EXPECT_TRUE(show.out.contains(u"http://nas.local:9091/transmission/web/"_s))
        << "a client chosen without a port takes its default: " << show.out.toStdString();

    ASSERT_EQ(cli("remote set --user joe --password Zq7@hidden:pw --port 9999").exitCode, 0);
    for (const char* arguments : {"remote show", "--json remote show"}) {
        show = cli(arguments);
        EXPECT_EQ(show.exitCode, 0);
        EXPECT_FALSE((show.out + show.err).contains(u"Zq7"_s) || (show.out + show.err).contains(u"hidden"_s))
            << show.out.toStdString();
    }
    EXPECT_TRUE(QJsonDocument::fromJson(show.out.toUtf8())[u"passwordSet"_s].toBool());

    EXPECT_EQ(cli("remote set --address other.local --port 70000").exitCode, 2);
    EXPECT_TRUE(cli("remote set --address http://other.local").err.contains(u"type the host alone"_s));
    show = cli("remote show");
    EXPECT_TRUE(show.out.contains(u"9999"_s) && !show.out.contains(u"other.local"_s))
        << "a refused change changes nothing: " << show.out.toStdString();
}

TEST_F(CliRemote, SendRecordsTheHistoryAndFailuresPrintTheAlert)
{
    const QStringList addresses = downloadAddresses();
    ASSERT_GE(addresses.size(), 2);
    useUtorrent();
    const CliRun test = cli("remote test");
    EXPECT_EQ(test.exitCode, 0) << test.err.toStdString();
    EXPECT_EQ(test.out, u"Success!\n"_s);

    for (int i = 0; i < 2; ++i) {
        const CliRun sent = cli({u"send"_s, addresses.at(i), u"--name"_s, u"Torrent %1"_s.arg(i)});
        EXPECT_EQ(sent.exitCode, 0) << addresses.at(i).toStdString() << ": " << sent.err.toStdString();
        EXPECT_EQ(sent.out, u"Torrent %1\n"_s.arg(i));
    }
    EXPECT_EQ(withoutTimes(cli("history list").out), u"  1  Torrent 1\n  2  Torrent 0\n"_s);

    // The site's front page is no torrent: nothing is uploaded and the history stays as it was.
    const CliRun page = cli("send /?title=front.torrent --name Front");
    EXPECT_EQ(page.exitCode, 1);
    EXPECT_TRUE(page.out.isEmpty());
    EXPECT_TRUE(page.err.contains(u"Problem with website. The download url is bad."_s)) << page.err.toStdString();

    ASSERT_EQ(cli("remote set --password wrong").exitCode, 0);
    const CliRun refused = cli({u"send"_s, addresses.at(0), u"--name"_s, u"Refused"_s});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(u"Connection with server failed. Please make sure you have correctly setup your "
                                     u"remote download settings."_s))
        << refused.err.toStdString();
    const CliRun failedTest = cli("remote test");
    EXPECT_EQ(failedTest.exitCode, 1);
    EXPECT_TRUE(failedTest.err.contains(u"Connection with server failed."_s));
    EXPECT_FALSE(failedTest.out.contains(u"Success!"_s));

    EXPECT_EQ(jsonArray({u"history"_s, u"list"_s}), QJsonArray({u"Torrent 1"_s, u"Torrent 0"_s}));
    EXPECT_EQ(cli("history remove 2").exitCode, 0) << "row 2 is the older one";
    EXPECT_EQ(withoutTimes(cli("history list").out), u"  1  Torrent 1\n"_s);
    EXPECT_EQ(cli("history remove 2").exitCode, 1);
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
            (address.startsWith(u"magnet:?xt=urn:btih:"_s) ? magnet : file) = address;
        }
    }
    ASSERT_FALSE(magnet.isEmpty() || file.isEmpty()) << "the demo offers magnet links on some rows";
    const auto lastUpload = [](const std::string& receivedAddress) {
        const QJsonArray all =
            QJsonDocument::fromJson(marrowfin::test::plainHttpAt(receivedAddress).body)[u"uploads"_s].toArray();
        return all.isEmpty() ? QJsonObject() : all.last().toObject();
    };

    useUtorrent();
    const CliRun sent = cli({u"send"_s, magnet, u"--name"_s, u"Linked"_s});
    EXPECT_EQ(sent.exitCode, 0) << sent.err.toStdString();
    const QJsonObject received = lastUpload(demo().utorrent("/_demo/received"));
    EXPECT_EQ(received[u"url"_s].toString(), magnet);
    EXPECT_TRUE(received[u"accepted"_s].toBool());

    useClient(u"Vuze"_s, portOf(demo().vuze("/")), u"admin"_s, u"admin"_s);
    EXPECT_EQ(cli("remote test").out, u"Success!\n"_s);
    const CliRun refused = cli({u"send"_s, magnet, u"--name"_s, u"Refused"_s});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(u"Problem with website. This client takes torrent files only."_s))
        << refused.err.toStdString();
    const CliRun filed = cli({u"send"_s, file, u"--name"_s, u"Filed"_s});
    EXPECT_EQ(filed.exitCode, 0) << file.toStdString() << ": " << filed.err.toStdString();
    EXPECT_TRUE(lastUpload(demo().vuze("/_demo/received"))[u"accepted"_s].toBool());
    ASSERT_EQ(cli("remote set --password wrong").exitCode, 0);
    EXPECT_EQ(cli({u"send"_s, file, u"--name"_s, u"Refused"_s}).exitCode, 1);
    EXPECT_EQ(withoutTimes(cli("history list").out), u"  1  Filed\n  2  Linked\n"_s);
}
