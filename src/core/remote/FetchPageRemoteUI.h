#pragma once

#include "core/net/FetchPage.h"

#include <memory>

namespace marrowfin {

class AlertSink;
class HttpContext;

// Fetches the configured client's own web page, for the "Remote UI" tab and for the settings test. Delivers the
// page text whatever the status (an error page is shown as it came), none when nothing came back. A failure raises
// the connection alert in both uses; success raises "Success!" only in the settings test.
class FetchPageRemoteUI final : public FetchPage
{
public:
    enum class Use
    {
        RemoteTab,
        SettingsTest,
    };

    // The given `url` is ignored: the operation's address is the web page of the client that ServerInfo names, as
    // it stands when the operation is made (empty when no adapter has that name). A null `alerts` takes
    // AlertSink::installed() when the operation runs.
    FetchPageRemoteUI(const QUrl& url, QObject* target, Selector selector, Use use,
                      std::shared_ptr<AlertSink> alerts = nullptr, std::shared_ptr<HttpContext> context = nullptr);

    // Worker thread: a new adapter from ServerInfo as it is now, its handshake, then the page.
    void main() override;

    // After main(): whether the page was answered with 200..299 at its own address (not after a redirect elsewhere),
    // and for the settings test whether the handshake went well too.
    [[nodiscard]] bool succeeded() const { return m_succeeded; }
    // After main(), when it did not succeed: why, and where, in words for the user.
    [[nodiscard]] const QString& failure() const { return m_failure; }

    [[nodiscard]] static Selector selectorFor(std::function<void(std::optional<QString>)> callback)
    {
        return FetchPage::selectorFor<QString>(std::move(callback));
    }

    // The settings test run on a queue of its own and waited for on this thread's event loop, for a caller with no
    // screen to deliver to (the command line's test, the health check); its alerts go to `alerts`. True when the page
    // came; `*failure` (when given) says why the test failed, and where.
    [[nodiscard]] static bool runSettingsTest(const std::shared_ptr<AlertSink>& alerts,
                                              const std::shared_ptr<HttpContext>& context = nullptr,
                                              QString* failure = nullptr);

    // The web page address of the client ServerInfo names now; empty without adapter.
    [[nodiscard]] static QUrl configuredWebUrl(const std::shared_ptr<HttpContext>& context);

private:
    Use m_use;
    std::shared_ptr<AlertSink> m_alerts;
    std::shared_ptr<HttpContext> m_context;
    bool m_succeeded = false;
    QString m_failure;
};

} // namespace marrowfin
