#pragma once

#include <QWebEnginePage>

#include <functional>

namespace marrowfin {

// A page of the session's profile with the screens' rules for leaving it: a question before each navigation of the
// main frame, and links meant for a new window (target="_blank", window.open) opened in this page instead. Main
// thread only.
class WebPage final : public QWebEnginePage
{
    Q_OBJECT

public:
    // Whether the main frame may go to `url`; every address is allowed when none is given.
    using NavigationPolicy = std::function<bool(const QUrl& url)>;

    explicit WebPage(QObject* parent = nullptr);

    void setNavigationPolicy(NavigationPolicy policy) { m_policy = std::move(policy); }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;

private:
    NavigationPolicy m_policy;
};

} // namespace marrowfin
