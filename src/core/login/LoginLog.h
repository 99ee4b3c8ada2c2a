#pragma once

#include <QLoggingCategory>

namespace marrowfin {

// "marrowfin.login": sign-in attempts, re-sign-ins and recoveries at debug level, never a password or a cookie.
Q_DECLARE_LOGGING_CATEGORY(lcLogin)

} // namespace marrowfin
