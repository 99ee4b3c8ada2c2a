#include "WebViewController.h"

#include "WebPage.h"
#include "WebSession.h"

#include "core/config/AppConfig.h"
#include "gui/platform/NavigationController.h"
#include "gui/platform/WebPageTarget.h"
#include "gui/ui/BarButtonItem.h"
#include "gui/ui/ImageButton.h"
#include "gui/ui/LoadingIndicator.h"
#include "gui/ui/LoadingTexts.h"

#include <QEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>
#include <QWebEngineHistory>
#include <QWebEngineView>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

// The page a text is written into; it only has to carry the base address.
constexpr QStringView kStubPage = u"<!DOCTYPE html><html><head></head><body></body></html>";
constexpr QSize kLeftItemSize{160, 47};

// The text as a script's string literal: JSON's escaping is JavaScript's.
QString scriptLiteral(const QString& text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

} // namespace

namespace {

// Queues of screens that went while a fetch of theirs was still running: kept until the fetch is done, so that no
// screen's end waits for the network. Main thread.
class RetiredQueues final : public QObject
{
public:
    static void retire(std::unique_ptr<OperationQueue> queue)
    {
        static RetiredQueues* const retired = new RetiredQueues;
        retired->m_queues.push_back(std::move(queue));
        retired->m_timer.start();
    }

private:
    RetiredQueues()
    {
        m_timer.setInterval(200);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            std::erase_if(m_queues,
                          [](const std::unique_ptr<OperationQueue>& queue) { return queue->operationCount() == 0; });
            if (m_queues.empty())
                m_timer.stop();
        });
    }

    std::vector<std::unique_ptr<OperationQueue>> m_queues;
    QTimer m_timer;
};

} // namespace

WebViewController::WebViewController(const QUrl& url, WebPageTarget* target, QObject* parent)
    : ViewController(parent), m_url(url), m_target(target),
      m_operationQueue(std::make_unique<OperationQueue>(1, QStringLiteral("web page")))
{
    setTitle(QString());
}

WebViewController::~WebViewController()
{
    // The page before the view and long before the profile, which outlives every screen.
    delete m_page.data();
    if (m_operationQueue->operationCount() > 0)
        RetiredQueues::retire(std::move(m_operationQueue));
}

QUrl WebViewController::siteBaseAddress()
{
    return QUrl(u"http://"_s + AppConfig::current().siteHost + u"/"_s);
}

void WebViewController::loadView()
{
    auto* screen = new QWidget;
    screen->setObjectName(u"webScreen"_s);
    screen->setAttribute(Qt::WA_StyledBackground);
    screen->setStyleSheet(u"QWidget#webScreen { background: white; }"_s);
    screen->installEventFilter(this);
    setView(screen);
    replaceWebView();
}

void WebViewController::viewDidLoad()
{
    auto* container = new QWidget;
    container->setFixedSize(kLeftItemSize);
    ImageButton* back = makeBarButtonItem(u"back.png", u"Back"_s);
    back->setObjectName(u"leaveButton"_s);
    back->setParent(container);
    back->move(0, 0);
    connect(back, &ImageButton::clicked, this, &WebViewController::cancel);
    m_leaveButton = back;
    // Usable once the first page is in.
    container->setEnabled(false);
    setLeftBarButtonItem(container);
}

bool WebViewController::eventFilter(QObject* watched, QEvent* event)
{
    if (isViewLoaded() && watched == view() && event->type() == QEvent::Resize)
        layoutWebView();
    return ViewController::eventFilter(watched, event);
}

void WebViewController::layoutWebView()
{
    if (m_myWebView)
        m_myWebView->setGeometry(view()->rect());
}

void WebViewController::replaceWebView()
{
    QWidget* screen = view();
    QWebEngineView* old = m_myWebView;
    WebPage* oldPage = m_page;
    m_myWebView = new QWebEngineView(screen);
    m_myWebView->setObjectName(u"webView"_s);
    m_page = new WebPage(m_myWebView);
    m_page->setNavigationPolicy([this](const QUrl& url) { return shouldStartLoad(url); });
    m_myWebView->setPage(m_page);
    // The page fits the window's width, as a phone's browser fits a desktop page.
    m_myWebView->setZoomFactor(1.0);
    connect(m_page, &QWebEnginePage::loadStarted, this, &WebViewController::onLoadStarted);
    connect(m_page, &QWebEnginePage::loadFinished, this, &WebViewController::onLoadFinished);
    layoutWebView();
    m_myWebView->show();
    m_loading = false;
    m_pendingHtml.reset();
    if (old) {
        old->hide();
        delete oldPage;
        old->deleteLater();
    }
}

