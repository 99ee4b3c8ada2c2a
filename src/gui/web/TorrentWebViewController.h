#pragma once

#include "WebViewController.h"

#include <QPushButton>

namespace marrowfin {

struct TorrentDetails;

// A torrent's detail page, opened from a listing's row. Pushed at once with the overlay up; the page is fetched and
// cut on the screen's queue, and the bar (with the film database button only when the page links one) is built
// when it is in. Its links stay live, except torrent-file links: the torrent is sent through the download button,
// which hands the row back to the listing. Main thread only.
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

    TorrentWebViewController(const QUrl& url, int tag, WebPageTarget* target, QObject* parent = nullptr);
    ~TorrentWebViewController() override;

    // Loads the text into the current web view (it is not replaced).
    void initializeWebView(const std::optional<QString>& text) override;
    void didTapImdbButton();
    void didTapDownloadButton();
    // The fetched detail page and its film address.
    void loadedDetails(const std::optional<TorrentDetails>& details);

    [[nodiscard]] const std::optional<QString>& imdb() const { return m_imdb; }
    [[nodiscard]] QString imdbText() const { return m_imdb.value_or(QString()); }
    [[nodiscard]] int tag() const { return m_tag; }
    [[nodiscard]] QAbstractButton* imdbButton() const { return m_imdbButton; }
    [[nodiscard]] QAbstractButton* downloadButton() const { return m_downloadButton; }
    [[nodiscard]] bool detailsArrived() const { return m_detailsArrived; }
    // Shown over the page when the detail page could not be fetched: the failure in the window's own words and a
    // Retry button, which fetches it again. Null until the first failure.
    [[nodiscard]] QWidget* failureView() const { return m_failure; }
    [[nodiscard]] QPushButton* retryButton() const { return m_retry; }
    // Fetches the detail page (again), overlay up.
    void fetchDetails();

protected:
    void viewDidLoad() override;
    void webViewDidFinishLoad() override;
    void showFetchedPageAgain() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildRightItem();
    void showFailure(bool shown);

    std::optional<QString> m_imdb;
    int m_tag;
    bool m_detailsArrived = false;
    QPointer<QAbstractButton> m_imdbButton;
    QPointer<QAbstractButton> m_downloadButton;
    QPointer<QWidget> m_failure;
    QPointer<QPushButton> m_retry;
};

} // namespace marrowfin
