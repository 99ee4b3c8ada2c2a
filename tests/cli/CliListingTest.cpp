#include "Catalogue.h"
#include "CliDemoTest.h"
#include "DemoOptions.h"

#include <QRegularExpression>

#include <cmath>

using namespace marrowfin::clitest;
using namespace Qt::Literals::StringLiterals;
using namespace std::string_literals;
namespace site = marrowfin::demo;

namespace {

// One demo site for the whole suite; each test has its own profile folder.
class CliAgainstDemo : public CliDemoTest
{
protected:
    static void SetUpTestSuite() { startDemo(); }
};

} // namespace

TEST_F(CliAgainstDemo, NewestPagesComeAsJsonRecordsAndFailuresAsExitStatuses)
{
    const QJsonArray first = jsonArray({u"new"_s});
    ASSERT_EQ(first.size(), 25);
    for (const QJsonValue& value : first) {
        const QJsonObject torrent = value.toObject();
        for (const QString& key :
             {u"name"_s, u"detailsUrl"_s, u"downloadUrl"_s, u"type"_s, u"size"_s, u"up"_s, u"down"_s, u"date"_s}) {
            EXPECT_TRUE(torrent.value(key).isString()) << key.toStdString();
        }
        EXPECT_FALSE(torrent.value(u"detailsUrl"_s).toString().startsWith(u'/'));
        EXPECT_FALSE(torrent.value(u"name"_s).toString().contains(u'<')) << "markup must be stripped";
        EXPECT_FALSE(torrent.value(u"downloadUrl"_s).toString().contains(u' ')) << "addresses are escaped";
        EXPECT_EQ(torrent.value(u"isDownloaded"_s), QJsonValue(false));
        // The figures as numbers too: sizes go by 1024, as the site's and the filters' limits do.
        EXPECT_EQ(torrent[u"seeders"_s], QJsonValue(torrent[u"up"_s].toString().toInt()));
        EXPECT_EQ(torrent[u"leechers"_s], QJsonValue(torrent[u"down"_s].toString().toInt()));
        const QStringList size = torrent[u"size"_s].toString().split(u' ');
        const qsizetype power = QStringList{u"bytes"_s, u"KB"_s, u"MB"_s, u"GB"_s, u"TB"_s}.indexOf(size.value(1));
        ASSERT_GE(power, 0) << torrent[u"size"_s].toString().toStdString();
        EXPECT_NEAR(torrent[u"sizeBytes"_s].toDouble(), size[0].toDouble() * std::pow(1024.0, double(power)), 1.0);
    }
    const QJsonArray second = jsonArray({u"new"_s, u"--page"_s, u"2"_s});
    ASSERT_EQ(second.size(), 25);
    for (const QString& name : fieldOf(second)) {
        EXPECT_FALSE(fieldOf(first).contains(name)) << "on both pages: " << name.toStdString();
    }
    EXPECT_TRUE(jsonArray({u"new"_s, u"--page"_s, u"1000"_s}).isEmpty()) << "past the end is an empty page";

    const CliRun unreachable = cli("new", u"127.0.0.1:1"_s);
    EXPECT_EQ(unreachable.exitCode, 1);
    EXPECT_TRUE(unreachable.err.contains(u"http://127.0.0.1:1/new/"_s)) << unreachable.err.toStdString();
    EXPECT_TRUE(unreachable.out.isEmpty());
}

// A site answering every page with an error status is a site that could not be read, not a quiet one: each
// listing command (and a watch round) fails naming the page and the status, and prints no table. So is a page that
// links torrents in rows the listing pattern no longer knows.
TEST_F(CliAgainstDemo, AnErrorStatusFailsTheListingInsteadOfShowingItEmpty)
{
    ASSERT_EQ(cli("filters add Amber").exitCode, 0);
    ASSERT_EQ(control("/_demo/fail?mode=500"), 200);
    const QString page = u"the page "_s + QString::fromStdString(demo().site("/"));
    for (const char* command : {"new", "search amber", "favorites --pages 2", "watch --once --pages 1"}) {
        const CliRun run = cli(command);
        EXPECT_EQ(run.exitCode, 1) << command;
        EXPECT_TRUE(run.err.contains(page) && run.err.contains(u"the site answered with status 500"_s))
            << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    }
    ASSERT_EQ(control("/_demo/fail?mode=off"), 200);
    EXPECT_EQ(cli("new").exitCode, 0);

    ASSERT_EQ(control("/_demo/layout?changed=1"), 200);
    const CliRun redesigned = cli("new");
    ASSERT_EQ(control("/_demo/layout?changed=0"), 200);
    EXPECT_EQ(redesigned.exitCode, 1);
    EXPECT_TRUE(redesigned.err.contains(u"could not be read: the site's layout has changed"_s))
        << redesigned.err.toStdString();
}

