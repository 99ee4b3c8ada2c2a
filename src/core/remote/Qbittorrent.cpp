#include "Qbittorrent.h"

#include "BencodeCheck.h"
#include "RemoteLog.h"

#include "core/net/HttpRequest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

QString formValue(const QString& text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

} // namespace

Qbittorrent::Qbittorrent(std::shared_ptr<HttpContext> context) : BitClient(std::move(context))
{
    setName(u"torrents"_s);
    setFileContentType(u"application/x-bittorrent"_s);
    setPrefixData(u"--"_s);
    setPostfixData(u"\r\n--"_s + QLatin1StringView(formBoundary) + u"--\r\n"_s);
}

QString Qbittorrent::getDefaultPort()
{
    return u"8080"_s;
}

QString Qbittorrent::getDefaultDescription()
{
    return u"Marrowfin can push torrent downloads to your computer if you are using qBittorrent Bittorrent Client "
           u"with its Web UI enabled.\n\t\n\tSetup:\n\t- Install qBittorrent (or qbittorrent-nox) on your computer.  "
           u"\n\t- Select \"Tools\" then \"Preferences\" then the \"Web UI\" page.\n\t- Check the \"Web User "
           u"Interface (Remote control)\" box and choose a user name and password.\n\t- Make sure your computer is "
           u"online and running qBittorrent.\n\t- Fill in the fields below with the ip address and port (Default is "
           u"8080) of the Web UI, and its user name and password."_s;
}

QByteArray Qbittorrent::getData() const
{
    return multipartBody();
}

QUrl Qbittorrent::getUrl() const
{
    return hostAddress(u"/api/v2/torrents/add"_s);
}

QUrl Qbittorrent::getWebUrl() const
{
    return hostAddress(u"/"_s);
}

bool Qbittorrent::isOk(const QByteArray& body)
{
    return body.trimmed() == "Ok.";
}

bool Qbittorrent::uploadAccepted(int statusCode, const QByteArray& body) const
{
    return BitClient::uploadAccepted(statusCode, body) && isOk(body);
}

void Qbittorrent::setSessionId()
{
    HttpRequest request(hostAddress(u"/api/v2/auth/login"_s), context());
    request.setType(u"POST"_s);
    request.setPostData(u"username="_s + formValue(username()) + u"&password="_s + formValue(password()));
    request.request();
    const bool signedIn = request.isResponseValid() && isOk(request.responseData().value_or(QByteArray()));
    if (!signedIn) {
        qCDebug(lcRemote) << "the client refused the sign-in; status"
                          << (request.urlResponse() ? request.urlResponse()->statusCode : 0);
        // Answered well, and not "Ok.": the client's "Fails." for wrong credentials.
        if (noteAnswer(request)) {
            noteFailure(u"the client refused the user name or password"_s);
        }
    }
    assignSessionId(signedIn ? std::optional<QString>(u"Ok."_s) : std::nullopt);
}

bool Qbittorrent::addMagnetLink(const QString& link)
{
    HttpRequest request(getUrl(), context());
    request.setType(u"POST"_s);
    request.setPostData(u"urls="_s + formValue(link));
    request.request();
    if (!noteAnswer(request)) {
        return false;
    }
    const QByteArray answer = request.responseData().value_or(QByteArray());
    if (uploadAccepted(request.urlResponse()->statusCode, answer))
        return true;
    return request.isResponseValid() && !isOk(answer) && holds(magnetInfoHash(link));
}

bool Qbittorrent::uploadAnotherWay(const HttpRequest& refused)
{
    if (!refused.isResponseValid() || isOk(refused.responseData().value_or(QByteArray())))
        return false;
    return holds(infoHash(file()).value_or(QByteArray()));
}

QByteArray Qbittorrent::magnetInfoHash(const QString& link)
{
    // 40 hex digits, or the same 20 bytes as 32 base32 letters (RFC 4648, upper or lower case).
    static const QRegularExpression btih(u"[?&]xt=urn:btih:([0-9A-Fa-f]{40}|[A-Za-z2-7]{32})(?:&|$)"_s);
    const QString found = btih.match(link).captured(1);
    if (found.size() != 32) {
        return found.toLower().toLatin1();
    }
    QByteArray bytes;
    quint64 bits = 0;
    int held = 0;
    for (const QChar c : found) {
        const char16_t letter = c.toUpper().unicode();
        bits = (bits << 5) | quint64(letter >= u'A' && letter <= u'Z' ? letter - u'A' : letter - u'2' + 26);
        held += 5;
        if (held >= 8) {
            held -= 8;
            bytes.append(char((bits >> held) & 0xFF));
        }
    }
    return bytes.toHex();
}

bool Qbittorrent::holds(const QByteArray& hash)
{
    const bool held = !hash.isEmpty() && holdsTorrent(hash).value_or(false);
    if (held) {
        qCDebug(lcRemote) << "the client holds the torrent already";
    }
    return held;
}

std::optional<bool> Qbittorrent::holdsTorrent(const QByteArray& infoHash)
{
    HttpRequest request(hostAddress(u"/api/v2/torrents/info?hashes="_s + QString::fromLatin1(infoHash)), context());
    request.request();
    QJsonParseError error{};
    const QJsonDocument torrents = QJsonDocument::fromJson(request.responseData().value_or(QByteArray()), &error);
    if (!request.isResponseValid() || error.error != QJsonParseError::NoError || !torrents.isArray()) {
        return std::nullopt;
    }
    return !torrents.array().isEmpty();
}

} // namespace marrowfin
