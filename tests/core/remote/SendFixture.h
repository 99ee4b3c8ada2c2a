#pragma once

#include "RemoteTestSupport.h"

#include "core/net/HttpContext.h"
#include "core/remote/FetchPageDownload.h"
#include "core/remote/FetchPageRemoteUI.h"
#include "core/remote/ServerInfo.h"
#include "core/settings/SettingsLists.h"
#include "core/settings/SettingsStore.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace marrowfin::remotetest {

// A profile of the test's own installed as the shared store, the remote settings in it, and a way to run the
// operations as a screen does: on a queue, delivered on the main thread.
class SendFixture : public ::testing::Test
{
protected:
    using Alerts = QList<std::pair<QString, QString>>;

    struct Sent
    {
        std::optional<QString> name;
        FetchPageDownload::Outcome outcome = FetchPageDownload::Outcome::NotRun;
        Alerts alerts;
    };

    struct Page
    {
        std::optional<QString> text;
        bool succeeded = false;
        Alerts alerts;
    };

    void SetUp() override
    {
        ASSERT_TRUE(m_profile.isValid());
        m_store = std::make_shared<SettingsStore>(m_profile.path());
        SettingsStore::setShared(m_store);
    }

    void TearDown() override { SettingsStore::setShared(nullptr); }

    void configure(const QString& client, quint16 port, const QString& user = {}, const QString& password = {})
    {
        ServerInfo& server = ServerInfo::sharedInstance();
        server.setClient(client);
        server.setAddress(QStringLiteral("127.0.0.1"));
        server.setPort(QString::number(port));
        server.setUsername(user);
        server.setPassword(password);
    }

    Sent send(const QUrl& url, const QString& name)
    {
        auto alerts = std::make_shared<RecordingAlerts>();
        QObject receiver;
        bool delivered = false;
        Sent result;
        auto operation = std::make_shared<FetchPageDownload>(
            url, name, &receiver, FetchPageDownload::selectorFor([&](std::optional<QString> sent) {
                result.name = std::move(sent);
                delivered = true;
            }),
            alerts, m_context);
        runUntilDelivered(operation, delivered);
        result.outcome = operation->outcome();
        result.alerts = alerts->alerts();
        return result;
    }

    Page remotePage(FetchPageRemoteUI::Use use)
    {
        auto alerts = std::make_shared<RecordingAlerts>();
        QObject receiver;
        bool delivered = false;
        Page result;
        auto operation = std::make_shared<FetchPageRemoteUI>(
            QUrl(), &receiver, FetchPageRemoteUI::selectorFor([&](std::optional<QString> text) {
                result.text = std::move(text);
                delivered = true;
            }),
            use, alerts, m_context);
        runUntilDelivered(operation, delivered);
        result.succeeded = operation->succeeded();
        result.alerts = alerts->alerts();
        return result;
    }

    // As a screen runs it: on a queue of its own, the delivery on the main thread. The queue is gone on return, so
    // the operation has ended.
    static void runUntilDelivered(const std::shared_ptr<FetchPage>& operation, const bool& delivered)
    {
        OperationQueue queue(1);
        queue.addOperation(operation);
        EXPECT_TRUE(processEventsUntil([&] { return delivered; }));
    }

    [[nodiscard]] QStringList history() const
    {
        return storedList(*m_store, SettingsStore::LockedList::TorrentHistory);
    }

    // The fixed texts of the alerts, each as the one alert a send or a page fetch raises.
    static Alerts badUrlAlert() { return {{kBadUrlTitle.toString(), kBadUrlMessage.toString()}}; }
    static Alerts connectionAlert()
    {
        return {{kConnectionFailedTitle.toString(), kConnectionFailedMessage.toString()}};
    }
    static Alerts successAlert() { return {{kSuccessTitle.toString(), QString()}}; }

    QTemporaryDir m_profile;
    std::shared_ptr<SettingsStore> m_store;
    std::shared_ptr<HttpContext> m_context = std::make_shared<HttpContext>();
};

} // namespace marrowfin::remotetest
