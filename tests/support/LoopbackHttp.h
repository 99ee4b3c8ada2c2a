#pragma once

#include <QByteArray>
#include <QList>

#include <curl/curl.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

// Plain HTTP/1.1 on the loopback interface, independently of the code under test: for the tests and benchmarks that
// talk to real daemons.
namespace marrowfin::test {

// A loopback port that nothing listens on at the moment.
inline quint16 freeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    quint16 port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

struct PlainAnswer
{
    int status = 0;
    QByteArray headers;
    QByteArray body;

    // The value of the first header line with this name (any case); empty when there is none.
    [[nodiscard]] QByteArray header(const QByteArray& name) const
    {
        for (const QByteArray& line : headers.split('\n')) {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
                return line.mid(colon + 1).trimmed();
        }
        return {};
    }
    // "NAME=value" of a Set-Cookie line for that cookie, for sending back as a Cookie header.
    [[nodiscard]] QByteArray cookie(const QByteArray& name) const
    {
        for (const QByteArray& line : headers.split('\n')) {
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0 || line.left(colon).trimmed().compare("set-cookie", Qt::CaseInsensitive) != 0)
                continue;
            const QByteArray value = line.mid(colon + 1).trimmed();
            if (value.startsWith(name + '='))
                return value.left(value.indexOf(';'));
        }
        return {};
    }
};

inline bool acceptsConnections(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected = fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        ::close(fd);
    return connected;
}

// One request on a connection of its own, through libcurl directly (never the application's HTTP layer); nothing when
// nobody answered on the port.
inline std::optional<PlainAnswer> plainHttp(quint16 port, const QByteArray& method, const QByteArray& path,
                                            const QList<QByteArray>& headerLines = {}, const QByteArray& body = {})
{
    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
        return std::nullopt;
    }
    PlainAnswer answer;
    const auto append = +[](char* data, std::size_t size, std::size_t count, void* target) {
        static_cast<QByteArray*>(target)->append(data, qsizetype(size * count));
        return size * count;
    };
    curl_slist* lines = curl_slist_append(nullptr, "Expect:");
    for (const QByteArray& line : headerLines) {
        lines = curl_slist_append(lines, line.constData());
    }
    const QByteArray url = "http://127.0.0.1:" + QByteArray::number(port) + path;
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 30L);
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.constData());
    if (method == "POST") {
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.constData());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, long(body.size()));
    }
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, lines);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, append);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer.body);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, append);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &answer.headers);
    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    answer.status = int(status);
    curl_slist_free_all(lines);
    curl_easy_cleanup(curl);
    return code == CURLE_OK ? std::optional<PlainAnswer>(answer) : std::nullopt;
}

// plainHttp to an address "http://127.0.0.1:PORT/PATH" as the demo site gives them; status 0 when nobody answered.
inline PlainAnswer plainHttpAt(const std::string& address, const QByteArray& method = "GET",
                               const QList<QByteArray>& headerLines = {}, const QByteArray& body = {})
{
    const std::size_t pathStart = address.find('/', address.find("://") + 3);
    const std::size_t colon = address.rfind(':', pathStart);
    const auto port = quint16(std::stoi(address.substr(colon + 1, pathStart - colon - 1)));
    return plainHttp(port, method, QByteArray::fromStdString(address.substr(pathStart)), headerLines, body)
        .value_or(PlainAnswer{});
}

} // namespace marrowfin::test
