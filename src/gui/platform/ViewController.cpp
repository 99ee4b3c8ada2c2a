#include "ViewController.h"

#include "NavigationController.h"
#include "TabBarController.h"

namespace marrowfin {

ViewController::ViewController(QObject* parent) : QObject(parent) {}

ViewController::~ViewController()
{
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
