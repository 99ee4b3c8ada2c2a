#pragma once

#include <QLoggingCategory>

namespace marrowfin {

// "marrowfin.remote": why a send or a remote page fetch failed (debug), a history that could not be written
// (warning). Never a password: addresses are logged without their user part.
Q_DECLARE_LOGGING_CATEGORY(lcRemote)

} // namespace marrowfin
