#include "FetchPageGeneric.h"

#include "HttpRequest.h"

namespace marrowfin {

FetchPageGeneric::FetchPageGeneric(QUrl url, QObject* target, Selector selector, RequestFactory classType)
    : FetchPage(std::move(url), target, std::move(selector), std::move(classType))
{}

void FetchPageGeneric::main()
{
    if (classType()) {
        const std::unique_ptr<HttpRequest> request = classType()(url());
        request->request();
        if (request->result())
            setReturnObject(*request->result());
    }
    FetchPage::main();
}

} // namespace marrowfin
