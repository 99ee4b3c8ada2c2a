#pragma once

#include "BitClient.h"

namespace marrowfin {

// A client with the version 2 web API on its web interface port. The handshake signs in with the user name and
// password; the session cookie it sets stays in the cookie store and goes with the upload. The client answers the
// sign-in and the upload with a body of "Ok." or "Fails.", the status alone says nothing.
class Qbittorrent final : public BitClient
{
public:
    explicit Qbittorrent(std::shared_ptr<HttpContext> context = nullptr);

    [[nodiscard]] static int getIndex() { return 3; }
    [[nodiscard]] static QString getDefaultPort();
    [[nodiscard]] static QString getDefaultDescription();

    // The torrent as the form field "torrents".
    [[nodiscard]] QByteArray getData() const override;
    [[nodiscard]] QUrl getUrl() const override;
    [[nodiscard]] QUrl getWebUrl() const override;
    [[nodiscard]] bool uploadAccepted(int statusCode, const QByteArray& body) const override;
    // POST /api/v2/auth/login; "Ok." becomes the session id, anything else leaves none.
    void setSessionId() override;
    // The client answers "Fails." both for a broken file and for a torrent it holds already: a torrent whose info
    // hash the client lists counts as taken, as the other clients count a duplicate.
    [[nodiscard]] bool uploadAnotherWay(const HttpRequest& refused) override;

    [[nodiscard]] bool takesMagnetLinks() const override { return true; }
    // The link as the add form's "urls" field.
    [[nodiscard]] bool addMagnetLink(const QString& link) override;

    // /api/v2/torrents/info of that hash.
    [[nodiscard]] bool answersHeldTorrents() const override { return true; }
    [[nodiscard]] std::optional<bool> holdsTorrent(const QByteArray& infoHash) override;

    // The client's word for success.
    [[nodiscard]] static bool isOk(const QByteArray& body);
    // The info hash a magnet link names ("xt=urn:btih:" and 40 hex digits, or 32 base32 letters), as 40 lower-case
    // hex digits; empty when it names none.
    [[nodiscard]] static QByteArray magnetInfoHash(const QString& link);

private:
    // Whether the client lists a torrent with this info hash; false also when it did not answer.
    [[nodiscard]] bool holds(const QByteArray& hash);
};

} // namespace marrowfin
