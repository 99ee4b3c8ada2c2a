#include "BuildVersionRecord.h"

#include "SettingsKeys.h"

namespace marrowfin {

bool recordBuildVersion(SettingsStore& store, const QString& buildVersion)
{
    if (store.text(SettingsKeys::version) == buildVersion) {
        return false;
    }
    return store.setText(SettingsKeys::version, buildVersion);
}

} // namespace marrowfin
