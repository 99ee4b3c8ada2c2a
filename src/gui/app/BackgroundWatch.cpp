#include "BackgroundWatch.h"

#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"
#include "gui/platform/AlertView.h"
#include "gui/platform/DesktopNotifications.h"
#include "gui/platform/Images.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

// Hears the answer to the question asked when the window closes while watching.
class KeepAnswer final : public AlertViewDelegate
{
public:
    explicit KeepAnswer(std::function<void(bool keep)> answered) : m_answered(std::move(answered)) {}
    void alertViewDidDismiss(AlertView*, int buttonIndex) override { m_answered(buttonIndex == 0); }

private:
    std::function<void(bool)> m_answered;
};

QString filtersNamed(const QStringList& filters)
{
    return (filters.size() == 1 ? u"filter "_s : u"filters "_s) + filters.join(u", "_s);
}

} // namespace

BackgroundWatch::BackgroundWatch(WatchRunner::Services services, std::chrono::milliseconds firstDelay, QObject* parent)
    : QObject(parent), m_settings(services.settings),
      m_runner(std::make_unique<WatchRunner>(std::move(services), firstDelay)),
      m_notifications(new DesktopNotifications(this)), m_trayAvailable(QSystemTrayIcon::isSystemTrayAvailable())
{
    connect(m_runner.get(), &WatchRunner::newMatch, this, [this](const QString& name, bool sent) {
        ++m_newMatches;
        Q_EMIT newMatchesChanged(m_newMatches);
        notify(kNewMatchTitle.toString(), sent ? name + u'\n' + kSentLine.toString() : name);
    });
    connect(m_runner.get(), &WatchRunner::roundEnded, this, [this](const WatchRoundSummary& summary) {
        m_status = statusOf(summary);
        Q_EMIT statusChanged(m_status);
    });
    connect(m_runner.get(), &WatchRunner::roundsFailed, this,
            [this](const QString& reason) { notify(kFailingTitle.toString(), reason); });
    connect(m_runner.get(), &WatchRunner::roundsWorkAgain, this,
            [this] { notify(kWorksAgainTitle.toString(), kWorksAgainText.toString()); });
    connect(m_runner.get(), &WatchRunner::watchingChanged, this, [this](bool watching) {
        if (!watching && !m_runner->isPaused()) {
            m_status.clear();
            Q_EMIT statusChanged(m_status);
        }
        showTray(watching || m_runner->isPaused());
    });
}

// The runner stops after the send under way before the rest goes.
BackgroundWatch::~BackgroundWatch()
{
    delete m_tray;
    delete m_trayMenu;
    m_runner.reset();
}

void BackgroundWatch::clearNewMatches()
{
    if (m_newMatches != 0) {
        m_newMatches = 0;
        Q_EMIT newMatchesChanged(0);
    }
}

void BackgroundWatch::notify(const QString& summary, const QString& body)
{
    m_notifications->show(summary, body);
    Q_EMIT notified(summary, body);
}

void BackgroundWatch::setTrayAvailable(bool available)
{
    if (m_tray && !available) {
        m_tray->hide();
    }
    m_trayAvailable = available;
    showTray(m_runner->isWatching() || m_runner->isPaused());
}

void BackgroundWatch::showTray(bool shown)
{
    if (!m_trayAvailable) {
        return;
    }
    if (!m_tray) {
        m_trayMenu = new QMenu;
        connect(m_trayMenu->addAction(kOpenAction.toString()), &QAction::triggered, this,
                &BackgroundWatch::openRequested);
        m_pauseAction = m_trayMenu->addAction(kPauseAction.toString());
        connect(m_pauseAction, &QAction::triggered, this, [this] {
            m_runner->setPaused(!m_runner->isPaused());
            m_pauseAction->setText((m_runner->isPaused() ? kResumeAction : kPauseAction).toString());
        });
        m_trayMenu->addSeparator();
        connect(m_trayMenu->addAction(kQuitAction.toString()), &QAction::triggered, this, [this] {
            m_quitting = true;
            Q_EMIT quitRequested();
        });
        m_tray = new QSystemTrayIcon(QIcon(imageNamed(u"marrowfin", QSize(64, 64))));
        m_tray->setToolTip(u"Marrowfin: watching your favorites"_s);
        m_tray->setContextMenu(m_trayMenu);
        connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
                Q_EMIT openRequested();
            }
        });
    }
    m_pauseAction->setText((m_runner->isPaused() ? kResumeAction : kPauseAction).toString());
    m_tray->setVisible(shown);
}

