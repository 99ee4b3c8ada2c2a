#pragma once

#include "BitClient.h"

#include <QJsonArray>
#include <QJsonObject>

namespace marrowfin {

// A client with a web interface that speaks JSON-RPC at /json. The handshake signs in with the password (the web
// interface has no user name) and, when the web interface is not connected to its daemon yet, connects it to the
// first daemon it knows; the session cookie stays in the cookie store. The upload is one call that hands over the
// torrent in Base64; the client took it when the call's result is the torrent's id, or when it says it has the
// torrent already.
class Deluge final : public BitClient
{
public:
    explicit Deluge(std::shared_ptr<HttpContext> context = nullptr);

    [[nodiscard]] static int getIndex() { return 4; }
    [[nodiscard]] static QString getDefaultPort();
    [[nodiscard]] static QString getDefaultDescription();

    // The core.add_torrent_file call with the file name, the file's Base64 and no options.
    [[nodiscard]] QByteArray getData() const override;
    [[nodiscard]] QString uploadContentType() const override;
    [[nodiscard]] std::optional<QString> uploadForLog(const QByteArray& body) const override;
    [[nodiscard]] QUrl getUrl() const override;
    [[nodiscard]] QUrl getWebUrl() const override;
    [[nodiscard]] bool uploadAccepted(int statusCode, const QByteArray& body) const override;
    // auth.login, then web.connected and, when that is false, web.get_hosts and web.connect to the first host.
    // The session id is "connected" once signed in and connected; absent otherwise.
    void setSessionId() override;

    [[nodiscard]] bool takesMagnetLinks() const override { return true; }
    // core.add_torrent_magnet.
    [[nodiscard]] bool addMagnetLink(const QString& link) override;
    // The daemon's status of the torrent by its info hash (its id there): only the hash asked for, which an unknown
    // torrent answers with an empty object.
    [[nodiscard]] bool answersHeldTorrents() const override { return true; }
    [[nodiscard]] std::optional<bool> holdsTorrent(const QByteArray& infoHash) override;

    // One call's body: {"method": ..., "params": ..., "id": ...}.
    [[nodiscard]] static QByteArray callBody(const QString& method, const QJsonArray& params, int id);
    // An add call's answer, judged: a torrent id, or the client's word that the torrent is there already.
    [[nodiscard]] static bool torrentAdded(const QByteArray& answer);

private:
    // One call on the handshake's session; the answer's object, or nothing when there was no JSON answer.
    [[nodiscard]] std::optional<QJsonObject> call(const QString& method, const QJsonArray& params = {});

    int m_nextId = 1;
};

} // namespace marrowfin
