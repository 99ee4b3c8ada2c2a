#include "TorrentWebViewController.h"

#include "core/scrape/FetchPageDetails.h"
#include "gui/platform/Fonts.h"
#include "gui/platform/WebPageTarget.h"
#include "gui/ui/BarButtonItem.h"
#include "gui/ui/ImageButton.h"

#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEngineView>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr QSize kLeftItemSize{160, 47};
constexpr QSize kRightItemSize{180, 47};
constexpr int kButtonStep = 65;
} // namespace

TorrentWebViewController::TorrentWebViewController(const QUrl& url, int tag, WebPageTarget* target, QObject* parent)
    : WebViewController(url, target, parent), m_tag(tag)
{
    fetchDetails();
}

void TorrentWebViewController::fetchDetails()
{
    m_detailsArrived = false;
    if (isViewLoaded()) {
        showFailure(false);
        showOverlay(0);
    }
    // Off the main thread: the window goes on while the site answers, and while an expired session is renewed.
    operationQueue().addOperation(std::make_shared<FetchPageDetails>(
        url(), this,
        FetchPageDetails::selectorFor([this](std::optional<TorrentDetails> details) { loadedDetails(details); })));
}

void TorrentWebViewController::showFailure(bool shown)
{
    if (!shown) {
        if (m_failure) {
            m_failure->hide();
        }
        return;
    }
    if (!m_failure) {
        m_failure = new QWidget(view());
        view()->installEventFilter(this);
        m_failure->setObjectName(u"pageFailure"_s);
        m_failure->setAttribute(Qt::WA_StyledBackground);
        m_failure->setStyleSheet(u"QWidget#pageFailure { background: #333333; }"
                                 u"QLabel { color: #cccccc; }"
                                 u"QPushButton { color: white; background: #4a4a4a; border: 1px solid #6a6a6a;"
                                 u" border-radius: 6px; min-height: 34px; padding: 0 22px; }"
                                 u"QPushButton:pressed { background: #2e2e2e; }"
                                 u"QPushButton:focus { border-color: #3cb4a0; }"_s);
        auto* column = new QVBoxLayout(m_failure);
        column->addStretch(1);
        // The page's own words for a failed fetch, without its markup.
        auto* message = new QLabel(QString(kErrorPage.toString()).remove(u"<html>"_s).remove(u"</html>"_s));
        message->setFont(systemFont(16));
        message->setAlignment(Qt::AlignCenter);
        message->setWordWrap(true);
        column->addWidget(message);
        m_retry = new QPushButton(u"Retry"_s);
        m_retry->setFont(systemFont(16, true));
        m_retry->setCursor(Qt::PointingHandCursor);
        connect(m_retry, &QPushButton::clicked, this, &TorrentWebViewController::fetchDetails);
        column->addSpacing(14);
        column->addWidget(m_retry, 0, Qt::AlignHCenter);
        column->addStretch(1);
    }
    m_failure->setGeometry(view()->rect());
    m_failure->show();
    m_failure->raise();
    m_retry->setFocus();
}

TorrentWebViewController::~TorrentWebViewController() = default;

void TorrentWebViewController::viewDidLoad()
{
    auto* left = new QWidget;
    left->setFixedSize(kLeftItemSize);
    ImageButton* leave = makeBarButtonItem(u"back.png", u"Back"_s);
    leave->setObjectName(u"leaveButton"_s);
    leave->setParent(left);
    connect(leave, &ImageButton::clicked, this, &TorrentWebViewController::cancel);
    ImageButton* previous = makeBarButtonItem(u"previous-toolbar.png", u"Previous page"_s);
    previous->setObjectName(u"previousButton"_s);
    previous->setParent(left);
    previous->move(kButtonStep, 0);
    previous->setEnabled(false);
    connect(previous, &ImageButton::clicked, this, &TorrentWebViewController::goBack);
    setBackbutton(previous);
    setLeftBarButtonItem(left);
    // The overlay is up from the start: the page is on its way.
    showOverlay(0);
}

void TorrentWebViewController::buildRightItem()
{
    auto* right = new QWidget;
    right->setFixedSize(kRightItemSize);
    if (m_imdb) {
        ImageButton* film = makeBarButtonItem(u"imdb-toolbar.png", u"The film's page"_s);
        film->setObjectName(u"imdbButton"_s);
        film->setParent(right);
        connect(film, &ImageButton::clicked, this, &TorrentWebViewController::didTapImdbButton);
        m_imdbButton = film;
    }
    ImageButton* forward = makeBarButtonItem(u"forward-toolbar.png", u"Next page"_s);
    forward->setObjectName(u"forwardButton"_s);
    forward->setParent(right);
    forward->move(kButtonStep, 0);
    forward->setEnabled(false);
    connect(forward, &ImageButton::clicked, this, &TorrentWebViewController::goForward);
    setForwardbutton(forward);
    ImageButton* download = makeBarButtonItem(u"download-toolbar.png", u"Send to your BitTorrent client"_s);
    download->setObjectName(u"downloadButton"_s);
    download->setParent(right);
    download->move(2 * kButtonStep, 0);
    download->setProperty("tag", m_tag);
    connect(download, &ImageButton::clicked, this, &TorrentWebViewController::didTapDownloadButton);
    m_downloadButton = download;
    setRightBarButtonItem(right);
}

bool TorrentWebViewController::eventFilter(QObject* watched, QEvent* event)
{
    if (m_failure && watched == view() && event->type() == QEvent::Resize) {
        m_failure->setGeometry(view()->rect());
    }
    return WebViewController::eventFilter(watched, event);
}

void TorrentWebViewController::loadedDetails(const std::optional<TorrentDetails>& details)
{
    m_detailsArrived = true;
    (void)view();
    if (!details || !details->result) {
        // Said in the window's own style, with a way to try again, rather than as a bare page.
        hideOverlay();
        showFailure(true);
        return;
    }
    showFailure(false);
    m_imdb = details->imdb;
    setResult(details->result);
    buildRightItem();
    initializeWebView(result());
    setStackCounter(0);
}

void TorrentWebViewController::initializeWebView(const std::optional<QString>& text)
{
    setResult(text);
    // A failed fetch says so rather than leaving the page blank.
    showHtml(text.value_or(kErrorPage.toString()), siteBaseAddress());
}

void TorrentWebViewController::showFetchedPageAgain()
{
    // A fresh web view, whose history starts at the fetched page again.
    replaceWebView();
    initializeWebView(result());
}

void TorrentWebViewController::didTapImdbButton()
{
    if (m_imdb && myWebView())
        myWebView()->load(QUrl(*m_imdb));
}

void TorrentWebViewController::didTapDownloadButton()
{
    if (target())
        target()->didTapDownloadButton(m_tag);
}

void TorrentWebViewController::webViewDidFinishLoad()
{
    runScript(kTorrentPageScript.toString());
    hideOverlay();
    if (forwardbutton())
        forwardbutton()->setEnabled(myWebView() && myWebView()->history()->canGoForward());
    if (backbutton())
        backbutton()->setEnabled(canGoBackInPage() || stackCounter() == 1);
    setStackCounter(1);
}

} // namespace marrowfin
