#include "WebViewController.h"

#include "ProfileWebViewController.h"
#include "RetiredQueues.h"
#include "TorrentWebViewController.h"
#include "WebPage.h"
#include "WebSession.h"

#include "core/config/AppConfig.h"
#include "core/scrape/UserInfo.h"
#include "gui/app/SwitchViewController.h"
#include "gui/platform/Fonts.h"
#include "gui/platform/NavigationController.h"
#include "gui/platform/WebPageTarget.h"
#include "gui/ui/BarButtonItem.h"
#include "gui/ui/ImageButton.h"
#include "gui/ui/LoadingIndicator.h"
#include "gui/ui/LoadingTexts.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineView>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

// The page a text is written into; it only has to carry the base address.
constexpr QStringView kStubPage = u"<!DOCTYPE html><html><head></head><body></body></html>";
constexpr QSize kLeftItemSize{160, 47};
// The engine's code for a navigation that was abandoned (refused, stopped, turned into a download): no failure.
constexpr int kAbortedError = -3;
constexpr QStringView kAnonymousName = u"Anonymous";

bool isWebAddress(const QUrl& url)
{
    return url.scheme() == u"http"_s || url.scheme() == u"https"_s;
}

bool sameHost(const QUrl& a, const QUrl& b)
{
    return a.host().compare(b.host(), Qt::CaseInsensitive) == 0 && a.port(80) == b.port(80);
}

// The text as a script's string literal: JSON's escaping is JavaScript's.
QString scriptLiteral(const QString& text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

} // namespace

