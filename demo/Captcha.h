#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace marrowfin::demo {

// Captcha challenges of the sign-in form: each challenge has a five-digit answer, shown in a PNG at the image
// address. A challenge is good for one sign-in attempt and for a limited time. Shared by the io threads.
class Captcha final
{
public:
    static constexpr auto kLifetime = std::chrono::minutes(30);

    // A new challenge id (random, URL-safe).
    [[nodiscard]] std::string issue();
    // The PNG for a challenge; nothing for an unknown or used one.
    [[nodiscard]] std::optional<std::string> image(const std::string& challenge) const;
    // True when `response` is the challenge's answer (blanks around it ignored). The challenge is used up
    // either way.
    [[nodiscard]] bool check(const std::string& challenge, const std::string& response);

    // The answer, for tests that have no eyes.
    [[nodiscard]] std::optional<std::string> answerOf(const std::string& challenge) const;

private:
    struct Challenge
    {
        std::string answer;
        std::chrono::steady_clock::time_point expires;
    };
    mutable std::mutex m_mutex;
    std::map<std::string, Challenge> m_challenges;
};

} // namespace marrowfin::demo
