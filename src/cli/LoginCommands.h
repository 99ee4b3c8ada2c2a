#pragma once

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
};

} // namespace marrowfin
