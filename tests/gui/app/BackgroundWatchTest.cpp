#include "gui/app/BackgroundWatch.h"

#include "WindowFixture.h"

#include "core/settings/SettingsLists.h"
#include "gui/platform/TabBar.h"
#include "support/LoopbackHttp.h"

#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QSystemTrayIcon>

namespace marrowfin::windowtest {

using namespace Qt::Literals::StringLiterals;

class BackgroundWatchTest : public WindowTest
{
protected:
    // New torrents at the top of the demo's newest list; their names.
    static QStringList addTorrents(int count)
    {
        const auto reply = test::plainHttpAt(s_demo->site("/_demo/add?count=" + std::to_string(count)));
        EXPECT_EQ(reply.status, 200);
        QStringList names;
        for (const QString& line : QString::fromUtf8(reply.body).split(u'\n', Qt::SkipEmptyParts)) {
            names.append(line.section(u'\t', 1));
        }
        return names;
    }
    // The torrents the demo's client took, a key each (the magnet link or the file's digest).
    static QStringList uploadsAccepted()
    {
        QStringList uploads;
        const auto reply = test::plainHttpAt(s_demo->utorrent("/_demo/received"));
        for (const QJsonValue& upload : QJsonDocument::fromJson(reply.body)[u"uploads"_s].toArray()) {
            if (upload[u"accepted"_s].toBool())
                uploads.append(upload[u"target"_s].toString() + upload[u"bodySha1"_s].toString());
        }
        return uploads;
    }
    // A filter that takes exactly these names.
    void filterFor(const QStringList& names)
    {
        QStringList escaped;
        for (const QString& name : names) {
            escaped.append(QRegularExpression::escape(name));
        }
        ASSERT_TRUE(m_settings->setList(SettingsKeys::filters, {u"^(%1)$"_s.arg(escaped.join(u'|'))}));
    }
    // The window signed in anonymously, watching and sending from its first round on, at once.
    void startWatching()
    {
        useDemoClient();
        ASSERT_TRUE(m_settings->setText(SettingsKeys::favoritesCount, u"1"_s));
        ASSERT_TRUE(m_settings->setList(SettingsKeys::filters, {u"^$"_s}));
        ASSERT_TRUE(m_settings->setText(SettingsKeys::watchInBackground, kSettingYes.toString()));
        ASSERT_TRUE(m_settings->setText(SettingsKeys::watchSend, kSettingYes.toString()));
        launch();
        m_root->setWatchFirstDelay(std::chrono::milliseconds(0));
        ASSERT_NO_FATAL_FAILURE(signInAndWaitForFirstPage());
        BackgroundWatch* watch = m_root->backgroundWatch();
        ASSERT_NE(watch, nullptr);
        QObject::connect(watch, &BackgroundWatch::statusChanged, watch, [this](const QString& text) {
            if (!text.isEmpty())
                m_statuses.append(text);
        });
        QObject::connect(watch, &BackgroundWatch::notified, watch, [this](const QString& summary, const QString& body) {
            m_notified.append({summary, body});
        });
        // The first round may have ended while the first page was read.
        ASSERT_TRUE(processEventsUntil([&] { return !watch->status().isEmpty(); })) << "the first round";
        if (m_statuses.isEmpty())
            m_statuses.append(watch->status());
    }
    // Moves the watch's clock on a period and waits for that round.
    [[nodiscard]] bool nextRound()
    {
        const qsizetype before = m_statuses.size();
        m_root->backgroundWatch()->runner().clock().advance(std::chrono::minutes(15));
        return processEventsUntil([&] { return m_statuses.size() == before + 1; });
    }
    [[nodiscard]] TabBarItem favoritesTab() const
    {
        return m_root->tabBarController()->tabBar()->items().at(SwitchViewController::kFavoritesTabIndex);
    }

