#pragma once

#include "ViewController.h"

#include <QList>
#include <QPointer>

#include <functional>

class QPropertyAnimation;
class QStackedLayout;

namespace marrowfin {

class NavigationBar;

// A stack of screens with a bar on top: push shows a screen over the current one (sliding in from the right when
// animated), pop goes back. The bar shows the top screen's title and a back button to the screen below.
//
// A pushed screen that has no QObject parent yet is owned by the stack and deleted when popped; one owned elsewhere
// (a tab shown through the overflow list) is only taken off the stack.
class NavigationController : public ViewController
{
    Q_OBJECT

public:
    explicit NavigationController(ViewController* rootViewController, QObject* parent = nullptr);
    ~NavigationController() override;

    [[nodiscard]] const QList<ViewController*>& viewControllers() const { return m_stack; }
    [[nodiscard]] ViewController* topViewController() const { return m_stack.isEmpty() ? nullptr : m_stack.last(); }
    [[nodiscard]] ViewController* rootViewController() const { return m_stack.isEmpty() ? nullptr : m_stack.first(); }

    void pushViewController(ViewController* controller, bool animated);
    // Pops the top screen; when the top is a stack of its own holding more than its root, that stack pops instead.
    ViewController* popViewControllerAnimated(bool animated);
    void popToRootViewControllerAnimated(bool animated);

    [[nodiscard]] bool isNavigationBarHidden() const { return m_barHidden; }
    void setNavigationBarHidden(bool hidden, bool animated = false);
    [[nodiscard]] NavigationBar* navigationBar() const { return m_bar; }

    // A way back from the root screen, e.g. to the overflow list that showed this stack: the bar shows a back button
    // with `title` at the root too. An empty title removes it.
    void setRootBackAction(const QString& title, std::function<void()> action);
    [[nodiscard]] bool hasRootBackAction() const { return bool(m_rootBackAction); }

    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidDisappear(bool animated) override;

    static constexpr int kAnimationMilliseconds = 250;

protected:
    void loadView() override;

private:
    void adopt(ViewController* controller);
    void showTop(ViewController* previous, bool animated, bool forward);
    // Ends the running slide at once, as if it had run its course. A push or pop while one runs (a logout that
    // empties the stack under the screen still sliding in) calls it first, so that the end of the old slide cannot
    // hide what the new change shows.
    void endSlide();
    void release(ViewController* controller);
    void updateBar();
    void layoutContent();
    bool eventFilter(QObject* watched, QEvent* event) override;

    QList<ViewController*> m_stack;
    NavigationBar* m_bar = nullptr;
    QWidget* m_content = nullptr;
    bool m_barHidden = false;
    QString m_rootBackTitle;
    std::function<void()> m_rootBackAction;
    // The running slide, the screen it moves and what its end does; empty when none runs.
    QPointer<QPropertyAnimation> m_slide;
    QPointer<QWidget> m_slideMoving;
    std::function<void()> m_slideFinish;
};

} // namespace marrowfin
