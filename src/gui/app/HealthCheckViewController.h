#pragma once

#include "core/net/OperationQueue.h"
#include "core/watch/HealthCheck.h"
#include "gui/platform/ViewController.h"

#include <memory>

class QLabel;
class QPushButton;
class QVBoxLayout;
class QWidget;

namespace marrowfin {

class HttpContext;
class SessionController;
class SettingsStore;

// Why nothing arrives, in the window: the health check the command line's doctor runs, one row a check with its
// name, "ok" or "failed", and what is wrong and what to do in the check's own words. The check runs on the screen's
// queue when the screen is first shown and again with "Check again", under the loading overlay; its Cancel gives the
// screen back at once and drops the answer still to come. Main thread.
class HealthCheckViewController final : public ViewController
{
    Q_OBJECT

public:
    static constexpr QStringView kTitle = u"Check the site";
    static constexpr QStringView kImage = u"info.png";
    static constexpr QStringView kCheckingText = u"Checking...";
    static constexpr QStringView kCheckAgainTitle = u"Check again";
    static constexpr QStringView kOkText = u"ok";
    static constexpr QStringView kFailedText = u"failed";
    static constexpr QStringView kWarningText = u"warning";

    // The profile's files are looked at in the settings file's folder; the sign-in is checked through `session`;
    // `config` names the site and `http` carries the requests.
    HealthCheckViewController(std::shared_ptr<SettingsStore> settings, std::shared_ptr<SessionController> session,
                              AppConfig config, std::shared_ptr<HttpContext> http, QObject* parent = nullptr);
    ~HealthCheckViewController() override;

    // Queues a check (the screen's first showing does it too) and puts the overlay up.
    void checkAgain();
    // The overlay's Cancel: the overlay goes and the answer on its way is dropped.
    void cancelChecking();

    [[nodiscard]] bool isChecking() const { return m_checking; }
    // The rows of the last check that came, in order; empty before one has.
    [[nodiscard]] const QList<HealthCheck::Check>& checks() const { return m_checks; }
    [[nodiscard]] QList<QWidget*> rows() const { return m_rows; }
    [[nodiscard]] QPushButton* checkAgainButton() const { return m_checkAgainButton; }
    [[nodiscard]] OperationQueue& operationQueue() { return *m_queue; }

    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

protected:
    void loadView() override;

private:
    void checked(std::optional<QList<HealthCheck::Check>> checks, int generation);
    void showRows();
    void showOverlay();
    void hideOverlay();

    std::shared_ptr<SettingsStore> m_settings;
    std::shared_ptr<SessionController> m_session;
    AppConfig m_config;
    std::shared_ptr<HttpContext> m_http;
    std::unique_ptr<OperationQueue> m_queue;
    QList<HealthCheck::Check> m_checks;
    QList<QWidget*> m_rows;
    QVBoxLayout* m_rowLayout = nullptr;
    QPushButton* m_checkAgainButton = nullptr;
    // Counts the checks asked for: an answer for an earlier one (cancelled, or superseded) is dropped.
    int m_generation = 0;
    bool m_checking = false;
    bool m_everChecked = false;
};

} // namespace marrowfin
