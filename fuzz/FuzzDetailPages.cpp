// A torrent's detail page and a user's profile cut down for the screen, from any page.
#include "FuzzInput.h"

#include "core/scrape/HttpRequestRegExDetails.h"
#include "core/scrape/HttpRequestRegExProfileDetails.h"
#include "core/text/RegexException.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace marrowfin;
    const QString page = fuzz::textOf(data, size);
    try {
        if (const auto details = HttpRequestRegExDetails::cutDown(page)) {
            MARROWFIN_FUZZ_CHECK(details->imdb.size() <= page.size());
        }
    } catch (const RegexException&) {
    }
    try {
        (void)HttpRequestRegExProfileDetails::cutDown(page);
    } catch (const RegexException&) {
    }
    return 0;
}
