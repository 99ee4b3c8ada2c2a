#include "MarrowfinAppDelegate.h"

#include "MainWindow.h"
#include "SwitchViewController.h"
#include "WindowAlertSink.h"

#include "core/app/Profile.h"
#include "gui/platform/Device.h"

#include <QDir>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {
MarrowfinAppDelegate* g_shared = nullptr;
}

MarrowfinAppDelegate::MarrowfinAppDelegate(Profile& profile, QObject* parent)
    : QObject(parent), m_profile(profile), m_window(std::make_unique<MainWindow>(geometryFile(profile.configDir())))
{
    g_shared = this;
    Device::setMainWindow(m_window.get());
    m_viewController = new SwitchViewController(profile.sharedSettings(), this);
    m_alerts = std::make_shared<WindowAlertSink>(*m_viewController);
    AlertSink::install(m_alerts);
    m_alerts->sayFailedWrites();
    m_window->setRefreshAction([root = m_viewController] { root->refreshCurrentScreen(); });
    m_window->setBackAction([root = m_viewController] { root->goBack(); });
    m_window->setSearchAction([root = m_viewController] { root->focusSearch(); });
    // While the favorites are watched, closing may leave the watch running in the tray.
    m_window->setCloseFilter([root = m_viewController] { return root->keepWindowOnClose(); });
}

MarrowfinAppDelegate::~MarrowfinAppDelegate()
{
    // Operations still running may raise alerts while the screens wait for them; they are no longer shown.
    m_alerts->close();
    AlertSink::install(nullptr);
    delete m_viewController;
    m_window.reset();
    Device::setMainWindow(nullptr);
    if (g_shared == this)
        g_shared = nullptr;
}

MarrowfinAppDelegate* MarrowfinAppDelegate::shared()
{
    return g_shared;
}

QString MarrowfinAppDelegate::geometryFile(const QString& configDir)
{
    return configDir.isEmpty() ? QString() : QDir(configDir).filePath(u"window.conf"_s);
}

void MarrowfinAppDelegate::applicationDidFinishLaunching()
{
    m_profile.recordBuildVersion();
    m_window->restoreGeometryFromFile();
    m_window->setRootView(m_viewController->view());
    m_window->show();
    m_window->activateWindow();
    m_viewController->start();
}

} // namespace marrowfin
