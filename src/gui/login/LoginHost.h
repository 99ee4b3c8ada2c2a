#pragma once

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

protected:
    LoginHost() = default;
    LoginHost(const LoginHost&) = default;
    LoginHost& operator=(const LoginHost&) = default;
};

} // namespace marrowfin
