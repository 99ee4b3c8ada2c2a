#pragma once

#include "core/net/FetchPage.h"

#include <QVariantMap>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace marrowfin {

class HttpContext;

// Fetches a captcha challenge: the sign-in page names the captcha service's challenge script, the script holds the
// challenge. Delivers a QVariantMap with kImageKey (the address of the challenge's picture) and kChallengeKey.
//
// A sign-in page without the script, or a script that cannot be fetched, is tried again after a pause, for at most
// `rounds` rounds; then, or when stop() was called, the operation delivers none. The bound keeps the login screen's
// one-at-a-time queue from being held for ever by a captcha service that is gone.
class FetchPageCaptcha final : public FetchPage
{
public:
    static constexpr QStringView kImageKey = u"image";
    static constexpr QStringView kChallengeKey = u"captchaChallenge";
    static constexpr int kDefaultRounds = 3;
    static constexpr std::chrono::milliseconds kDefaultPause{5000};

    // A null `context` takes the default HTTP context when main() runs.
    FetchPageCaptcha(QUrl url, QObject* target, Selector selector, std::shared_ptr<HttpContext> context = nullptr,
                     int rounds = kDefaultRounds, std::chrono::milliseconds pause = kDefaultPause);

    void main() override;

    // Any thread: ends the pause at once and lets no further round start. The round in flight finishes its fetch.
    void stop();
    // The rounds started so far; read after the delivery.
    [[nodiscard]] int roundsTried() const { return m_roundsTried.load(); }

    [[nodiscard]] static Selector selectorFor(std::function<void(std::optional<QVariantMap>)> callback)
    {
        return FetchPage::selectorFor<QVariantMap>(std::move(callback));
    }

private:
    // The challenge script's text, or none when this round found no script.
    [[nodiscard]] std::optional<QString> fetchScript() const;
    // False when stopped during the pause.
    bool pause();

    std::shared_ptr<HttpContext> m_context;
    int m_rounds;
    std::chrono::milliseconds m_pause;
    std::atomic<int> m_roundsTried{0};
    std::mutex m_mutex;
    std::condition_variable m_stopped;
    bool m_stop = false; // guarded by m_mutex
};

} // namespace marrowfin
