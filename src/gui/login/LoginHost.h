#pragma once

#include "gui/platform/WebPages.h"

#include <QString>
#include <QStringList>

namespace marrowfin {

// What the login screen asks of the root controller that shows it.
class LoginHost
{
public:
    virtual ~LoginHost() = default;
    // The sign-in succeeded: show the main tabs.
    virtual void switchViews() = 0;
    // An alert over the window.
    virtual void presentAlert(const QString& title, const QString& message, const QStringList& buttons) = 0;
    // The site's own page over the window, for what a sign-in here cannot get past (a captcha).
    virtual void openSiteDoor(SiteDoor door) = 0;

protected:
    LoginHost() = default;
    LoginHost(const LoginHost&) = default;
    LoginHost& operator=(const LoginHost&) = default;
};

} // namespace marrowfin
