#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace marrowfin::demo {

// The site's sign-in sessions, keyed by the random value of the session cookie. Shared by every io thread, so
// each call takes the one lock. A session lives a fixed time from its sign-in; using it does not extend it.
class SessionStore final
{
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    enum class State
    {
        Valid,
        Expired, // known but too old, or unknown (a cookie from before a restart counts as expired too)
    };
    struct Lookup
    {
        State state = State::Expired;
        std::string user; // set when Valid
    };

    explicit SessionStore(std::chrono::seconds lifetime, Clock clock = {});

    // A new session for `user`; the returned token is the cookie's value and must never be logged.
    [[nodiscard]] std::string create(const std::string& user);
    [[nodiscard]] Lookup lookup(const std::string& token) const;
    void remove(const std::string& token);

    static constexpr const char* kCookieName = "mdi_session";

private:
    struct Session
    {
        std::string user;
        std::chrono::steady_clock::time_point expires;
    };

    std::chrono::steady_clock::time_point now() const;
    void pruneLocked(std::chrono::steady_clock::time_point now);

    std::chrono::seconds m_lifetime;
    Clock m_clock;
    mutable std::mutex m_mutex;
    std::map<std::string, Session> m_sessions;
};

// Random bytes from OpenSSL as lower-case hex.
[[nodiscard]] std::string randomHex(std::size_t bytes);

} // namespace marrowfin::demo
