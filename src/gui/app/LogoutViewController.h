#pragma once

#include "gui/platform/ViewController.h"

namespace marrowfin {

class SwitchViewController;

// The last tab. Choosing it signs out: the first tab is selected again, the overflow list goes back to its top and
// the root controller logs out, which shows the login screen.
class LogoutViewController final : public ViewController
{
    Q_OBJECT

public:
    static constexpr QStringView kTitle = u"Logout";
    static constexpr QStringView kImage = u"tabbar-logout.png";

    explicit LogoutViewController(SwitchViewController& root, QObject* parent = nullptr);

    void viewWillAppear(bool animated) override;

private:
    SwitchViewController& m_root;
};

} // namespace marrowfin
