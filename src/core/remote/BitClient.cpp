#include "BitClient.h"

#include "Deluge.h"
#include "Qbittorrent.h"
#include "Transmission.h"
#include "Utorrent.h"
#include "Vuze.h"

#include "core/net/HttpRequest.h"
#include "core/text/TextConversions.h"

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

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

QUrl BitClient::addressWithCredentials(const QString& path) const
{
    const QString user = username();
    if (user.isEmpty())
        return hostAddress(path);
    return parsed(u"http://"_s + stringWithPercentEscape(user) + u':' + stringWithPercentEscape(password()) + u'@' +
                  address() + u':' + port() + path);
}

} // namespace marrowfin
