#include "Captcha.h"

#include "PngImage.h"
#include "SessionStore.h"

namespace marrowfin::demo {

std::string Captcha::issue()
{
    const std::string challenge = randomHex(16);
    const std::string hex = randomHex(4);
    const std::string answer = std::to_string(10000 + std::stoul(hex, nullptr, 16) % 90000);
    const auto now = std::chrono::steady_clock::now();
    const std::lock_guard lock(m_mutex);
    for (auto it = m_challenges.begin(); it != m_challenges.end();)
        it = it->second.expires <= now ? m_challenges.erase(it) : std::next(it);
    m_challenges[challenge] = Challenge{answer, now + kLifetime};
    return challenge;
}

std::optional<std::string> Captcha::answerOf(const std::string& challenge) const
{
    const std::lock_guard lock(m_mutex);
    const auto it = m_challenges.find(challenge);
    if (it == m_challenges.end() || it->second.expires <= std::chrono::steady_clock::now())
        return std::nullopt;
    return it->second.answer;
}

std::optional<std::string> Captcha::image(const std::string& challenge) const
{
    const auto answer = answerOf(challenge);
    if (!answer)
        return std::nullopt;
    constexpr int kScale = 4;
    PngImage png(int(answer->size()) * 6 * kScale + 2 * 12, 7 * kScale + 2 * 10, 240);
    // A few bars behind the digits, so the picture is not a plain rendering.
    for (int bar = 0; bar < 6; ++bar)
        png.fill(bar * 23 + 3, 0, 4, 7 * kScale + 20, std::uint8_t(200 + bar * 5));
    png.drawDigits(12, 10, *answer, kScale, 30);
    return png.encode();
}

bool Captcha::check(const std::string& challenge, const std::string& response)
{
    const auto answer = answerOf(challenge);
    {
        const std::lock_guard lock(m_mutex);
        m_challenges.erase(challenge);
    }
    auto trimmed = response;
    while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\t'))
        trimmed.pop_back();
    while (!trimmed.empty() && (trimmed.front() == ' ' || trimmed.front() == '\t'))
        trimmed.erase(trimmed.begin());
    return answer && *answer == trimmed;
}

} // namespace marrowfin::demo
