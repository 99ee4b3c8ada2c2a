#pragma once

#include "LoginPages.h"

#include "core/net/FetchPage.h"
#include "core/net/OperationQueue.h"

#include <QObject>
#include <QVariantMap>

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>

namespace marrowfin {

class FetchPageCaptcha;
class HttpContext;
class HttpRequest;
class LoginFace;
class SettingsStore;

// What a sign-in attempt ended in: success, or failure with the text the user is shown.
struct LoginOutcome
{
    bool success = false;
    QString message;

    friend bool operator==(const LoginOutcome&, const LoginOutcome&) = default;
};

// The login screen's decisions, without a window: what the fields and switches hold and store, which operation an
// action queues, what a sign-in answer means and what the screen shows for it. The window (or the command line)
// wraps one and shows it through a LoginFace.
//
// Threads: everything runs on the main thread, where the deliveries of its own queue arrive, except doLogin() with a
// target of its own, which the root controller calls from the thread of a request that met an expired session. The
// fields are therefore kept under a lock.
class LoginController final
{
public:
    static constexpr QStringView kLoginFailedTitle = u"Login failed.";
    static constexpr QStringView kBadCredentialsText = u"Bad username or password.";
    // The site's answer to the sign-in asks for a captcha: the password may well be right.
    static constexpr QStringView kCaptchaText =
        u"The site asks for a captcha to sign in, so the password was not tried.";
    // What a command line or a check says to do about it.
    static constexpr QStringView kCaptchaAdviceText =
        u"Sign in once on the site's own page from Marrowfin's window (the login alert offers it), or sign in in a "
        u"browser and bring its cookies with \"marrowfin-cli login --cookies FILE\".";
    static constexpr QStringView kCookieAdviceText =
        u"Unknown login error.  Verify you have cookies enabled.  Goto Settings->Safari->Accept Cookies.  Select "
        u"'From visited' or 'Always' and restart the app.";
    static constexpr QStringView kConnectionErrorText = u"Connection error. Verify your data network.";
    static constexpr QStringView kSigningInOverlayText = u"Please wait...";
    static constexpr int kSigningInOverlayOffset = 150;
    static constexpr QStringView kCaptchaOverlayText = u"Loading image...";
    static constexpr int kCaptchaOverlayOffset = -30;

    // A null `context` takes the default HTTP context for every request.
    LoginController(LoginFace& face, std::shared_ptr<SettingsStore> settings,
                    std::shared_ptr<HttpContext> context = nullptr);
    // Stops a captcha fetch in its pause and waits for the queue to be idle.
    ~LoginController();
    LoginController(const LoginController&) = delete;
    LoginController& operator=(const LoginController&) = delete;

    // The screen's set-up: fields and switches from the store; the anonymous switch starts on when nothing is
    // stored and is applied and stored at once.
    void load();

    // The fields as the user left them; any thread.
    [[nodiscard]] QString username() const;
    void setUsername(const QString& username);
    [[nodiscard]] QString password() const;
    void setPassword(const QString& password);
    [[nodiscard]] QString captchaResponse() const;
    void setCaptchaResponse(const QString& response);
    [[nodiscard]] bool automaticLogin() const;
    void setAutomaticLogin(bool on);
    [[nodiscard]] bool anonymousLogin() const;
    // The challenge of the captcha shown; absent before any was fetched, empty after a successful sign-in.
    [[nodiscard]] std::optional<QString> captchaChallenge() const;

    // The anonymous switch: on empties and disables the text fields; the switch is stored either way.
    void toggleAnonymous(bool on);

    // The sign-in button: the quick check when anonymous, else the login check followed by doLogin().
    void login();
    // Cancel while a sign-in from login() waits: its answer, if it still comes, is dropped; the overlay goes and
    // the form works again. Main thread.
    void cancelLogin();
    // Calls login() when the automatic-login switch is on.
    void tryAutoLogin();

    // Continuation of the login check for a named user: doLogin(page, own target, loginResult).
    void doLogin(const std::optional<SignInRequest>& page);
    // Stores the fields and the automatic switch, then, unless `page` is a valid signed-in page (which reports
    // success to this screen at once, whatever the target), queues a sign-in that delivers to `target` and
    // `selector`: on `queue` when given, else on this screen's own; on the worker thread when `onWorkerThread`.
    // Returns true when a sign-in was queued.
    bool doLogin(const std::optional<SignInRequest>& page, QObject* target, FetchPage::Selector selector,
                 OperationQueue* queue = nullptr, bool onWorkerThread = false);

    // The receiver of the sign-in and of the quick check.
    void loginResult(const std::optional<SignInRequest>& request);
    // What a sign-in or check request (null: none came back) means for the user.
    [[nodiscard]] static LoginOutcome outcomeOf(const HttpRequest* request);
    // Shows an outcome: the alert and an enabled button on failure, the main face on success.
    void triedLoggingIn(const LoginOutcome& outcome);
    void switchView();

    // Fetches a new captcha challenge; saveCaptchaImage() takes it, or none once the bounded rounds are spent.
    void reloadCaptchaImage();
    void saveCaptchaImage(const std::optional<QVariantMap>& challenge);
    // Ends the rounds of a captcha fetch in progress, so that the queue is free for a sign-in.
    void stopCaptcha();
    // Rounds and pause of the captcha fetches queued from now on.
    void setCaptchaRetry(int rounds, std::chrono::milliseconds pause);

    [[nodiscard]] OperationQueue& operationQueue() { return m_queue; }

private:
    // The value that reaches the receiver when it runs on the main thread.
    [[nodiscard]] QObject* receiver() { return &m_receiver; }

    LoginFace& m_face;
    std::shared_ptr<SettingsStore> m_settings;
    std::shared_ptr<HttpContext> m_context;

    mutable std::mutex m_mutex; // guards the fields below
    QString m_username;
    QString m_password;
    QString m_captcha;
    bool m_automaticLogin = false;
    bool m_anonymousLogin = true;
    std::optional<QString> m_captchaChallenge;
    // What the sign-in under way was tried with (user name, password, automatic switch): stored once it signs in.
    struct Tried
    {
        QString username;
        QString password;
        bool automatic = false;
    };
    std::optional<Tried> m_tried;

    // Main thread only.
    std::shared_ptr<FetchPageCaptcha> m_captchaOperation;
    int m_captchaRounds;
    std::chrono::milliseconds m_captchaPause;
    // Counts login() calls and cancellations; a delivery made for an older count is dropped.
    int m_attempt = 0;

    // Declared last: the queue is emptied before the receiver of its deliveries goes.
    QObject m_receiver;
    OperationQueue m_queue{1, QStringLiteral("login")};
};

} // namespace marrowfin
