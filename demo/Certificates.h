#pragma once

#include <filesystem>
#include <string>

namespace marrowfin::demo {

// The demo's own certificate authority and the site's server certificate (127.0.0.1, ::1 and localhost), made with
// OpenSSL at first start and kept in the data folder. Later starts reuse them while they are valid, so the CA file
// given to the app stays the same. Keys are EC P-256 (fast to make) and written owner-only. Several demo processes
// sharing one folder take turns through a lock file.
class Certificates final
{
public:
    // Loads or makes the files in `folder` (created 0700 if missing). Throws std::runtime_error on failure.
    explicit Certificates(const std::filesystem::path& folder);

    [[nodiscard]] const std::filesystem::path& caFile() const { return m_caFile; }
    [[nodiscard]] const std::filesystem::path& serverChainFile() const { return m_serverChain; }
    [[nodiscard]] const std::filesystem::path& serverKeyFile() const { return m_serverKey; }

private:
    std::filesystem::path m_caFile;
    std::filesystem::path m_serverChain;
    std::filesystem::path m_serverKey;
};

} // namespace marrowfin::demo
