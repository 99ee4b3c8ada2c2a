#pragma once

#include "ChildProcess.h"
#include "LoopbackHttp.h"
#include "TransmissionDaemon.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>
#include <string>

// Real BitTorrent daemons with a web API, for the tests and the benchmark, started as TransmissionDaemon starts
// its daemon: in the foreground, a folder of their own, loopback ports only, no DHT, peer exchange, local discovery
// or port mapping, and dying with the process that started them. Their APIs are spoken here with plain sockets,
// independently of the code under test.
namespace marrowfin::test {

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// qbittorrent-nox with its web API on a free loopback port. This version's web interface signs in with its
// built-in user "admin" and password "adminadmin" while its configuration sets none.
class QbittorrentDaemon final
{
public:
    static constexpr const char* kUser = "admin";
    static constexpr const char* kPassword = "adminadmin";

    QbittorrentDaemon()
    {
        if (!m_dir.isValid() || !QDir(m_dir.path()).mkpath(QStringLiteral("qBittorrent/config")))
            return;
        m_port = TransmissionDaemon::freePort();
        const QByteArray peerPort = QByteArray::number(TransmissionDaemon::freePort());
        const QByteArray downloads = QDir(m_dir.path()).filePath(QStringLiteral("downloads")).toUtf8();
        const QByteArray config =
            "[LegalNotice]\nAccepted=true\n\n"
            "[BitTorrent]\nSession\\DHTEnabled=false\nSession\\LSDEnabled=false\n"
            "Session\\PeXEnabled=false\nSession\\Port=" +
            peerPort + "\nSession\\DefaultSavePath=" + downloads +
            "\n\n[Network]\nPortForwardingEnabled=false\n\n"
            "[Preferences]\nConnection\\UPnP=false\nGeneral\\Locale=en\nWebUI\\Address=127.0.0.1\n"
            "WebUI\\Port=" +
            QByteArray::number(m_port) + "\nWebUI\\UseUPnP=false\n";
        if (!writeFile(m_dir.filePath(QStringLiteral("qBittorrent/config/qBittorrent.conf")), config))
            return;
        m_process = ChildProcess({"qbittorrent-nox", "--profile=" + m_dir.path().toStdString()},
                                 m_dir.path().toStdString() + "/output.log");
        m_ready = waitUntilReady(m_process, 30, [this] { return plainHttp(m_port, "GET", "/").has_value(); });
    }

    [[nodiscard]] bool started() const { return m_ready; }
    [[nodiscard]] quint16 port() const { return m_port; }

    // The names of the torrents the daemon holds, sorted; nothing when the API did not answer.
    std::optional<QStringList> torrentNames() const
    {
        const auto login =
            plainHttp(m_port, "POST", "/api/v2/auth/login", {"Content-Type: application/x-www-form-urlencoded"},
                      QByteArray("username=") + kUser + "&password=" + kPassword);
        if (!login || login->body != "Ok.")
            return std::nullopt;
        const auto info = plainHttp(m_port, "GET", "/api/v2/torrents/info", {"Cookie: " + login->cookie("SID")});
        if (!info || info->status != 200)
            return std::nullopt;
        QStringList names;
        for (const QJsonValue& torrent : QJsonDocument::fromJson(info->body).array())
            names.append(torrent.toObject().value(QStringLiteral("name")).toString());
        names.sort();
        return names;
    }

private:
    QTemporaryDir m_dir;
    quint16 m_port = 0;
    ChildProcess m_process;
    bool m_ready = false;
};

// deluged with deluge-web in front of it, each on a free loopback port, the web interface knowing the daemon but
// not connected to it (a client connects it). The web interface's password is its built-in "deluge".
class DelugeDaemon final
{
public:
    static constexpr const char* kPassword = "deluge";

