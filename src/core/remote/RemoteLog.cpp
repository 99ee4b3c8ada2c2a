#include "RemoteLog.h"

namespace marrowfin {

Q_LOGGING_CATEGORY(lcRemote, "marrowfin.remote", QtInfoMsg)

} // namespace marrowfin
