#pragma once

#include <QStringList>

#include <memory>

namespace marrowfin {

class CliContext;
class CollectedAlerts;

// The remote client commands: "remote" (the settings and their test), "send" (the download button's operation) and
// "history" (the download history screen).
class RemoteCommands final
{
public:
    [[nodiscard]] static int remote(CliContext& context, const QStringList& arguments);
    [[nodiscard]] static int send(CliContext& context, const QStringList& arguments);
    [[nodiscard]] static int history(CliContext& context, const QStringList& arguments);

    // The remote settings test as the settings screen's button runs it (handshake, then the client's web page),
    // waited for on this thread; its alerts go to `alerts`. True when the page came.
    // `*failure` (when given) says why a failed test failed, and where.
    [[nodiscard]] static bool testRemoteSettings(const std::shared_ptr<CollectedAlerts>& alerts,
                                                 QString* failure = nullptr);
};

} // namespace marrowfin
