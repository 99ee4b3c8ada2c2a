#pragma once

#include "Catalogue.h"

#include "core/scrape/TorrentListPattern.h"
#include "core/text/RegexMatching.h"
#include "support/DemoProcess.h"
#include "support/LoopbackHttp.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QStringList>

#include <gtest/gtest.h>

namespace marrowfin::demotest {

using test::PlainAnswer;

// A GET at an address of the demo, through libcurl alone; status 0 when nobody answered.
inline PlainAnswer get(const std::string& address, const QList<QByteArray>& headers = {})
{
    return test::plainHttpAt(address, "GET", headers);
}
inline QString text(const PlainAnswer& answer)
{
    return QString::fromUtf8(answer.body);
}

inline constexpr std::uint64_t kSeed = 7;
inline constexpr int kTorrents = 2500;

// One demo for the read-only suites of this program (listings, pages, torrent files), started on first use.
inline DemoProcess& sharedDemo()
{
    static DemoProcess demo({"--seed", std::to_string(kSeed), "--torrents", std::to_string(kTorrents)});
    return demo;
}

// A test of the shared demo, which stops at once when the demo did not start.
class SharedDemoTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(sharedDemo().started()) << sharedDemo().readyLine(); }
};

// The catalogue that demo serves, made here from the same seed: what each row is meant to show.
inline const demo::Catalogue& sharedCatalogue()
{
    static const demo::Catalogue catalogue(kSeed, kTorrents);
    return catalogue;
}

// The catalogue entry a found row names through its detail path (group 3), or null.
inline const demo::CatalogueEntry* entryOfRow(const QStringList& row)
{
    const auto id = demo::Catalogue::idFromDetailPath(row.value(3).toStdString());
    return id ? sharedCatalogue().find(*id) : nullptr;
}

} // namespace marrowfin::demotest