void WebViewController::showHtml(const QString& html, const QUrl& base)
{
    // The request store's cookies are the engine's before anything of the site loads.
    WebSession::instance().syncCookies();
    // setHtml takes the text as a data address, which has a size limit a whole page can pass.
    m_pendingHtml = html;
    m_page->setHtml(kStubPage.toString(), base);
}

void WebViewController::initializeWebView(const std::optional<QString>& text)
{
    m_result = text;
    replaceWebView();
    showHtml(text.value_or(kErrorPage.toString()), siteBaseAddress());
}

void WebViewController::runScript(const QString& script)
{
    if (m_page)
        m_page->runJavaScript(script);
}

void WebViewController::onLoadStarted()
{
    m_loading = true;
    webViewDidStartLoad();
}

void WebViewController::onLoadFinished(bool ok)
{
    if (m_pendingHtml && ok) {
        // The stub is in: write the text into it. The document is complete when the script returns.
        const QString text = *std::exchange(m_pendingHtml, std::nullopt);
        QPointer<WebViewController> self(this);
        m_page->runJavaScript(u"document.open(); document.write("_s + scriptLiteral(text) + u"); document.close();"_s,
                              [self](const QVariant&) {
                                  if (!self)
                                      return;
                                  self->m_loading = false;
                                  ++self->m_loadsFinished;
                                  self->webViewDidFinishLoad();
                                  Q_EMIT self->loadFinished(true);
                              });
        return;
    }
    m_loading = false;
    m_pendingHtml.reset();
    // A refused navigation ends as a failed load too; it is no error of the page shown.
    if (ok) {
        ++m_loadsFinished;
        webViewDidFinishLoad();
    } else {
        webViewDidFailLoad();
    }
    Q_EMIT loadFinished(ok);
}

void WebViewController::webViewDidStartLoad()
{
    if (m_forwardbutton)
        m_forwardbutton->setEnabled(false);
    if (m_backbutton)
        m_backbutton->setEnabled(false);
    showOverlay(0);
}

void WebViewController::webViewDidFinishLoad()
{
    runScript(kLinkDisarmingScript.toString());
    // Whichever view shows it: the listing that opened this page put it over the whole window.
    LoadingIndicator::sharedInstance().hideLoadingIndicators();
    if (m_target)
        m_target->webPageDidLoad();
    if (QWidget* left = leftBarButtonItem())
        left->setEnabled(true);
}

void WebViewController::webViewDidFailLoad() {}

bool WebViewController::shouldStartLoad(const QUrl&)
{
    return true;
}

void WebViewController::showOverlay(int offset)
{
    LoadingIndicator& loading = LoadingIndicator::sharedInstance();
    loading.setParentView(view());
    loading.setString(kLoadingText.toString());
    loading.setOffset(offset);
    loading.showLoadingIndicators();
}

void WebViewController::hideOverlay()
{
    // Only this screen's own: another screen's overlay (a listing loading meanwhile) stays.
    LoadingIndicator& loading = LoadingIndicator::sharedInstance();
    if (QWidget* shown = loading.shownIn(); shown && (shown == view() || view()->isAncestorOf(shown)))
        loading.hideLoadingIndicators();
}

void WebViewController::viewWillAppear(bool animated)
{
    ViewController::viewWillAppear(animated);
    if (NavigationController* stack = navigationController())
        stack->setNavigationBarHidden(false);
}

void WebViewController::cancel()
{
    if (m_loading && m_page)
        m_page->triggerAction(QWebEnginePage::Stop);
    m_pendingHtml.reset();
    m_loading = false;
    LoadingIndicator::sharedInstance().hideLoadingIndicators();
    if (NavigationController* stack = navigationController(); stack && stack->topViewController() == this)
        stack->popViewControllerAnimated(false);
}

void WebViewController::goBack()
{
    if (canGoBackInPage()) {
        m_myWebView->back();
        return;
    }
    // At the start of the history: the fetched page again.
    showFetchedPageAgain();
    if (m_backbutton)
        m_backbutton->setEnabled(false);
    m_stackCounter = 0;
}

void WebViewController::showFetchedPageAgain()
{
    initializeWebView(m_result);
}

bool WebViewController::canGoBackInPage() const
{
    // The first entry is the page the fetched text was written into; going back to it would show it empty.
    return m_myWebView && m_myWebView->history()->currentItemIndex() >= 2;
}

void WebViewController::goForward()
{
    if (m_myWebView)
        m_myWebView->forward();
}

} // namespace marrowfin