    QStringList m_statuses;
    QList<std::pair<QString, QString>> m_notified;
};

// The window's rounds: each new match told and sent once, counted on the Favorites tab until it is opened; a round
// of the command line's watch at the same time on the same profile sends nothing the window sent, nor the other way
// round; a filter that accepts every name sends nothing; a failing site is told once with its reason, and once more
// when rounds work again.
TEST_F(BackgroundWatchTest, RoundsTellAndSendEachMatchOnceBesideTheCommandLine)
{
    ASSERT_NO_FATAL_FAILURE(startWatching());
    const qsizetype uploadsBefore = uploadsAccepted().size();
    const QStringList first = addTorrents(2);
    ASSERT_NO_FATAL_FAILURE(filterFor(first));
    ASSERT_TRUE(nextRound());
    EXPECT_TRUE(m_statuses.last().contains(u"2 new matches, 2 sent."_s)) << m_statuses.last().toStdString();
    ASSERT_EQ(m_notified.size(), 2);
    for (const auto& [summary, body] : std::as_const(m_notified)) {
        EXPECT_EQ(summary, BackgroundWatch::kNewMatchTitle);
        EXPECT_TRUE(first.contains(body.section(u'\n', 0, 0)) && body.endsWith(BackgroundWatch::kSentLine))
            << body.toStdString();
    }
    EXPECT_EQ(uploadsAccepted().size(), uploadsBefore + 2);
    EXPECT_EQ(favoritesTab().badgeValue, u"2"_s);
    EXPECT_EQ(favoritesTab().accessibleName, u"Favorites, 2 new matches"_s);
    m_root->tabBarController()->tabBar()->pressSlot(SwitchViewController::kFavoritesTabIndex);
    EXPECT_TRUE(favoritesTab().badgeValue.isEmpty());
    EXPECT_TRUE(favoritesTab().accessibleName.isEmpty());

    // The command line's round and the window's at once: the lock has them take turns, and the later finds the
    // earlier's sends in the state.
    const QStringList second = addTorrents(3);
    ASSERT_NO_FATAL_FAILURE(filterFor(first + second));
    QProcess cli;
    startCli(cli, {u"--json"_s, u"watch"_s, u"--once"_s, u"--send"_s, u"--pages"_s, u"1"_s});
    const qsizetype told = m_notified.size();
    ASSERT_TRUE(nextRound());
    ASSERT_TRUE(processEventsUntil([&] { return cli.state() == QProcess::NotRunning; }));
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    const QStringList cliLines = QString::fromUtf8(cli.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(cliLines.size() + (m_notified.size() - told), 3) << "each new match told by one of the two";
    const QStringList all = uploadsAccepted();
    EXPECT_EQ(all.size(), uploadsBefore + 5);
    EXPECT_EQ(QSet<QString>(all.cbegin(), all.cend()).size(), all.size()) << "nothing reached the client twice";
    const QStringList history = storedList(*m_settings, SettingsStore::LockedList::TorrentHistory);
    for (const QString& name : first + second) {
        EXPECT_EQ(history.count(name), 1) << name.toStdString();
    }

    // A filter that accepts every name reports, and sends nothing.
    ASSERT_TRUE(m_settings->setList(SettingsKeys::filters, {u"."_s}));
    (void)addTorrents(1);
    ASSERT_TRUE(nextRound());
    EXPECT_TRUE(m_statuses.last().contains(u"Not sent: filter 1 (\".\") accepts every name and has no limit."_s))
        << m_statuses.last().toStdString();
    EXPECT_EQ(uploadsAccepted().size(), all.size());

    // A failing site: told once, with the health check's reason, for two failed rounds; then once that it works.
    ASSERT_TRUE(demoControl(u"/_demo/fail?mode=500"_s));
    const qsizetype beforeFailing = m_notified.size();
    ASSERT_TRUE(nextRound());
    ASSERT_TRUE(nextRound());
    ASSERT_TRUE(demoControl(u"/_demo/fail?mode=off"_s));
    ASSERT_TRUE(nextRound());
    const QList<std::pair<QString, QString>> failing = m_notified.mid(beforeFailing);
    ASSERT_EQ(failing.size(), 2);
    EXPECT_EQ(failing[0].first, BackgroundWatch::kFailingTitle);
    EXPECT_TRUE(failing[0].second.startsWith(u"site: "_s) && failing[0].second.contains(u"500"_s))
        << failing[0].second.toStdString();
    EXPECT_EQ(failing[1].first, BackgroundWatch::kWorksAgainTitle);
}

// Closing while watching: without a tray the window closes; with one, the user is asked once whether to keep watching
// there, and kept, the window hides then and at every close after, without asking. The tray's menu opens the window
// again and pauses the rounds until resumed.
TEST_F(BackgroundWatchTest, ClosingWhileWatchingAsksOnceToKeepWatchingInTheTray)
{
    ASSERT_NO_FATAL_FAILURE(startWatching());
    m_window->setCloseFilter([root = m_root] { return root->keepWindowOnClose(); });
    BackgroundWatch& watch = *m_root->backgroundWatch();
    watch.setTrayAvailable(false);
    EXPECT_FALSE(m_root->keepWindowOnClose()) << "no tray: closing quits";

    watch.setTrayAvailable(true);
    ASSERT_NE(watch.trayIcon(), nullptr);
    EXPECT_TRUE(watch.trayIcon()->isVisible());
    m_window->close();
    ASSERT_EQ(AlertView::visibleAlerts().size(), 1);
    AlertView* question = AlertView::visibleAlerts().first();
    EXPECT_EQ(question->title(), BackgroundWatch::kKeepTitle);
    EXPECT_TRUE(m_window->isVisible()) << "the window waits for the answer";
    m_window->close();
    EXPECT_EQ(AlertView::visibleAlerts().size(), 1) << "asked once, however often closed";
    question->button(0)->click();
    ASSERT_TRUE(processEventsUntil([&] { return AlertView::visibleAlerts().isEmpty(); }));
    EXPECT_FALSE(m_window->isVisible());
    EXPECT_EQ(m_settings->text(SettingsKeys::watchInTray), kSettingYes.toString());

    const QList<QAction*> menu = watch.trayMenu()->actions();
    const auto action = [&](QStringView text) {
        const auto found = std::find_if(menu.cbegin(), menu.cend(), [&](QAction* one) { return one->text() == text; });
        return found == menu.cend() ? nullptr : *found;
    };
    ASSERT_NE(action(BackgroundWatch::kOpenAction), nullptr);
    action(BackgroundWatch::kOpenAction)->trigger();
    EXPECT_TRUE(m_window->isVisible());
    m_window->close();
    EXPECT_FALSE(m_window->isVisible()) << "hidden again, without asking";
    EXPECT_TRUE(AlertView::visibleAlerts().isEmpty());

    QAction* pause = action(BackgroundWatch::kPauseAction);
    ASSERT_NE(pause, nullptr);
    pause->trigger();
    ASSERT_TRUE(processEventsUntil([&] { return !watch.runner().isWatching(); }));
    EXPECT_EQ(pause->text(), BackgroundWatch::kResumeAction);
    EXPECT_TRUE(watch.trayIcon()->isVisible());
    const qsizetype rounds = m_statuses.size();
    watch.runner().clock().advance(std::chrono::hours(1));
    processEventsUntil([] { return false; }, 500);
    EXPECT_EQ(m_statuses.size(), rounds) << "no round while paused";
    pause->trigger();
    ASSERT_TRUE(processEventsUntil([&] { return m_statuses.size() == rounds + 1; })) << "the round due runs";
    EXPECT_EQ(pause->text(), BackgroundWatch::kPauseAction);
}

} // namespace marrowfin::windowtest
