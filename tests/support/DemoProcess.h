#pragma once

#include <string>
#include <vector>

namespace marrowfin::demotest {

// The real marrowfin-demo-site, started on free ports with a data folder of its own, stopped with SIGTERM.
class DemoProcess final
{
public:
    explicit DemoProcess(const std::vector<std::string>& extraArguments = {});
    ~DemoProcess();
    DemoProcess(const DemoProcess&) = delete;
    DemoProcess& operator=(const DemoProcess&) = delete;

    [[nodiscard]] bool started() const { return m_sitePort != 0; }
    [[nodiscard]] const std::string& readyLine() const { return m_readyLine; }
    [[nodiscard]] std::string host() const;                              // "127.0.0.1:PORT", as the app's site host
    [[nodiscard]] std::string site(const std::string& path) const;       // "http://" + host + path
    [[nodiscard]] std::string secureSite(const std::string& path) const; // "https://" + host + path
    [[nodiscard]] std::string utorrent(const std::string& path) const;
    [[nodiscard]] std::string vuze(const std::string& path) const;
    [[nodiscard]] const std::string& caFile() const { return m_caFile; }

    // SIGTERM, then the exit status (0 for a clean stop, -1 when killed or not started).
    int stop();

private:
    int m_pid = -1;
    int m_lifeline = -1; // write end of the demo's standard input
    std::string m_dataDir;
    std::string m_readyLine;
    unsigned m_sitePort = 0;
    unsigned m_utorrentPort = 0;
    unsigned m_vuzePort = 0;
    std::string m_caFile;
};

} // namespace marrowfin::demotest
