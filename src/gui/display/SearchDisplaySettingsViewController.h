#pragma once

#include "DisplaySettingsViewController.h"

namespace marrowfin {

// The search's own category, order and sort: the listing's settings screen over the search keys, so a choice made
// for searches leaves the newest listing's as it was, and the reverse. Main thread only.
class SearchDisplaySettingsViewController final : public DisplaySettingsViewController
{
    Q_OBJECT

public:
    static constexpr QStringView kTitle = u"Search Settings";

    explicit SearchDisplaySettingsViewController(std::shared_ptr<SettingsStore> settings, QObject* parent = nullptr);

    // The one search settings screen, apart from the listing's, made on first use over SettingsStore::shared()
    // and never freed; the search screen's settings button pushes it.
    [[nodiscard]] static SearchDisplaySettingsViewController& sharedInstance();
};

} // namespace marrowfin
