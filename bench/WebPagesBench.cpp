// What the web pages cost a user: the window's memory before any page screen and after the first torrent page
// (the program itself and the engine's helper processes), and the time from a row tap to its page shown, for the
// first page (which starts the engine) and for later ones. Against the demo site, under the display it is given.
#include "core/config/AppConfig.h"
#include "core/net/CookieStore.h"
#include "core/net/HttpContext.h"
#include "core/settings/SettingsStore.h"
#include "gui/app/MainWindow.h"
#include "gui/app/SwitchViewController.h"
#include "gui/lists/AllListViewController.h"
#include "gui/login/LoginViewController.h"
#include "gui/platform/Device.h"
#include "gui/platform/Fonts.h"
#include "gui/platform/NavigationController.h"
#include "gui/platform/TableView.h"
#include "support/DemoProcess.h"
#include "support/EventLoop.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdio>

namespace {

using namespace marrowfin;
using namespace Qt::Literals::StringLiterals;
using test::processEventsUntil;

// Resident memory in MB of a process and, with `children`, of every process below it.
double residentMegabytes(qint64 pid, bool children)
{
    double total = 0;
    QFile status(u"/proc/%1/status"_s.arg(pid));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                total += line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
        }
    }
    if (!children)
        return total;
    for (const QString& entry : QDir(u"/proc"_s).entryList(QDir::Dirs)) {
        QFile stat(u"/proc/"_s + entry + u"/stat"_s);
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> fields = stat.readAll().split(')').last().trimmed().split(' ');
        if (fields.size() > 1 && fields.at(1).toLongLong() == pid)
            total += residentMegabytes(entry.toLongLong(), true);
    }
    return total;
}

// The row's page shown: the screen on top has finished its first load.
double openRow(AllListViewController& list, int row)
{
    QElapsedTimer clock;
    clock.start();
    list.tableView()->tapRow(row);
    ViewController* page = list.navigationController()->topViewController();
    processEventsUntil([&] { return page->property("loadsFinished").toInt() >= 1; });
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    list.navigationController()->popViewControllerAnimated(false);
    processEventsUntil([] { return false; }, 300);
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    installFontSubstitutes();
    demotest::DemoProcess demo;
    if (!demo.started()) {
        std::fprintf(stderr, "the demo site did not start\n");
        return 1;
    }
    QTemporaryDir folder;
    AppConfig config = AppConfig::builtIn();
    config.siteHost = QString::fromStdString(demo.host());
    AppConfig::setCurrent(config);
    auto settings = std::make_shared<SettingsStore>(folder.path());
    SettingsStore::setShared(settings);
    HttpContext::setDefaultContext(std::make_shared<HttpContext>(
        std::make_shared<CookieStore>(folder.filePath(u"cookies.txt"_s)), QString::fromStdString(demo.caFile())));

    MainWindow window{QString()};
    Device::setMainWindow(&window);
    auto* root = new SwitchViewController(settings);
    window.setRootView(root->view());
    window.show();
    root->start();
    root->loginViewController()->loginButton()->click();
    processEventsUntil([&] {
        AllListViewController* list = root->allListViewController();
        return list && list->torrentData() && !list->torrentData()->isEmpty();
    });
    processEventsUntil([] { return false; }, 1000);
    AllListViewController& list = *root->allListViewController();
    const qint64 self = QCoreApplication::applicationPid();
    std::printf("window before any page: %.0f MB\n", residentMegabytes(self, false));

    const double first = openRow(list, 0);
    processEventsUntil([] { return false; }, 1000);
    std::printf("after the first page: %.0f MB in the window, %.0f MB with the engine's processes\n",
                residentMegabytes(self, false), residentMegabytes(self, true));
    std::printf("row tap to page shown, first page (engine start): %.0f ms\n", first);
    double later = 0;
    constexpr int kLater = 8;
    for (int row = 1; row <= kLater; ++row)
        later += openRow(list, row);
    std::printf("row tap to page shown, later pages: %.0f ms (mean of %d)\n", later / kLater, kLater);
    delete root;
    HttpContext::setDefaultContext(nullptr);
    SettingsStore::setShared(nullptr);
    return 0;
}
