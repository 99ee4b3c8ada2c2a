#include "TestHttpServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace marrowfin::test {

namespace {

constexpr qsizetype kMaxHeadBytes = 1024 * 1024;
// Only a safety net against a client that never sends what it announced; no test relies on it.
constexpr int kReadPollMilliseconds = 20000;
constexpr auto kWaitSafetyLimit = std::chrono::seconds(30);

bool sendAll(int socket, QByteArrayView bytes)
{
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(socket, bytes.data() + sent, static_cast<size_t>(bytes.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        sent += n;
    }
    return true;
}

// Appends what the socket has to `buffer`; false on end of stream, error or silence past the safety net.
bool receiveMore(int socket, QByteArray& buffer)
{
    pollfd waiting{socket, POLLIN, 0};
    if (::poll(&waiting, 1, kReadPollMilliseconds) <= 0) {
        return false;
    }
    char chunk[16384];
    for (;;) {
        const ssize_t n = ::recv(socket, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        buffer.append(chunk, n);
        return true;
    }
}

QByteArray reasonOr(const ScriptedResponse& response)
{
    return response.reason.isEmpty() ? QByteArray("Scripted") : response.reason;
}

} // namespace

QByteArray RecordedRequest::path() const
{
    const qsizetype query = target.indexOf('?');
    return query < 0 ? target : target.first(query);
}

QList<QByteArray> RecordedRequest::headerValues(QByteArrayView name) const
{
    QList<QByteArray> values;
    for (const QByteArray& line : headerLines) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && QByteArrayView(line).first(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0) {
            values.append(line.sliced(colon + 1).trimmed());
        }
    }
    return values;
}

std::optional<QByteArray> RecordedRequest::header(QByteArrayView name) const
{
    const QList<QByteArray> values = headerValues(name);
    if (values.size() != 1) {
        return std::nullopt;
    }
    return values.first();
}

void Gate::open()
{
    const std::lock_guard lock(m_mutex);
    m_isOpen = true;
    m_opened.notify_all();
}

void Gate::wait()
{
    std::unique_lock lock(m_mutex);
    m_opened.wait(lock, [this] { return m_isOpen; });
}

TestHttpServer::TestHttpServer()
{
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listener < 0) {
        throw std::runtime_error("test server: no socket");
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 64) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(m_listener);
        throw std::runtime_error("test server: cannot listen on the loopback interface");
    }
    m_port = ntohs(address.sin_port);
    m_acceptThread = std::thread([this] { acceptLoop(); });
}

TestHttpServer::~TestHttpServer()
{
    stop();
}

QUrl TestHttpServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path));
}

void TestHttpServer::route(const QByteArray& path, ScriptedResponse response)
{
    const std::lock_guard lock(m_mutex);
    m_routes[path] = std::move(response);
}

QList<RecordedRequest> TestHttpServer::requests() const
{
    const std::lock_guard lock(m_mutex);
    // A list of its own, not one sharing the recorded list's buffer: a later append on a serving thread may move
    // the recorded entries while the caller still reads its copy (a race ThreadSanitizer reported).
    return QList<RecordedRequest>(m_requests.cbegin(), m_requests.cend());
}

QList<RecordedRequest> TestHttpServer::requestsTo(QByteArrayView path) const
{
    QList<RecordedRequest> matching;
    for (const RecordedRequest& request : requests()) {
        if (request.path() == path) {
            matching.append(request);
        }
    }
    return matching;
}

bool TestHttpServer::waitForRequests(QByteArrayView path, qsizetype count)
{
    std::unique_lock lock(m_mutex);
    return m_recorded.wait_for(lock, kWaitSafetyLimit, [&] {
        qsizetype seen = 0;
        for (const RecordedRequest& request : m_requests) {
            seen += request.path() == path ? 1 : 0;
        }
        return seen >= count;
    });
}

