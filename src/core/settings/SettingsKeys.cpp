#include "SettingsKeys.h"

#include <algorithm>

namespace marrowfin {

const SettingDescription* findSetting(QStringView key)
{
    const auto it = std::find_if(kSettingsTable.begin(), kSettingsTable.end(),
                                 [key](const SettingDescription& row) { return row.key == key; });
    return it == kSettingsTable.end() ? nullptr : &*it;
}

QStringView settingKindName(SettingKind kind)
{
    switch (kind) {
    case SettingKind::Text:
        return u"text";
    case SettingKind::Number:
        return u"number";
    case SettingKind::TextList:
        return u"list";
    }
    return {};
}

bool automaticLoginIsOn(const std::optional<QString>& stored)
{
    return stored.has_value() && *stored != kSettingNo;
}

bool anonymousLoginIsOn(const std::optional<QString>& stored)
{
    return !stored.has_value() || *stored != kSettingNo;
}

bool watchFlagIsOn(const std::optional<QString>& stored)
{
    return stored.has_value() && *stored == kSettingYes;
}

QString settingFlagText(bool on)
{
    return (on ? kSettingYes : kSettingNo).toString();
}

} // namespace marrowfin
