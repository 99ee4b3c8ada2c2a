#include "TabBarController.h"

#include "Device.h"
#include "MoreListViewController.h"
#include "NavigationController.h"
#include "TabBar.h"

#include <QEvent>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kMoreTitle = u"More"_s;
}

TabBarController::TabBarController(QObject* parent) : ViewController(parent)
{
    m_moreList = new MoreListViewController(*this);
    m_more = new NavigationController(m_moreList, this);
    m_more->setParentViewController(this);
    m_more->setTabBarItem({kMoreTitle, u"tabbar-more"_s, kMoreIndex});
}

TabBarController::~TabBarController()
{
    // The screens' views may sit inside the More stack's view; each screen deletes its own view first.
    qDeleteAll(m_controllers);
    m_controllers.clear();
}

void TabBarController::setViewControllers(const QList<ViewController*>& controllers)
{
    m_controllers = controllers;
    for (ViewController* controller : controllers) {
        controller->setParent(this);
        controller->setParentViewController(this);
        connect(controller, &ViewController::tabBarItemChanged, this, [this] { rebuildBar(); });
    }
    m_selectedIndex = m_controllers.isEmpty() ? kMoreIndex : 0;
    rebuildBar();
    if (m_content)
        setSelectedIndex(m_selectedIndex);
}

ViewController* TabBarController::selectedViewController() const
{
    if (m_selectedIndex == kMoreIndex)
        return m_more;
    return m_controllers.value(m_selectedIndex);
}

int TabBarController::slotCountForWidth() const
{
    const int width = m_content ? m_content->parentWidget()->width() : Device::screenSize().width();
    return Device::kindForWidth(width) == DeviceKind::Tablet ? kTabletSlots : kPhoneSlots;
}

int TabBarController::directTabCount() const
{
    const int count = int(m_controllers.size());
    return count > m_slotCount ? m_slotCount - 1 : count;
}

bool TabBarController::hasMoreTab() const
{
    return m_controllers.size() > m_slotCount;
}

void TabBarController::rebuildBar()
{
    m_slotCount = slotCountForWidth();
    QList<TabBarItem> items;
    for (int index = 0; index < directTabCount(); ++index)
        items.append(m_controllers.at(index)->tabBarItem());
    QList<int> overflow;
    if (hasMoreTab()) {
        items.append(m_more->tabBarItem());
        for (int index = directTabCount(); index < m_controllers.size(); ++index)
            overflow.append(index);
    }
    m_moreList->setIndexes(overflow);
    if (!m_tabBar)
        return;
    m_tabBar->setItems(items);
    const bool inMore = m_selectedIndex == kMoreIndex || m_selectedIndex >= directTabCount();
    m_tabBar->setSelectedSlot(inMore ? int(items.size()) - 1 : m_selectedIndex);
}

void TabBarController::loadView()
{
    auto* view = new QWidget;
    view->setObjectName(u"tabs"_s);
    view->setStyleSheet(u"QWidget#tabs { background: black; }"_s);
    m_content = new QWidget(view);
    m_tabBar = new TabBar(view);
    connect(m_tabBar, &TabBar::slotClicked, this, &TabBarController::selectSlot);
    view->installEventFilter(this);
    setView(view);
    rebuildBar();
    setSelectedIndex(m_selectedIndex);
}

bool TabBarController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_content->parentWidget() && event->type() == QEvent::Resize) {
        const int before = m_slotCount;
        layout();
        if (slotCountForWidth() != before) {
            // The button count changed: a screen may move between the bar and the overflow list.
            rebuildBar();
            setSelectedIndex(m_selectedIndex);
        }
    }
    return ViewController::eventFilter(watched, event);
}

void TabBarController::layout()
{
    QWidget* host = m_content->parentWidget();
    m_tabBar->setGeometry(0, host->height() - TabBar::kHeight, host->width(), TabBar::kHeight);
    m_content->setGeometry(0, 0, host->width(), qMax(0, host->height() - TabBar::kHeight));
    if (m_shown)
        m_shown->view()->setGeometry(m_content->rect());
}