void TestHttpServer::stop()
{
    std::vector<std::thread> threads;
    {
        const std::lock_guard lock(m_mutex);
        if (m_stopped) {
            return;
        }
        m_stopped = true;
        m_stopping.notify_all();
        for (auto& [path, response] : m_routes) {
            if (response.gate) {
                response.gate->open();
            }
        }
        // Wakes the blocked accept() and recv() calls.
        ::shutdown(m_listener, SHUT_RDWR);
        for (const int socket : m_connections) {
            ::shutdown(socket, SHUT_RDWR);
        }
    }
    m_acceptThread.join();
    {
        const std::lock_guard lock(m_mutex);
        threads.swap(m_connectionThreads);
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    ::close(m_listener);
}

void TestHttpServer::acceptLoop()
{
    for (;;) {
        const int socket = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        const std::lock_guard lock(m_mutex);
        if (m_stopped) {
            if (socket >= 0) {
                ::close(socket);
            }
            return;
        }
        if (socket < 0) {
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            return;
        }
        m_connections.insert(socket);
        m_connectionThreads.emplace_back([this, socket] { serve(socket); });
    }
}

std::optional<ScriptedResponse> TestHttpServer::scriptFor(const QByteArray& path) const
{
    const std::lock_guard lock(m_mutex);
    const auto found = m_routes.find(path);
    if (found == m_routes.end()) {
        return std::nullopt;
    }
    return found->second;
}

void TestHttpServer::record(RecordedRequest request)
{
    const std::lock_guard lock(m_mutex);
    m_requests.append(std::move(request));
    m_recorded.notify_all();
}

void TestHttpServer::serve(int socket)
{
    QByteArray buffer;
    bool keepOpen = true;
    while (keepOpen) {
        qsizetype headEnd = -1;
        while ((headEnd = buffer.indexOf("\r\n\r\n")) < 0) {
            if (buffer.size() > kMaxHeadBytes || !receiveMore(socket, buffer)) {
                keepOpen = false;
                break;
            }
        }
        if (!keepOpen) {
            break;
        }
        RecordedRequest request;
        const QList<QByteArray> lines = buffer.first(headEnd).split('\n');
        buffer.remove(0, headEnd + 4);
        request.requestLine = lines.first().trimmed();
        const QList<QByteArray> parts = request.requestLine.split(' ');
        request.method = parts.value(0);
        request.target = parts.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            QByteArray line = lines.at(i);
            if (line.endsWith('\r')) {
                line.chop(1);
            }
            request.headerLines.append(line);
        }
        if (request.header("Expect").value_or(QByteArray()).compare("100-continue", Qt::CaseInsensitive) == 0) {
            sendAll(socket, "HTTP/1.1 100 Continue\r\n\r\n");
        }
        const qsizetype bodyLength = request.header("Content-Length").value_or("0").toLongLong();
        while (buffer.size() < bodyLength) {
            if (!receiveMore(socket, buffer)) {
                break;
            }
        }
        request.body = buffer.first(std::min(bodyLength, buffer.size()));
        buffer.remove(0, request.body.size());
        const bool clientCloses =
            request.header("Connection").value_or(QByteArray()).compare("close", Qt::CaseInsensitive) == 0;
        const QByteArray path = request.path();
        const bool head = request.method == "HEAD";
        record(std::move(request));

        ScriptedResponse response = scriptFor(path).value_or(ScriptedResponse{404, "Not Found", {}, "not found"});
        if (response.gate) {
            response.gate->wait();
        }
        if (response.delay.count() > 0) {
            std::unique_lock lock(m_mutex);
            m_stopping.wait_for(lock, response.delay, [this] { return m_stopped; });
        }
        QByteArray answer = response.interim;
        answer += "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reasonOr(response) + "\r\n";
        for (const auto& [name, value] : response.headers) {
            answer += name + ": " + value + "\r\n";
        }
        if (response.sendContentLength) {
            answer += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
        } else {
            answer += "Connection: close\r\n";
        }
        answer += "\r\n";
        if (!head) {
            answer += response.body;
        }
        keepOpen = sendAll(socket, answer) && response.sendContentLength && !clientCloses;
    }
    {
        const std::lock_guard lock(m_mutex);
        m_connections.erase(socket);
    }
    ::close(socket);
}

} // namespace marrowfin::test
