#pragma once

#include <QString>

namespace marrowfin {

// What a sign-in check finds: anonymous use, a user signed in (the stored session, renewed with the stored
// credentials when it expired), or the problem in the login screen's words.
struct SignInCheck
{
    bool signedIn = false;
    bool anonymous = false;
    QString name;
    QString problem;
};

// Checks the stored sign-in against the site the way the face that owns the session does it: the session's recovery
// and the login screen are the face's (the command line's stand-in for them, or the window's own). With the
// automatic sign-in on, no session at all is followed by a sign-in with the stored credentials, as the next start
// would. Runs on the thread of the check that asks, and blocks on that thread's event loop.
class SignInChecker
{
public:
    SignInChecker() = default;
    virtual ~SignInChecker() = default;
    SignInChecker(const SignInChecker&) = delete;
    SignInChecker& operator=(const SignInChecker&) = delete;

    [[nodiscard]] virtual SignInCheck checkSignIn() = 0;
};

} // namespace marrowfin
