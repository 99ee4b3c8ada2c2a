#pragma once

#include "BitClient.h"

namespace marrowfin {

// The uTorrent web interface: a token page first, whose token goes into the upload address and whose cookie goes
// with the upload.
class Utorrent final : public BitClient
{
public:
    // The token page is one line; the token is its first group.
    static constexpr QStringView kTokenPattern = u"<html><div id='token' style='display:none;'>(.*)</div></html>";

    explicit Utorrent(std::shared_ptr<HttpContext> context = nullptr);

    [[nodiscard]] static int getIndex() { return 2; }
    [[nodiscard]] static QString getDefaultPort();
    [[nodiscard]] static QString getDefaultDescription();

    [[nodiscard]] QByteArray getData() const override;
    // The token goes in exactly as the handshake returned it.
    [[nodiscard]] QUrl getUrl() const override;
    [[nodiscard]] QUrl getWebUrl() const override;
    // GET /gui/token.html; the token, or the whole page when the pattern does not match, becomes the session id.
    void setSessionId() override;

    [[nodiscard]] bool takesMagnetLinks() const override { return true; }
    // The add-url action with the token, the link percent-escaped.
    [[nodiscard]] bool addMagnetLink(const QString& link) override;
    // The client's torrent list, whose rows begin with the info hash in capitals.
    [[nodiscard]] bool answersHeldTorrents() const override { return true; }
    [[nodiscard]] std::optional<bool> holdsTorrent(const QByteArray& infoHash) override;
};

} // namespace marrowfin
