#include "Deluge.h"

#include "RemoteLog.h"

#include "core/net/HttpRequest.h"
#include "core/text/TextConversions.h"

#include <QJsonDocument>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr QStringView kJsonType = u"application/json";

// The body of one call that is not the upload, handed to the request as its upload body so that it goes as JSON.
class JsonCall final : public UploadBody
{
public:
    JsonCall(QByteArray body, QString method) : m_body(std::move(body)), m_method(std::move(method)) {}

    [[nodiscard]] QByteArray getData() const override { return m_body; }
    [[nodiscard]] QString uploadContentType() const override { return kJsonType.toString(); }
    // The sign-in carries the password: the log shows the method alone.
    [[nodiscard]] std::optional<QString> uploadForLog(const QByteArray& body) const override
    {
        return u"%1 bytes, a call of %2"_s.arg(body.size()).arg(m_method);
    }

private:
    QByteArray m_body;
    QString m_method;
};

} // namespace

Deluge::Deluge(std::shared_ptr<HttpContext> context) : BitClient(std::move(context))
{
    setFileContentType(u"application/x-bittorrent"_s);
}

QString Deluge::getDefaultPort()
{
    return u"8112"_s;
}

QString Deluge::getDefaultDescription()
{
    return u"Marrowfin can push torrent downloads to your computer if you are using Deluge Bittorrent Client with "
           u"its Web UI running.\n\t\n\tSetup:\n\t- Install Deluge (or deluged and deluge-web) on your computer.  "
           u"\n\t- Start the Web UI (\"deluge-web\", or enable the WebUi plugin in \"Preferences\").\n\t- Connect "
           u"the Web UI to the daemon once from its Connection Manager.\n\t- Make sure your computer is online and "
           u"running Deluge.\n\t- Fill in the fields below with the ip address and port (Default is 8112) of the Web "
           u"UI and its password; the Web UI has no user name."_s;
}

QByteArray Deluge::callBody(const QString& method, const QJsonArray& params, int id)
{
    return QJsonDocument(QJsonObject{{u"method"_s, method}, {u"params"_s, params}, {u"id"_s, id}})
        .toJson(QJsonDocument::Compact);
}

QByteArray Deluge::getData() const
{
    return callBody(u"core.add_torrent_file"_s, QJsonArray{filename(), base64Encoding(file()), QJsonObject()}, 0);
}

QString Deluge::uploadContentType() const
{
    return kJsonType.toString();
}

std::optional<QString> Deluge::uploadForLog(const QByteArray& body) const
{
    return u"%1 bytes, a call of core.add_torrent_file"_s.arg(body.size());
}

QUrl Deluge::getUrl() const
{
    return hostAddress(u"/json"_s);
}

QUrl Deluge::getWebUrl() const
{
    return hostAddress(u"/"_s);
}

bool Deluge::torrentAdded(const QByteArray& answer)
{
    const QJsonObject object = QJsonDocument::fromJson(answer).object();
    const QJsonValue result = object.value(u"result"_s);
    if (result.isString() && !result.toString().isEmpty())
        return true;
    return object.value(u"error"_s).toObject().value(u"message"_s).toString().contains(u"already in session"_s);
}

bool Deluge::uploadAccepted(int statusCode, const QByteArray& body) const
{
    return BitClient::uploadAccepted(statusCode, body) && torrentAdded(body);
}

std::optional<QJsonObject> Deluge::call(const QString& method, const QJsonArray& params)
{
    HttpRequest request(getUrl(), context());
    request.setType(u"POST"_s);
    request.setClient(std::make_shared<JsonCall>(callBody(method, params, m_nextId++), method));
    request.request();
    if (!noteAnswer(request)) {
        return std::nullopt;
    }
    const QJsonDocument answer = QJsonDocument::fromJson(request.responseData().value_or(QByteArray()));
    return answer.isObject() ? std::optional<QJsonObject>(answer.object()) : std::nullopt;
}

void Deluge::setSessionId()
{
    assignSessionId(std::nullopt);
    const auto login = call(u"auth.login"_s, QJsonArray{password()});
    if (!login || !login->value(u"result"_s).toBool()) {
        qCDebug(lcRemote) << "the client refused the sign-in";
        noteFailure(u"the client refused the user name or password"_s);
        return;
    }
    const auto connected = call(u"web.connected"_s);
    if (!connected)
        return;
    if (!connected->value(u"result"_s).toBool()) {
        const auto hosts = call(u"web.get_hosts"_s);
        const QString host = hosts ? hosts->value(u"result"_s).toArray().at(0).toArray().at(0).toString() : QString();
        if (host.isEmpty()) {
            qCDebug(lcRemote) << "the client's web interface knows no daemon";
            noteFailure(u"the client's web interface knows no daemon to connect to"_s);
            return;
        }
        const auto connecting = call(u"web.connect"_s, QJsonArray{host});
        if (!connecting || !connecting->value(u"error"_s).isNull()) {
            qCDebug(lcRemote) << "the client's web interface did not connect to its daemon";
            noteFailure(u"the client's web interface did not connect to its daemon"_s);
            return;
        }
    }
    assignSessionId(u"connected"_s);
}

std::optional<bool> Deluge::holdsTorrent(const QByteArray& infoHash)
{
    const auto answer =
        call(u"core.get_torrent_status"_s, QJsonArray{QString::fromLatin1(infoHash), QJsonArray{u"hash"_s}});
    if (!answer || !answer->value(u"error"_s).isNull() || !answer->value(u"result"_s).isObject()) {
        return std::nullopt;
    }
    return answer->value(u"result"_s)
               .toObject()
               .value(u"hash"_s)
               .toString()
               .compare(QString::fromLatin1(infoHash), Qt::CaseInsensitive) == 0;
}

bool Deluge::addMagnetLink(const QString& link)
{
    HttpRequest request(getUrl(), context());
    request.setType(u"POST"_s);
    request.setClient(
        std::make_shared<JsonCall>(callBody(u"core.add_torrent_magnet"_s, QJsonArray{link, QJsonObject()}, m_nextId++),
                                   u"core.add_torrent_magnet"_s));
    request.request();
    return noteAnswer(request) &&
           uploadAccepted(request.urlResponse()->statusCode, request.responseData().value_or(QByteArray()));
}

} // namespace marrowfin
