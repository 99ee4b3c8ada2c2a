#include "Vuze.h"

#include "core/net/HttpRequest.h"

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

Vuze::Vuze(std::shared_ptr<HttpContext> context) : BitClient(std::move(context))
{
    const QString boundary = QLatin1StringView(formBoundary);
    setName(u"upfile_0"_s);
    setFileContentType(u"application/octet-stream"_s);
    // A complete, empty upfile_1 part, then the hyphens that open the delimiter of the torrent's part.
    setPrefixData(u"--"_s + boundary +
                  u"\r\nContent-Disposition: form-data; name=\"upfile_1\"; filename=\"\"\r\nContent-Type: "
                  u"application/octet-stream\r\n\r\n\r\n--"_s);
    setPostfixData(u"\r\n--"_s + boundary + u"--\r\n"_s);
}

QString Vuze::getDefaultPort()
{
    return u"6886"_s;
}

QString Vuze::getDefaultDescription()
{
    return u"Marrowfin can push torrent downloads to your computer if you are using Azureus (Vuze) Bittorent Client "
           u"with Azureus Web UI plugin installed.\n\t\n\tSetup:\n\t- Install Azureus on your computer.  \n\t- Install "
           u"Azureus Web UI plugin in Azureus.  \n\t- Make sure your computer is online and running Azureus.\n\t- Fill "
           u"in the fields below with the ip address and port (Default is 6886) Azureus Web UI plugin is using."_s;
}

QByteArray Vuze::getData() const
{
    return multipartBody();
}

QUrl Vuze::getUrl() const
{
    return hostAddress(u"/index.tmpl?d=u&local=1"_s);
}

QUrl Vuze::getWebUrl() const
{
    return addressWithCredentials(u"/"_s);
}

} // namespace marrowfin
