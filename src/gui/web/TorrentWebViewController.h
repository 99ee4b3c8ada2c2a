#pragma once

#include "WebViewController.h"

namespace marrowfin {

struct TorrentDetails;

// A torrent's detail page, opened from a listing's row (or from a link to it in the forum or another page). Pushed
// at once with the overlay up; the page is fetched and cut on the screen's queue, and once it has loaded the bar
// gets the film button (when the page links the film), history forward and the download button. A page the site
// answered with an error status, or that did not come, says so with Retry and offers no download.
//
// Its links stay live, except torrent-file links: the torrent is sent through the download button, which hands the
// row back to the listing, or sends the torrent the page links when no row stands for it. A link or navigation of
// the page that leads to a torrent (its own download link, a magnet link) sends it as well. Back ("<") and history
// back walk the page's own history first. Main thread only.
class TorrentWebViewController final : public WebViewController
{
    Q_OBJECT
    Q_PROPERTY(QString imdb READ imdbText)
    Q_PROPERTY(int tag READ tag)
    Q_PROPERTY(bool detailsArrived READ detailsArrived)

public:
    static constexpr QStringView kTorrentPageScript =
        u"var d = document.getElementsByTagName('a');"
        u"for (var i = 0; i < d.length; i++) {"
        u" var a = d[i];"
        u" if (a.getAttribute('target') == '_blank') a.removeAttribute('target');"
        u" var h = a.getAttribute('href');"
        u" if (h == null) continue;"
        u" if (/torrent$/.test(h)) a.removeAttribute('href');"
        u"}";
    // The torrent a page shows, named as the page names it: its main heading, else its title.
    static constexpr QStringView kTorrentNameScript =
        u"(function () { var h = document.querySelector('h1');"
        u" return ((h && h.textContent.trim()) || document.title || '').trim(); })()";

    // `tag` is the row of `target` the page was opened from; -1 (and no target) when no row stands for it.
    TorrentWebViewController(const QUrl& url, int tag, WebPageTarget* target, QObject* parent = nullptr);
    ~TorrentWebViewController() override;

    // Loads the text into the current web view (it is not replaced).
    void initializeWebView(const std::optional<QString>& text) override;
    void didTapImdbButton();
    void didTapDownloadButton();
    // The fetched detail page and its film address; none, or no text, when the page could not be had.
    void loadedDetails(const std::optional<TorrentDetails>& details);

    [[nodiscard]] const std::optional<QString>& imdb() const { return m_imdb; }
    [[nodiscard]] QString imdbText() const { return m_imdb.value_or(QString()); }
    [[nodiscard]] int tag() const { return m_tag; }
    [[nodiscard]] QAbstractButton* imdbButton() const { return m_imdbButton; }
    [[nodiscard]] QAbstractButton* downloadButton() const { return m_downloadButton; }
    [[nodiscard]] bool detailsArrived() const { return m_detailsArrived; }
    // Fetches the detail page (again), overlay up.
    void fetchDetails();
    // The film page a detail page links: the one the page reading found, else the first link whose text is a film
    // database title number ("tt" and digits), wherever it points.
    [[nodiscard]] static std::optional<QString> filmAddressIn(const QString& page);
    // The page's own link to its torrent file (the first address ending in "torrent"); empty when it has none.
    [[nodiscard]] static QString torrentLinkIn(const QString& page);

protected:
    void viewDidLoad() override;
    void webViewDidFinishLoad() override;
    void webViewDidFailLoad() override;
    void webViewDidStopLoad() override;
    void showFetchedPageAgain() override;
    [[nodiscard]] bool openSiteScreen(const QUrl& url) override;
    void pageWantsFile(const QUrl& url) override;
    void fetchAgain() override { fetchDetails(); }

private:
    void buildRightItem();
    // "<": back in the page's own history, or out of the screen at its start.
    void leave();
    // The history buttons as the web view's history stands.
    void updateHistoryButtons();
    // Sends the torrent at `address` under the name the shown page gives it.
    void sendShownTorrent(const QUrl& address);

    std::optional<QString> m_imdb;
    int m_tag;
    bool m_detailsArrived = false;
    // The torrent the fetched page links, for a page no row stands for.
    QString m_torrentLink;
    QString m_torrentName;
    QPointer<QAbstractButton> m_imdbButton;
    QPointer<QAbstractButton> m_downloadButton;
};

} // namespace marrowfin
