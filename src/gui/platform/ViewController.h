#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace marrowfin {

class NavigationController;
class TabBarController;

// What a screen shows in the tab bar: a title, a picture by name and a tag.
struct TabBarItem
{
    QString title;
    QString imageName;
    int tag = 0;
    // What a screen reader says for the tab, when its title does not read well aloud; empty: the title.
    QString accessibleName = {};
    // A short text in a badge on the tab's picture (a count of what is new there); empty: no badge.
    QString badgeValue = {};
};

// A screen: owns one view, made on first use (loadView, then viewDidLoad), and hears when it comes and goes
// (viewWillAppear/viewDidAppear/viewWillDisappear/viewDidDisappear) from the container that shows it: a navigation
// stack, the tab bar or the window's root. Main thread only.
//
// Containers own the screens they are given (as QObject children); a screen owns its view. Deleting a screen
// deletes its view.
class ViewController : public QObject
{
    Q_OBJECT

public:
    explicit ViewController(QObject* parent = nullptr);
    ~ViewController() override;

    // The screen's view; loaded on the first call.
    [[nodiscard]] QWidget* view();
    [[nodiscard]] bool isViewLoaded() const { return !m_view.isNull(); }

    [[nodiscard]] const QString& title() const { return m_title; }
    void setTitle(const QString& title);
    [[nodiscard]] const TabBarItem& tabBarItem() const { return m_tabBarItem; }
    void setTabBarItem(TabBarItem item);

    // The container that shows this screen, and the nearest navigation stack and tab bar above it.
    [[nodiscard]] ViewController* parentViewController() const { return m_parentViewController; }
    void setParentViewController(ViewController* parent) { m_parentViewController = parent; }
    [[nodiscard]] NavigationController* navigationController() const;
    [[nodiscard]] TabBarController* tabBarController() const;

    // Between viewDidAppear and viewWillDisappear.
    [[nodiscard]] bool isOnScreen() const { return m_onScreen; }

    // Buttons the navigation bar shows while this screen is the top of its stack: the left one in place of the back
    // button, the right one at the bar's right end. The screen owns them; setting another deletes the old one.
    [[nodiscard]] QWidget* leftBarButtonItem() const { return m_leftBarButtonItem; }
    void setLeftBarButtonItem(QWidget* item);
    [[nodiscard]] QWidget* rightBarButtonItem() const { return m_rightBarButtonItem; }
    void setRightBarButtonItem(QWidget* item);

    // A screen shown over the whole window until dismissed (a form that must be finished or cancelled first); this
    // screen owns it. Animated, it slides up from the bottom. Presenting while another is shown replaces nothing and
    // returns false.
    bool presentModalViewController(ViewController* controller, bool animated);
    // Takes the presented screen away (sliding down when animated) and deletes it once it is off screen. Called on
    // the presented screen, it dismisses itself from its presenter.
    void dismissModalViewControllerAnimated(bool animated);
    [[nodiscard]] ViewController* modalViewController() const { return m_modalViewController; }
    [[nodiscard]] ViewController* presentingViewController() const { return m_presentingViewController; }

    // Called by containers; subclasses override and call the base.
    virtual void viewWillAppear(bool animated);
    virtual void viewDidAppear(bool animated);
    virtual void viewWillDisappear(bool animated);
    virtual void viewDidDisappear(bool animated);

Q_SIGNALS:
    void titleChanged(const QString& title);
    void tabBarItemChanged();
    void barButtonItemsChanged();

protected:
    // Makes the view: a plain widget unless overridden (an override calls setView()).
    virtual void loadView();
    // After the view was made.
    virtual void viewDidLoad() {}
    void setView(QWidget* view);

private:
    QPointer<QWidget> m_view;
    bool m_loading = false;
    QString m_title;
    TabBarItem m_tabBarItem;
    QPointer<ViewController> m_parentViewController;
    bool m_onScreen = false;
    QPointer<QWidget> m_leftBarButtonItem;
    QPointer<QWidget> m_rightBarButtonItem;
    QPointer<ViewController> m_modalViewController;
    QPointer<ViewController> m_presentingViewController;
};

} // namespace marrowfin
