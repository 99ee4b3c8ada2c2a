#include "WindowFixture.h"

#include "core/display/CategoryTree.h"
#include "core/settings/ProfileFile.h"
#include "gui/app/HealthCheckViewController.h"
#include "gui/platform/MoreListViewController.h"
#include "gui/platform/NavigationController.h"
#include "gui/platform/TabBar.h"
#include "gui/platform/TabBarController.h"
#include "gui/platform/TableView.h"
#include "gui/ui/HeaderView.h"
#include "gui/ui/ImageButton.h"
#include "gui/ui/ListingHeadingView.h"
#include "gui/ui/LoadMoreItemView.h"
#include "gui/ui/LoadingIndicator.h"
#include "gui/ui/SendingTorrentIndicator.h"
#include "gui/ui/ShrinkingLabel.h"
#include "gui/ui/TorrentItemTableViewCell.h"
#include "gui/ui/UIUnderlinedLabel.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QTest>

namespace marrowfin::windowtest {
namespace {

using namespace Qt::Literals::StringLiterals;

// A first start, anonymous: the pages, the load-more row, and the rows kept when a page fails. Then sends are counted
// in their overlay and mark their rows; a client that does not answer raises one alert. With an advertising unit the
// banner takes the top; a category without a picture of its own shows the unknown one; a row pushes its torrent's
// page. From 700 points wide the list is a table with headings; a click on a column's heading fetches the list
// ordered by it, a second flips the sort.
TEST_F(WindowTest, TheListingFromAnAnonymousStart)
{
    useDemoClient();
    AppConfig config = AppConfig::current();
    config.advertisingUnit = u"unit"_s;
    AppConfig::setCurrent(config);
    launch();
    // A first start: the anonymous switch is on, the fields are empty and disabled, nothing signs in.
    LoginViewController* login = m_root->loginViewController();
    EXPECT_FALSE(m_root->showLogin());
    EXPECT_TRUE(login->anonymousLoginSwitch()->isChecked());
    EXPECT_FALSE(login->usernameField()->isEnabled());

    login->loginButton()->click();
    ASSERT_TRUE(processEventsUntil([&] { return m_root->showLogin(); }));
    // The first page is on its way: overlay up, tabs disabled.
    EXPECT_EQ(LoadingIndicator::sharedInstance().label()->text(), u"Loading..."_s);
    EXPECT_FALSE(m_root->tabBarController()->tabsEnabled());
    ASSERT_TRUE(waitForRows(25));
    EXPECT_EQ(list().tableView()->numberOfRows(), 26) << "25 torrents and the load-more row";
    // The first row starts right under the header's band, no empty strip between, and no shadow dims it.
    EXPECT_EQ(list().tableView()->cellForRow(0)->mapTo(list().view(), QPoint()).y(),
              list().bannerView()->height() + HeaderView::kBandHeight);
    // Menus take the window's dark look.
    QMenu menu;
    menu.addAction(u"Send to client"_s);
    EXPECT_LT(menu.grab().toImage().pixelColor(4, 4).lightness(), 80);
    EXPECT_TRUE(m_root->tabBarController()->tabsEnabled());

    // Tapping the load-more row asks for the second page.
    list().tableView()->tapRow(25);
    ASSERT_TRUE(waitForRows(50));

    // A page that could not be fetched, and an empty one, keep the rows and drop the load-more row.
    list().loadedTorrents(std::nullopt);
    list().loadedTorrents(QList<Torrent>());
    EXPECT_EQ(list().tableView()->numberOfRows(), 50);

    // A refresh replaces the list with page 1 and brings the load-more row back.
    list().didRefresh();
    ASSERT_TRUE(processEventsUntil([&] { return !list().refreshed(); }));

    // A refresh the site refuses keeps the rows and says why above them.
    const auto loadingEnds = [] {
        return processEventsUntil([] { return !LoadingIndicator::sharedInstance().isShown(); });
    };
    ASSERT_TRUE(demoControl(u"/_demo/fail?mode=500"_s));
    list().didRefresh();
    ASSERT_TRUE(loadingEnds());
    EXPECT_EQ(list().torrentData()->size(), 25);
    EXPECT_EQ(list().problemText(), u"The refresh failed: the site answered with status 500."_s);

    // A load-more that fails says so in its row, which asks for the same page again.
    list().tableView()->tapRow(25);
    ASSERT_TRUE(loadingEnds());
    auto* more = static_cast<LoadMoreItemView*>(list().cellForRow(25)->contentView());
    EXPECT_EQ(more->normalLbl()->text(), u"Could not load more torrents. Tap to try again."_s);
    EXPECT_EQ(more->pageLbl()->text(), u"The site answered with status 500."_s);
    ASSERT_TRUE(demoControl(u"/_demo/fail?mode=off"_s));
    list().tableView()->tapRow(25);
    ASSERT_TRUE(waitForRows(50));
    list().didRefresh();
    ASSERT_TRUE(processEventsUntil([&] { return !list().refreshed(); }));
    EXPECT_EQ(list().problemText(), QString()) << "a refresh that works takes the line away";

    SendingTorrentIndicator& sending = SendingTorrentIndicator::sharedInstance();
    list().didTapDownloadButton(0);
    EXPECT_EQ(sending.label()->text(), u"Sending  torrent to server"_s);
    list().didTapDownloadButton(1);
    EXPECT_EQ(sending.label()->text(), u"Sending 2 torrents to server"_s);
    ASSERT_TRUE(processEventsUntil([&] { return list().sendingTorrentCount() == 0; }));
    EXPECT_FALSE(sending.isShown());
    EXPECT_TRUE(AlertView::visibleAlerts().isEmpty());
    // The rows on screen show the mark for exactly the sent torrents.
    const auto marked = [&](int row) {
        return !static_cast<TorrentItemTableViewCell*>(list().tableView()->cellForRow(row))->downloadedImg().isNull();
    };
    EXPECT_TRUE(marked(0) && marked(1));
    EXPECT_FALSE(marked(2));
    m_settings->setText(SettingsKeys::serverPort, u"1"_s);
    list().didTapDownloadButton(2);
    ASSERT_TRUE(processEventsUntil([] { return !AlertView::visibleAlerts().isEmpty(); }));
    EXPECT_EQ(AlertView::visibleAlerts().first()->title(), u"Connection with server failed."_s);
    EXPECT_FALSE(list().torrentData()->at(2).isDownloaded);
    AlertView::visibleAlerts().first()->button(0)->click();

    EXPECT_TRUE(list().bannerView()->isVisible());
    const QImage unknown = list().cachedImageForTorrent(u"no-such-category"_s).toImage();
    EXPECT_NE(list().cachedImageForTorrent(u"movies"_s).toImage(), unknown);
    EXPECT_EQ(unknown, list().cachedImageForTorrent(u"cat_unknown.png"_s).toImage());
    // Here a program that does not host the web pages: the screen that says they cannot be shown, under the name.
    NavigationController* stack = list().navigationController();
    list().tableView()->tapRow(0);
    ASSERT_EQ(stack->viewControllers().size(), 2);
    EXPECT_EQ(stack->topViewController()->title(), *list().torrentData()->at(0).name);
    m_root->goBack();
    ASSERT_TRUE(processEventsUntil([&] { return stack->viewControllers().size() == 1; }));

    m_window->resize(1000, 700);
    ASSERT_TRUE(processEventsUntil([&] { return list().headingView()->isVisible(); }));
    ListingHeadingView* headings = list().headingView();
    for (const char* sort : {"desc", "asc"}) {
        QTest::mouseClick(headings, Qt::LeftButton, {}, headings->headingRect(u"seeders").center());
        ASSERT_TRUE(processEventsUntil([&] { return !list().refreshed(); }));
        EXPECT_TRUE(list().lastAddress().endsWith(u"field=seeders&sorder="_s + QLatin1StringView(sort)))
            << list().lastAddress().toStdString();
    }
    m_window->resize(375, 667);
    ASSERT_TRUE(processEventsUntil([&] { return !list().headingView()->isVisible(); })) << "no headings on a phone";

    // A category chosen while the list was away: back on it, it loads again from its first page in that category.
    m_settings->setText(SettingsKeys::categories, u"tv"_s);
    m_root->tabBarController()->selectSlot(3);
    m_root->tabBarController()->selectSlot(0);
    EXPECT_TRUE(list().lastAddress().contains(u"/usearch/category%3Atv/?"_s)) << list().lastAddress().toStdString();
    ASSERT_TRUE(processEventsUntil([&] { return !list().refreshed(); }));
}

// Automatic sign-in at start: a wrong password raises the alert and keeps the form. A site that stalls: Cancel on
// the overlay gives the window back at once, the form keeps what it had, and an answer that still comes is dropped.
// Signed in once, the next start signs in on its own.
// A refresh the site asks to wait for: the overlay counts the wait down, and its Cancel ends the wait at once, as it
// ends any load; the rows stay.
TEST_F(WindowTest, AWaitTheSiteAsksForIsShownAndCancelled)
{
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_TRUE(demoControl(u"/_demo/fail?mode=429&retry=60&times=1&prefix=/new"_s));
    list().didRefresh();
    LoadingIndicator& overlay = LoadingIndicator::sharedInstance();
    const auto says = [&](const QString& text) {
        return processEventsUntil([&] { return overlay.label() && overlay.label()->text() == text; });
    };
    ASSERT_TRUE(says(u"The site asks to wait 60 s..."_s));
    ASSERT_TRUE(says(u"The site asks to wait 59 s..."_s));
    ASSERT_TRUE(overlay.cancelButton());
    overlay.cancelButton()->click();
    EXPECT_FALSE(overlay.isShown());
    // Well before the minute the site asked for.
    EXPECT_TRUE(processEventsUntil([&] { return list().operationQueue().operationCount() == 0; }, 30'000))
        << "the wait went on after Cancel";
    ASSERT_TRUE(demoControl(u"/_demo/fail?mode=off"_s));
    EXPECT_EQ(list().torrentData()->size(), 25);
}

TEST_F(WindowTest, SignInAutomaticallyFailingOrStalled)
{
    const auto delay = [](const QString& path, int ms) {
        return demoControl(u"/_demo/latency?path=%1&ms=%2"_s.arg(path).arg(ms));
    };
    m_settings->setText(SettingsKeys::anonymousLogin, u"NO"_s);
    m_settings->setText(SettingsKeys::username, u"demo"_s);
    m_settings->setText(SettingsKeys::password, u"wrong"_s);
    m_settings->setText(SettingsKeys::automaticLogin, u"YES"_s);
    launch();
    ASSERT_TRUE(processEventsUntil([] { return !AlertView::visibleAlerts().isEmpty(); }));
    AlertView* alert = AlertView::visibleAlerts().first();
    EXPECT_EQ(alert->title(), u"Login failed."_s);
    EXPECT_EQ(alert->message(), u"Bad username or password."_s);
    EXPECT_EQ(alert->buttonTitles(), QStringList{u"Cancel"_s});
    EXPECT_FALSE(m_root->showLogin());
    LoginViewController* login = m_root->loginViewController();
    EXPECT_EQ(login->usernameField()->text(), u"demo"_s);
    alert->button(0)->click();

    // The right password typed in, on a site that stalls.
    login->passwordField()->setText(u"demo"_s);
    Q_EMIT login->passwordField()->textEdited(u"demo"_s);
    ASSERT_TRUE(delay(u"/new"_s, 1500));
    login->loginButton()->click();
    EXPECT_TRUE(LoadingIndicator::sharedInstance().isShown());
    QPushButton* cancel = LoadingIndicator::sharedInstance().cancelButton();
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text(), u"Cancel"_s);
    cancel->click();
    EXPECT_FALSE(LoadingIndicator::sharedInstance().isShown());
    EXPECT_TRUE(login->loginButton()->isEnabled());
    QTest::qWait(2000);
    EXPECT_FALSE(m_root->showLogin()) << "the cancelled sign-in's answer was taken";
    ASSERT_TRUE(delay(u"/new"_s, 0));
    ASSERT_NO_FATAL_FAILURE(signInAndWaitForFirstPage());

    delete m_root;
    m_window.reset();
    launch();
    ASSERT_TRUE(processEventsUntil([&] { return m_root->showLogin(); })) << "no automatic sign-in at start";
}

TEST_F(WindowTest, RememberedTabOnFirstBuildOnlyAndNeverTheLogoutTab)
{
    m_settings->setNumber(SettingsKeys::tab, 4);
    launch();
    m_root->loginViewController()->loginButton()->click();
    ASSERT_TRUE(processEventsUntil([&] { return m_root->showLogin(); }));
    TabBarController* tabs = m_root->tabBarController();
    // The Remote UI tab has no button on a phone-sized window: it opens through the overflow list.
    EXPECT_EQ(tabs->selectedIndex(), 4);
    auto* remote = qobject_cast<NavigationController*>(tabs->viewControllers().at(4));
    EXPECT_EQ(remote->topViewController()->title(), u"Remote UI"_s);
    EXPECT_FALSE(list().torrentData()) << "the newest torrents load when their tab is first shown";

    // The user's choice is remembered.
    tabs->selectSlot(0);
    ASSERT_TRUE(waitForRows(1));
    tabs->selectSlot(2);
    EXPECT_EQ(m_settings->number(SettingsKeys::tab), 2);

    // A choice that cannot be written is said in the window, and what is stored stays.
    ProfileFile::failStep(1, ENOSPC);
    tabs->selectSlot(1);
    ASSERT_TRUE(processEventsUntil([] { return !AlertView::visibleAlerts().isEmpty(); }));
    EXPECT_EQ(AlertView::visibleAlerts().first()->title(), WindowAlertSink::kNotSavedTitle.toString());
    EXPECT_TRUE(AlertView::visibleAlerts().first()->message().contains(m_settings->filePath()));
    AlertView::visibleAlerts().first()->button(0)->click();
    EXPECT_EQ(m_settings->number(SettingsKeys::tab), 2);
    tabs->selectSlot(2);

    tabs->selectFromMoreList(8);
    ASSERT_TRUE(processEventsUntil([&] { return !m_root->showLogin(); })) << "the Logout tab did not log out";

    // Signing in again finds the first tab, not the remembered one, and the same screens.
    AllListViewController* before = m_root->allListViewController();
    m_root->loginViewController()->loginButton()->click();
    ASSERT_TRUE(processEventsUntil([&] { return m_root->showLogin(); }));
    EXPECT_EQ(m_root->allListViewController(), before);
    EXPECT_EQ(tabs->selectedIndex(), 0);
    EXPECT_EQ(m_settings->number(SettingsKeys::tab), 0) << "a next start must not open on the Logout tab";
}

// The health check from the overflow list: the rows in the core's words once the overlay goes, a failed one marked
// and named so for a screen reader, and "Check again" checks anew. Opening it is not remembered as the tab to start on.
TEST_F(WindowTest, CheckTheSiteFromTheMoreList)
{
    useDemoClient();
    start();
    TabBarController* tabs = m_root->tabBarController();
    tabs->selectSlot(tabs->directTabCount());
    auto* more = qobject_cast<MoreListViewController*>(tabs->moreNavigationController()->topViewController());
    QListWidgetItem* row = more->list()->item(more->list()->count() - 1);
    EXPECT_EQ(row->text(), u"Check the site"_s);
    Q_EMIT more->list()->itemClicked(row);
    auto* stack = qobject_cast<NavigationController*>(tabs->moreNavigationController()->topViewController());
    auto* screen = qobject_cast<HealthCheckViewController*>(stack ? stack->topViewController() : nullptr);
    ASSERT_TRUE(screen);
    const auto checked = [&] {
        EXPECT_TRUE(processEventsUntil([&] { return screen->isChecking(); }));
        const QLabel* overlay = LoadingIndicator::sharedInstance().label();
        EXPECT_EQ(overlay ? overlay->text() : QString(), u"Checking..."_s);
        return processEventsUntil(
            [&] { return !screen->isChecking() && !LoadingIndicator::sharedInstance().isShown(); });
    };
    ASSERT_TRUE(checked());
    QStringList verdicts;
    for (const HealthCheck::Check& check : screen->checks()) {
        verdicts.append(check.name + (check.ok ? u" ok"_s : u" failed"_s));
    }
    EXPECT_EQ(verdicts, QStringList({u"site ok"_s, u"listing ok"_s, u"sign-in ok"_s, u"client ok"_s, u"files ok"_s}));
    EXPECT_EQ(screen->rows().at(2)->findChild<QLabel*>(u"detail"_s)->text(), u"anonymous use is set"_s);
    EXPECT_NE(m_settings->number(SettingsKeys::tab), SwitchViewController::kHealthCheckTabIndex);

    ASSERT_TRUE(demoControl(u"/_demo/fail?mode=500"_s));
    screen->checkAgainButton()->click();
    ASSERT_TRUE(checked());
    ASSERT_TRUE(demoControl(u"/_demo/fail?mode=off"_s));
    EXPECT_FALSE(screen->checks().at(0).ok);
    EXPECT_TRUE(
        screen->checks().at(0).detail.endsWith(u"answers with HTTP status 500; the site may be down for now, try "
                                               u"again later"_s))
        << screen->checks().at(0).detail.toStdString();
    EXPECT_EQ(screen->rows().at(0)->findChild<QLabel*>(u"detail"_s)->text(), screen->checks().at(0).detail);
    EXPECT_EQ(screen->rows().at(0)->accessibleName(), u"site: failed"_s);
    EXPECT_TRUE(screen->rows().at(0)->styleSheet().contains(u"#7a3b2e"_s));
    // The site answers, if only with errors: the listing is checked all the same, and fails on its own account.
    EXPECT_TRUE(screen->checks().at(1).detail.endsWith(u"could not be fetched: HTTP status 500"_s))
        << screen->checks().at(1).detail.toStdString();

    // A changed layout: the site answers, and the listing's row says what changed.
    ASSERT_TRUE(demoControl(u"/_demo/layout?changed=1"_s));
    screen->checkAgainButton()->click();
    ASSERT_TRUE(checked());
    ASSERT_TRUE(demoControl(u"/_demo/layout?changed=0"_s));
    EXPECT_TRUE(screen->checks().at(0).ok);
    EXPECT_FALSE(screen->checks().at(1).ok);
    EXPECT_TRUE(screen->checks().at(1).detail.startsWith(u"the site's layout has changed: "_s))
        << screen->checks().at(1).detail.toStdString();
    EXPECT_EQ(screen->rows().at(1)->accessibleName(), u"listing: failed"_s);

    // A site that pushes back is named for what it does; a front page that fails alone is a warning, the listing ok.
    const struct
    {
        QString fault;
        QString siteRow;
        QString saying;
    } pushbacks[] = {
        {u"mode=429&retry=300"_s, u"site: failed"_s, u"(HTTP status 429) and asks to wait 300 seconds"_s},
        {u"mode=challenge"_s, u"site: failed"_s, u"the site shows a browser check (HTTP status 503)"_s},
        {u"mode=404&exact=1&prefix=/"_s, u"site: warning"_s, u"only the front page is affected"_s},
    };
    for (const auto& one : pushbacks) {
        SCOPED_TRACE(one.fault.toStdString());
        ASSERT_TRUE(demoControl(u"/_demo/fail?"_s + one.fault));
        screen->checkAgainButton()->click();
        ASSERT_TRUE(checked());
        ASSERT_TRUE(demoControl(u"/_demo/fail?mode=off"_s));
        EXPECT_EQ(screen->rows().at(0)->accessibleName(), one.siteRow);
        EXPECT_TRUE(screen->checks().at(0).detail.contains(one.saying)) << screen->checks().at(0).detail.toStdString();
        EXPECT_EQ(screen->rows().at(0)->findChild<QLabel*>(u"detail"_s)->text(), screen->checks().at(0).detail);
        EXPECT_EQ(screen->checks().at(1).ok, one.siteRow.endsWith(u"warning"_s));
    }
}
} // namespace

namespace {

// The first node under `node` of the accessible tree with this role and name, depth first; null when there is none.
QAccessibleInterface* findAccessible(QAccessibleInterface* node, QAccessible::Role role, const QString& name)
{
    if (!node || !node->isValid()) {
        return nullptr;
    }
    if (node->role() == role && node->text(QAccessible::Name) == name) {
        return node;
    }
    for (int index = 0; index < node->childCount(); ++index) {
        if (QAccessibleInterface* found = findAccessible(node->child(index), role, name)) {
            return found;
        }
    }
    return nullptr;
}

} // namespace

// What the keyboard meets on the main screens, and the names only this window can check (a row's exact words, the
// header's user button); the walk through AT-SPI itself checks the rest as a screen reader meets it. Tab reaches
// each kind of control, and the tab bar is worked with the arrows and Return.
TEST_F(WindowTest, ScreenReadersAndTheKeyboardReachEveryControl)
{
    launch();
    const auto find = [&](QAccessible::Role role, const QString& name) {
        return findAccessible(QAccessible::queryAccessibleInterface(m_window.get()), role, name);
    };
    signInAndWaitForFirstPage();
    TabBar* tabs = m_root->tabBarController()->tabBar();
    const Torrent& first = list().torrentData()->first();
    const QString row = u"%1, %2, %3, %4, %5 seeders, %6 leechers"_s.arg(
        *first.name, CategoryTree::spokenName(*first.type), *first.size, *first.date, *first.up, *first.down);
    EXPECT_NE(find(QAccessible::ListItem, row), nullptr) << row.toStdString();
    EXPECT_NE(find(QAccessible::Button, u"Send %1 to the client"_s.arg(*first.name)), nullptr);
    list().headerView()->setUsername(u"ravel"_s);
    EXPECT_NE(find(QAccessible::Button, u"Profile: ravel"_s), nullptr);

    // Tab goes round the window through the tab bar, the header's buttons and the list, not through every row.
    QSet<QString> kinds;
    QWidget* widget = tabs;
    for (int step = 0; step < 400; ++step) {
        widget = widget->nextInFocusChain();
        if (widget == tabs) {
            break;
        }
        if (widget->isVisibleTo(m_window.get()) && widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus)) {
            kinds.insert(QString::fromLatin1(widget->metaObject()->className()));
            EXPECT_NE(widget->objectName(), u"downloadButton"_s) << "a row's send button is on the Tab chain";
        }
    }
    for (const char* kind : {"marrowfin::ImageButton", "marrowfin::TableView"}) {
        EXPECT_TRUE(kinds.contains(QString::fromLatin1(kind))) << kind;
    }

