#include "LoginLog.h"

namespace marrowfin {

Q_LOGGING_CATEGORY(lcLogin, "marrowfin.login", QtInfoMsg)

} // namespace marrowfin
