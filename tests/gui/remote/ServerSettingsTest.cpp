#include "core/remote/BitClientRegistry.h"
#include "core/remote/RemoteTestSupport.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"
#include "gui/platform/SegmentedControl.h"
#include "gui/remote/ServerSettingsViewController.h"
#include "gui/ui/LoadingIndicator.h"
#include "support/TestHttpServer.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <tuple>

namespace marrowfin {
namespace {

using namespace Qt::Literals::StringLiterals;
using marrowfin::test::processEventsUntil;
using remotetest::RecordingAlerts;

class ServerSettingsTest : public ::testing::Test
{
protected:
    void SetUp() override { freshStore(); }
    void TearDown() override
    {
        AlertSink::install(nullptr);
        SettingsStore::setShared(nullptr);
    }

    void freshStore()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(m_folder->isValid());
        m_store = std::make_shared<SettingsStore>(m_folder->path());
        SettingsStore::setShared(m_store);
    }

    // The screen as its tab first shows it, in an active window so that fields take the keyboard.
    std::unique_ptr<ServerSettingsViewController> shown()
    {
        auto screen = std::make_unique<ServerSettingsViewController>();
        QWidget* view = screen->view();
        view->resize(375, 618);
        view->show();
        view->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(view));
        return screen;
    }

    [[nodiscard]] std::optional<QString> stored(QStringView key) const { return m_store->text(key); }

    std::unique_ptr<QTemporaryDir> m_folder;
    std::shared_ptr<SettingsStore> m_store;
};

// The client picker comes from the stored client; the port from the store unless it is empty, when the client's
// default takes its place. The other fields show what is stored.
TEST_F(ServerSettingsTest, FirstShowingFillsTheFormFromTheStore)
{
    // Stored client and port; then the segment, the port shown and the client stored.
    using Case = std::tuple<std::optional<QString>, std::optional<QString>, int, QString, QString>;
    const QList<Case> cases{
        {std::nullopt, std::nullopt, 0, u"6886"_s, u"Vuze"_s},
        {u"Transmission"_s, u"9999"_s, 1, u"9999"_s, u"Transmission"_s},
        {u"Utorrent"_s, u""_s, 2, u"8080"_s, u"Utorrent"_s},
    };
    for (const auto& [client, port, segment, shownPort, storedClient] : cases) {
        SCOPED_TRACE(storedClient.toStdString());
        freshStore();
        if (client)
            m_store->setText(SettingsKeys::serverClient, *client);
        if (port)
            m_store->setText(SettingsKeys::serverPort, *port);
        m_store->setText(SettingsKeys::serverPassword, u"p@ss word"_s);
        auto screen = shown();
        EXPECT_EQ(screen->serverClient()->selectedSegmentIndex(), segment);
        EXPECT_EQ(screen->serverDescription()->toPlainText(),
                  BitClientRegistry::find(storedClient)->getDefaultDescription());
        EXPECT_EQ(screen->serverPort()->text(), shownPort);
        EXPECT_EQ(stored(SettingsKeys::serverPort), shownPort);
        EXPECT_EQ(stored(SettingsKeys::serverClient), storedClient);
        EXPECT_EQ(screen->serverPassword()->text(), u"p@ss word"_s);
        EXPECT_EQ(screen->serverPassword()->echoMode(), QLineEdit::Password);
    }
}

// Return and Tab move along address, port, user name, password, storing each field as typed; Return after the
// password puts the keyboard away. Another client then resets the typed port to its own default.
TEST_F(ServerSettingsTest, TheFieldChainStoresEachFieldAndAClientChangeResetsThePort)
{
    auto screen = shown();
    screen->serverAddress()->setFocus();
    QTest::keyClicks(screen->serverAddress(), u" 10.0.0.2 "_s);
    QTest::keyClick(screen->serverAddress(), Qt::Key_Return);
    EXPECT_EQ(stored(SettingsKeys::serverAddress), u" 10.0.0.2 "_s);

    screen->serverPort()->selectAll();
    QTest::keyClicks(screen->serverPort(), u"1234"_s);
    QTest::keyClick(screen->serverPort(), Qt::Key_Tab);
    EXPECT_EQ(stored(SettingsKeys::serverPort), u"1234"_s);
    EXPECT_EQ(QApplication::focusWidget(), screen->serverUser());

    QTest::keyClicks(screen->serverUser(), u"me"_s);
    QTest::keyClick(screen->serverUser(), Qt::Key_Return);
    QTest::keyClicks(screen->serverPassword(), u"secret"_s);
    QTest::keyClick(screen->serverPassword(), Qt::Key_Return);
    EXPECT_EQ(qobject_cast<QLineEdit*>(QApplication::focusWidget()), nullptr) << "the keyboard stays";

    SegmentedControl& client = *screen->serverClient();
    QTest::mouseClick(&client, Qt::LeftButton, {}, client.segmentRect(1).center());
    EXPECT_EQ(stored(SettingsKeys::serverClient), u"Transmission"_s);
    EXPECT_EQ(screen->serverPort()->text(), u"9091"_s);
    EXPECT_EQ(stored(SettingsKeys::serverPort), u"9091"_s);
}

// The test takes the password as typed so far, shows the overlay while the client's page is fetched, and ends in
// the alert of the outcome.
TEST_F(ServerSettingsTest, TheTestUsesThePasswordBeingTypedAndReportsTheOutcome)
{
    auto alerts = std::make_shared<RecordingAlerts>();
    AlertSink::install(alerts);
    test::TestHttpServer answering;
    answering.route("/", test::ScriptedResponse(200, "OK", {}, "<html>client</html>"));
    test::TestHttpServer closed;
    closed.stop();

    const QList<std::pair<quint16, std::pair<QString, QString>>> cases{
        {answering.port(), {u"Success!"_s, u""_s}},
        {closed.port(),
         {u"Connection with server failed."_s,
          u"Please make sure you have correctly setup your remote download settings.\n127.0.0.1:%1: connection "
          u"refused"_s.arg(closed.port())}},
    };
    for (const auto& [port, alert] : cases) {
        SCOPED_TRACE(alert.first.toStdString());
        freshStore();
        m_store->setText(SettingsKeys::serverAddress, u"127.0.0.1"_s);
        m_store->setText(SettingsKeys::serverPort, QString::number(port));
        auto screen = shown();
        const qsizetype alertsBefore = alerts->alerts().size();
        screen->serverPassword()->setFocus();
        QTest::keyClicks(screen->serverPassword(), u"half"_s);
        screen->testButton()->click();
        EXPECT_EQ(stored(SettingsKeys::serverPassword), u"half"_s);
        EXPECT_TRUE(LoadingIndicator::sharedInstance().isShown());
        ASSERT_TRUE(processEventsUntil([&] { return !screen->isTesting(); }));
        EXPECT_FALSE(LoadingIndicator::sharedInstance().isShown());
        const auto raised = alerts->alerts().mid(alertsBefore);
        ASSERT_EQ(raised.size(), 1);
        EXPECT_EQ(raised.first(), alert);
    }
}

} // namespace
} // namespace marrowfin
