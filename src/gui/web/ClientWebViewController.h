#pragma once

#include "WebViewController.h"

class QAuthenticator;

namespace marrowfin {

// The remote client's own web interface. As the "Remote UI" tab it is fetched every time the tab is shown; pushed
// from the remote settings as their test it also says "Success!" or that the connection failed, and then shows
// whatever page came back (the client's error page included). Links stay inside the screen. Main thread only.
class ClientWebViewController final : public WebViewController
{
    Q_OBJECT

public:
    static constexpr QStringView kTitle = u"Remote UI";
    static constexpr QStringView kTabImage = u"tabbar-remote.png";
    static constexpr QStringView kTestTitle = u"Test remote settings";
    // In place of the client's page when none came.
    static constexpr QStringView kNoClientText =
        u"No BitTorrent client is set up. Choose yours in Remote Settings to see its web interface here.";
    static constexpr QStringView kNoAnswerText =
        u"Your BitTorrent client's web interface did not answer. Check its address, user and password in Remote "
        u"Settings.";

    enum class Use
    {
        RemoteTab,
        SettingsTest,
    };

    ClientWebViewController(Use use, WebPageTarget* target, QObject* parent = nullptr);

    void viewDidAppear(bool animated) override;
    void viewWillAppear(bool animated) override;
    void initializeWebView(const std::optional<QString>& text) override;

    [[nodiscard]] Use use() const { return m_use; }
    // The client's web page the last fetch asked for: the shown page's base.
    [[nodiscard]] QUrl clientUrl() const { return url(); }

protected:
    void viewDidLoad() override;
    void webViewDidStartLoad() override {}
    void webViewDidFinishLoad() override;
    void fetchAgain() override;

private:
    void authenticate(const QUrl& requestUrl, QAuthenticator* authenticator);
    // The Remote Settings tab, from wherever this screen is.
    void showRemoteSettings();

    Use m_use;
    // Addresses whose credentials were given once already: a second question means they were refused.
    QList<QUrl> m_answered;
};

} // namespace marrowfin