// A site that pushes back on its listing: a Retry-After of a minute or less is waited out once and the listing read;
// asked again after the wait, or asked for longer, or shown a browser check or a block, the listing fails saying so.
TEST_F(CliAgainstDemo, ASiteThatPushesBackIsWaitedOutOnceOrNamed)
{
    const struct
    {
        const char* fault;
        int exitCode;
        QString saying;
    } faults[] = {
        {"mode=429&retry=1&times=1", 0, {}},
        {"mode=429&retry=1", 1,
         u"the site limits how often it may be asked (HTTP status 429) and asks to wait 1 second, after a wait of 1 "
         u"second already"_s},
        {"mode=429&retry=300", 1, u"asks to wait 300 seconds, longer than the 60 seconds Marrowfin waits"_s},
        {"mode=challenge", 1, u"the site shows a browser check (HTTP status 503); open it in a browser"_s},
        {"mode=403", 1, u"the site refuses these requests (HTTP status 403)"_s},
    };
    for (const auto& one : faults) {
        SCOPED_TRACE(one.fault);
        ASSERT_EQ(control("/_demo/fail?prefix=/new/&"s + one.fault), 200);
        const CliRun run = cli("new");
        ASSERT_EQ(control("/_demo/fail?mode=off"), 200);
        EXPECT_EQ(run.exitCode, one.exitCode) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(one.saying)) << run.err.toStdString();
        EXPECT_EQ(run.out.isEmpty(), one.exitCode != 0);
    }
}

TEST_F(CliAgainstDemo, StoredOrderAndHistoryShapeTheListing)
{
    store(u"Marrowfin_orderBy"_s, u"seeders"_s);
    store(u"Marrowfin_sortBy"_s, u"asc"_s);
    const QJsonArray ascending = jsonArray({u"new"_s});
    ASSERT_EQ(ascending.size(), 25);
    for (qsizetype i = 1; i < ascending.size(); ++i) {
        EXPECT_LE(ascending[i - 1][u"up"_s].toString().toInt(), ascending[i][u"up"_s].toString().toInt());
    }

    // A name in the history is marked, exactly and only that name.
    const QString sent = ascending[3][u"name"_s].toString();
    ASSERT_EQ(cli({u"settings"_s, u"set"_s, u"Marrowfin_torrentHistory"_s, u"other"_s, sent}).exitCode, 0);
    for (const QJsonValue& torrent : jsonArray({u"new"_s})) {
        EXPECT_EQ(torrent[u"isDownloaded"_s].toBool(), torrent[u"name"_s].toString() == sent);
    }
    // Nothing the command line did changed a setting it was not asked to change.
    const CliRun get = cli("settings get Marrowfin_categories");
    EXPECT_EQ(get.exitCode, 0);
    EXPECT_EQ(get.out + get.err, u"\n(default)\n"_s);
}

