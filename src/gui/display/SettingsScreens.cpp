#include "SettingsScreens.h"

#include "gui/platform/NavigationController.h"
#include "gui/ui/BarButtonItem.h"

#include <QShortcut>
#include <QWidget>

namespace marrowfin::settingsscreens {

using namespace Qt::Literals::StringLiterals;

ImageButton* newBackButton()
{
    return makeBarButtonItem(kBackImage, kBackTitle.toString());
}

QObject* sharedScreensOwner()
{
    static QObject* const owner = new QObject;
    return owner;
}

void addEscapeShortcut(QWidget* view, QObject* receiver, std::function<void()> action)
{
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), view);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(escape, &QShortcut::activated, receiver, std::move(action));
}

void leave(ViewController& screen)
{
    NavigationController* stack = screen.navigationController();
    if (stack && stack->topViewController() == &screen && stack->viewControllers().size() > 1)
        stack->popViewControllerAnimated(false);
}

void paintSettingsBackground(QWidget* widget, const QString& objectName, const QString& moreRules)
{
    widget->setObjectName(objectName);
    widget->setAttribute(Qt::WA_StyledBackground);
    const QColor grey = QColor::fromRgbF(kBackgroundGrey, kBackgroundGrey, kBackgroundGrey);
    widget->setStyleSheet(QStringLiteral("QWidget#%1 { background: %2; }").arg(objectName, grey.name()) + moreRules);
}

void styleScrollArea(QWidget* scrollArea)
{
    scrollArea->setStyleSheet(
        u"QScrollArea { border: none; }"
        u"QScrollBar:vertical { width: 6px; background: transparent; margin: 2px 0; }"
        u"QScrollBar::handle:vertical { background: #6a6a6a; border-radius: 3px; min-height: 30px; }"
        u"QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        u"QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }"_s);
}

} // namespace marrowfin::settingsscreens
