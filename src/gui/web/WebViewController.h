#pragma once

#include "WebPage.h"

#include "core/net/OperationQueue.h"
#include "gui/platform/ViewController.h"

#include <QAbstractButton>
#include <QPointer>
#include <QUrl>
#include <QWebEngineView>

#include <optional>

namespace marrowfin {

class WebPageTarget;

// The base of the screens that show a page of the site (or of the remote client) inside the window. The page is not
// loaded by the engine from its address: an operation on the screen's own queue fetches it and cuts it down, and
// the screen then shows that text with the site's address as its base, so links, pictures and style sheets still
// resolve. After each load a script takes the address out of every link: the page can be read, not followed.
// A back button leaves the screen; history back walks the engine's history and at its start shows the fetched text
// again. Main thread only.
class WebViewController : public ViewController
{
    Q_OBJECT
    // For tests and tools that know the screens only as ViewControllers.
    Q_PROPERTY(int loadsFinished READ loadsFinished)
    Q_PROPERTY(bool loading READ isLoading)
    Q_PROPERTY(int stackCounter READ stackCounter)
    Q_PROPERTY(QString result READ resultText)

public:
    static constexpr QStringView kLinkDisarmingScript =
        u"\tvar d = document.getElementsByTagName('a');\tfor (var i = 0; i < d.length; i++) "
        u"{\td[i].removeAttribute('href');\t}\t";
    // A text that cannot be shown (a failed fetch) shows this instead of an empty page.
    static constexpr QStringView kErrorPage = u"<html>Error loading page.  Try again.</html>";

    // `target` is the listing that opened the screen (not owned; it outlives its pages). The base fetches nothing.
    WebViewController(const QUrl& url, WebPageTarget* target, QObject* parent = nullptr);
    ~WebViewController() override;

    // The fetched text arrives: shown in a new web view with the site's base address.
    virtual void initializeWebView(const std::optional<QString>& text);

    void goBack();
    void goForward();
    // Stops a load, puts the overlay away and leaves the screen.
    Q_INVOKABLE virtual void cancel();

    void viewWillAppear(bool animated) override;

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
    // Whether history back stays among the pages followed from the shown text.
    [[nodiscard]] bool canGoBackInPage() const;

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
    // History back at the start of the history: the fetched text in a fresh web view.
    virtual void showFetchedPageAgain();
    // Whether the main frame may go to `url`; all may by default.
    [[nodiscard]] virtual bool shouldStartLoad(const QUrl& url);

    // Puts a new web view in place of the shown one (the old one goes with its page).
    void replaceWebView();
    // Shows `html` in the current web view with `base` as its address. Any length: the text is written into a
    // small page loaded with that base, so the page's origin stays the site's.
    void showHtml(const QString& html, const QUrl& base);
    // The shared overlay over this screen's view.
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

private:
    void onLoadStarted();
    void onLoadFinished(bool ok);
    void layoutWebView();

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
    int m_stackCounter = 0;
    int m_loadsFinished = 0;
    bool m_loading = false;
    // A fetch still running when the screen goes is left to finish on its own (its delivery then finds the
    // screen gone): leaving a slow page does not wait for it.
    std::unique_ptr<OperationQueue> m_operationQueue;
};

} // namespace marrowfin
