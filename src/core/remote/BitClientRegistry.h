#pragma once

#include "BitClient.h"
#include "ServerInfo.h"

#include <QString>
#include <QStringView>

#include <memory>
#include <span>

namespace marrowfin {

// The class-level side of one adapter, reached by its client name.
struct BitClientClass
{
    QStringView
        name; // "Vuze", "Transmission", "Utorrent", "Qbittorrent" or "Deluge": the stored choice and the class's name
    int (*getIndex)();
    QString (*getDefaultPort)();
    QString (*getDefaultDescription)();
    std::unique_ptr<BitClient> (*create)(std::shared_ptr<HttpContext> context);
};

// The five supported clients by name. Any other text, the empty one included, has no adapter.
class BitClientRegistry final
{
public:
    BitClientRegistry() = delete;

    // In picker order: Vuze, Transmission, Utorrent, Qbittorrent, Deluge.
    [[nodiscard]] static std::span<const BitClientClass> classes();
    // Exact, case-sensitive; nullptr for a name without adapter.
    [[nodiscard]] static const BitClientClass* find(QStringView name);
    // A new adapter of the named class; nullptr for a name without adapter.
    [[nodiscard]] static std::unique_ptr<BitClient> create(QStringView name,
                                                           std::shared_ptr<HttpContext> context = nullptr);
    // An adapter for the remote settings `server`, with their address, port, user name and password; nullptr when
    // they make none, and then `*problem` (when given) says why: no client set, a name without adapter, no address,
    // or an address that is not a host.
    [[nodiscard]] static std::unique_ptr<BitClient>
    configured(const ServerInfo::Values& server, std::shared_ptr<HttpContext> context, QString* problem = nullptr);
};

} // namespace marrowfin
