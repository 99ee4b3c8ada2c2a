#pragma once

#include <QLoggingCategory>

// "marrowfin.lists": filters that cannot be used, and why.
Q_DECLARE_LOGGING_CATEGORY(lcLists)
