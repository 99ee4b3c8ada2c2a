#pragma once

#include <QString>

#include <memory>
#include <mutex>

namespace marrowfin {

class CookieStore;

// How requests reach the network: the cookie jar they share, an extra trusted CA file (for the local stand-in site),
// the largest body a response may have, and the User-Agent of a browser whose cookies they carry. All but the last
// are fixed at construction; every member may be called from any thread.
// The executables make one at start-up and install it with setDefaultContext(); tests pass their own to each
// request.
class HttpContext final
{
public:
    static constexpr qint64 kDefaultMaxBodyBytes = qint64(64) * 1024 * 1024;

    // A null `cookies` gives a jar in memory only. An empty `extraCaFile` trusts the system's authorities only;
    // a file adds its certificates to them. `maxBodyBytes` counts the body after decompression.
    explicit HttpContext(std::shared_ptr<CookieStore> cookies = nullptr, QString extraCaFile = {},
                         qint64 maxBodyBytes = kDefaultMaxBodyBytes);
    ~HttpContext();
    HttpContext(const HttpContext&) = delete;
    HttpContext& operator=(const HttpContext&) = delete;

    [[nodiscard]] CookieStore& cookieStore() const { return *m_cookieStore; }
    [[nodiscard]] const std::shared_ptr<CookieStore>& sharedCookieStore() const { return m_cookieStore; }
    [[nodiscard]] const QString& extraCaFile() const { return m_extraCaFile; }
    [[nodiscard]] qint64 maxBodyBytes() const { return m_maxBodyBytes; }

    // A site may bind a cookie to the browser that earned it (a browser check's clearance): once such a cookie is in
    // the jar, the requests that would present the desktop User-Agent present that browser's instead. Empty: the
    // desktop one.
    [[nodiscard]] QString browserUserAgent() const;
    void setBrowserUserAgent(const QString& userAgent);

    // The context of requests that were given none. Made on first use (memory-only jar) unless one was installed.
    // A request takes the default once, when it is made, and keeps it alive for its own life.
    [[nodiscard]] static std::shared_ptr<HttpContext> defaultContext();
    static void setDefaultContext(std::shared_ptr<HttpContext> context);

private:
    std::shared_ptr<CookieStore> m_cookieStore;
    QString m_extraCaFile;
    qint64 m_maxBodyBytes;
    mutable std::mutex m_userAgentMutex;
    QString m_browserUserAgent;
};

} // namespace marrowfin
