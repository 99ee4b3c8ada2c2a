#pragma once

#include <QByteArray>

namespace marrowfin {

// A remote BitTorrent client adapter, as far as the HTTP request needs one: the source of a multipart upload
// body. The adapters for the three supported clients derive from it and add their addresses and handshakes.
class BitClient
{
public:
    BitClient() = default;
    virtual ~BitClient() = default;
    BitClient(const BitClient&) = delete;
    BitClient& operator=(const BitClient&) = delete;

    // The complete multipart/form-data body, parts separated by formBoundary. Called on a worker thread;
    // two calls give the same bytes.
    [[nodiscard]] virtual QByteArray getData() const = 0;
};

} // namespace marrowfin
