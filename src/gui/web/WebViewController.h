#pragma once

#include "WebPage.h"

#include "core/net/OperationQueue.h"
#include "gui/platform/ViewController.h"

#include <QAbstractButton>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QWebEngineView>

#include <functional>
#include <optional>

class QLabel;
class QWebEngineLoadingInfo;

namespace marrowfin {

class WebPageTarget;

// The base of the screens that show a page of the site (or of the remote client) inside the window. The page is not
// loaded by the engine from its address: an operation on the screen's own queue fetches it and cuts it down, and
// the screen then shows that text with the site's address as its base, so links, pictures and style sheets still
// resolve. After each load a script takes the address out of every link: the page can be read, not followed.
// A back button leaves the screen; history back walks the engine's history and at its start shows the fetched text
// again, keeping the pages ahead of it for history forward.
//
// Whatever a screen's links: one that leads to another host opens in the user's browser, a user's profile opens as
// the trimmed profile screen on top of this one, and a link to a file is handed to pageWantsFile(). Every wait the
// overlay shows can be cancelled (its Cancel, Escape); a page that fails, or has not loaded within the time-out,
// says so with a Retry button. Main thread only.
class WebViewController : public ViewController
{
    Q_OBJECT
    // For tests and tools that know the screens only as ViewControllers.
    Q_PROPERTY(int loadsFinished READ loadsFinished)
    Q_PROPERTY(bool loading READ isLoading)
    Q_PROPERTY(int stackCounter READ stackCounter)
    Q_PROPERTY(QString result READ resultText)
    Q_PROPERTY(QString failureText READ failureText)
    Q_PROPERTY(int loadTimeout READ loadTimeout WRITE setLoadTimeout)

public:
    static constexpr QStringView kLinkDisarmingScript =
        u"\tvar d = document.getElementsByTagName('a');\tfor (var i = 0; i < d.length; i++) "
        u"{\td[i].removeAttribute('href');\t}\t";
    // A text that cannot be shown (a failed fetch) shows this instead of an empty page.
    static constexpr QStringView kErrorPage = u"<html>Error loading page.  Try again.</html>";
    static constexpr QStringView kRetryTitle = u"Retry";
    // How long the engine may take over a page before it counts as failed; the transfers' own limit.
    static constexpr int kDefaultLoadTimeoutMilliseconds = 60'000;

    // `target` is the listing that opened the screen (not owned; it outlives its pages). The base fetches nothing.
    WebViewController(const QUrl& url, WebPageTarget* target, QObject* parent = nullptr);
    ~WebViewController() override;

    // The fetched text arrives: shown in a new web view with the site's base address.
    virtual void initializeWebView(const std::optional<QString>& text);

    void goBack();
    void goForward();
    // Stops a load, puts the overlay away and leaves the screen.
    Q_INVOKABLE virtual void cancel();
    // The overlay's Cancel (and Escape): the fetch under way is dropped, a load of the engine stopped; a screen
    // that has nothing to show yet says that its loading was cancelled, with Retry.
    Q_INVOKABLE virtual void cancelLoading();

    void viewWillAppear(bool animated) override;
    // The keys go to the page (or to Retry over a failed one), not to the list hidden under it, where Return would
    // open the page again.
    void viewDidAppear(bool animated) override;

    [[nodiscard]] QWebEngineView* myWebView() const { return m_myWebView; }
    [[nodiscard]] const std::optional<QString>& result() const { return m_result; }
    [[nodiscard]] QString resultText() const { return m_result.value_or(QString()); }
    [[nodiscard]] WebPageTarget* target() const { return m_target; }
    [[nodiscard]] QAbstractButton* forwardbutton() const { return m_forwardbutton; }
    [[nodiscard]] QAbstractButton* backbutton() const { return m_backbutton; }
    [[nodiscard]] QAbstractButton* leaveButton() const { return m_leaveButton; }
    [[nodiscard]] OperationQueue& operationQueue() { return *m_operationQueue; }
    [[nodiscard]] int stackCounter() const { return m_stackCounter; }
    [[nodiscard]] bool isLoading() const { return m_loading; }
    // Loads finished since the screen was made (each shown text and each page followed).
    [[nodiscard]] int loadsFinished() const { return m_loadsFinished; }
    [[nodiscard]] static QUrl siteBaseAddress();
    // Whether `url` is on the site's host (and port, where the site host names one).
    [[nodiscard]] static bool isSiteAddress(const QUrl& url);
    // Whether `url` is a torrent's page on the site: one segment, "<name>-t<number>.html".
    [[nodiscard]] static bool isTorrentPageAddress(const QUrl& url);
    // Whether history back stays among the pages followed from the shown text.
    [[nodiscard]] bool canGoBackInPage() const;
    // Whether the web view shows a page followed from the fetched text (history back leads to it).
    [[nodiscard]] bool showsFollowedPage() const;

