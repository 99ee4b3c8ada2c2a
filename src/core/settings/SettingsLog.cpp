#include "SettingsLog.h"

Q_LOGGING_CATEGORY(lcSettings, "marrowfin.settings", QtInfoMsg)