WebViewController::WebViewController(const QUrl& url, WebPageTarget* target, QObject* parent)
    : ViewController(parent), m_url(url), m_target(target),
      m_operationQueue(std::make_unique<OperationQueue>(1, QStringLiteral("web page")))
{
    setTitle(QString());
    m_loadTimer.setSingleShot(true);
    m_loadTimer.setInterval(kDefaultLoadTimeoutMilliseconds);
    connect(&m_loadTimer, &QTimer::timeout, this, &WebViewController::onLoadTimedOut);
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

bool WebViewController::isSiteAddress(const QUrl& url)
{
    const QUrl site = siteBaseAddress();
    if (url.host().compare(site.host(), Qt::CaseInsensitive) != 0) {
        return false;
    }
    // A site host without a port is the site on both schemes' own ports.
    return site.port() < 0 || url.port(80) == site.port();
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
    if (isViewLoaded() && watched == view() && event->type() == QEvent::Resize) {
        layoutWebView();
    }
    return ViewController::eventFilter(watched, event);
}

void WebViewController::layoutWebView()
{
    if (m_myWebView) {
        m_myWebView->setGeometry(view()->rect());
    }
    if (m_failure) {
        m_failure->setGeometry(view()->rect());
    }
}

void WebViewController::replaceWebView()
{
    QWidget* screen = view();
    QWebEngineView* old = m_myWebView;
    WebPage* oldPage = m_page;
    m_myWebView = new QWebEngineView(screen);
    m_myWebView->setObjectName(u"webView"_s);
    m_page = new WebPage(m_myWebView);
    m_page->setNavigationPolicy(
        [this](const QUrl& url, QWebEnginePage::NavigationType type) { return decideNavigation(url, type); });
    m_myWebView->setPage(m_page);
    // The page fits the window's width, as a phone's browser fits a desktop page.
    m_myWebView->setZoomFactor(1.0);
    connect(m_page, &QWebEnginePage::loadingChanged, this, &WebViewController::onLoadingChanged);
    connect(m_page, &WebPage::downloadWanted, this, &WebViewController::pageWantsFile);
    layoutWebView();
    m_myWebView->show();
    if (m_failure) {
        m_failure->raise();
    }
    m_loading = false;
    m_loadTimer.stop();
    m_pendingHtml.reset();
    if (old) {
        // The keys stay on the page when the view that had them goes.
        const bool focused = old->isAncestorOf(QApplication::focusWidget()) || old->hasFocus();
        old->hide();
        delete oldPage;
        old->deleteLater();
        if (focused) {
            m_myWebView->setFocus(Qt::OtherFocusReason);
        }
    }
}

void WebViewController::showHtml(const QString& html, const QUrl& base)
{
    // The request store's cookies are the engine's before anything of the site loads.
    WebSession::instance().syncCookies();
    // setHtml takes the text as a data address, which has a size limit a whole page can pass.
    m_pendingHtml = html;
    m_writtenHtml = html;
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

bool WebViewController::decideNavigation(const QUrl& url, QWebEnginePage::NavigationType type)
{
    if (url.scheme() == u"magnet"_s) {
        // No page to show: the torrent it names. Later, not while the engine asks.
        QTimer::singleShot(0, this, [this, url] { pageWantsFile(url); });
        return false;
    }
    if (type == QWebEnginePage::NavigationTypeLinkClicked && isWebAddress(url)) {
        // Another host than the site's and the shown page's: the user's own browser is the place for it.
        if (!isSiteAddress(url) && !(m_page && sameHost(url, m_page->url()))) {
            QDesktopServices::openUrl(url);
            return false;
        }
        if (isSiteAddress(url) && openSiteScreen(url)) {
            return false;
        }
    }
    return shouldStartLoad(url);
}

bool WebViewController::openSiteScreen(const QUrl& url)
{
    // A user's profile, trimmed as every profile is shown.
    if (!url.path().startsWith(u"/user/"_s) || url.path().size() <= 6) {
        return false;
    }
    QTimer::singleShot(0, this, [this, url] { pushScreen(new ProfileWebViewController(url, nullptr)); });
    return true;
}

bool WebViewController::isTorrentPageAddress(const QUrl& url)
{
    if (!isSiteAddress(url)) {
        return false;
    }
    const QString path = url.path();
    if (!path.endsWith(u".html"_s) || path.lastIndexOf(u'/') != 0) {
        return false;
    }
    const QStringView stem = QStringView(path).chopped(5);
    const qsizetype marker = stem.lastIndexOf(u"-t");
    const QStringView number = marker > 0 ? stem.mid(marker + 2) : QStringView();
    return !number.isEmpty() && std::all_of(number.begin(), number.end(), [](QChar c) { return c.isDigit(); });
}

void WebViewController::openTorrentPage(const QUrl& url)
{
    QTimer::singleShot(0, this, [this, url] { pushScreen(new TorrentWebViewController(url, -1, nullptr)); });
}

void WebViewController::pushScreen(ViewController* screen)
{
    NavigationController* stack = navigationController();
    if (!stack) {
        delete screen;
        return;
    }
    m_coveredByPushed = true;
    stack->setNavigationBarHidden(false);
    stack->pushViewController(screen, true);
}

void WebViewController::pageWantsFile(const QUrl&) {}

void WebViewController::onLoadStarted()
{
    m_loading = true;
    m_loadTimedOut = false;
    m_loadTimer.start();
    hideFailure();
    webViewDidStartLoad();
}

void WebViewController::onLoadingChanged(const QWebEngineLoadingInfo& info)
{
    // The engine's word on every load, its start and its end, with why it failed.
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
        onLoadStarted();
        return;
    case QWebEngineLoadingInfo::LoadSucceededStatus:
        // A page the server answered with an error status is no page of what was asked for.
        onLoadEnded(info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain && info.errorCode() >= 400
                        ? LoadEnd::Failed
                        : LoadEnd::Succeeded,
                    info.url());
        return;
    case QWebEngineLoadingInfo::LoadFailedStatus:
        // An abandoned navigation (refused, stopped, turned into a file) is no failure of the page shown.
        onLoadEnded(info.errorCode() == kAbortedError ? LoadEnd::Stopped : LoadEnd::Failed, info.url());
        return;
    case QWebEngineLoadingInfo::LoadStoppedStatus:
        onLoadEnded(LoadEnd::Stopped, info.url());
        return;
    }
}

void WebViewController::onLoadTimedOut()
{
    if (!m_loading || !m_page) {
        return;
    }
    m_loadTimedOut = true;
    const QUrl failed = m_page->requestedUrl();
    m_page->triggerAction(QWebEnginePage::Stop);
    m_loading = false;
    m_pendingHtml.reset();
    hideOverlay();
    showFailure(errorText(), kRetryTitle.toString(), [this, failed] { m_myWebView->load(failed); });
    webViewDidFailLoad();
    Q_EMIT loadFinished(false);
}

void WebViewController::onLoadEnded(LoadEnd end, const QUrl& url)
{
    m_loadTimer.stop();
    if (std::exchange(m_loadTimedOut, false)) {
        // Said already, when the time ran out.
        return;
    }
    if (m_pendingHtml && end == LoadEnd::Succeeded) {
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
                                  self->checkSiteSession();
                                  Q_EMIT self->loadFinished(true);
                              });
        return;
    }
    m_loading = false;
    m_pendingHtml.reset();
    switch (end) {
    case LoadEnd::Succeeded:
        ++m_loadsFinished;
        webViewDidFinishLoad();
        checkSiteSession();
        break;
    case LoadEnd::Failed:
        // The same words and Retry as a page that could not be fetched.
        hideOverlay();
        showFailure(errorText(), kRetryTitle.toString(), [this, url] { m_myWebView->load(url); });
        webViewDidFailLoad();
        break;
    case LoadEnd::Stopped:
        webViewDidStopLoad();
        break;
    }
    Q_EMIT loadFinished(end == LoadEnd::Succeeded);
}

void WebViewController::checkSiteSession()
{
    if (!WebSession::instance().takeSiteCookieLoss()) {
        return;
    }
    SwitchViewController* root = nullptr;
    for (ViewController* parent = parentViewController(); parent && !root; parent = parent->parentViewController()) {
        root = qobject_cast<SwitchViewController*>(parent);
    }
    const QString user = UserInfo::sharedInstance().username().value_or(QString());
    if (!root || !root->showLogin() || user.isEmpty() || user == kAnonymousName) {
        return;
    }
    // The site's cookies went from the one store: the window signs out too, as the Logout tab does, once the site
    // confirms that they signed nobody in any more.
    WebSession::instance().checkSiteSession([root = QPointer<SwitchViewController>(root)] {
        if (root && root->showLogin()) {
            root->logout();
        }
    });
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

void WebViewController::webViewDidStopLoad()
{
    hideOverlay();
}

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
    loading.setCancelAction([screen = QPointer<WebViewController>(this)] {
        if (screen) {
            screen->cancelLoading();
        }
    });
    loading.showLoadingIndicators();
}