    // Shown over the page in place of what could not be shown: the reason and one button. Null until first shown.
    [[nodiscard]] QWidget* failureView() const { return m_failure; }
    [[nodiscard]] QPushButton* failureButton() const { return m_failureButton; }
    // What the failure view says while it is shown; empty otherwise.
    [[nodiscard]] QString failureText() const;
    // How long a load of the engine may take, in milliseconds.
    [[nodiscard]] int loadTimeout() const { return m_loadTimer.interval(); }
    void setLoadTimeout(int milliseconds) { m_loadTimer.setInterval(milliseconds); }

Q_SIGNALS:
    // After the screen's own handling of a finished or failed load.
    void loadFinished(bool ok);

protected:
    void loadView() override;
    void viewDidLoad() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The engine's calls, for the subclasses to change.
    virtual void webViewDidStartLoad();
    virtual void webViewDidFinishLoad();
    virtual void webViewDidFailLoad();
    // A load that ended without a page: stopped by the user, refused, or turned into a file. The page shown before
    // stays.
    virtual void webViewDidStopLoad();
    // History back at the start of the history: the fetched text in a fresh web view.
    virtual void showFetchedPageAgain();
    // Whether the main frame may go to `url`; all may by default.
    [[nodiscard]] virtual bool shouldStartLoad(const QUrl& url);
    // A link followed on the site that another screen shows better (a user's profile, trimmed): that screen is put
    // on top of this one and true returned. Asked before shouldStartLoad() for links the user followed.
    [[nodiscard]] virtual bool openSiteScreen(const QUrl& url);
    // A link or navigation led to a file (or a magnet link) instead of a page; nothing by default.
    virtual void pageWantsFile(const QUrl& url);
    // Fetches the screen's text again (Retry after a failed or cancelled fetch); nothing by default.
    virtual void fetchAgain() {}

    // Puts a new web view in place of the shown one (the old one goes with its page).
    void replaceWebView();
    // Shows `html` in the current web view with `base` as its address. Any length: the text is written into a
    // small page loaded with that base, so the page's origin stays the site's.
    void showHtml(const QString& html, const QUrl& base);
    // The shared overlay over this screen's view, with Cancel.
    void showOverlay(int offset);
    void hideOverlay();
    // Runs a script in the shown page.
    void runScript(const QString& script);
    void setResult(std::optional<QString> text) { m_result = std::move(text); }
    void setStackCounter(int counter) { m_stackCounter = counter; }
    void setForwardbutton(QAbstractButton* button) { m_forwardbutton = button; }
    void setBackbutton(QAbstractButton* button) { m_backbutton = button; }
    [[nodiscard]] const QUrl& url() const { return m_url; }
    void setUrl(const QUrl& url) { m_url = url; }
    [[nodiscard]] WebPage* webPage() const { return m_page; }

    // A fetch of the screen's text begins: its delivery is wrapped by whenCurrent(), which drops it when the
    // loading was cancelled since.
    void beginFetch();
    [[nodiscard]] bool isFetching() const { return m_fetching; }
    template <typename Value>
    [[nodiscard]] std::function<void(std::optional<Value>)>
    whenCurrent(std::function<void(std::optional<Value>)> deliver)
    {
        return [this, generation = m_fetchGeneration, deliver = std::move(deliver)](std::optional<Value> value) {
            if (generation != m_fetchGeneration) {
                return;
            }
            m_fetching = false;
            deliver(std::move(value));
        };
    }

    // The failure view with `message` and one button doing `action`.
    void showFailure(const QString& message, const QString& buttonTitle, std::function<void()> action);
    void hideFailure();
    // The words of kErrorPage, without its markup.
    [[nodiscard]] static QString errorText();

    // Puts `screen` on top of this one in its navigation stack (which owns it from then on).
    void pushScreen(ViewController* screen);
    // The torrent page of `url`, no row standing for it, on top of this one once the engine's question is over.
    void openTorrentPage(const QUrl& url);
    // Whether this screen is shown again after a screen it pushed went; asked once per return.
    [[nodiscard]] bool takeReturnFromPushedScreen() { return std::exchange(m_coveredByPushed, false); }

private:
    enum class LoadEnd
    {
        Succeeded,
        Failed,
        Stopped,
    };
    void onLoadStarted();
    void onLoadingChanged(const QWebEngineLoadingInfo& info);
    void onLoadEnded(LoadEnd end, const QUrl& url);
    void onLoadTimedOut();
    [[nodiscard]] bool decideNavigation(const QUrl& url, QWebEnginePage::NavigationType type);
    void layoutWebView();
    void checkSiteSession();

    QUrl m_url;
    WebPageTarget* m_target;
    QPointer<QWebEngineView> m_myWebView;
    QPointer<WebPage> m_page;
    std::optional<QString> m_result;
    QPointer<QAbstractButton> m_forwardbutton;
    QPointer<QAbstractButton> m_backbutton;
    QPointer<QAbstractButton> m_leaveButton;
    // The text waiting for its stub page to load.
    std::optional<QString> m_pendingHtml;
    // The text written into the first page of the history, written again when history back returns to it.
    QString m_writtenHtml;
    int m_stackCounter = 0;
    int m_loadsFinished = 0;
    bool m_loading = false;
    bool m_loadTimedOut = false;
    QTimer m_loadTimer;
    int m_fetchGeneration = 0;
    bool m_fetching = false;
    bool m_coveredByPushed = false;
    QPointer<QWidget> m_failure;
    QPointer<QLabel> m_failureLabel;
    QPointer<QPushButton> m_failureButton;
    std::function<void()> m_failureAction;
    // A fetch still running when the screen goes is left to finish on its own (its delivery then finds the
    // screen gone): leaving a slow page does not wait for it.
    std::unique_ptr<OperationQueue> m_operationQueue;
};

} // namespace marrowfin
