#pragma once

#include <QLoggingCategory>

namespace marrowfin {

// "marrowfin.net": transport failures and the posted-body diagnostic line at debug level, problems that lose data
// (a cookie file kept aside, an unreadable page pattern) at warning level. Debug is off by default.
Q_DECLARE_LOGGING_CATEGORY(lcNet)

} // namespace marrowfin
