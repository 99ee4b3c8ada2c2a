#include "LoadingIndicator.h"

#include "ActivitySpinner.h"
#include "RoundedRectView.h"

#include "gui/platform/Fonts.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QLabel>

namespace marrowfin {

namespace {
constexpr QColor kPanelGrey{128, 128, 128};
constexpr qreal kPanelCornerRadius = 8;
constexpr qreal kPanelOpacity = 0.9;
constexpr int kTextPointSize = 20;
} // namespace

LoadingIndicator& LoadingIndicator::sharedInstance()
{
    // Made once (the static's initialisation is thread-safe) and deliberately leaked: panels may still hang on
    // windows torn down at exit, after statics are destroyed.
    static LoadingIndicator* const instance = new LoadingIndicator;
    instance->reset();
    return *instance;
}

LoadingIndicator::LoadingIndicator() = default;

LoadingIndicator::~LoadingIndicator()
{
    hideLoadingIndicators();
}

void LoadingIndicator::reset()
{
    m_parentView = nullptr;
    m_offset = 0;
    m_string = QString();
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

    sizeFrame();
    m_parentView->installEventFilter(this);
    m_rv->show();
    m_rv->raise();
}

QWidget* LoadingIndicator::shownIn() const
{
    return m_rv ? m_rv->parentWidget() : nullptr;
}

void LoadingIndicator::hideLoadingIndicators()
{
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
}

bool LoadingIndicator::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize && m_rv && watched == m_rv->parentWidget())
        sizeFrame();
    return QObject::eventFilter(watched, event);
}

} // namespace marrowfin
