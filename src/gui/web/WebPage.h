#pragma once

#include <QWebEnginePage>

#include <functional>

namespace marrowfin {

// A page of the session's profile with the screens' rules for leaving it: a question before each navigation of the
// main frame, and links meant for a new window (target="_blank", window.open) followed in this page instead, as
// link clicks. A link or navigation that would download a file instead of showing a page is not saved anywhere: the
// page says which address it was (downloadWanted). Main thread only.
class WebPage final : public QWebEnginePage
{
    Q_OBJECT

public:
    // Whether the main frame may go to `url`; every address is allowed when none is given.
    using NavigationPolicy = std::function<bool(const QUrl& url, NavigationType type)>;

    explicit WebPage(QObject* parent = nullptr);

    void setNavigationPolicy(NavigationPolicy policy) { m_policy = std::move(policy); }

    // A link that asked for a window of its own: followed here when the policy allows it as a link click.
    void followLink(const QUrl& url);

Q_SIGNALS:
    // A link or a navigation of this page led to a file (a torrent) rather than to a page.
    void downloadWanted(const QUrl& url);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;

private:
    NavigationPolicy m_policy;
};

} // namespace marrowfin
