#pragma once

#include "DemoOptions.h"

#include <functional>
#include <memory>
#include <string>

namespace marrowfin::demo {

// The whole demo: the catalogue, the certificates, the site on one port (HTTP and HTTPS) and the two client
// simulators on ports of their own, served by one io_context on one or two threads.
class DemoSite final
{
public:
    // Makes or loads the certificates and binds every port; throws std::exception when that fails.
    explicit DemoSite(const DemoOptions& options);
    ~DemoSite();
    DemoSite(const DemoSite&) = delete;
    DemoSite& operator=(const DemoSite&) = delete;

    // "marrowfin-demo-site ready host=H site=P utorrent=P vuze=P ca=PATH": one line, the CA path last.
    [[nodiscard]] std::string readyLine() const;
    [[nodiscard]] unsigned short sitePort() const;
    [[nodiscard]] unsigned short utorrentPort() const;
    [[nodiscard]] unsigned short vuzePort() const;

    // Serves until SIGINT or SIGTERM (when `handleSignals`) or stop(); then closes everything and returns.
    // `onReady` runs once the signals are caught and the ports accept, so a stop signal sent after it is honoured.
    void run(bool handleSignals, const std::function<void()>& onReady = {});
    // Callable from any thread.
    void stop();

private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
};

} // namespace marrowfin::demo
