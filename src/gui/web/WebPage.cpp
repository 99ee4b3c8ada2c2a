#include "WebPage.h"

#include "WebSession.h"

#include <QPointer>
#include <QTimer>

namespace marrowfin {

namespace {

// The page the engine asks for when a link wants a new window. It only learns the address, refuses it and hands it
// to the page the link was in; then it goes.
class NewWindowCatcher final : public QWebEnginePage
{
public:
    NewWindowCatcher(QWebEngineProfile* profile, WebPage* opener) : QWebEnginePage(profile, opener), m_opener(opener) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override
    {
        if (m_opener && !url.isEmpty()) {
            // Later, not now: content started while the engine is still refusing a navigation may be lost.
            QTimer::singleShot(0, m_opener, [opener = m_opener, url] {
                if (opener)
                    opener->followLink(url);
            });
        }
        deleteLater();
        return false;
    }

private:
    QPointer<WebPage> m_opener;
};

} // namespace

WebPage::WebPage(QObject* parent) : QWebEnginePage(WebSession::instance().profile(), parent) {}

void WebPage::followLink(const QUrl& url)
{
    if (!m_policy || m_policy(url, NavigationTypeLinkClicked)) {
        load(url);
    }
}

bool WebPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    if (!isMainFrame || !m_policy)
        return true;
    return m_policy(url, type);
}

QWebEnginePage* WebPage::createWindow(WebWindowType)
{
    return new NewWindowCatcher(profile(), this);
}

} // namespace marrowfin
