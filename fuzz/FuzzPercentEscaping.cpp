// Percent escaping of form values and of download addresses, over any text.
#include "FuzzInput.h"

#include "core/scrape/HttpRequestRegExTorrent.h"
#include "core/text/TextConversions.h"

#include <QUrl>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace marrowfin;
    const QString text = fuzz::textOf(data, size);

    // A form value escaped is plain ASCII without a separator of its own, and unescapes to the same text.
    const QString escaped = stringWithPercentEscape(text);
    for (const QChar c : escaped) {
        MARROWFIN_FUZZ_CHECK(c.unicode() > 0x20 && c.unicode() < 0x7f && c != u'&' && c != u'=' && c != u'+');
    }
    MARROWFIN_FUZZ_CHECK(QUrl::fromPercentEncoding(escaped.toLatin1()) == text);

    // A download address escaped is a usable URL: printable ASCII only, and escaping it again changes nothing.
    const QString address = HttpRequestRegExTorrent::escapedDownloadUrl(text);
    for (const QChar c : address) {
        MARROWFIN_FUZZ_CHECK(c.unicode() > 0x20 && c.unicode() < 0x7f);
    }
    MARROWFIN_FUZZ_CHECK(HttpRequestRegExTorrent::escapedDownloadUrl(address) == address);
    return 0;
}