BackgroundWatch::OnClose BackgroundWatch::closing(const std::function<void()>& closeAgain)
{
    if (m_asking) {
        return OnClose::Wait;
    }
    if (m_quitting) {
        return OnClose::Close;
    }
    if (!m_trayAvailable || !(m_runner->isWatching() || m_runner->isPaused())) {
        return OnClose::Close;
    }
    std::optional<bool> keep = BackgroundWatchSettings::read(*m_settings).keepInTray;
    if (!keep) {
        keep = m_keepInTrayUnstored;
    }
    if (keep) {
        return *keep ? OnClose::Hide : OnClose::Close;
    }
    m_keepAnswer = std::make_unique<KeepAnswer>([this, closeAgain](bool keep) {
        // Stored, so that the question comes once; a failed write is said by the store, and the answer holds now.
        if (!m_settings->setText(SettingsKeys::watchInTray, settingFlagText(keep))) {
            m_keepInTrayUnstored = keep;
        }
        m_asking = false;
        closeAgain();
    });
    m_asking = true;
    (new AlertView(kKeepTitle.toString(), kKeepMessage.toString(), m_keepAnswer.get(),
                   {kKeepButton.toString(), kQuitButton.toString()}))
        ->show();
    return OnClose::Wait;
}

QString BackgroundWatch::windowWording(const WatchMessage& message)
{
    switch (message.kind) {
    case WatchMessageKind::NoFilters:
        return u"There are no favorite filters, so nothing can match: add one in Favorites."_s;
    case WatchMessageKind::MatchAll:
        return message.nearlyAll
                   ? u"Not sent: %1 accept%2 nearly every torrent listed. Narrow %3, or give %3 a limit, with Edit "
                     u"Filter in Favorites."_s.arg(filtersNamed(message.filters),
                                                   message.filters.size() == 1 ? u"s"_s : QString(),
                                                   message.filters.size() == 1 ? u"it"_s : u"them"_s)
                   : u"Not sent: %1 accept%2 every name and %3 no limit. Give %4 a limit with Edit Filter in "
                     u"Favorites."_s.arg(filtersNamed(message.filters),
                                         message.filters.size() == 1 ? u"s"_s : QString(),
                                         message.filters.size() == 1 ? u"has"_s : u"have"_s,
                                         message.filters.size() == 1 ? u"it"_s : u"them"_s);
    case WatchMessageKind::EarlierMatches:
        return u"%1 %2 found before sending was on %3 not sent; send them from Favorites."_s.arg(message.count)
            .arg(message.count == 1 ? u"match"_s : u"matches"_s, message.count == 1 ? u"is"_s : u"are"_s);
    case WatchMessageKind::State:
    case WatchMessageKind::FilterSkipped:
    case WatchMessageKind::Page:
    case WatchMessageKind::Send:
        break;
    }
    return message.text;
}

QString BackgroundWatch::statusOf(const WatchRoundSummary& summary)
{
    const QString at = summary.endedUtc.toLocalTime().toString(u"HH:mm"_s);
    QStringList lines;
    switch (summary.status) {
    case WatchRoundStatus::Ran:
        lines.append(summary.newMatches == 0 ? u"Last round at %1: no new matches."_s.arg(at)
                                             : u"Last round at %1: %2 new %3, %4 sent."_s.arg(at)
                                                   .arg(summary.newMatches)
                                                   .arg(summary.newMatches == 1 ? u"match"_s : u"matches"_s)
                                                   .arg(summary.sent));
        break;
    case WatchRoundStatus::Failed:
        lines.append(u"Last round at %1 did not finish; the next round tries again."_s.arg(at));
        break;
    case WatchRoundStatus::Stuck:
        lines.append(u"Watching stopped at %1: the watch state cannot be read."_s.arg(at));
        break;
    }
    for (const WatchMessage& message : summary.messages) {
        lines.append(windowWording(message));
    }
    return lines.join(u'\n');
}

} // namespace marrowfin
