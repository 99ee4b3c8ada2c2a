#pragma once

#include <QLoggingCategory>

namespace marrowfin {

// "marrowfin.scrape": a page that the patterns could not be run over (a hostile or broken page, ended by the match
// time limit), which then counts as a failed fetch, at warning level. Pages themselves never reach the log: they
// may hold the user's details. Debug is off by default.
Q_DECLARE_LOGGING_CATEGORY(lcScrape)

} // namespace marrowfin
