#pragma once

#include "BitClient.h"

#include <QJsonObject>

namespace marrowfin {

// Transmission with remote access enabled. The handshake asks the RPC address for a session id. The upload goes
// first to the web interface's upload address; clients that do not take it there (2.80 to 3.00 answer an upload
// address with a query 409, 4.x has no upload address) get the same torrent through the RPC's torrent-add.
class Transmission final : public BitClient
{
public:
    static constexpr QStringView kSessionIdHeader = u"X-Transmission-Session-Id";

    explicit Transmission(std::shared_ptr<HttpContext> context = nullptr);

    [[nodiscard]] static int getIndex() { return 1; }
    [[nodiscard]] static QString getDefaultPort();
    [[nodiscard]] static QString getDefaultDescription();

    // The torrent part, then the session id as a form field.
    [[nodiscard]] QByteArray getData() const override;
    [[nodiscard]] QUrl getUrl() const override;
    [[nodiscard]] QUrl getWebUrl() const override;
    // POST session-get to /transmission/rpc; the answer's session id header, whatever the status, becomes the
    // session id (absent when the header is).
    void setSessionId() override;
    // On a 404 or 409: torrent-add over the RPC with the session id, once more with the id of a 409 answer.
    // True when the client answered "torrent-added" or "torrent-duplicate".
    [[nodiscard]] bool uploadAnotherWay(const HttpRequest& refused) override;

    [[nodiscard]] QString postfixData() const override;

    [[nodiscard]] bool takesMagnetLinks() const override { return true; }
    // torrent-add over the RPC with the link as "filename".
    [[nodiscard]] bool addMagnetLink(const QString& link) override;

    // torrent-get of that hash.
    [[nodiscard]] bool answersHeldTorrents() const override { return true; }
    [[nodiscard]] std::optional<bool> holdsTorrent(const QByteArray& infoHash) override;

    // The RPC's answer to torrent-add, judged: true for an added or an already present torrent.
    [[nodiscard]] static bool torrentAddSucceeded(const QByteArray& answer);

private:
    // One RPC call with the session id, once more with the id of a 409 answer: the answer's body when the client
    // answered 200..299, else absent.
    [[nodiscard]] std::optional<QByteArray> rpc(QStringView method, const QJsonObject& arguments);
    [[nodiscard]] bool torrentAdd(const QJsonObject& arguments);
};

} // namespace marrowfin
