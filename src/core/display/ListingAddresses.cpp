#include "ListingAddresses.h"

#include "ListingSettings.h"

#include <QByteArray>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

QString orderAndSort(const ListingSettings& settings)
{
    return u"?field="_s + settings.orderBy + u"&sorder="_s + settings.sortBy;
}

} // namespace

QString listingPagePart(int page)
{
    return page > 1 ? QString::number(page) + u'/' : QString();
}

QString newestListingAddress(const ListingSettings& settings, int page, const QString& siteHost)
{
    const QString tail = listingPagePart(page) + orderAndSort(settings);
    if (settings.category.isEmpty())
        return u"http://"_s + siteHost + u"/new/"_s + tail;
    return u"http://"_s + siteHost + u"/usearch/category%3A"_s + settings.category + u'/' + tail;
}

QString searchAddress(const QString& escapedQuery, const ListingSettings& settings, int page, const QString& siteHost)
{
    QString address = u"http://"_s + siteHost + u"/usearch/"_s + escapedQuery;
    if (!settings.category.isEmpty())
        address += u"%20category%3A"_s + settings.category;
    return address + u'/' + listingPagePart(page) + orderAndSort(settings);
}

QString favoritesPageAddress(int page, const QString& siteHost)
{
    return u"http://"_s + siteHost + u"/new/"_s + QString::number(page);
}

QString detailsAddress(const QString& detailsUrl, const QString& siteHost)
{
    return u"http://"_s + siteHost + u'/' + detailsUrl;
}

QString profileAddress(const QString& userName, const QString& siteHost)
{
    return u"http://"_s + siteHost + u"/user/"_s + userName;
}

QString sendAddress(const QString& downloadUrl, const QString& siteHost)
{
    // A link written without its scheme ("//host/dl/1.torrent", as pages often write them) takes the scheme the
    // site's pages are fetched with; before the host test, which such a link passes without being usable.
    if (downloadUrl.startsWith(u"//"_s)) {
        return u"http:"_s + downloadUrl;
    }
    // A magnet link is handed to the client as it stands.
    // A whole address on another host (a mirror) is fetched where it points: the site host put before it would make
    // an address that leads nowhere.
    if (downloadUrl.startsWith(u"magnet:"_s, Qt::CaseInsensitive) || downloadUrl.contains(siteHost) ||
        downloadUrl.startsWith(u"http://"_s, Qt::CaseInsensitive) ||
        downloadUrl.startsWith(u"https://"_s, Qt::CaseInsensitive)) {
        return downloadUrl;
    }
    return u"http://"_s + siteHost + downloadUrl;
}

QString escapeSearchQuery(const QString& typed)
{
    // QByteArray keeps ASCII letters, digits and "-._~" and escapes every other byte in upper-case hex; the rest of
    // the marks and reserved characters are let through here.
    static const QByteArray kKeptAsTyped = QByteArrayLiteral("!*'();/?:@&=+$,");
    return QString::fromLatin1(typed.toUtf8().toPercentEncoding(kKeptAsTyped));
}

} // namespace marrowfin
