#pragma once

#include "WebViewController.h"

namespace marrowfin {

// The Forum tab: the site's forum as its phone pages, fetched when the tab is first shown. Links work inside the
// forum; a torrent's page or a user's profile opens on top of the forum; any other link that leads out of it brings
// the forum's front page back, fetched anew. Main thread only.
class ForumWebViewController final : public WebViewController
{
    Q_OBJECT

public:
    static constexpr QStringView kTitle = u"Forum";
    static constexpr QStringView kTabImage = u"tabbar-forum.png";

    explicit ForumWebViewController(WebPageTarget* target, QObject* parent = nullptr);

    void viewWillAppear(bool animated) override;
    void initializeWebView(const std::optional<QString>& text) override;
    // Fetches the forum's front page.
    void fetchForum();

    [[nodiscard]] static QUrl forumAddress();

protected:
    void viewDidLoad() override;
    void webViewDidStartLoad() override {}
    void webViewDidFinishLoad() override;
    [[nodiscard]] bool shouldStartLoad(const QUrl& url) override;
    [[nodiscard]] bool openSiteScreen(const QUrl& url) override;
    void fetchAgain() override { fetchForum(); }
};

} // namespace marrowfin
