#include "NavigationController.h"

#include "NavigationBar.h"

#include <QEvent>
#include <QPropertyAnimation>
#include <QResizeEvent>

#include <utility>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

NavigationController::NavigationController(ViewController* rootViewController, QObject* parent) : ViewController(parent)
{
    if (rootViewController) {
        adopt(rootViewController);
        m_stack.append(rootViewController);
    }
}

NavigationController::~NavigationController() = default;

void NavigationController::adopt(ViewController* controller)
{
    if (!controller->parent())
        controller->setParent(this);
    controller->setParentViewController(this);
    connect(controller, &ViewController::titleChanged, this, [this] { updateBar(); });
    connect(controller, &ViewController::barButtonItemsChanged, this, [this] { updateBar(); });
}

void NavigationController::release(ViewController* controller)
{
    disconnect(controller, nullptr, this, nullptr);
    if (controller->isViewLoaded())
        controller->view()->hide();
    if (controller->parent() == this)
        controller->deleteLater();
    else
        controller->setParentViewController(nullptr);
}

void NavigationController::loadView()
{
    auto* view = new QWidget;
    view->setObjectName(u"navigation"_s);
    m_bar = new NavigationBar(view);
    m_content = new QWidget(view);
    view->installEventFilter(this);
    connect(m_bar, &NavigationBar::backClicked, this, [this] {
        if (m_stack.size() > 1)
            popViewControllerAnimated(true);
        else if (m_rootBackAction)
            m_rootBackAction();
    });
    setView(view);
    if (ViewController* top = topViewController()) {
        top->view()->setParent(m_content);
        top->view()->show();
    }
    updateBar();
    layoutContent();
}

bool NavigationController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view() && event->type() == QEvent::Resize)
        layoutContent();
    return ViewController::eventFilter(watched, event);
}

void NavigationController::layoutContent()
{
    if (!m_content)
        return;
    QWidget* host = view();
    const int barHeight = m_barHidden ? 0 : NavigationBar::kHeight;
    m_bar->setGeometry(0, 0, host->width(), NavigationBar::kHeight);
    m_bar->setVisible(!m_barHidden);
    m_content->setGeometry(0, barHeight, host->width(), qMax(0, host->height() - barHeight));
    if (ViewController* top = topViewController())
        top->view()->setGeometry(0, 0, m_content->width(), m_content->height());
}

void NavigationController::updateBar()
{
    if (!m_bar)
        return;
    ViewController* top = topViewController();
    m_bar->setTitle(top ? top->title() : QString());
    m_bar->setItems(top ? top->leftBarButtonItem() : nullptr, top ? top->rightBarButtonItem() : nullptr);
    if (m_stack.size() > 1) {
        const QString back = m_stack.at(m_stack.size() - 2)->title();
        m_bar->setBackTitle(back.isEmpty() ? u"Back"_s : back);
    } else {
        m_bar->setBackTitle(m_rootBackAction ? m_rootBackTitle : QString());
    }
}

void NavigationController::setRootBackAction(const QString& title, std::function<void()> action)
{
    m_rootBackTitle = title;
    m_rootBackAction = title.isEmpty() ? nullptr : std::move(action);
    updateBar();
}

void NavigationController::setNavigationBarHidden(bool hidden, bool)
{
    if (m_barHidden == hidden)
        return;
    m_barHidden = hidden;
    layoutContent();
}

void NavigationController::endSlide()
{
    std::function<void()> finish = std::exchange(m_slideFinish, nullptr);
    if (QPropertyAnimation* slide = m_slide.data()) {
        m_slide.clear();
        slide->stop();
    }
    if (m_slideMoving) {
        m_slideMoving->move(0, 0);
    }
    m_slideMoving.clear();
    if (finish) {
        finish();
    }
}

