#include "PageRenderer.h"
#include "SharedDemo.h"

#include "core/display/ListingAddresses.h"
#include "core/remote/BencodeCheck.h"
#include "support/TransmissionDaemon.h"

#include <QUrl>

#include <set>

using namespace marrowfin;
using namespace marrowfin::demotest;
using namespace Qt::Literals::StringLiterals;

using DemoTorrent = SharedDemoTest;

// Every form of download address, fetched at the address the send makes of it, leads to a whole torrent file that
// a real transmission-daemon takes with the name, size and files its row stands for; addresses without "=" answer
// a redirect to one whose last "=" is followed by the file name.
TEST_F(DemoTorrent, DownloadAddressesGiveTorrentsARealClientTakes)
{
    marrowfin::test::TransmissionDaemon daemon;
    ASSERT_TRUE(daemon.started()) << "transmission-daemon did not start";
    const std::string host = sharedDemo().host();
    std::set<demo::DownloadForm> forms;
    int multiFile = 0;
    for (const auto& entry : sharedCatalogue().entries()) {
        if (forms.size() == 6 && multiFile >= 3) {
            break;
        }
        if (forms.contains(entry.download) && entry.files == 1) {
            continue;
        }
        forms.insert(entry.download);
        multiFile += entry.files > 1 ? 1 : 0;
        SCOPED_TRACE(entry.id);
        const std::string written = demo::Catalogue::downloadAddress(entry, host);
        PlainAnswer answer = get(
            QUrl(sendAddress(QString::fromStdString(written), QString::fromStdString(host))).toEncoded().toStdString());
        if (written.find('=') == std::string::npos) {
            ASSERT_EQ(answer.status, 302);
            const std::string named = answer.header("location").toStdString();
            EXPECT_TRUE(named.ends_with("=" + entry.slug + ".torrent")) << named;
            answer = get(named);
        }
        ASSERT_EQ(answer.status, 200);
        EXPECT_EQ(answer.header("content-type"), "application/x-bittorrent");
        EXPECT_TRUE(isBencodedDictionary(answer.body));

        const auto taken = daemon.rpc(
            u"torrent-add"_s, {{u"metainfo"_s, QString::fromLatin1(answer.body.toBase64())}, {u"paused"_s, true}});
        const QJsonValue id = taken.value_or(QJsonObject())[u"arguments"_s][u"torrent-added"_s][u"id"_s];
        ASSERT_TRUE(id.isDouble()) << QJsonDocument(taken.value_or(QJsonObject())).toJson().constData();
        const auto held =
            daemon.rpc(u"torrent-get"_s,
                       {{u"ids"_s, QJsonArray{id}}, {u"fields"_s, QJsonArray{u"name"_s, u"totalSize"_s, u"files"_s}}});
        const QJsonValue torrent = held.value_or(QJsonObject())[u"arguments"_s][u"torrents"_s][0];
        EXPECT_EQ(torrent[u"name"_s].toString().toStdString(), entry.slug);
        EXPECT_EQ(torrent[u"totalSize"_s].toInteger(), qint64(entry.sizeBytes));
        EXPECT_EQ(torrent[u"files"_s].toArray().size(), entry.files);
    }
    EXPECT_EQ(forms.size(), 6u);
    EXPECT_GE(multiFile, 3);
    EXPECT_EQ(get(sharedDemo().site("/download/1/")).status, 404);
}

// A row that offers a magnet link names the same torrent as its file: the link's hash is the info section's.
TEST_F(DemoTorrent, MagnetLinksNameTheTorrentOfTheirRow)
{
    int magnets = 0;
    for (const auto& entry : sharedCatalogue().entries()) {
        if (!demo::Catalogue::offersMagnetLink(entry) || ++magnets > 3) {
            continue;
        }
        const std::string link = demo::PageRenderer::downloadButtonAddress(entry, sharedDemo().host());
        const auto hash =
            infoHash(get(sharedDemo().site("/download/" + std::to_string(entry.id) + "/?title=x.torrent")).body);
        ASSERT_TRUE(hash.has_value()) << entry.id;
        EXPECT_TRUE(link.starts_with("magnet:?xt=urn:btih:" + hash->toStdString() + "&dn=")) << link;
    }
    EXPECT_GT(magnets, 3);
}
