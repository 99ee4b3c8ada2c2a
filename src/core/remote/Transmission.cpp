#include "Transmission.h"

#include "RemoteLog.h"

#include "core/net/HttpRequest.h"
#include "core/text/TextConversions.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kConflict = 409;
constexpr int kNotFound = 404;

std::optional<QString> sessionIdOf(const HttpRequest& request)
{
    if (!request.headers())
        return std::nullopt;
    return request.headers()->value(Transmission::kSessionIdHeader);
}

} // namespace

Transmission::Transmission(std::shared_ptr<HttpContext> context) : BitClient(std::move(context))
{
    setName(u"torrent_files[]"_s);
    setFileContentType(u"application/x-bittorrent"_s);
    setPrefixData(u"--"_s);
}

QString Transmission::getDefaultPort()
{
    return u"9091"_s;
}

QString Transmission::getDefaultDescription()
{
    return u"Marrowfin can push torrent downloads to your computer if you are using Transmittion Bittorent Client "
           u"with remote access enabled.\n\t\n\tSetup:\n\t- Install Transmission on your computer.  \n\t- Select "
           u"\"Preferences\" then select the \"Remote\" tab.\n\t- Check the \"Enable remote access\" box.\n\t- Make "
           u"sure your computer is online and running Transmission.\n\t- Fill in the fields below with the ip address "
           u"and port (Default is 9091) Transmission remote access is using."_s;
}

QString Transmission::postfixData() const
{
    const QString boundary = QLatin1StringView(formBoundary);
    return u"\r\n--"_s + boundary +
           u"\r\nContent-Disposition: form-data; name=\"X-Transmission-Session-Id\"\r\n\r\n"_s +
           sessionId().value_or(QString()) + u"\r\n--"_s + boundary + u"--\r\n"_s;
}

QByteArray Transmission::getData() const
{
    return multipartBody();
}

QUrl Transmission::getUrl() const
{
    return hostAddress(u"/transmission/upload?paused=false"_s);
}

QUrl Transmission::getWebUrl() const
{
    return addressWithCredentials(u"/transmission/web/"_s);
}

void Transmission::setSessionId()
{
    HttpRequest request(hostAddress(u"/transmission/rpc"_s), context());
    request.setType(u"POST"_s);
    request.setPostData(u"{\"method\":\"session-get\"}"_s);
    // The last value joins the request's own content type in one field; the client reads neither.
    request.setExtraHeaders({{u"X-Requested-With"_s, u"XMLHttpRequest"_s},
                             {u"Pragma"_s, u"no-cache"_s},
                             {u"Cache-Control"_s, u"no-cache"_s},
                             {u"Content-Type"_s, u"; charset=UTF-8json"_s}});
    request.setUsername(username());
    request.setPassword(password());
    request.request();
    const std::optional<QString> id = sessionIdOf(request);
    // The expected answer is a 409 that carries the id; any other says why there is none.
    if (!id && noteAnswer(request)) {
        noteFailure(u"the client's answer carries no session id"_s);
    }
    assignSessionId(id);
}

bool Transmission::uploadAnotherWay(const HttpRequest& refused)
{
    if (!refused.urlResponse())
        return false;
    const int status = refused.urlResponse()->statusCode;
    if (status != kConflict && status != kNotFound)
        return false;

    return torrentAdd(QJsonObject{{u"metainfo"_s, base64Encoding(file())}, {u"paused"_s, false}});
}

bool Transmission::addMagnetLink(const QString& link)
{
    return torrentAdd(QJsonObject{{u"filename"_s, link}, {u"paused"_s, false}});
}

std::optional<QByteArray> Transmission::rpc(QStringView method, const QJsonObject& arguments)
{
    const QString body =
        QString::fromUtf8(QJsonDocument(QJsonObject{{u"method"_s, method.toString()}, {u"arguments"_s, arguments}})
                              .toJson(QJsonDocument::Compact));
    std::optional<QString> id = sessionId();
    // A 409 carries the id the client wants now; one more try with it, no more.
    for (int attempt = 0; attempt < 2; ++attempt) {
        HttpRequest request(hostAddress(u"/transmission/rpc"_s), context());
        request.setType(u"POST"_s);
        request.setPostData(body);
        if (id) {
            request.setExtraHeaders({{kSessionIdHeader.toString(), *id}});
        }
        request.setUsername(username());
        request.setPassword(password());
        request.request();
        if (!request.urlResponse()) {
            qCDebug(lcRemote) << method << ": no answer";
            (void)noteAnswer(request);
            return std::nullopt;
        }
        const int answer = request.urlResponse()->statusCode;
        if (answer == kConflict) {
            id = sessionIdOf(request);
            if (!id) {
                return std::nullopt;
            }
            assignSessionId(id);
            continue;
        }
        if (!noteAnswer(request)) {
            qCDebug(lcRemote) << method << "answered" << answer;
            return std::nullopt;
        }
        return request.responseData().value_or(QByteArray());
    }
    noteFailure(u"the client kept asking for a new session id"_s);
    return std::nullopt;
}

bool Transmission::torrentAdd(const QJsonObject& arguments)
{
    const std::optional<QByteArray> answer = rpc(u"torrent-add", arguments);
    if (!answer) {
        return false;
    }
    const bool added = torrentAddSucceeded(*answer);
    if (!added) {
        qCDebug(lcRemote) << "torrent-add refused:" << QString::fromUtf8(answer->left(200));
        const QString said = QJsonDocument::fromJson(*answer).object().value(u"result"_s).toString().left(200);
        noteFailure(said.isEmpty() ? u"the client did not take the torrent"_s
                                   : u"the client did not take the torrent: %1"_s.arg(said));
    }
    return added;
}

std::optional<bool> Transmission::holdsTorrent(const QByteArray& infoHash)
{
    const std::optional<QByteArray> answer =
        rpc(u"torrent-get", QJsonObject{{u"ids"_s, QJsonArray{QString::fromLatin1(infoHash)}},
                                        {u"fields"_s, QJsonArray{u"hashString"_s}}});
    const QJsonObject document = QJsonDocument::fromJson(answer.value_or(QByteArray())).object();
    const QJsonValue torrents = document.value(u"arguments"_s).toObject().value(u"torrents"_s);
    if (document.value(u"result"_s).toString() != u"success"_s || !torrents.isArray()) {
        return std::nullopt;
    }
    return !torrents.toArray().isEmpty();
}

bool Transmission::torrentAddSucceeded(const QByteArray& answer)
{
    const QJsonDocument document = QJsonDocument::fromJson(answer);
    if (!document.isObject())
        return false;
    // Judged by the arguments, not the result text: a duplicate comes as "success" from some versions and as
    // "duplicate torrent" from others, and the torrent is in the client either way.
    const QJsonObject arguments = document.object().value(u"arguments"_s).toObject();
    return arguments.value(u"torrent-added"_s).isObject() || arguments.value(u"torrent-duplicate"_s).isObject();
}

} // namespace marrowfin
