#pragma once

#include "ChildProcess.h"
#include "LoopbackHttp.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>
#include <string>
#include <vector>

// A real transmission-daemon for the tests and the benchmark: in the foreground, its configuration and downloads in
// a folder of its own, RPC and peer port on free loopback ports, no DHT, LPD or port mapping. It dies with the
// process that started it (parent-death signal), so a crashed test leaves none behind. Its RPC is spoken here with
// plain sockets, independently of the code under test.
namespace marrowfin::test {

class TransmissionDaemon final
{
public:
    using Answer = PlainAnswer;

    // An empty `user` leaves the RPC open; otherwise it asks for these credentials.
    explicit TransmissionDaemon(const QByteArray& user = {}, const QByteArray& password = {})
        : m_user(user), m_password(password)
    {
        if (!m_dir.isValid())
            return;
        m_port = freePort();
        const quint16 peerPort = freePort();
        const std::string dir = m_dir.path().toStdString();
        std::vector<std::string> arguments{"transmission-daemon", "--foreground", "--config-dir", dir, "--port"};
        // clang-format off
        arguments.insert(arguments.end(), {std::to_string(m_port), "--rpc-bind-address", "127.0.0.1", "--no-dht",
            "--no-lpd", "--no-portmap", "--bind-address-ipv4", "127.0.0.1", "--peerport", std::to_string(peerPort),
            "--download-dir", dir + "/downloads", "--no-incomplete-dir", "--logfile", dir + "/daemon.log"});
        // clang-format on
        if (user.isEmpty()) {
            arguments.insert(arguments.end(), {"--no-auth"});
        } else {
            arguments.insert(arguments.end(),
                             {"--auth", "--username", user.toStdString(), "--password", password.toStdString()});
        }
        m_process = ChildProcess(std::move(arguments), dir + "/daemon.out");
        // Ready when the RPC answers at all (409 asks for a session id, 401 for credentials).
        m_ready = waitUntilReady(m_process, 20, [this] {
            const auto answer = post("/transmission/rpc", "{\"method\":\"session-get\"}", {}, false);
            return answer && (answer->status == 409 || answer->status == 401 || answer->status == 200);
        });
    }

    TransmissionDaemon(const TransmissionDaemon&) = delete;
    TransmissionDaemon& operator=(const TransmissionDaemon&) = delete;

    [[nodiscard]] bool started() const { return m_ready; }
    [[nodiscard]] quint16 port() const { return m_port; }

    // One RPC call with the daemon's own credentials, taking a session id from a 409 as clients do. The whole
    // answer object, or nothing when the daemon did not answer with JSON.
    std::optional<QJsonObject> rpc(const QString& method, const QJsonObject& arguments = {})
    {
        const QByteArray body =
            QJsonDocument(QJsonObject{{QStringLiteral("method"), method}, {QStringLiteral("arguments"), arguments}})
                .toJson(QJsonDocument::Compact);
        for (int attempt = 0; attempt < 2; ++attempt) {
            const auto answer = post("/transmission/rpc", body, m_sessionId, true);
            if (!answer)
                return std::nullopt;
            if (answer->status == 409) {
                m_sessionId = answer->header("X-Transmission-Session-Id");
                continue;
            }
            const QJsonDocument document = QJsonDocument::fromJson(answer->body);
            if (answer->status != 200 || !document.isObject())
                return std::nullopt;
            return document.object();
        }
        return std::nullopt;
    }

    // The names of the torrents the daemon holds, in its order; nothing when the RPC failed.
    std::optional<QStringList> torrentNames()
    {
        const auto answer = rpc(QStringLiteral("torrent-get"),
                                QJsonObject{{QStringLiteral("fields"), QJsonArray{QStringLiteral("name")}}});
        if (!answer)
            return std::nullopt;
        QStringList names;
        for (const QJsonValue& torrent :
             answer->value(QStringLiteral("arguments")).toObject().value(QStringLiteral("torrents")).toArray())
            names.append(torrent.toObject().value(QStringLiteral("name")).toString());
        return names;
    }

    // A POST on a connection of its own; nothing when the daemon could not be reached.
    std::optional<Answer> post(const char* path, const QByteArray& body, const QByteArray& sessionId,
                               bool authorize) const
    {
        QList<QByteArray> lines;
        if (!sessionId.isEmpty())
            lines.append("X-Transmission-Session-Id: " + sessionId);
        if (authorize && !m_user.isEmpty())
            lines.append("Authorization: Basic " + (m_user + ':' + m_password).toBase64());
        return plainHttp(m_port, "POST", path, lines, body);
    }

    // A loopback port that nothing listens on at the moment.
    static quint16 freePort() { return freeLoopbackPort(); }

private:
    QTemporaryDir m_dir;
    QByteArray m_user;
    QByteArray m_password;
    QByteArray m_sessionId;
    quint16 m_port = 0;
    ChildProcess m_process; // after m_dir: stopped before its folder goes
    bool m_ready = false;
};

} // namespace marrowfin::test
