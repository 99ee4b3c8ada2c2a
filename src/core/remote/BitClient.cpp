#include "BitClient.h"

#include "Deluge.h"
#include "Qbittorrent.h"
#include "Transmission.h"
#include "Utorrent.h"
#include "Vuze.h"

#include "core/net/HttpRequest.h"
#include "core/text/TextConversions.h"

#include <tuple>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kUnauthorized = 401;
constexpr int kForbidden = 403;

} // namespace

QString BitClient::getClientByIndex(int index)
{
    if (Vuze::getIndex() == index)
        return u"Vuze"_s;
    if (Transmission::getIndex() == index)
        return u"Transmission"_s;
    if (Utorrent::getIndex() == index)
        return u"Utorrent"_s;
    if (Qbittorrent::getIndex() == index)
        return u"Qbittorrent"_s;
    if (Deluge::getIndex() == index)
        return u"Deluge"_s;
    return u""_s;
}

QByteArray BitClient::multipartBody() const
{
    // The adapters' texts are written with formBoundary; the file part's header takes the body's own boundary
    // directly, so that a file name holding formBoundary's text keeps it.
    const QByteArray boundary = uploadBoundary();
    QByteArray prefix = prefixData().toUtf8();
    QByteArray tail = postfixData().toUtf8();
    if (boundary != formBoundary) {
        prefix.replace(formBoundary, boundary);
        tail.replace(formBoundary, boundary);
    }
    // Joined piece by piece rather than through a format, so that a "%1" in a file name stays what it is.
    const QString header = QString::fromLatin1(boundary) + u"\r\nContent-Disposition: form-data; name=\""_s + name() +
                           u"\"; filename=\""_s + filename() + u"\"\r\nContent-Type: "_s + fileContentType() +
                           u"\r\n\r\n"_s;
    return prefix + header.toUtf8() + file() + tail;
}

QByteArray BitClient::uploadBoundary() const
{
    const QByteArray bytes = file();
    QByteArray boundary(formBoundary);
    for (int n = 0; bytes.contains(boundary); ++n) {
        boundary = formBoundary + QByteArray::number(n);
    }
    return boundary;
}

std::optional<QString> BitClient::failureOf(const HttpRequest& request)
{
    if (request.transportFailure()) {
        return *request.transportFailure();
    }
    if (!request.urlResponse()) {
        return u"the client did not answer"_s;
    }
    const int status = request.urlResponse()->statusCode;
    if (status == kUnauthorized || status == kForbidden) {
        return u"the client refused the user name or password"_s;
    }
    if (answeredElsewhere(request)) {
        return u"the address answered with a redirect to %1 (another program may be listening there)"_s.arg(
            request.urlResponse()->url.toString(QUrl::RemoveUserInfo | QUrl::RemoveQuery));
    }
    if (status < 200 || status > 299) {
        return u"the client answered with status %1"_s.arg(status);
    }
    return std::nullopt;
}

bool BitClient::answeredElsewhere(const HttpRequest& request)
{
    const auto place = [](const QUrl& url) {
        QString path = url.path();
        if (path.endsWith(u'/')) {
            path.chop(1);
        }
        return std::tuple(url.host().toLower(), url.port(80), path);
    };
    return request.urlResponse() && !request.urlResponse()->url.isEmpty() &&
           place(request.urlResponse()->url) != place(request.url());
}

bool BitClient::noteAnswer(const HttpRequest& request)
{
    const std::optional<QString> cause = failureOf(request);
    if (cause) {
        noteFailure(*cause);
    }
    return !cause;
}

QUrl BitClient::addressWithCredentials(const QString& path) const
{
    const QString user = username();
    if (user.isEmpty())
        return hostAddress(path);
    return parsed(u"http://"_s + stringWithPercentEscape(user) + u':' + stringWithPercentEscape(password()) + u'@' +
                  address() + u':' + port() + path);
}

} // namespace marrowfin
