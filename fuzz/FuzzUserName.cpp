// The signed-in user's nickname read from any page, in any bytes (ASCII, UTF-8 or neither).
#include "FuzzInput.h"

#include "core/scrape/HttpRequestRegExUserInfo.h"
#include "core/scrape/UserInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace marrowfin;
    HttpRequestRegExUserInfo request;
    request.setResponseData(fuzz::bytesOf(data, size));
    request.request();
    if (UserInfo* info = request.userInfo()) {
        const QString name = info->username().value_or(QString());
        // A nickname is trimmed text of the page.
        MARROWFIN_FUZZ_CHECK(name == name.trimmed());
    }
    return 0;
}
