#include "ViewController.h"

#include "Device.h"
#include "NavigationController.h"
#include "TabBarController.h"

#include <QEvent>
#include <QPropertyAnimation>

namespace marrowfin {

ViewController::ViewController(QObject* parent) : QObject(parent) {}

namespace {

// Keeps a presented screen's view over the whole window as the window is resized.
class ModalFrame final : public QObject
{
public:
    ModalFrame(QWidget* window, QWidget* view) : QObject(view), m_view(view) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize && m_view)
            m_view->setGeometry(static_cast<QWidget*>(watched)->rect());
        return false;
    }

private:
    QPointer<QWidget> m_view;
};

} // namespace

ViewController::~ViewController()
{
    delete m_leftBarButtonItem.data();
    delete m_rightBarButtonItem.data();
    delete m_view.data();
}

QWidget* ViewController::view()
{
    if (!m_view && !m_loading) {
        m_loading = true;
        loadView();
        if (!m_view)
            setView(new QWidget);
        m_loading = false;
        viewDidLoad();
    }
    return m_view.data();
}

void ViewController::loadView()
{
    setView(new QWidget);
}

void ViewController::setView(QWidget* view)
{
    m_view = view;
}

void ViewController::setTitle(const QString& title)
{
    if (m_title == title)
        return;
    m_title = title;
    Q_EMIT titleChanged(m_title);
}

void ViewController::setLeftBarButtonItem(QWidget* item)
{
    if (m_leftBarButtonItem == item)
        return;
    delete m_leftBarButtonItem.data();
    m_leftBarButtonItem = item;
    Q_EMIT barButtonItemsChanged();
}

void ViewController::setRightBarButtonItem(QWidget* item)
{
    if (m_rightBarButtonItem == item)
        return;
    delete m_rightBarButtonItem.data();
    m_rightBarButtonItem = item;
    Q_EMIT barButtonItemsChanged();
}

bool ViewController::presentModalViewController(ViewController* controller, bool animated)
{
    if (!controller || m_modalViewController)
        return false;
    // Over the application's window, even while this screen's own view is not in it yet (presented from
    // viewWillAppear, before a stack has put the view in place).
    QWidget* window = Device::mainWindow() ? Device::mainWindow() : view()->window();
    controller->setParent(this);
    controller->m_presentingViewController = this;
    m_modalViewController = controller;
    QWidget* shown = controller->view();
    shown->setParent(window);
    new ModalFrame(window, shown);
    shown->setGeometry(window->rect());
    controller->viewWillAppear(animated);
    shown->show();
    shown->raise();
    if (animated) {
        auto* slide = new QPropertyAnimation(shown, "pos", shown);
        slide->setDuration(NavigationController::kAnimationMilliseconds);
        slide->setStartValue(QPoint(0, window->height()));
        slide->setEndValue(QPoint(0, 0));
        slide->setEasingCurve(QEasingCurve::OutCubic);
        slide->start(QAbstractAnimation::DeleteWhenStopped);
    }
    controller->viewDidAppear(animated);
    return true;
}

void ViewController::dismissModalViewControllerAnimated(bool animated)
{
    if (!m_modalViewController) {
        if (m_presentingViewController)
            m_presentingViewController->dismissModalViewControllerAnimated(animated);
        return;
    }
    ViewController* controller = m_modalViewController;
    m_modalViewController = nullptr;
    controller->m_presentingViewController = nullptr;
    controller->viewWillDisappear(animated);
    QWidget* shown = controller->view();
    // Keys go back to the screen underneath, not to a widget that is about to go.
    if (isViewLoaded())
        view()->setFocus();
    if (!animated) {
        shown->hide();
        controller->viewDidDisappear(false);
        controller->deleteLater();
        return;
    }
    auto* slide = new QPropertyAnimation(shown, "pos", shown);
    slide->setDuration(NavigationController::kAnimationMilliseconds);
    slide->setStartValue(shown->pos());
    slide->setEndValue(QPoint(0, shown->parentWidget() ? shown->parentWidget()->height() : shown->height()));
    slide->setEasingCurve(QEasingCurve::InCubic);
    connect(slide, &QAbstractAnimation::finished, controller, [controller] {
        controller->view()->hide();
        controller->viewDidDisappear(true);
        controller->deleteLater();
    });
    slide->start(QAbstractAnimation::DeleteWhenStopped);
}

void ViewController::setTabBarItem(TabBarItem item)
{
    m_tabBarItem = std::move(item);
    Q_EMIT tabBarItemChanged();
}

NavigationController* ViewController::navigationController() const
{
    for (ViewController* parent = m_parentViewController; parent; parent = parent->parentViewController()) {
        if (auto* navigation = qobject_cast<NavigationController*>(parent))
            return navigation;
    }
    return nullptr;
}

TabBarController* ViewController::tabBarController() const
{
    for (ViewController* parent = m_parentViewController; parent; parent = parent->parentViewController()) {
        if (auto* tabs = qobject_cast<TabBarController*>(parent))
            return tabs;
    }
    return nullptr;
}

void ViewController::viewWillAppear(bool) {}

void ViewController::viewDidAppear(bool)
{
    m_onScreen = true;
}

void ViewController::viewWillDisappear(bool)
{
    m_onScreen = false;
}

void ViewController::viewDidDisappear(bool) {}

} // namespace marrowfin
