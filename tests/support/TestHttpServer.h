#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QUrl>

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <utility>

namespace marrowfin::test {

// One request as it arrived, byte for byte.
struct RecordedRequest
{
    QByteArray requestLine;
    QByteArray method;
    QByteArray target;
    // The header lines without their line ends, in arrival order.
    QList<QByteArray> headerLines;
    QByteArray body;

    // The target without its query.
    [[nodiscard]] QByteArray path() const;
    // The value of every header line with this name (any case), in arrival order.
    [[nodiscard]] QList<QByteArray> headerValues(QByteArrayView name) const;
    // The value of the one line with this name; absent when there is none or more than one.
    [[nodiscard]] std::optional<QByteArray> header(QByteArrayView name) const;
};

// Holds a scripted answer back until the test opens it (or the server stops).
class Gate final
{
public:
    void open();
    void wait();

private:
    std::mutex m_mutex;
    std::condition_variable m_opened;
    bool m_isOpen = false;
};

struct ScriptedResponse
{
    using Fields = QList<std::pair<QByteArray, QByteArray>>;

    ScriptedResponse(int status = 200, QByteArray reason = "OK", Fields headers = {}, QByteArray body = {})
        : status(status), reason(std::move(reason)), headers(std::move(headers)), body(std::move(body))
    {}

    int status = 200;
    QByteArray reason = "OK";
    Fields headers;
    QByteArray body;
    // Sent before the status line, e.g. a complete interim "HTTP/1.1 102 Processing\r\n\r\n" answer.
    QByteArray interim;
    // False: no Content-Length; the body ends when the server closes the connection.
    bool sendContentLength = true;
    std::chrono::milliseconds delay{0};
    std::shared_ptr<Gate> gate;
};

// A small HTTP/1.1 server on 127.0.0.1 (a port of the system's choice) for the tests of the HTTP layer. Each
// connection gets its own thread, so requests from several client threads and kept-alive connections are served at
// once. Every request is recorded before it is answered; a path without a script gets a 404.
class TestHttpServer final
{
public:
    TestHttpServer();
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    [[nodiscard]] quint16 port() const { return m_port; }
    // "http://127.0.0.1:<port>" followed by `path`.
    [[nodiscard]] QUrl url(const QString& path) const;

    void route(const QByteArray& path, ScriptedResponse response);

    [[nodiscard]] QList<RecordedRequest> requests() const;
    [[nodiscard]] QList<RecordedRequest> requestsTo(QByteArrayView path) const;
    // Blocks until `count` requests to `path` have been recorded. False only if that has not happened after a
    // generous safety limit, so that a broken client fails the test instead of hanging it.
    [[nodiscard]] bool waitForRequests(QByteArrayView path, qsizetype count);

    void stop();

private:
    void acceptLoop();
    void serve(int socket);
    [[nodiscard]] std::optional<ScriptedResponse> scriptFor(const QByteArray& path) const;
    void record(RecordedRequest request);

    int m_listener = -1;
    quint16 m_port = 0;
    std::thread m_acceptThread;

    mutable std::mutex m_mutex;
    std::condition_variable m_recorded;
    std::condition_variable m_stopping;
    bool m_stopped = false;
    std::map<QByteArray, ScriptedResponse> m_routes;
    QList<RecordedRequest> m_requests;
    std::set<int> m_connections;
    std::vector<std::thread> m_connectionThreads;
};

} // namespace marrowfin::test