TEST_F(CliAgainstDemo, FavoritesKeepWhatAFilterAcceptsInPageOrder)
{
    // With no filters nothing is kept.
    EXPECT_TRUE(jsonArray({u"favorites"_s, u"--pages"_s, u"2"_s}).isEmpty());

    const QStringList filters{u"Amber|Kestrel"_s, u"\\[1080p\\]"_s};
    for (const QString& filter : filters) {
        ASSERT_EQ(cli({u"filters"_s, u"add"_s, filter}).exitCode, 0);
    }
    // An expression that does not compile is refused saying what is wrong and where, unless forced (the window's stored
    // list may hold such texts already); the favorites then skip it.
    const CliRun refused = cli("filters add (unclosed");
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.contains(u"is not a valid expression: a ( is not closed, at character 1."_s))
        << refused.err.toStdString();
    EXPECT_EQ(cli("filters list").out.count(u'\n'), 2);
    const CliRun forced = cli("filters add --force (unclosed");
    EXPECT_EQ(forced.exitCode, 0);
    EXPECT_TRUE(forced.err.contains(u"not a valid expression"_s));

    // What the favorites must show: the first three newest pages, each filtered, in page order.
    QList<QJsonObject> newest;
    for (int page = 1; page <= 3; ++page) {
        for (const QJsonValue& torrent : jsonArray({u"new"_s, u"--page"_s, QString::number(page)})) {
            newest.append(torrent.toObject());
        }
    }
    // Filter 1 with limits set below: 1 GB or more, no "720p" in the name.
    QStringList expected;
    QStringList limited;
    for (const QJsonObject& torrent : newest) {
        const QString name = torrent[u"name"_s].toString();
        const QString size = torrent[u"size"_s].toString();
        const bool first = QRegularExpression(filters[0]).match(name).hasMatch();
        const bool second = QRegularExpression(filters[1]).match(name).hasMatch();
        if (first || second) {
            expected.append(name);
        }
        if (second || (first && (size.endsWith(u"GB"_s) || size.endsWith(u"TB"_s)) && !name.contains(u"720p"_s))) {
            limited.append(name);
        }
    }
    ASSERT_FALSE(expected.isEmpty());

    const CliRun run = cli("--json favorites --pages 3");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(fieldOf(QJsonDocument::fromJson(run.out.toUtf8()).array()), expected);
    EXPECT_EQ(run.err.count(u"(unclosed"_s), 1) << "the invalid filter is reported once: " << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(u"page "_s)) << "progress is for a terminal, not for a pipe";

    EXPECT_EQ(cli("filters list").out.count(u'\n'), 3);
    ASSERT_EQ(cli("filters remove 3").exitCode, 0);
    EXPECT_EQ(cli("filters remove 3").exitCode, 1) << "there is no third filter any more";

    // Limits: "set" changes those given and keeps the others, "none" takes one away; a broken exclude or a size
    // without its unit is refused and changes nothing.
    ASSERT_EQ(cli("filters set 1 --min-size 1GB --min-seeders 5 --exclude 720p").exitCode, 0);
    ASSERT_EQ(cli("filters set 1 --min-seeders none").exitCode, 0);
    ASSERT_EQ(cli("filters set 2 --exclude (none)").exitCode, 0);
    ASSERT_EQ(cli("filters set 2 --exclude none").exitCode, 0);
    EXPECT_EQ(cli("filters set 1 --exclude (CAM").exitCode, 2);
    EXPECT_EQ(cli("filters add x --max-size 700").exitCode, 2);
    EXPECT_EQ(cli("filters set 3 --min-seeders 1").exitCode, 1);
    const QJsonArray listed = jsonArray({u"filters"_s, u"list"_s});
    EXPECT_EQ(listed,
              (QJsonArray{QJsonObject{{u"text"_s, filters[0]}, {u"minSize"_s, 1 << 30}, {u"exclude"_s, u"720p"_s}},
                          QJsonObject{{u"text"_s, filters[1]}}}));
    EXPECT_TRUE(cli("filters list").out.contains(u"1 GB or more, not \"720p\""_s));
    ASSERT_NE(limited, expected);
    EXPECT_EQ(fieldOf(QJsonDocument::fromJson(cli("--json favorites --pages 3").out.toUtf8()).array()), limited);
}

TEST_F(CliAgainstDemo, SearchAndDetailReachTheirPages)
{
    const QJsonArray found = jsonArray({u"search"_s, u"amber"_s});
    ASSERT_FALSE(found.isEmpty());
    for (const QString& name : fieldOf(found)) {
        EXPECT_TRUE(name.contains(u"amber"_s, Qt::CaseInsensitive)) << name.toStdString();
    }

    store(u"Marrowfin_searchCategories"_s, u"anime"_s);
    // A group's search takes in its sub-categories too.
    const QJsonArray inGroup = jsonArray({u"search"_s, u"amber"_s});
    ASSERT_FALSE(inGroup.isEmpty());
    EXPECT_LT(inGroup.size(), found.size());
    for (const QJsonValue& torrent : inGroup) {
        EXPECT_TRUE(torrent[u"type"_s].toString().endsWith(u"anime"_s));
    }

    EXPECT_EQ(cli("detail no-such-torrent-t1.html").exitCode, 1);
}

