#pragma once

#include "WebViewController.h"

namespace marrowfin {

// The site tab: the site's front page, fetched again every time the tab is shown, its links live (a user's profile
// opens on top of it, trimmed). Main thread only.
class SiteWebViewController final : public WebViewController
{
    Q_OBJECT
    Q_PROPERTY(int fetchCount READ fetchCount)

public:
    static constexpr QStringView kTabImage = u"tabbar-web.png";

    explicit SiteWebViewController(WebPageTarget* target, QObject* parent = nullptr);

    void viewWillAppear(bool animated) override;
    void initializeWebView(const std::optional<QString>& text) override;
    // Fetches made so far (one per showing).
    [[nodiscard]] int fetchCount() const { return m_fetchCount; }

protected:
    void viewDidLoad() override {}
    void webViewDidStartLoad() override {}
    void webViewDidFinishLoad() override;
    void fetchAgain() override;

private:
    int m_fetchCount = 0;
};

} // namespace marrowfin
