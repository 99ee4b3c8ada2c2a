#include "LogoutViewController.h"

#include "SwitchViewController.h"

#include "gui/platform/NavigationController.h"
#include "gui/platform/TabBarController.h"

#include <QLoggingCategory>
#include <QTimer>

namespace marrowfin {

Q_LOGGING_CATEGORY(lcApp, "marrowfin.app", QtWarningMsg)

LogoutViewController::LogoutViewController(SwitchViewController& root, QObject* parent)
    : ViewController(parent), m_root(root)
{
    setTitle(kTitle.toString());
    setTabBarItem({kTitle.toString(), kImage.toString(), 8});
}

void LogoutViewController::viewWillAppear(bool animated)
{
    ViewController::viewWillAppear(animated);
    qCDebug(lcApp) << "viewWillAppear";
    if (NavigationController* stack = navigationController())
        stack->setNavigationBarHidden(true);
    // After the tab bar has finished showing this screen: selecting another tab from inside the switch would
    // interleave the two.
    QTimer::singleShot(0, &m_root, [root = &m_root] {
        if (TabBarController* tabs = root->tabBarController()) {
            tabs->setSelectedIndex(0);
            tabs->moreNavigationController()->popToRootViewControllerAnimated(false);
        }
        root->logout();
    });
}

} // namespace marrowfin
