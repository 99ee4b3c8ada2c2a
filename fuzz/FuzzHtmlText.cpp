// Entity decoding and tag stripping over any text.
#include "FuzzInput.h"

#include "core/text/TextConversions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace marrowfin;
    const QString text = fuzz::textOf(data, size);
    const QString decoded = gtm_stringByUnescapingFromHTML(text);
    // Every entity is longer than what it stands for, so decoding never grows a text, and a text without "&" has
    // nothing to decode.
    MARROWFIN_FUZZ_CHECK(decoded.size() <= text.size());
    if (!text.contains(u'&')) {
        MARROWFIN_FUZZ_CHECK(decoded == text);
    }
    const QString stripped = stringByStrippingHTML(text);
    if (!text.contains(u'<')) {
        MARROWFIN_FUZZ_CHECK(stripped == text);
    }
    return 0;
}