// Detail pages of each kind of film link the demo writes, cut as the torrent screen shows them (head and main part,
// side bar and sharing widget gone); the film's address, on stderr, only for a link in either quote at the app's
// built-in film host, never for one elsewhere, nor for one outside the main part, which every page has.
TEST_F(CliAgainstDemo, DetailPagesAreCutAndGiveTheirFilmLinkOnly)
{
    const site::DemoOptions options;
    const site::Catalogue catalogue(options.seed, options.torrentCount);
    const std::pair<site::MovieLink, bool> kinds[] = {{site::MovieLink::SingleQuoted, true},
                                                      {site::MovieLink::DoubleQuoted, true},
                                                      {site::MovieLink::OtherHost, false},
                                                      {site::MovieLink::None, false}};
    for (const auto& [kind, filmFound] : kinds) {
        const auto entry =
            std::find_if(catalogue.entries().begin(), catalogue.entries().end(),
                         [kind = kind](const site::CatalogueEntry& one) { return one.movieLink == kind; });
        ASSERT_NE(entry, catalogue.entries().end());
        SCOPED_TRACE(entry->id);
        const CliRun detail = cli({u"detail"_s, QString::fromStdString(site::Catalogue::detailPath(*entry))});
        EXPECT_EQ(detail.exitCode, 0) << detail.err.toStdString();
        EXPECT_EQ(detail.err.toStdString(),
                  filmFound ? "http://" + options.movieHost + "/title/" + entry->movieId + "/\n" : "");
        EXPECT_TRUE(detail.out.contains(u"<div class=\"mainpart\">"_s) && detail.out.contains(u"</head>"_s));
        EXPECT_TRUE(detail.out.contains(u"<h1 class=\"novertmarg\"><span>"_s) && detail.out.contains(u".torrent\">"_s));
        for (const QString& gone :
             {u"<td class=\"sidebarCell\">"_s, u"id=\"translate_site\""_s, u"sharingWidgetBox"_s}) {
            EXPECT_FALSE(detail.out.contains(gone)) << gone.toStdString();
        }
    }
}

TEST_F(CliAgainstDemo, SettingsAreStoredAndListedWithPasswordsMasked)
{
    store(u"Marrowfin_categories"_s, u"android-game"_s);
    EXPECT_EQ(cli("settings get Marrowfin_categories").out, u"android-game\n"_s);
    ASSERT_EQ(cli("settings unset Marrowfin_categories").exitCode, 0);
    // A value not stored is the default the readers assume, said to be one; --json says it in its own key.
    const std::pair<const char*, const char*> gets[] = {
        {"settings get Marrowfin_categories", "\n(default)\n"},
        {"settings get Marrowfin_orderBy", "time_add\n(default)\n"},
        {"settings get Marrowfin_serverClient", "(not set; no default)\n"},
        {"--json settings get Marrowfin_favoritesCount",
         R"({"default":true,"key":"Marrowfin_favoritesCount","value":"5"})"
         "\n"},
        {"--json settings get Marrowfin_filters", R"({"default":true,"key":"Marrowfin_filters","value":[]})"
                                                  "\n"},
        {"--json settings get Marrowfin_categories", R"({"default":true,"key":"Marrowfin_categories","value":""})"
                                                     "\n"},
    };
    for (const auto& [line, printed] : gets) {
        const CliRun get = cli(line);
        EXPECT_EQ(get.exitCode, 0) << line;
        EXPECT_EQ(get.out + get.err, QString::fromUtf8(printed)) << line;
    }
    // The window's watch takes only what its settings screen could show.
    for (const char* refused :
         {"settings set Marrowfin_watchEveryMinutes 0", "settings set Marrowfin_watchSend yes",
          "settings set Marrowfin_watchEveryMinutes 1441", "settings set Marrowfin_watchRequestsPerMinute 601"}) {
        EXPECT_EQ(cli(refused).exitCode, 2) << refused;
    }
    store(u"Marrowfin_watchEveryMinutes"_s, u"1440"_s);
    store(u"Marrowfin_tab"_s, u"7"_s);
    EXPECT_EQ(cli("--json settings get Marrowfin_tab").out,
              u"{\"default\":false,\"key\":\"Marrowfin_tab\",\"value\":\"7\"}\n"_s);

    store(u"Marrowfin_password"_s, u"s3cret-pass"_s);
    const CliRun list = cli("settings list");
    EXPECT_FALSE(
        (list.out + cli("settings get Marrowfin_password").out + cli("--json settings get Marrowfin_password").out)
            .contains(u"s3cret-pass"_s));
    EXPECT_EQ(list.out.count(u"Marrowfin_"_s), 28);
    const CliRun json = cli("--json settings list");
    EXPECT_FALSE(json.out.contains(u"s3cret-pass"_s));
    EXPECT_EQ(QJsonDocument::fromJson(json.out.toUtf8()).object().size(), 28);
}
