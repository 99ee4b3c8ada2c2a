#pragma once

#include <QLoggingCategory>

// "marrowfin.settings": key names, paths and outcomes only, never a stored value (two of them are passwords).
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
