#include "HealthCheckViewController.h"

#include "WindowSignInChecker.h"

#include "core/login/SessionController.h"
#include "core/settings/SettingsStore.h"
#include "core/watch/FetchPageHealthCheck.h"
#include "gui/platform/Fonts.h"
#include "gui/ui/LoadingIndicator.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

// One check: its name and verdict on a line, what it found under them. A failed check stands out in the colour the
// lists' failure line uses.
QWidget* makeRow(const HealthCheck::Check& check)
{
    const QString verdict = (check.warning ? HealthCheckViewController::kWarningText
                             : check.ok    ? HealthCheckViewController::kOkText
                                           : HealthCheckViewController::kFailedText)
                                .toString();
    auto* row = new QWidget;
    row->setObjectName(check.ok ? u"checkOk"_s : u"checkFailed"_s);
    row->setAttribute(Qt::WA_StyledBackground);
    row->setStyleSheet(check.ok ? u"QWidget#checkOk { background: #222222; border-bottom: 1px solid #262626; }"
                                  u"QLabel { color: #e6e6e6; } QLabel#verdict { color: "_s +
                                      (check.warning ? u"#f0a030; }"_s : u"#3cb4a0; }"_s)
                                : u"QWidget#checkFailed { background: #7a3b2e; border-bottom: 1px solid #262626; }"
                                  u"QLabel { color: white; }"_s);
    // Reached with Tab, and read as one: "site: failed", then what was found.
    row->setFocusPolicy(Qt::TabFocus);
    row->setAccessibleName(u"%1: %2"_s.arg(check.name, verdict));
    row->setAccessibleDescription(check.detail);
    auto* column = new QVBoxLayout(row);
    column->setContentsMargins(14, 10, 14, 12);
    column->setSpacing(4);
    auto* line = new QHBoxLayout;
    auto* name = new QLabel(check.name);
    name->setFont(systemFont(17, true));
    auto* verdictLabel = new QLabel(verdict);
    verdictLabel->setObjectName(u"verdict"_s);
    verdictLabel->setFont(systemFont(17, true));
    line->addWidget(name);
    line->addStretch(1);
    line->addWidget(verdictLabel);
    column->addLayout(line);
    auto* detail = new QLabel(check.detail);
    detail->setObjectName(u"detail"_s);
    detail->setFont(systemFont(14));
    detail->setWordWrap(true);
    // The advice often holds a command to copy.
    detail->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(detail);
    return row;
}

} // namespace

HealthCheckViewController::HealthCheckViewController(std::shared_ptr<SettingsStore> settings,
                                                     std::shared_ptr<SessionController> session, AppConfig config,
                                                     std::shared_ptr<HttpContext> http, QObject* parent)
    : ViewController(parent), m_settings(std::move(settings)), m_session(std::move(session)),
      m_config(std::move(config)), m_http(std::move(http)),
      m_queue(std::make_unique<OperationQueue>(1, u"health check"_s))
{
    setTitle(kTitle.toString());
    setTabBarItem({kTitle.toString(), kImage.toString(), 0});
}

// The queue's end waits for a check still running; the window's session has been closed by then, so nothing in it
// waits for a sign-in.
HealthCheckViewController::~HealthCheckViewController() = default;