    // In the list the keys move a current row; Return opens it (here the load-more row), Ctrl+D sends it.
    TableView* table = list().tableView();
    table->setFocus();
    ASSERT_TRUE(processEventsUntil([&] { return table->hasFocus(); }));
    for (int press = 0; press < 3; ++press) {
        QTest::keyClick(table, Qt::Key_Down);
    }
    EXPECT_EQ(table->currentRow(), 2);
    QTest::keyClick(table, Qt::Key_Home);
    EXPECT_EQ(table->currentRow(), 0);
    QTest::keyClick(table, Qt::Key_End);
    QTest::keyClick(table, Qt::Key_Down);
    EXPECT_EQ(table->currentRow(), 25) << "the load-more row, the last: Down stays on it";
    QTest::keyClick(table, Qt::Key_Return);
    EXPECT_EQ(list().currentPage(), 2);
    ASSERT_TRUE(waitForRows(50));
    QTest::keyClick(table, Qt::Key_Home);
    QTest::keyClick(table, Qt::Key_D, Qt::ControlModifier);
    EXPECT_TRUE(SendingTorrentIndicator::sharedInstance().isShown()) << "Ctrl+D sends the current row";
    ASSERT_TRUE(processEventsUntil([] { return !SendingTorrentIndicator::sharedInstance().isShown(); }));
    for (AlertView* alert : AlertView::visibleAlerts()) {
        alert->button(0)->click();
    }

