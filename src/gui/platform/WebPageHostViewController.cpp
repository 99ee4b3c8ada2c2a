#include "WebPageHostViewController.h"

#include "Fonts.h"
#include "WebPages.h"

#include <QEvent>
#include <QLabel>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr QStringView kProblemTitle = u"Web pages cannot be shown.";
}

WebPageHostViewController::WebPageHostViewController(const QString& title, const TabBarItem& item, Maker maker,
                                                     QObject* parent)
    : ViewController(parent), m_maker(std::move(maker))
{
    setTitle(title);
    setTabBarItem(item);
}

WebPageHostViewController::~WebPageHostViewController() = default;

void WebPageHostViewController::loadView()
{
    auto* screen = new QWidget;
    screen->setObjectName(u"webHost"_s);
    screen->setAttribute(Qt::WA_StyledBackground);
    screen->setStyleSheet(u"QWidget#webHost { background: #333333; }"_s);
    m_problem = new QLabel(screen);
    m_problem->setObjectName(u"problem"_s);
    m_problem->setWordWrap(true);
    m_problem->setAlignment(Qt::AlignCenter);
    m_problem->setFont(systemFont(15));
    m_problem->setStyleSheet(u"color: #c8c8c8; background: transparent;"_s);
    m_problem->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_problem->hide();
    screen->installEventFilter(this);
    setView(screen);
}

bool WebPageHostViewController::eventFilter(QObject* watched, QEvent* event)
{
    if (isViewLoaded() && watched == view() && event->type() == QEvent::Resize) {
        const QRect area = view()->rect();
        m_problem->setGeometry(area.adjusted(24, 0, -24, 0));
        if (m_page && m_page->isViewLoaded())
            m_page->view()->setGeometry(area);
    }
    return ViewController::eventFilter(watched, event);
}

void WebPageHostViewController::makePage()
{
    if (m_page)
        return;
    WebPages* pages = m_maker ? WebPages::load() : nullptr;
    if (!pages) {
        m_problem->setText(kProblemTitle.toString() + u"\n\n"_s + WebPages::loadError());
        m_problem->show();
        return;
    }
    m_page = m_maker(*pages);
    m_maker = nullptr;
    m_page->setParent(this);
    m_page->setParentViewController(this);
    QWidget* shown = m_page->view();
    shown->setParent(view());
    shown->setGeometry(view()->rect());
    shown->show();
}

void WebPageHostViewController::viewWillAppear(bool animated)
{
    ViewController::viewWillAppear(animated);
    (void)view();
    makePage();
    if (m_page)
        m_page->viewWillAppear(animated);
}

void WebPageHostViewController::viewDidAppear(bool animated)
{
    ViewController::viewDidAppear(animated);
    if (m_page)
        m_page->viewDidAppear(animated);
}

void WebPageHostViewController::viewWillDisappear(bool animated)
{
    ViewController::viewWillDisappear(animated);
    if (m_page)
        m_page->viewWillDisappear(animated);
}

void WebPageHostViewController::viewDidDisappear(bool animated)
{
    ViewController::viewDidDisappear(animated);
    if (m_page)
        m_page->viewDidDisappear(animated);
}

} // namespace marrowfin
