#include "SessionStore.h"

#include <openssl/rand.h>

#include <stdexcept>
#include <vector>

namespace marrowfin::demo {

std::string randomHex(std::size_t bytes)
{
    std::vector<unsigned char> raw(bytes);
    if (RAND_bytes(raw.data(), int(raw.size())) != 1)
        throw std::runtime_error("no random bytes");
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char byte : raw) {
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    return hex;
}

SessionStore::SessionStore(std::chrono::seconds lifetime, Clock clock) : m_lifetime(lifetime), m_clock(std::move(clock))
{}

std::chrono::steady_clock::time_point SessionStore::now() const
{
    return m_clock ? m_clock() : std::chrono::steady_clock::now();
}

std::string SessionStore::create(const std::string& user)
{
    std::string token = randomHex(24);
    const auto current = now();
    const std::lock_guard lock(m_mutex);
    pruneLocked(current);
    m_sessions[token] = Session{user, current + m_lifetime};
    return token;
}

SessionStore::Lookup SessionStore::lookup(const std::string& token) const
{
    const auto current = now();
    const std::lock_guard lock(m_mutex);
    const auto it = m_sessions.find(token);
    if (it == m_sessions.end() || it->second.expires <= current)
        return {};
    return {State::Valid, it->second.user};
}

void SessionStore::remove(const std::string& token)
{
    const std::lock_guard lock(m_mutex);
    m_sessions.erase(token);
}

void SessionStore::pruneLocked(std::chrono::steady_clock::time_point current)
{
    for (auto it = m_sessions.begin(); it != m_sessions.end();) {
        if (it->second.expires <= current)
            it = m_sessions.erase(it);
        else
            ++it;
    }
}

} // namespace marrowfin::demo
