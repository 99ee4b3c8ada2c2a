#include "Device.h"

#include <QPointer>
#include <QWidget>

namespace marrowfin {

namespace {
QPointer<QWidget>& mainWindowSlot()
{
    static QPointer<QWidget> window;
    return window;
}
} // namespace

DeviceKind Device::kindForWidth(int width)
{
    return width >= kTabletWidth ? DeviceKind::Tablet : DeviceKind::Phone;
}

DeviceKind Device::current()
{
    return kindForWidth(screenSize().width());
}

QWidget* Device::mainWindow()
{
    return mainWindowSlot().data();
}

void Device::setMainWindow(QWidget* window)
{
    mainWindowSlot() = window;
}

QSize Device::screenSize()
{
    const QWidget* window = mainWindow();
    return window ? window->size() : kPhoneSize;
}

} // namespace marrowfin
