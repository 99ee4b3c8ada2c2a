#include "FetchPageQuickLoginCheck.h"

#include "core/scrape/HttpRequestRegExUserInfo.h"

namespace marrowfin {

void FetchPageQuickLoginCheck::main()
{
    auto request = std::make_shared<HttpRequestRegExUserInfo>();
    // A text without a nickname: the record becomes anonymous.
    request->setResponseData(QByteArray("0"));
    request->request();
    request->setResult(kAnonymousResult.toString());
    setReturnObject(QVariant::fromValue(SignInRequest(request)));
    FetchPage::main();
}

} // namespace marrowfin
