#include "FetchPageAllTorrents.h"

#include "core/scrape/HttpRequestRegExTorrent.h"

namespace marrowfin {

void FetchPageAllTorrents::main()
{
    HttpRequestRegExTorrent request(url());
    request.request();
    if (request.torrents())
        setReturnObject(QVariant::fromValue(*request.torrents()));
    FetchPage::main();
}

} // namespace marrowfin
