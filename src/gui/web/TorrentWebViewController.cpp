#include "TorrentWebViewController.h"

#include "core/config/AppConfig.h"
#include "core/display/ListingAddresses.h"
#include "core/scrape/FetchPageDetails.h"
#include "core/scrape/HttpRequestRegExDetails.h"
#include "core/text/RegexException.h"
#include "core/text/RegexMatching.h"
#include "gui/platform/WebPageTarget.h"
#include "gui/ui/BarButtonItem.h"
#include "gui/ui/ImageButton.h"
#include "gui/ui/TorrentSender.h"

#include <QTimer>
#include <QWebEngineHistory>
#include <QWebEngineView>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr QSize kLeftItemSize{160, 47};
constexpr QSize kRightItemSize{180, 47};
constexpr int kButtonStep = 65;

// A link whose text is a film database title number, in either quotes, on any host.
constexpr QStringView kFilmLinkPattern = uR"re(<a[^>]*?href=["']([^"']+)["'][^>]*>\s*tt[0-9]+\s*</a>)re";
// The first link to a torrent file.
constexpr QStringView kTorrentLinkPattern = uR"re(href=["']([^"']*torrent)["'])re";

// Fetches and cuts the detail page on a worker thread. An answer with an error status is no page of the torrent,
// whatever the site wrote with it: it arrives as none, as a connection that broke does.
class FetchTorrentPage final : public FetchPage
{
public:
    using FetchPage::FetchPage;

    void main() override
    {
        HttpRequestRegExDetails request(url());
        request.request();
        setReturnObject(QVariant::fromValue(
            TorrentDetails{request.isResponseValid() ? request.result() : std::nullopt, request.imdb()}));
        FetchPage::main();
    }
};

QString firstCapture(const QString& page, QStringView pattern)
{
    try {
        return stringByMatching(page, pattern.toString(), 1);
    } catch (const RegexException&) {
        return {};
    }
}

} // namespace

TorrentWebViewController::TorrentWebViewController(const QUrl& url, int tag, WebPageTarget* target, QObject* parent)
    : WebViewController(url, target, parent), m_tag(tag)
{
    fetchDetails();
}

TorrentWebViewController::~TorrentWebViewController() = default;

std::optional<QString> TorrentWebViewController::filmAddressIn(const QString& page)
{
    const QString address = firstCapture(page, kFilmLinkPattern);
    return address.isEmpty() ? std::nullopt : std::optional<QString>(address);
}

QString TorrentWebViewController::torrentLinkIn(const QString& page)
{
    const QString link = firstCapture(page, kTorrentLinkPattern);
    return link.isEmpty() ? QString() : sendAddress(link, AppConfig::current().siteHost);
}

void TorrentWebViewController::fetchDetails()
{
    m_detailsArrived = false;
    beginFetch();
    if (isViewLoaded()) {
        showOverlay(0);
    }
    // Off the main thread: the window goes on while the site answers, and while an expired session is renewed.
    operationQueue().addOperation(std::make_shared<FetchTorrentPage>(
        url(), this,
        FetchPageDetails::selectorFor(
            whenCurrent<TorrentDetails>([this](std::optional<TorrentDetails> details) { loadedDetails(details); }))));
}

void TorrentWebViewController::viewDidLoad()
{
    auto* left = new QWidget;
    left->setFixedSize(kLeftItemSize);
    ImageButton* leave = makeBarButtonItem(u"back.png", u"Back"_s);
    leave->setObjectName(u"leaveButton"_s);
    leave->setParent(left);
    connect(leave, &ImageButton::clicked, this, &TorrentWebViewController::leave);
    ImageButton* previous = makeBarButtonItem(u"previous-toolbar.png", u"Previous page"_s);
    previous->setObjectName(u"previousButton"_s);
    previous->setParent(left);
    previous->move(kButtonStep, 0);
    previous->setEnabled(false);
    connect(previous, &ImageButton::clicked, this, &TorrentWebViewController::goBack);
    setBackbutton(previous);
    setLeftBarButtonItem(left);
    // The overlay is up from the start: the page is on its way.
    if (isFetching()) {
        showOverlay(0);
    }
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
    (void)view();
    if (!details || !details->result) {
        // Said in the window's own style, with a way to try again, rather than as a bare page.
        hideOverlay();
        showFailure(errorText(), kRetryTitle.toString(), [this] { fetchDetails(); });
        return;
    }
    m_imdb = details->imdb ? details->imdb : filmAddressIn(*details->result);
    m_torrentLink = torrentLinkIn(*details->result);
    setResult(details->result);
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

void TorrentWebViewController::leave()
{
    if (showsFollowedPage()) {
        goBack();
        return;
    }
    cancel();
}

void TorrentWebViewController::didTapImdbButton()
{
    if (m_imdb && myWebView())
        myWebView()->load(QUrl(*m_imdb));
}

void TorrentWebViewController::didTapDownloadButton()
{
    if (target() && m_tag >= 0) {
        target()->didTapDownloadButton(m_tag);
    } else if (!m_torrentLink.isEmpty()) {
        TorrentSender::sharedInstance().send(QUrl(m_torrentLink), m_torrentName);
    }
}

void TorrentWebViewController::pageWantsFile(const QUrl& address)
{
    // The fetched page's own link: the download button's torrent. A page followed from it names its own.
    if (!showsFollowedPage()) {
        didTapDownloadButton();
    } else {
        sendShownTorrent(address);
    }
}

void TorrentWebViewController::sendShownTorrent(const QUrl& address)
{
    QPointer<TorrentWebViewController> self(this);
    webPage()->runJavaScript(kTorrentNameScript.toString(), [self, address](const QVariant& name) {
        if (self) {
            TorrentSender::sharedInstance().send(address, name.toString());
        }
    });
}

bool TorrentWebViewController::openSiteScreen(const QUrl& url)
{
    // Another torrent's page: a torrent page of its own, whose download button sends that torrent.
    if (isTorrentPageAddress(url) &&
        url.adjusted(QUrl::RemoveFragment | QUrl::RemoveQuery) != this->url().adjusted(QUrl::RemoveQuery)) {
        openTorrentPage(url);
        return true;
    }
    return WebViewController::openSiteScreen(url);
}

void TorrentWebViewController::updateHistoryButtons()
{
    if (forwardbutton())
        forwardbutton()->setEnabled(myWebView() && myWebView()->history()->canGoForward());
    if (backbutton())
        backbutton()->setEnabled(showsFollowedPage());
}

void TorrentWebViewController::webViewDidFinishLoad()
{
    runScript(kTorrentPageScript.toString());
    hideOverlay();
    if (!m_downloadButton) {
        // The page is in: now the bar offers what it links.
        buildRightItem();
        if (!showsFollowedPage()) {
            QPointer<TorrentWebViewController> self(this);
            webPage()->runJavaScript(kTorrentNameScript.toString(), [self](const QVariant& name) {
                if (self) {
                    self->m_torrentName = name.toString();
                }
            });
        }
    }
    updateHistoryButtons();
    setStackCounter(1);
}

void TorrentWebViewController::webViewDidFailLoad()
{
    // Whatever failed, the page's history is still there to go back in.
    updateHistoryButtons();
}

void TorrentWebViewController::webViewDidStopLoad()
{
    WebViewController::webViewDidStopLoad();
    updateHistoryButtons();
}

} // namespace marrowfin
