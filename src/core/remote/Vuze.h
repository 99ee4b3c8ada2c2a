#pragma once

#include "BitClient.h"

namespace marrowfin {

// The Vuze client with its web interface plugin: the plugin's upload form, no handshake.
class Vuze final : public BitClient
{
public:
    explicit Vuze(std::shared_ptr<HttpContext> context = nullptr);

    [[nodiscard]] static int getIndex() { return 0; }
    [[nodiscard]] static QString getDefaultPort();
    [[nodiscard]] static QString getDefaultDescription();

    // The form's unused first file field (upfile_1, empty), then the torrent as upfile_0.
    [[nodiscard]] QByteArray getData() const override;
    [[nodiscard]] QUrl getUrl() const override;
    [[nodiscard]] QUrl getWebUrl() const override;
};

} // namespace marrowfin
