#include "ListsLog.h"

Q_LOGGING_CATEGORY(lcLists, "marrowfin.lists", QtInfoMsg)
