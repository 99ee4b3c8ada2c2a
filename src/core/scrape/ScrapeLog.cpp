#include "ScrapeLog.h"

namespace marrowfin {

Q_LOGGING_CATEGORY(lcScrape, "marrowfin.scrape", QtInfoMsg)

} // namespace marrowfin