void WebViewController::beginFetch()
{
    ++m_fetchGeneration;
    m_fetching = true;
    hideFailure();
}

void WebViewController::cancelLoading()
{
    ++m_fetchGeneration;
    const bool fetching = std::exchange(m_fetching, false);
    if (m_loading && m_page && !m_pendingHtml) {
        m_page->triggerAction(QWebEnginePage::Stop);
    }
    hideOverlay();
    if (fetching) {
        showFailure(kCancelledText.toString(), kRetryTitle.toString(), [this] { fetchAgain(); });
    }
}

QString WebViewController::errorText()
{
    return kErrorPage.toString().remove(u"<html>"_s).remove(u"</html>"_s);
}

QString WebViewController::failureText() const
{
    return m_failure && m_failure->isVisibleTo(m_failure->parentWidget()) ? m_failureLabel->text() : QString();
}

void WebViewController::hideFailure()
{
    if (m_failure) {
        m_failure->hide();
    }
}

void WebViewController::showFailure(const QString& message, const QString& buttonTitle, std::function<void()> action)
{
    if (!m_failure) {
        m_failure = new QWidget(view());
        m_failure->setObjectName(u"pageFailure"_s);
        m_failure->setAttribute(Qt::WA_StyledBackground);
        m_failure->setStyleSheet(u"QWidget#pageFailure { background: #333333; }"
                                 u"QLabel { color: #cccccc; }"
                                 u"QPushButton { color: white; background: #4a4a4a; border: 1px solid #6a6a6a;"
                                 u" border-radius: 6px; min-height: 34px; padding: 0 22px; }"
                                 u"QPushButton:pressed { background: #2e2e2e; }"
                                 u"QPushButton:focus { border-color: #3cb4a0; }"_s);
        auto* column = new QVBoxLayout(m_failure);
        column->setContentsMargins(24, 0, 24, 0);
        column->addStretch(1);
        m_failureLabel = new QLabel;
        m_failureLabel->setFont(systemFont(16));
        m_failureLabel->setAlignment(Qt::AlignCenter);
        m_failureLabel->setWordWrap(true);
        column->addWidget(m_failureLabel);
        m_failureButton = new QPushButton;
        m_failureButton->setFont(systemFont(16, true));
        m_failureButton->setCursor(Qt::PointingHandCursor);
        connect(m_failureButton, &QPushButton::clicked, this, [this] {
            if (std::function<void()> action = m_failureAction) {
                hideFailure();
                action();
            }
        });
        column->addSpacing(14);
        column->addWidget(m_failureButton, 0, Qt::AlignHCenter);
        column->addStretch(1);
    }
    m_failureLabel->setText(message);
    m_failureButton->setText(buttonTitle);
    m_failureAction = std::move(action);
    m_failure->setGeometry(view()->rect());
    m_failure->show();
    m_failure->raise();
    m_failureButton->setFocus();
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

void WebViewController::viewDidAppear(bool animated)
{
    ViewController::viewDidAppear(animated);
    if (m_failure && m_failure->isVisible() && m_failureButton) {
        m_failureButton->setFocus(Qt::OtherFocusReason);
    } else if (m_myWebView) {
        m_myWebView->setFocus(Qt::OtherFocusReason);
    }
}

void WebViewController::cancel()
{
    if (m_loading && m_page)
        m_page->triggerAction(QWebEnginePage::Stop);
    ++m_fetchGeneration;
    m_fetching = false;
    m_loadTimer.stop();
    m_pendingHtml.reset();
    m_loading = false;
    LoadingIndicator::sharedInstance().hideLoadingIndicators();
    if (NavigationController* stack = navigationController(); stack && stack->topViewController() == this)
        stack->popViewControllerAnimated(false);
}

void WebViewController::goBack()
{
    hideFailure();
    if (canGoBackInPage()) {
        m_myWebView->back();
        return;
    }
    m_stackCounter = 0;
    if (showsFollowedPage()) {
        // Back to the first entry, the page the fetched text was written into: the engine shows it empty, so the
        // text is written again once it is in. The pages followed stay ahead of it for history forward.
        m_pendingHtml = m_writtenHtml;
        m_myWebView->back();
        return;
    }
    // At the start of the history: the fetched page again.
    showFetchedPageAgain();
    if (m_backbutton)
        m_backbutton->setEnabled(false);
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

bool WebViewController::showsFollowedPage() const
{
    return m_myWebView && m_myWebView->history()->currentItemIndex() >= 1;
}

void WebViewController::goForward()
{
    hideFailure();
    if (m_myWebView)
        m_myWebView->forward();
}

} // namespace marrowfin