    DelugeDaemon()
    {
        if (!m_dir.isValid())
            return;
        const QString dir = m_dir.path();
        const quint16 daemonPort = TransmissionDaemon::freePort();
        const quint16 peerPort = TransmissionDaemon::freePort();
        m_port = TransmissionDaemon::freePort();
        const QByteArray secret = "8d1fa0c2b7e94f6a0b3c5d7e9f1a2b3c4d5e6f70";
        const QJsonObject core{
            {QStringLiteral("dht"), false},
            {QStringLiteral("upnp"), false},
            {QStringLiteral("natpmp"), false},
            {QStringLiteral("lsd"), false},
            {QStringLiteral("utpex"), false},
            {QStringLiteral("random_port"), false},
            {QStringLiteral("listen_ports"), QJsonArray{peerPort, peerPort}},
            {QStringLiteral("listen_interface"), QStringLiteral("127.0.0.1")},
            {QStringLiteral("download_location"), QDir(dir).filePath(QStringLiteral("downloads"))},
            {QStringLiteral("new_release_check"), false},
        };
        const QJsonArray host{QString::fromLatin1(kHostId), QStringLiteral("127.0.0.1"), daemonPort,
                              QStringLiteral("localclient"), QString::fromLatin1(secret)};
        if (!writeFile(QDir(dir).filePath(QStringLiteral("auth")), "localclient:" + secret + ":10\n") ||
            !writeFile(QDir(dir).filePath(QStringLiteral("core.conf")),
                       "{\"file\": 1, \"format\": 1}" + QJsonDocument(core).toJson()) ||
            !writeFile(QDir(dir).filePath(QStringLiteral("hostlist.conf")),
                       "{\"file\": 3, \"format\": 1}" +
                           QJsonDocument(QJsonObject{{QStringLiteral("hosts"), hostList(host)}}).toJson()))
            return;
        const std::string config = dir.toStdString();
        m_daemon = ChildProcess({"deluged", "-c", config, "-p", std::to_string(daemonPort), "-u", "127.0.0.1", "-i",
                                 "127.0.0.1", "-d", "-L", "error", "-l", config + "/deluged.log"},
                                config + "/output.log");
        m_web = ChildProcess({"deluge-web", "-c", config, "-i", "127.0.0.1", "-p", std::to_string(m_port), "-d", "-L",
                              "error", "-l", config + "/web.log"},
                             config + "/output.log");
        // The daemon speaks its own protocol: that it takes connections is enough.
        m_ready = waitUntilReady(m_daemon, 60, [daemonPort] { return acceptsConnections(daemonPort); }) &&
                  waitUntilReady(m_web, 60, [this] { return plainHttp(m_port, "GET", "/").has_value(); });
    }

    [[nodiscard]] bool started() const { return m_ready; }
    [[nodiscard]] quint16 port() const { return m_port; }

    // A list of one host. Not QJsonArray{host}: from one element of its own type, clang copies the array where gcc
    // nests it, and the web interface then reads the host's fields as hosts.
    static QJsonArray hostList(const QJsonArray& host)
    {
        QJsonArray hosts;
        hosts.append(host);
        return hosts;
    }

    // The names of the torrents the daemon holds; nothing when the web interface did not answer.
    std::optional<QStringList> torrentNames() const
    {
        QByteArray cookie;
        const auto call = [&](const QString& method, const QJsonArray& params) -> std::optional<QJsonObject> {
            const QByteArray body = QJsonDocument(QJsonObject{{QStringLiteral("method"), method},
                                                              {QStringLiteral("params"), params},
                                                              {QStringLiteral("id"), 1}})
                                        .toJson(QJsonDocument::Compact);
            QList<QByteArray> lines{"Content-Type: application/json"};
            if (!cookie.isEmpty())
                lines.append("Cookie: " + cookie);
            const auto answer = plainHttp(m_port, "POST", "/json", lines, body);
            if (!answer || answer->status != 200)
                return std::nullopt;
            if (cookie.isEmpty())
                cookie = answer->cookie("_session_id");
            return QJsonDocument::fromJson(answer->body).object();
        };
        if (!call(QStringLiteral("auth.login"), {QString::fromLatin1(kPassword)}))
            return std::nullopt;
        const auto connectedNow = call(QStringLiteral("web.connected"), {});
        if (!connectedNow)
            return std::nullopt;
        if (!connectedNow->value(QStringLiteral("result")).toBool() &&
            !call(QStringLiteral("web.connect"), {QString::fromLatin1(kHostId)}))
            return std::nullopt;
        const auto status =
            call(QStringLiteral("core.get_torrents_status"), {QJsonObject(), QJsonArray{QStringLiteral("name")}});
        if (!status)
            return std::nullopt;
        QStringList names;
        const QJsonObject torrents = status->value(QStringLiteral("result")).toObject();
        for (auto it = torrents.begin(); it != torrents.end(); ++it)
            names.append(it.value().toObject().value(QStringLiteral("name")).toString());
        names.sort();
        return names;
    }

private:
    static constexpr const char* kHostId = "5a3e1f0c9b8d4e7fa6b2c3d4e5f60718";

    QTemporaryDir m_dir;
    quint16 m_port = 0;
    ChildProcess m_daemon;
    ChildProcess m_web;
    bool m_ready = false;
};

} // namespace marrowfin::test
