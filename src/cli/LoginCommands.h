#pragma once

#include "core/watch/SignInChecker.h"

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

    // What "whoami" finds, through the command line's session. With `tryStoredCredentials` and the automatic sign-in
    // on, no session at all is followed by a sign-in with the stored credentials, as the next start would.
    [[nodiscard]] static SignInCheck checkSignIn(CliContext& context, bool tryStoredCredentials);

private:
    // "login --cookies FILE": the site's cookies of the file, taken only when they sign in.
    [[nodiscard]] static int loginWithCookies(CliContext& context, const QString& path);
};

} // namespace marrowfin
