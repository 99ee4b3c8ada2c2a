#pragma once

#include <QByteArray>
#include <QList>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <optional>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

// Plain HTTP/1.1 on the loopback interface, spoken with sockets, independently of the code under test: for the
// tests and benchmarks that talk to real daemons.
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

// One request on a connection of its own; nothing when nobody answered on the port.
inline std::optional<PlainAnswer> plainHttp(quint16 port, const QByteArray& method, const QByteArray& path,
                                            const QList<QByteArray>& headerLines = {}, const QByteArray& body = {})
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return std::nullopt;
    timeval limit{30, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return std::nullopt;
    }
    QByteArray request = method + ' ' + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) +
                         "\r\nConnection: close\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n";
    for (const QByteArray& line : headerLines)
        request += line + "\r\n";
    request += "\r\n" + body;
    for (qsizetype sent = 0; sent < request.size();) {
        const ssize_t n = ::send(fd, request.constData() + sent, std::size_t(request.size() - sent), MSG_NOSIGNAL);
        if (n <= 0) {
            ::close(fd);
            return std::nullopt;
        }
        sent += n;
    }
    // Read to the end of the answer as its headers give it: some daemons keep the connection open whatever the
    // request asks.
    const auto complete = [](const QByteArray& bytes) {
        const qsizetype end = bytes.indexOf("\r\n\r\n");
        if (end < 0)
            return false;
        const PlainAnswer head{0, bytes.left(end), {}};
        if (head.header("Transfer-Encoding").compare("chunked", Qt::CaseInsensitive) == 0)
            return bytes.endsWith("\r\n0\r\n\r\n") || bytes.mid(end + 4).startsWith("0\r\n\r\n");
        bool ok = false;
        const qsizetype length = head.header("Content-Length").toLongLong(&ok);
        return ok && bytes.size() - end - 4 >= length;
    };
    QByteArray received;
    char buffer[8192];
    while (!complete(received)) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        received.append(buffer, n);
    }
    ::close(fd);
    const qsizetype end = received.indexOf("\r\n\r\n");
    if (!received.startsWith("HTTP/1.") || end < 0)
        return std::nullopt;
    PlainAnswer answer{received.mid(9, 3).toInt(), received.left(end), received.mid(end + 4)};
    if (answer.header("Transfer-Encoding").compare("chunked", Qt::CaseInsensitive) == 0) {
        QByteArray body;
        for (qsizetype at = 0; at < answer.body.size();) {
            const qsizetype lineEnd = answer.body.indexOf("\r\n", at);
            bool ok = false;
            const qsizetype size = answer.body.mid(at, lineEnd - at).split(';').first().trimmed().toLongLong(&ok, 16);
            if (lineEnd < 0 || !ok || size == 0)
                break;
            body += answer.body.mid(lineEnd + 2, size);
            at = lineEnd + 2 + size + 2;
        }
        answer.body = body;
    }
    return answer;
}

} // namespace marrowfin::test