void NavigationController::showTop(ViewController* previous, bool animated, bool forward)
{
    endSlide();
    ViewController* top = topViewController();
    const bool onScreen = isOnScreen() && view()->isVisible();
    if (!m_content) {
        // Not loaded yet: the stack is laid out when the view is made.
        if (previous && previous->isViewLoaded())
            previous->view()->hide();
        return;
    }
    if (onScreen) {
        if (previous)
            previous->viewWillDisappear(animated);
        if (top)
            top->viewWillAppear(animated);
    }
    QWidget* incoming = top ? top->view() : nullptr;
    QWidget* outgoing = previous && previous->isViewLoaded() ? previous->view() : nullptr;
    if (incoming) {
        incoming->setParent(m_content);
        incoming->setGeometry(0, 0, m_content->width(), m_content->height());
        incoming->show();
        incoming->raise();
    }
    updateBar();

    auto finish = [this, previous = QPointer<ViewController>(previous), top = QPointer<ViewController>(top),
                   outgoing = QPointer<QWidget>(outgoing), animated, onScreen] {
        if (outgoing && (!top || outgoing != top->view()))
            outgoing->hide();
        if (onScreen) {
            if (previous)
                previous->viewDidDisappear(animated);
            if (top)
                top->viewDidAppear(animated);
        }
        if (previous && !m_stack.contains(previous.data()))
            release(previous);
    };

    if (!animated || !incoming || !outgoing || !onScreen) {
        finish();
        return;
    }
    // Forward: the new screen slides in from the right over the old one. Back: the old one slides out to the right.
    const int width = m_content->width();
    QWidget* moving = forward ? incoming : outgoing;
    if (!forward)
        outgoing->raise();
    auto* slide = new QPropertyAnimation(moving, "pos", moving);
    slide->setDuration(kAnimationMilliseconds);
    slide->setEasingCurve(QEasingCurve::OutCubic);
    slide->setStartValue(QPoint(forward ? width : 0, 0));
    slide->setEndValue(QPoint(forward ? 0 : width, 0));
    m_slide = slide;
    m_slideMoving = moving;
    m_slideFinish = std::move(finish);
    connect(slide, &QPropertyAnimation::finished, this, [this] { endSlide(); });
    slide->start(QAbstractAnimation::DeleteWhenStopped);
}

void NavigationController::pushViewController(ViewController* controller, bool animated)
{
    if (!controller || m_stack.contains(controller))
        return;
    ViewController* previous = topViewController();
    adopt(controller);
    m_stack.append(controller);
    showTop(previous, animated, true);
}

ViewController* NavigationController::popViewControllerAnimated(bool animated)
{
    // A stack shown inside this one (a tab the overflow list showed) goes back first within itself.
    if (auto* inner = qobject_cast<NavigationController*>(topViewController());
        inner && inner->viewControllers().size() > 1) {
        return inner->popViewControllerAnimated(animated);
    }
    if (m_stack.size() < 2)
        return nullptr;
    ViewController* popped = m_stack.takeLast();
    showTop(popped, animated, false);
    return popped;
}

void NavigationController::popToRootViewControllerAnimated(bool animated)
{
    if (m_stack.size() < 2)
        return;
    ViewController* previous = m_stack.takeLast();
    // The screens between the root and the top go without being shown.
    while (m_stack.size() > 1)
        release(m_stack.takeLast());
    showTop(previous, animated, false);
}

void NavigationController::viewWillAppear(bool animated)
{
    ViewController::viewWillAppear(animated);
    (void)view();
    layoutContent();
    if (ViewController* top = topViewController())
        top->viewWillAppear(animated);
}

void NavigationController::viewDidAppear(bool animated)
{
    ViewController::viewDidAppear(animated);
    if (ViewController* top = topViewController())
        top->viewDidAppear(animated);
}

void NavigationController::viewWillDisappear(bool animated)
{
    ViewController::viewWillDisappear(animated);
    if (ViewController* top = topViewController())
        top->viewWillDisappear(animated);
}

void NavigationController::viewDidDisappear(bool animated)
{
    ViewController::viewDidDisappear(animated);
    if (ViewController* top = topViewController())
        top->viewDidDisappear(animated);
}

} // namespace marrowfin