    // A row's page, opened with Return, goes back with Alt+Left and with Escape wherever the focus is, and the list
    // comes back with that row current and the keys on it. Escape leaves a settings screen too.
    NavigationController* stack = list().navigationController();
    using Keys = std::pair<Qt::Key, Qt::KeyboardModifiers>;
    for (const auto& [key, modifiers] : {Keys{Qt::Key_Left, Qt::AltModifier}, Keys{Qt::Key_Escape, {}}, Keys{}}) {
        // The last round: the settings screen, from the gear.
        const bool page = key != Qt::Key{};
        table->setFocus();
        QTest::keyClick(table, Qt::Key_Down);
        const int opened = table->currentRow();
        page ? QTest::keyClick(table, Qt::Key_Return) : list().headerView()->settingsBtn()->click();
        ASSERT_EQ(stack->viewControllers().size(), 2);
        tabs->setFocus();
        ASSERT_TRUE(processEventsUntil([&] { return tabs->hasFocus(); }));
        QTest::keyClick(tabs, page ? key : Qt::Key_Escape, modifiers);
        ASSERT_TRUE(processEventsUntil([&] { return stack->viewControllers().size() == 1; }));
        EXPECT_TRUE(!page || (table->currentRow() == opened && processEventsUntil([&] { return table->hasFocus(); })));
    }

    tabs->setFocus();
    ASSERT_TRUE(processEventsUntil([&] { return tabs->hasFocus(); }));
    QTest::keyClick(tabs, Qt::Key_Right);
    EXPECT_TRUE(find(QAccessible::PageTab, u"Favorites"_s)->state().focused);
    QTest::keyClick(tabs, Qt::Key_Return);
    EXPECT_TRUE(processEventsUntil([&] { return tabs->selectedSlot() == 1; })) << "Return opens the tab";
}

} // namespace marrowfin::windowtest
