#pragma once

#include "SettingsStore.h"

#include <QString>

namespace marrowfin {

// Start-up's record of the running build: writes "Marrowfin_version" only when the stored text differs from
// `buildVersion` or none is stored, so an unchanged build leaves the file untouched. Returns whether it wrote
// (false also when the write failed; the store reports that).
bool recordBuildVersion(SettingsStore& store, const QString& buildVersion);

} // namespace marrowfin
