#pragma once

#include <QString>
#include <QStringList>

namespace marrowfin {

class CliContext;

// The site session on the command line: "login", "logout" and "whoami". The session is the site's cookie in the
// profile's cookie store, so it lasts from one run to the next.
class LoginCommands final
{
public:
    [[nodiscard]] static int login(CliContext& context, const QStringList& arguments);
    [[nodiscard]] static int logout(CliContext& context, const QStringList& arguments);
    [[nodiscard]] static int whoami(CliContext& context, const QStringList& arguments);

    // What "whoami" finds: anonymous use, a user signed in (the stored session, renewed with the stored credentials
    // when it expired), or the problem in the login screen's words. With `tryStoredCredentials` and the automatic
    // sign-in on, no session at all is followed by a sign-in with the stored credentials, as the next start would.
    struct SignInCheck
    {
        bool signedIn = false;
        bool anonymous = false;
        QString name;
        QString problem;
    };
    [[nodiscard]] static SignInCheck checkSignIn(CliContext& context, bool tryStoredCredentials);
};

} // namespace marrowfin