void TabBarController::show(ViewController* controller)
{
    if (!m_content) {
        m_shown = nullptr;
        return;
    }
    ViewController* previous = m_shown;
    if (previous == controller) {
        layout();
        return;
    }
    if (m_appeared && previous)
        previous->viewWillDisappear(false);
    if (m_appeared && controller)
        controller->viewWillAppear(false);
    if (previous && previous->isViewLoaded())
        previous->view()->hide();
    m_shown = controller;
    if (controller) {
        QWidget* widget = controller->view();
        widget->setParent(m_content);
        widget->show();
    }
    layout();
    if (m_appeared && previous)
        previous->viewDidDisappear(false);
    if (m_appeared && controller)
        controller->viewDidAppear(false);
}

void TabBarController::returnToMoreList()
{
    m_more->popToRootViewControllerAnimated(false);
    m_more->setNavigationBarHidden(false);
    m_selectedIndex = kMoreIndex;
}

void TabBarController::showInMore(ViewController* controller, bool animated)
{
    m_more->popToRootViewControllerAnimated(false);
    auto* stack = qobject_cast<NavigationController*>(controller);
    // A screen with a navigation stack of its own keeps its bar; the More stack's bar goes, and the screen's bar
    // leads back to the list.
    m_more->setNavigationBarHidden(stack != nullptr);
    if (stack)
        stack->setRootBackAction(kMoreTitle, [this] { returnToMoreList(); });
    m_more->pushViewController(controller, animated);
    show(m_more);
}

void TabBarController::setSelectedIndex(int index)
{
    if (index != kMoreIndex && (index < 0 || index >= m_controllers.size()))
        return;
    m_selectedIndex = index;
    rebuildBar();
    if (!m_content)
        return;
    if (index == kMoreIndex) {
        returnToMoreList();
        show(m_more);
        return;
    }
    ViewController* controller = m_controllers.at(index);
    if (index < directTabCount()) {
        if (m_more->viewControllers().contains(controller)) {
            returnToMoreList();
            m_selectedIndex = index;
        }
        if (auto* stack = qobject_cast<NavigationController*>(controller))
            stack->setRootBackAction(QString(), nullptr);
        controller->setParentViewController(this);
        show(controller);
    } else {
        if (m_shown == m_more && m_more->topViewController() == controller)
            return;
        showInMore(controller, false);
        m_selectedIndex = index;
    }
}

void TabBarController::selectSlot(int slot)
{
    if (!m_tabBar->isSlotEnabled(slot))
        return;
    ViewController* chosen = nullptr;
    if (hasMoreTab() && slot == directTabCount()) {
        // The More button again, or for the first time: the list, from its top.
        setSelectedIndex(kMoreIndex);
        chosen = m_more;
    } else {
        if (slot == m_selectedIndex) {
            if (auto* stack = qobject_cast<NavigationController*>(m_controllers.at(slot)))
                stack->popToRootViewControllerAnimated(true);
        }
        setSelectedIndex(slot);
        chosen = m_controllers.at(slot);
    }
    if (m_delegate)
        m_delegate->tabBarControllerDidSelectViewController(this, chosen);
}

void TabBarController::selectFromMoreList(int index)
{
    if (index < 0 || index >= m_controllers.size())
        return;
    m_selectedIndex = index;
    showInMore(m_controllers.at(index), true);
    rebuildBar();
    if (m_delegate)
        m_delegate->tabBarControllerDidSelectViewController(this, m_controllers.at(index));
}

void TabBarController::setTabsEnabled(bool enabled)
{
    (void)view();
    m_tabBar->setAllEnabled(enabled);
}

bool TabBarController::tabsEnabled() const
{
    return !m_tabBar || m_tabBar->isAllEnabled();
}

void TabBarController::viewWillAppear(bool animated)
{
    ViewController::viewWillAppear(animated);
    (void)view();
    m_appeared = true;
    layout();
    if (m_shown)
        m_shown->viewWillAppear(animated);
}

void TabBarController::viewDidAppear(bool animated)
{
    ViewController::viewDidAppear(animated);
    if (m_shown)
        m_shown->viewDidAppear(animated);
}

void TabBarController::viewWillDisappear(bool animated)
{
    ViewController::viewWillDisappear(animated);
    if (m_shown)
        m_shown->viewWillDisappear(animated);
}

void TabBarController::viewDidDisappear(bool animated)
{
    ViewController::viewDidDisappear(animated);
    m_appeared = false;
    if (m_shown)
        m_shown->viewDidDisappear(animated);
}

} // namespace marrowfin
