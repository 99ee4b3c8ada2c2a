#include "FetchPageDetails.h"

#include "HttpRequestRegExDetails.h"

namespace marrowfin {

void FetchPageDetails::main()
{
    HttpRequestRegExDetails request(url());
    request.request();
    setReturnObject(QVariant::fromValue(TorrentDetails{request.result(), request.imdb()}));
    FetchPage::main();
}

} // namespace marrowfin
