#include "FetchPageLoginCheck.h"

#include "core/net/HttpRequestRegEx.h"
#include "core/scrape/HttpRequestRegExUserInfo.h"

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

FetchPageLoginCheck::FetchPageLoginCheck(QUrl url, QObject* target, Selector selector,
                                         std::shared_ptr<HttpContext> context)
    : FetchPage(std::move(url), target, std::move(selector)), m_context(std::move(context))
{}

void FetchPageLoginCheck::main()
{
    auto request = std::make_shared<HttpRequestRegEx>(url(), u"(/auth/login/)"_s, m_context);
    request->request();
    if (request->isResponseValid() && !LoginPages::isLoginHeader(request->result())) {
        HttpRequestRegExUserInfo userInfo;
        userInfo.setResponseData(request->responseData());
        userInfo.request();
    }
    setReturnObject(QVariant::fromValue(SignInRequest(request)));
    FetchPage::main();
}

} // namespace marrowfin
