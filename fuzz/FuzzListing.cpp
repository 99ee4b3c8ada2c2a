// The listing scraper over any page: rows come out or the pattern gives up within its time limit; never a crash.
#include "FuzzInput.h"

#include "core/scrape/HttpRequestRegExTorrent.h"
#include "core/text/RegexException.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace marrowfin;
    const QString page = fuzz::textOf(data, size);
    try {
        const QList<Torrent> rows = HttpRequestRegExTorrent::torrentsFromPage(page, {QStringLiteral("sent")});
        for (const Torrent& row : rows) {
            // Every field of a row is text of the page: none can be longer than the page itself.
            MARROWFIN_FUZZ_CHECK(row.name.value_or(QString()).size() <= page.size());
            MARROWFIN_FUZZ_CHECK(row.detailsUrl.has_value() && row.downloadUrl.has_value());
        }
    } catch (const RegexException&) {
    }
    return 0;
}
