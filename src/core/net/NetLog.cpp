#include "NetLog.h"

namespace marrowfin {

Q_LOGGING_CATEGORY(lcNet, "marrowfin.net", QtInfoMsg)

} // namespace marrowfin
