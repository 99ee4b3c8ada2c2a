#pragma once

#include "LoginPages.h"

#include "core/net/OperationQueue.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

namespace marrowfin {

class HttpContext;
class LoginController;
class SessionFace;

// The root controller's side of the site session: which face is up (showLogin), whether the session is believed
// valid (sessionValidated), the one background re-sign-in that an expired session starts, and the logout. The
// window wraps one and shows its faces through a SessionFace.
//
// Threads: switchViews(), logout() and start() run on the main thread. The flags are read from any thread;
// sessionInvalidated() runs on the thread of the request that met the expired session, sessionInvalidatedResponse()
// on the worker thread of the re-sign-in, so that a request waiting on the main thread can still be released.
// The flags are atomics; whoever makes the session valid again also wakes the waiting requests, under the lock of
// their condition.
class SessionController final
{
public:
    enum class WaitOutcome
    {
        Validated, // the session is valid again: send again
        GaveUp,    // the re-sign-in failed and this waiter does not wait for the user
    };

    // A null `context` takes the default HTTP context for the re-sign-in and the logout's cookie store.
    explicit SessionController(SessionFace& face, std::shared_ptr<HttpContext> context = nullptr);
    ~SessionController();
    SessionController(const SessionController&) = delete;
    SessionController& operator=(const SessionController&) = delete;

    // The login screen whose fields a re-sign-in uses; replaced with each new login face.
    void setLoginController(std::shared_ptr<LoginController> login);
    [[nodiscard]] std::shared_ptr<LoginController> loginController() const;

    // Start-up: the session is believed valid, the login face is up, and the login screen may sign in on its own.
    void start();

    [[nodiscard]] bool showLogin() const { return m_showLogin.load(); }
    void setShowLogin(bool shown) { m_showLogin.store(shown); }
    [[nodiscard]] bool sessionValidated() const { return m_sessionValidated.load(); }
    // Setting it true releases the waiting requests.
    void setSessionValidated(bool valid);

    // Switches to the other face; entering the main face makes the session valid again.
    void switchViews();
    // Deletes the site's and the captcha service's cookies and shows the login face. Stored credentials, switches
    // and the signed-in user record stay.
    void logout();
    // The logout's cookie deletion alone; returns how many cookies went.
    int deleteSiteCookies();

    // The recovery's atomic test-and-clear: true for exactly one of the callers that find the session valid, which
    // must then call sessionInvalidated().
    [[nodiscard]] bool testAndClearSessionValidated();
    // Starts the background re-sign-in with the login screen's fields, on this controller's own queue.
    void sessionInvalidated();
    // The re-sign-in's answer, on its worker thread: valid again, or a logout on the main thread.
    void sessionInvalidatedResponse(const std::optional<SignInRequest>& request);

    // Blocks until the session is valid again. With `mayWaitForUser` false it also returns (GaveUp) once no
    // re-sign-in is running any more and the session is still not valid: the main thread must not wait for a
    // sign-in that needs it, and the command line has no user to wait for.
    [[nodiscard]] WaitOutcome waitUntilValidated(bool mayWaitForUser);

    // Whether requests on worker threads wait for the user after a failed re-sign-in (the window: yes). The
    // command line turns it off: its requests end with no result instead.
    void setWorkersWaitForUser(bool wait) { m_workersWaitForUser.store(wait); }
    [[nodiscard]] bool workersWaitForUser() const { return m_workersWaitForUser.load(); }

    // The window is going away: requests waiting for the session end now with no result, and none waits from now
    // on, so that the screens' queues can drain. Any thread.
    void close();
    [[nodiscard]] bool isClosed() const;

    // How many re-sign-ins have started in this run.
    [[nodiscard]] int reSignInsStarted() const { return m_reSignIns.load(); }
    // The failure text of the last re-sign-in that failed; absent when none has.
    [[nodiscard]] std::optional<QString> lastReSignInFailure() const;

    // The queue the re-sign-in runs on; idle when no re-sign-in is running.
    [[nodiscard]] OperationQueue& reSignInQueue() { return m_queue; }

private:
    SessionFace& m_face;
    std::shared_ptr<HttpContext> m_context;
    std::atomic<bool> m_showLogin{false};
    std::atomic<bool> m_sessionValidated{true};
    std::atomic<bool> m_workersWaitForUser{true};
    std::atomic<int> m_reSignIns{0};

    mutable std::mutex m_mutex; // guards the fields below and orders flag changes against the waiters
    std::condition_variable m_changed;
    bool m_signingIn = false;
    bool m_closed = false;
    std::optional<QString> m_lastFailure;
    std::shared_ptr<LoginController> m_login;

    // Declared last: the queue is emptied before the receiver of the logout goes.
    QObject m_receiver;
    OperationQueue m_queue{1, QStringLiteral("re-sign-in")};
};

} // namespace marrowfin
