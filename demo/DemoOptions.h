#pragma once

#include "FailurePlan.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace marrowfin::demo {

struct DemoOptions
{
    static constexpr unsigned short kDefaultSitePort = 48470;

    std::string host = "127.0.0.1";
    unsigned short sitePort = kDefaultSitePort; // 0: any free port
    unsigned short utorrentPort = 0;
    unsigned short vuzePort = 0;
    std::string clientUser = "admin";
    std::string clientPassword = "admin";
    std::map<std::string, std::string> users{{"demo", "demo"}};
    bool captcha = false;
    std::chrono::seconds sessionLifetime{3600};
    std::uint64_t seed = 1;
    int torrentCount = 2500;
    std::chrono::milliseconds latency{0};
    std::vector<FailureRule> failures;
    std::vector<std::pair<std::string, std::chrono::milliseconds>> delays;
    std::filesystem::path dataDir;          // empty: the default folder for the port
    std::string movieHost = "www.imdb.com"; // the app's built-in film database host
    int threads = 2;
    bool verbose = false;
    // Stop when standard input reaches its end: a parent that dies (a crashed test, a closed terminal script)
    // then takes the demo with it instead of leaving it holding its ports and pipes.
    bool exitOnStdinClose = false;

    // The folder the certificates live in when no --data-dir is given.
    [[nodiscard]] std::filesystem::path effectiveDataDir() const;

    // `arguments` as main receives them, the program's name first.
    [[nodiscard]] static struct ParsedOptions parse(const std::vector<std::string>& arguments);
};

struct ParsedOptions
{
    std::optional<DemoOptions> options; // absent: print `message` and exit with `exitCode`
    std::string message;
    int exitCode = 0;
};

} // namespace marrowfin::demo
