#include "LoadingIndicator.h"

#include "ActivitySpinner.h"
#include "RoundedRectView.h"

#include "core/net/HttpRequest.h"
#include "gui/platform/Fonts.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>

#include <memory>
#include <utility>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr QColor kPanelGrey{128, 128, 128};
constexpr qreal kPanelCornerRadius = 8;
constexpr qreal kPanelOpacity = 0.9;
constexpr int kTextPointSize = 20;
} // namespace

LoadingIndicator& LoadingIndicator::sharedInstanceAsIs()
{
    // Made once (the static's initialisation is thread-safe) and deliberately leaked: panels may still hang on
    // windows torn down at exit, after statics are destroyed.
    static LoadingIndicator* const instance = new LoadingIndicator;
    return *instance;
}

LoadingIndicator& LoadingIndicator::sharedInstance()
{
    LoadingIndicator& instance = sharedInstanceAsIs();
    instance.reset();
    return instance;
}

LoadingIndicator::LoadingIndicator()
{
    m_waitCountdown.setInterval(1000);
    connect(&m_waitCountdown, &QTimer::timeout, this, [this] {
        if (m_waitLeft > 1) {
            showSiteWait(m_waitLeft - 1);
        }
    });
}

LoadingIndicator::~LoadingIndicator()
{
    hideLoadingIndicators();
}

void LoadingIndicator::reset()
{
    m_parentView = nullptr;
    m_offset = 0;
    m_string = QString();
    m_cancelAction = nullptr;
}

QRect LoadingIndicator::panelFrame(QSize parent, int spinnerWidth, int labelWidth, int offset)
{
    const int contentWidth = spinnerWidth + kGap + labelWidth;
    const int panelWidth = contentWidth + kPanelPadding;
    return {(parent.width() - panelWidth) / 2, (parent.height() - kPanelHeight) / 2 + offset, panelWidth, kPanelHeight};
}

void LoadingIndicator::showLoadingIndicators()
{
    if (m_rv) {
        m_loadingLabel->setText(m_string);
        m_loadingLabel->adjustSize();
        sizeFrame();
        return;
    }
    if (!m_parentView)
        return;

    m_rv = new RoundedRectView(m_parentView);
    m_rv->setRectColor(kPanelGrey);
    m_rv->setStrokeColor(Qt::white);
    m_rv->setStrokeWidth(1.0);
    m_rv->setCornerRadius(kPanelCornerRadius);
    auto* opacity = new QGraphicsOpacityEffect(m_rv);
    opacity->setOpacity(kPanelOpacity);
    m_rv->setGraphicsEffect(opacity);

    m_spinner = new ActivitySpinner(m_rv);
    m_spinner->setColor(Qt::white);
    m_spinner->startAnimating();

    m_loadingLabel = new QLabel(m_rv);
    m_loadingLabel->setFont(systemFont(kTextPointSize));
    QPalette palette = m_loadingLabel->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    m_loadingLabel->setPalette(palette);
    m_loadingLabel->setAutoFillBackground(false);
    m_loadingLabel->setText(m_string);
    m_loadingLabel->adjustSize();

    if (m_cancelAction) {
        m_cancelButton = new QPushButton(kCancelTitle.toString(), m_rv);
        m_cancelButton->setFont(systemFont(15, true));
        m_cancelButton->setCursor(Qt::PointingHandCursor);
        m_cancelButton->setStyleSheet(u"QPushButton { color: white; background: #5a5a5a; border: 1px solid white;"
                                      u" border-radius: 6px; padding: 4px 18px; }"
                                      u"QPushButton:pressed { background: #3a3a3a; }"_s);
        // The button keeps the action: sharedInstance() clears the member for the next caller while the panel is up.
        // It runs once; it hides the overlay itself.
        auto action = std::make_shared<std::function<void()>>(std::exchange(m_cancelAction, nullptr));
        const auto cancel = [action] {
            if (std::function<void()> run = std::exchange(*action, nullptr)) {
                // A site's Retry-After being sat out ends with the load it holds up.
                HttpRequest::cancelWaits();
                run();
            }
        };
        QObject::connect(m_cancelButton, &QPushButton::clicked, m_rv, cancel);
        // Escape anywhere in the window while the panel shows, whichever widget has the keyboard.
        auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), m_rv, nullptr, nullptr, Qt::WindowShortcut);
        QObject::connect(escape, &QShortcut::activated, m_rv, cancel);
    }

    sizeFrame();
    m_parentView->installEventFilter(this);
    m_rv->show();
    m_rv->raise();
}

void LoadingIndicator::showSiteWait(int seconds)
{
    m_waitLeft = seconds;
    if (!m_loadingLabel) {
        m_waitCountdown.stop();
        return;
    }
    if (seconds > 0 && !m_waitCountdown.isActive()) {
        m_waitCountdown.start();
    } else if (seconds <= 0) {
        m_waitCountdown.stop();
    }
    m_loadingLabel->setText(seconds > 0 ? kSiteWaitText.toString().arg(seconds) : m_string);
    m_loadingLabel->adjustSize();
    sizeFrame();
}

QWidget* LoadingIndicator::shownIn() const
{
    return m_rv ? m_rv->parentWidget() : nullptr;
}

void LoadingIndicator::hideLoadingIndicators()
{
    m_waitCountdown.stop();
    if (!m_rv)
        return;
    if (QWidget* parent = m_rv->parentWidget())
        parent->removeEventFilter(this);
    // The spinner and the label are the panel's children and go with it.
    delete m_rv.data();
}

void LoadingIndicator::sizeFrame()
{
    if (!m_rv)
        return;
    // The view the panel was shown in, which a later parentView does not change.
    const QWidget* parent = m_rv->parentWidget();
    const int spinnerWidth = m_spinner ? m_spinner->width() : 0;
    const int labelWidth = m_loadingLabel ? m_loadingLabel->width() : 0;
    const QRect frame = panelFrame(parent ? parent->size() : QSize(), spinnerWidth, labelWidth, m_offset);
    m_rv->setGeometry(frame);

    const int contentWidth = spinnerWidth + kGap + labelWidth;
    const int spinnerX = (frame.width() - contentWidth) / 2;
    if (m_spinner)
        m_spinner->move(spinnerX, (kPanelHeight - m_spinner->height()) / 2);
    if (m_loadingLabel)
        m_loadingLabel->move(spinnerX + spinnerWidth + kGap, (kPanelHeight - m_loadingLabel->height()) / 2);
    if (m_cancelButton) {
        // The button's row under the spinner and text; the panel grows down by it.
        m_cancelButton->adjustSize();
        const int width = qMax(frame.width(), m_cancelButton->width() + kPanelPadding);
        m_rv->setGeometry(frame.x() - (width - frame.width()) / 2, frame.y(), width, kPanelHeight + kCancelRowHeight);
        m_cancelButton->move((width - m_cancelButton->width()) / 2,
                             kPanelHeight + (kCancelRowHeight - m_cancelButton->height()) / 2 - 4);
    }
}

bool LoadingIndicator::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize && m_rv && watched == m_rv->parentWidget())
        sizeFrame();
    return QObject::eventFilter(watched, event);
}

} // namespace marrowfin
