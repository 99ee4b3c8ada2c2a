#pragma once

#include "core/config/AppConfig.h"
#include "core/net/CookieStore.h"
#include "core/net/HttpContext.h"
#include "core/net/HttpRequest.h"
#include "core/net/SessionGuard.h"
#include "core/remote/AlertSink.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"
#include "gui/app/MainWindow.h"
#include "gui/app/SwitchViewController.h"
#include "gui/app/WindowAlertSink.h"
#include "gui/lists/AllListViewController.h"
#include "gui/login/LoginViewController.h"
#include "gui/platform/AlertView.h"
#include "gui/platform/Device.h"
#include "gui/platform/Switch.h"
#include "support/DemoProcess.h"
#include "support/EventLoop.h"

#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

namespace marrowfin::windowtest {

using marrowfin::test::processEventsUntil;

// The real window (root controller, login screen, tabs) against one demo site shared by the suite, with a settings
// store and cookie jar of its own for each test.
class WindowTest : public ::testing::Test
{
protected:
    // Every answer takes a little while, as over a real network, so that what the window shows between a request and
    // its answer can be seen.
    static void SetUpTestSuite() { s_demo = new demotest::DemoProcess({"--latency-ms", "120"}); }
    static void TearDownTestSuite()
    {
        delete s_demo;
        s_demo = nullptr;
    }

    void SetUp() override
    {
        ASSERT_TRUE(s_demo && s_demo->started()) << "the demo site did not start";
        ASSERT_TRUE(m_folder.isValid());
        AppConfig config = AppConfig::builtIn();
        config.siteHost = QString::fromStdString(s_demo->host());
        config.captchaImageHost = config.siteHost;
        AppConfig::setCurrent(config);
        m_settings = std::make_shared<SettingsStore>(m_folder.path());
        SettingsStore::setShared(m_settings);
        m_cookies = std::make_shared<CookieStore>(m_folder.filePath(QStringLiteral("cookies.txt")));
        HttpContext::setDefaultContext(
            std::make_shared<HttpContext>(m_cookies, QString::fromStdString(s_demo->caFile())));
    }

    void TearDown() override
    {
        if (m_alerts)
            m_alerts->close();
        AlertSink::install(nullptr);
        delete m_root;
        m_window.reset();
        Device::setMainWindow(nullptr);
        SessionGuard::install(nullptr);
        HttpContext::setDefaultContext(nullptr);
        SettingsStore::setShared(nullptr);
    }

    // The window as the application makes it, shown, with the root controller started.
    void launch()
    {
        m_window = std::make_unique<MainWindow>(QString());
        Device::setMainWindow(m_window.get());
        m_root = new SwitchViewController(m_settings);
        m_alerts = std::make_shared<WindowAlertSink>(*m_root);
        AlertSink::install(m_alerts);
        m_alerts->sayFailedWrites();
        m_window->setBackAction([root = m_root] { root->goBack(); });
        m_window->setRootView(m_root->view());
        m_window->show();
        m_root->start();
    }

    // Signs in with the login screen's button as it stands and waits for the first page of the newest torrents.
    void signInAndWaitForFirstPage()
    {
        m_root->loginViewController()->loginButton()->click();
        ASSERT_TRUE(processEventsUntil([&] { return m_root->showLogin(); })) << "the main tabs did not appear";
        ASSERT_TRUE(waitForRows(1));
    }

    // The window launched and signed in as the stored settings say, the first page listed.
    void start()
    {
        launch();
        ASSERT_NO_FATAL_FAILURE(signInAndWaitForFirstPage());
    }

    [[nodiscard]] bool waitForRows(int count)
    {
        return processEventsUntil([&] {
            AllListViewController* list = m_root->allListViewController();
            return list && list->torrentData() && list->torrentData()->size() >= count &&
                   list->operationQueue().operationCount() == 0;
        });
    }

    [[nodiscard]] AllListViewController& list() const { return *m_root->allListViewController(); }

    // One of the demo site's own controls (a stall, a failure, new torrents); whether the site took it.
    static bool demoControl(const QString& pathAndQuery)
    {
        HttpRequest control(QUrl(QString::fromStdString(s_demo->site(pathAndQuery.toStdString()))));
        control.request();
        return control.isResponseValid();
    }

#ifdef MARROWFIN_CLI_PATH
    // The command line on this window's profile and demo site, started with `arguments` (its output is read when it
    // has ended).
    void startCli(QProcess& cli, const QStringList& arguments) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("MARROWFIN_CONFIG_DIR"), m_folder.path());
        cli.setProcessEnvironment(environment);
        cli.start(QString::fromUtf8(MARROWFIN_CLI_PATH),
                  QStringList{QStringLiteral("--site-host"), QString::fromStdString(s_demo->host()),
                              QStringLiteral("--ca-file"), QString::fromStdString(s_demo->caFile())} +
                      arguments);
    }
#endif

    // The demo's stand-in for the user's BitTorrent client, with the credentials it takes.
    void useDemoClient()
    {
        const QUrl client(QString::fromStdString(s_demo->utorrent("/")));
        m_settings->setText(SettingsKeys::serverClient, QStringLiteral("Utorrent"));
        m_settings->setText(SettingsKeys::serverAddress, client.host());
        m_settings->setText(SettingsKeys::serverPort, QString::number(client.port()));
        m_settings->setText(SettingsKeys::serverUser, QStringLiteral("admin"));
        m_settings->setText(SettingsKeys::serverPassword, QStringLiteral("admin"));
    }

    static inline demotest::DemoProcess* s_demo = nullptr;
    QTemporaryDir m_folder;
    std::shared_ptr<SettingsStore> m_settings;
    std::shared_ptr<CookieStore> m_cookies;
    std::unique_ptr<MainWindow> m_window;
    SwitchViewController* m_root = nullptr;
    std::shared_ptr<WindowAlertSink> m_alerts;
};

} // namespace marrowfin::windowtest
