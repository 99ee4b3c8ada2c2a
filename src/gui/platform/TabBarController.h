#pragma once

#include "ViewController.h"

#include <QList>
#include <QPointer>

namespace marrowfin {

class MoreListViewController;
class NavigationController;
class TabBar;
class TabBarController;

class TabBarControllerDelegate
{
public:
    virtual ~TabBarControllerDelegate() = default;
    // The user chose a tab (a tab of the bar, or one from the overflow list); `controller` is the More stack when
    // the user opened the overflow list itself.
    virtual void tabBarControllerDidSelectViewController(TabBarController* tabs, ViewController* controller) = 0;
};

// The main face: the tab screens and a bar of their buttons at the bottom. When there are more screens than the bar
// has room for (5 buttons on a phone, 8 on a tablet), the last button is "More", which opens a list of the rest in
// a navigation stack of its own.
//
// Owns its screens. Indexes are positions in viewControllers(), wherever the screen is shown.
class TabBarController : public ViewController
{
    Q_OBJECT

public:
    static constexpr int kPhoneSlots = 5;
    static constexpr int kTabletSlots = 8;
    static constexpr int kMoreIndex = -1;

    explicit TabBarController(QObject* parent = nullptr);
    ~TabBarController() override;

    void setViewControllers(const QList<ViewController*>& controllers);
    [[nodiscard]] const QList<ViewController*>& viewControllers() const { return m_controllers; }

    // The selected screen's index; kMoreIndex while the overflow list itself is shown.
    [[nodiscard]] int selectedIndex() const { return m_selectedIndex; }
    [[nodiscard]] ViewController* selectedViewController() const;
    // Shows the screen at `index` (through the overflow list when it has no button); the delegate is not told.
    void setSelectedIndex(int index);

    [[nodiscard]] NavigationController* moreNavigationController() const { return m_more; }
    [[nodiscard]] TabBar* tabBar() const { return m_tabBar; }

    void setDelegate(TabBarControllerDelegate* delegate) { m_delegate = delegate; }

    // How many screens have a button of their own at the current width.
    [[nodiscard]] int directTabCount() const;
    [[nodiscard]] bool hasMoreTab() const;

    // Disables or enables every button, "More" included.
    void setTabsEnabled(bool enabled);
    [[nodiscard]] bool tabsEnabled() const;

    // What a click on a button does; the bar's clicks come here.
    void selectSlot(int slot);
    // What choosing a row of the overflow list does.
    void selectFromMoreList(int index);

    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidDisappear(bool animated) override;

protected:
    void loadView() override;

private:
    [[nodiscard]] int slotCountForWidth() const;
    void rebuildBar();
    void show(ViewController* controller);
    void showInMore(ViewController* controller, bool animated);
    void returnToMoreList();
    bool eventFilter(QObject* watched, QEvent* event) override;
    void layout();

    QList<ViewController*> m_controllers;
    int m_selectedIndex = 0;
    QPointer<ViewController> m_shown; // the screen (or the More stack) whose view is in the content area
    NavigationController* m_more = nullptr;
    MoreListViewController* m_moreList = nullptr;
    TabBar* m_tabBar = nullptr;
    QWidget* m_content = nullptr;
    TabBarControllerDelegate* m_delegate = nullptr;
    bool m_appeared = false;
    int m_slotCount = kPhoneSlots;
};

} // namespace marrowfin
