#include "Utorrent.h"

#include "core/net/HttpRequest.h"
#include "core/net/HttpRequestRegEx.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

Utorrent::Utorrent(std::shared_ptr<HttpContext> context) : BitClient(std::move(context))
{
    setName(u"torrent_file"_s);
    setFileContentType(u"application/x-bittorrent"_s);
    setPrefixData(u"--"_s);
    setPostfixData(u"\r\n--"_s + QLatin1StringView(formBoundary) + u"--\r\n"_s);
}

QString Utorrent::getDefaultPort()
{
    return u"8080"_s;
}

QString Utorrent::getDefaultDescription()
{
    return u"Marrowfin can push torrent downloads to your computer if you are using Utorrent Bittorent Client with "
           u"Web UI enabled.\n\tAs of March 2010, Web UI is only available on windows version of Utorrent.\n\tSetup:"
           u"\n\t- Install Utorrent on your computer.  \n\t- Select \"Preferences\" Utorrent.  Select \"Web UI\" "
           u"option.\n\t- Check \"Enable Web UI\" box.\n\t- Check \"Alternative listening port\" box.\n\t- Make sure "
           u"your computer is online and running Utorrent.\n\t- Fill in the fields below with the ip address and port "
           u"(Default is 8080) of Utorrent Web UI is using."_s;
}

QByteArray Utorrent::getData() const
{
    return multipartBody();
}

QUrl Utorrent::getUrl() const
{
    return hostAddress(u"/gui/?token="_s + sessionId().value_or(QString()) + u"&action=add-file"_s);
}

QUrl Utorrent::getWebUrl() const
{
    return addressWithCredentials(u"/gui/"_s);
}

void Utorrent::setSessionId()
{
    HttpRequestRegEx request(hostAddress(u"/gui/token.html"_s), kTokenPattern.toString(), context());
    request.setExtraHeaders({{u"X-Requested-With"_s, u"XMLHttpRequest"_s}, {u"X-Request"_s, u"JSON"_s}});
    request.setUsername(username());
    request.setPassword(password());
    request.request();
    if (noteAnswer(request) && !request.result()) {
        noteFailure(u"the client's answer carries no token"_s);
    }
    assignSessionId(request.result());
}

std::optional<bool> Utorrent::holdsTorrent(const QByteArray& infoHash)
{
    HttpRequest request(hostAddress(u"/gui/?token="_s + sessionId().value_or(QString()) + u"&list=1"_s), context());
    request.setExtraHeaders({{u"X-Requested-With"_s, u"XMLHttpRequest"_s}});
    request.setUsername(username());
    request.setPassword(password());
    request.request();
    QJsonParseError error{};
    const QJsonDocument answer = QJsonDocument::fromJson(request.responseData().value_or(QByteArray()), &error);
    const QJsonValue torrents = answer.object().value(u"torrents"_s);
    if (!request.isResponseValid() || error.error != QJsonParseError::NoError || !torrents.isArray()) {
        return std::nullopt;
    }
    const QString wanted = QString::fromLatin1(infoHash);
    for (const QJsonValue& row : torrents.toArray()) {
        if (row.toArray().at(0).toString().compare(wanted, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

bool Utorrent::addMagnetLink(const QString& link)
{
    HttpRequest request(hostAddress(u"/gui/?token="_s + sessionId().value_or(QString()) + u"&action=add-url&s="_s +
                                    QString::fromLatin1(QUrl::toPercentEncoding(link))),
                        context());
    request.setExtraHeaders({{u"X-Requested-With"_s, u"XMLHttpRequest"_s}});
    request.setUsername(username());
    request.setPassword(password());
    request.request();
    return noteAnswer(request);
}

} // namespace marrowfin
