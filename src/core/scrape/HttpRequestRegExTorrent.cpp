#include "HttpRequestRegExTorrent.h"

#include "PageExtraction.h"
#include "TorrentListPattern.h"

#include "core/settings/SettingsLists.h"
#include "core/settings/SettingsStore.h"
#include "core/text/RegexException.h"
#include "core/text/RegexMatching.h"
#include "core/text/TextConversions.h"

#include <QRegularExpression>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

HttpRequestRegExTorrent::HttpRequestRegExTorrent(QUrl url, std::shared_ptr<HttpContext> context)
    : HttpRequest(std::move(url), std::move(context))
{}

void HttpRequestRegExTorrent::request()
{
    m_torrents.reset();
    HttpRequest::request();
    if (!result())
        return;
    const std::shared_ptr<SettingsStore> store = SettingsStore::shared();
    const QStringList history = store ? storedList(*store, SettingsStore::LockedList::TorrentHistory) : QStringList();
    try {
        m_torrents = torrentsFromPage(*result(), history);
    } catch (const RegexException& error) {
        logUnmatchedPage(u"the listing page from "_s + url().host(), error);
        clearResults();
    }
}

QList<Torrent> HttpRequestRegExTorrent::torrentsFromPage(const QString& page, const QStringList& history)
{
    const QList<QStringList> rows = arrayOfCaptureComponentsMatchedByRegex(page, torrentListPattern());
    QList<Torrent> torrents;
    torrents.reserve(rows.size());
    for (const QStringList& groups : rows) {
        Torrent torrent;
        torrent.type = groups.at(2);
        torrent.detailsUrl = groups.at(3);
        // Entities first, then markup: a tag written encoded in a title ("&lt;b&gt;") goes as well.
        torrent.name = stringByStrippingHTML(gtm_stringByUnescapingFromHTML(groups.at(4)));
        torrent.date = QString(groups.at(7)).replace(u"&nbsp;"_s, u" "_s);
        torrent.downloadUrl = escapedDownloadUrl(groups.at(1));
        torrent.size = groups.at(5) + u' ' + groups.at(6);
        torrent.up = groups.at(8);
        torrent.down = groups.at(9);
        torrent.isDownloaded = history.contains(*torrent.name, Qt::CaseSensitive);
        torrents.append(std::move(torrent));
    }
    return torrents;
}

QString HttpRequestRegExTorrent::escapedDownloadUrl(const QString& address)
{
    // Written by hand because the library escapers always escape "%", which would break an address the page
    // already wrote escaped.
    static constexpr QByteArrayView kept = "-._~:/?#[]@!$&'()*+,;=%";
    static constexpr char hex[] = "0123456789ABCDEF";
    const QByteArray bytes = address.toUtf8();
    QString escaped;
    escaped.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto c = static_cast<unsigned char>(byte);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || kept.contains(byte)) {
            escaped.append(QLatin1Char(byte));
        } else {
            escaped.append(u'%');
            escaped.append(QLatin1Char(hex[c >> 4]));
            escaped.append(QLatin1Char(hex[c & 0xF]));
        }
    }
    return escaped;
}

bool HttpRequestRegExTorrent::linksTorrents(const QString& page)
{
    static const QRegularExpression downloadLink(uR"re(href="[^"]*(/download/|\.torrent|magnet:\?))re"_s);
    return page.contains(downloadLink);
}

} // namespace marrowfin