void HealthCheckViewController::loadView()
{
    auto* screen = new QWidget;
    screen->setObjectName(u"healthCheck"_s);
    screen->setAttribute(Qt::WA_StyledBackground);
    screen->setStyleSheet(u"QWidget#healthCheck, QWidget#checkRows { background: #333333; }"_s);
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget;
    content->setObjectName(u"checkRows"_s);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 16);
    column->setSpacing(0);
    m_rowLayout = new QVBoxLayout;
    m_rowLayout->setSpacing(0);
    column->addLayout(m_rowLayout);
    column->addSpacing(16);
    m_checkAgainButton = new QPushButton(kCheckAgainTitle.toString());
    m_checkAgainButton->setFont(systemFont(16, true));
    m_checkAgainButton->setCursor(Qt::PointingHandCursor);
    m_checkAgainButton->setStyleSheet(u"QPushButton { color: white; background: #4a4a4a; border: 1px solid #6a6a6a;"
                                      u" border-radius: 6px; min-height: 34px; padding: 0 22px; }"
                                      u"QPushButton:pressed { background: #2e2e2e; }"
                                      u"QPushButton:focus { border-color: #3cb4a0; }"
                                      u"QPushButton:disabled { color: #8e8e8e; }"_s);
    connect(m_checkAgainButton, &QPushButton::clicked, this, &HealthCheckViewController::checkAgain);
    column->addWidget(m_checkAgainButton, 0, Qt::AlignHCenter);
    column->addStretch(1);
    scroll->setWidget(content);
    auto* layout = new QVBoxLayout(screen);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
    setView(screen);
    showRows();
}

void HealthCheckViewController::viewDidAppear(bool animated)
{
    ViewController::viewDidAppear(animated);
    if (!m_everChecked) {
        checkAgain();
    } else if (m_checking) {
        showOverlay();
    }
}

void HealthCheckViewController::viewWillDisappear(bool animated)
{
    // The check goes on; its answer is shown when it comes, here, not over the next screen.
    hideOverlay();
    ViewController::viewWillDisappear(animated);
}

void HealthCheckViewController::checkAgain()
{
    m_everChecked = true;
    m_checking = true;
    const int generation = ++m_generation;
    auto signIn = std::make_shared<WindowSignInChecker>(m_settings, m_session, m_config, m_http);
    m_queue->addOperation(std::make_shared<FetchPageHealthCheck>(
        m_settings, m_config, m_http, std::move(signIn), QFileInfo(m_settings->filePath()).absolutePath(), this,
        FetchPageHealthCheck::selectorFor([this, generation](std::optional<QList<HealthCheck::Check>> checks) {
            checked(std::move(checks), generation);
        })));
    if (m_checkAgainButton) {
        m_checkAgainButton->setEnabled(false);
    }
    showOverlay();
}

void HealthCheckViewController::cancelChecking()
{
    ++m_generation;
    m_checking = false;
    hideOverlay();
    if (m_checkAgainButton) {
        m_checkAgainButton->setEnabled(true);
        m_checkAgainButton->setFocus(Qt::OtherFocusReason);
    }
}

void HealthCheckViewController::checked(std::optional<QList<HealthCheck::Check>> checks, int generation)
{
    if (generation != m_generation) {
        return;
    }
    m_checking = false;
    m_checks = checks.value_or(QList<HealthCheck::Check>());
    hideOverlay();
    showRows();
    if (m_checkAgainButton) {
        m_checkAgainButton->setEnabled(true);
    }
}

void HealthCheckViewController::showRows()
{
    if (!m_rowLayout) {
        return;
    }
    qDeleteAll(m_rows);
    m_rows.clear();
    for (const HealthCheck::Check& check : std::as_const(m_checks)) {
        QWidget* row = makeRow(check);
        m_rowLayout->addWidget(row);
        m_rows.append(row);
    }
}

void HealthCheckViewController::showOverlay()
{
    if (!isViewLoaded()) {
        return;
    }
    LoadingIndicator& loading = LoadingIndicator::sharedInstance();
    loading.setParentView(view());
    loading.setString(kCheckingText.toString());
    loading.setCancelAction([screen = QPointer<HealthCheckViewController>(this)] {
        if (screen) {
            screen->cancelChecking();
        }
    });
    loading.showLoadingIndicators();
}

void HealthCheckViewController::hideOverlay()
{
    // Only this screen's own: another screen's overlay stays.
    LoadingIndicator& loading = LoadingIndicator::sharedInstance();
    if (QWidget* shown = loading.shownIn();
        shown && isViewLoaded() && (shown == view() || view()->isAncestorOf(shown))) {
        loading.hideLoadingIndicators();
    }
}

} // namespace marrowfin
