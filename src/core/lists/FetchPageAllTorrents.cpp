#include "FetchPageAllTorrents.h"

#include "core/scrape/HttpRequestRegExTorrent.h"

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

QString ListingPage::errorText() const
{
    if (!isErrorAnswer()) {
        return {};
    }
    return u"the site answered with status %1"_s.arg(statusCode);
}

void FetchPageAllTorrents::main()
{
    HttpRequestRegExTorrent request(url());
    request.request();
    if (request.torrents()) {
        ListingPage page{*request.torrents(), request.urlResponse() ? request.urlResponse()->statusCode : 0};
        setReturnObject(QVariant::fromValue(std::move(page)));
    }
    FetchPage::main();
}

} // namespace marrowfin
