#include "TorrentWebViewController.h"

#include "core/scrape/FetchPageDetails.h"
#include "gui/platform/WebPageTarget.h"
#include "gui/ui/BarButtonItem.h"
#include "gui/ui/ImageButton.h"

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
    // Off the main thread: the window goes on while the site answers, and while an expired session is renewed.
    operationQueue().addOperation(std::make_shared<FetchPageDetails>(
        url, this,
        FetchPageDetails::selectorFor([this](std::optional<TorrentDetails> details) { loadedDetails(details); })));
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

void TorrentWebViewController::loadedDetails(const std::optional<TorrentDetails>& details)
{
    m_detailsArrived = true;
    if (details) {
        m_imdb = details->imdb;
        setResult(details->result);
    }
    (void)view();
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
