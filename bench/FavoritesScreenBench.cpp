// The favorites screen in a window against the demo site with 200 ms added to every answer: a refresh of a
// 10-page batch, from the tap to the last page shown (filtered, appended and the table reloaded), with a filter
// that keeps every row so the table has all 250 to lay out.
#include "core/config/AppConfig.h"
#include "core/net/CookieStore.h"
#include "core/net/HttpContext.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"
#include "gui/lists/FavoriteListViewController.h"
#include "gui/platform/Device.h"
#include "gui/platform/TableView.h"
#include "gui/ui/HeaderView.h"
#include "gui/ui/ImageButton.h"
#include "support/DemoProcess.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using namespace marrowfin;
using namespace Qt::Literals::StringLiterals;

void favoritesRefresh(benchmark::State& state)
{
    demotest::DemoProcess demo({"--latency-ms", "200"});
    if (!demo.started()) {
        state.SkipWithError("the demo site did not start");
        return;
    }
    QTemporaryDir folder;
    AppConfig config = AppConfig::builtIn();
    config.siteHost = QString::fromStdString(demo.host());
    AppConfig::setCurrent(config);
    auto settings = std::make_shared<SettingsStore>(folder.path());
    SettingsStore::setShared(settings);
    HttpContext::setDefaultContext(std::make_shared<HttpContext>(
        std::make_shared<CookieStore>(folder.filePath(u"cookies.txt"_s)), QString::fromStdString(demo.caFile())));
    settings->setText(SettingsKeys::favoritesCount, u"10"_s);
    settings->setList(SettingsKeys::filters, {u"."_s});

    QWidget window;
    window.resize(375, 667);
    Device::setMainWindow(&window);
    FavoriteListViewController favorites(settings);
    favorites.view()->setParent(&window);
    favorites.view()->setGeometry(window.rect());
    window.show();
    favorites.viewWillAppear(false);
    while (favorites.isLoadingPages())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);

    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        favorites.headerView()->refreshBtn()->click();
        while (favorites.isLoadingPages())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        if (!favorites.torrentData() || favorites.torrentData()->size() != 250)
            state.SkipWithError("the batch did not bring ten full pages");
    }
    Device::setMainWindow(nullptr);
    HttpContext::setDefaultContext(nullptr);
    SettingsStore::setShared(nullptr);
}

} // namespace

BENCHMARK(favoritesRefresh)
    ->Name("favoritesScreen/refresh10Pages")
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
