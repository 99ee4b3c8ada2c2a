#include "AlertView.h"

#include "Device.h"
#include "Fonts.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {
QList<AlertView*>& shownAlerts()
{
    static QList<AlertView*> alerts;
    return alerts;
}
constexpr int kPanelWidth = 280;
constexpr int kButtonSpacing = 8;
} // namespace

AlertView::AlertView(QString title, QString message, AlertViewDelegate* delegate, QStringList buttonTitles,
                     QWidget* window)
    : QWidget(window ? window : Device::mainWindow()), m_title(std::move(title)), m_message(std::move(message)),
      m_buttonTitles(std::move(buttonTitles)), m_delegate(delegate)
{
    setObjectName(u"alert"_s);
    hide();
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_NoMousePropagation);
    m_panel = new QWidget(this);
    m_panel->setObjectName(u"alertPanel"_s);
    m_panel->setStyleSheet(u"QWidget#alertPanel { background: rgba(38, 38, 38, 245); border: 1px solid #5c5c5c;"
                           u" border-radius: 10px; }"
                           u"QLabel { color: white; background: transparent; }"
                           u"QPushButton { color: white; background: #4a4a4a; border: 1px solid #6a6a6a;"
                           u" border-radius: 6px; min-height: 34px; padding: 0 14px; }"
                           u"QPushButton:pressed { background: #2e2e2e; }"
                           u"QPushButton:focus { border-color: #3cb4a0; }"_s);
    m_titleLabel = new QLabel(m_title, m_panel);
    m_titleLabel->setFont(systemFont(17, true));
    m_titleLabel->setAlignment(Qt::AlignCenter);
    m_titleLabel->setWordWrap(true);
    m_messageLabel = new QLabel(m_message, m_panel);
    m_messageLabel->setFont(systemFont(15));
    m_messageLabel->setAlignment(Qt::AlignCenter);
    m_messageLabel->setWordWrap(true);
    m_messageLabel->setVisible(!m_message.isEmpty());
    m_messageLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* column = new QVBoxLayout(m_panel);
    column->setContentsMargins(16, 18, 16, 14);
    column->setSpacing(10);
    column->addWidget(m_titleLabel);
    column->addWidget(m_messageLabel);
    int rowWidth = 0;
    for (int index = 0; index < m_buttonTitles.size(); ++index) {
        auto* button = new QPushButton(m_buttonTitles.at(index), m_panel);
        button->setFont(systemFont(16, true));
        button->setCursor(Qt::PointingHandCursor);
        connect(button, &QPushButton::clicked, this, [this, index] { dismissWithClickedButtonIndex(index); });
        m_buttons.append(button);
        rowWidth += button->sizeHint().width() + kButtonSpacing;
    }
    // Side by side while their titles fit the panel, else one under the other, each title whole.
    const int room = kPanelWidth - column->contentsMargins().left() - column->contentsMargins().right();
    QBoxLayout* buttons = rowWidth - kButtonSpacing <= room ? static_cast<QBoxLayout*>(new QHBoxLayout)
                                                            : static_cast<QBoxLayout*>(new QVBoxLayout);
    buttons->setSpacing(kButtonSpacing);
    for (QPushButton* button : std::as_const(m_buttons)) {
        buttons->addWidget(button);
    }
    column->addLayout(buttons);
    if (parentWidget())
        parentWidget()->installEventFilter(this);
}

AlertView::~AlertView()
{
    shownAlerts().removeAll(this);
}

QList<AlertView*> AlertView::visibleAlerts()
{
    return shownAlerts();
}

void AlertView::show()
{
    if (m_dismissed || !parentWidget())
        return;
    if (!shownAlerts().contains(this))
        shownAlerts().append(this);
    setGeometry(parentWidget()->rect());
    layoutPanel();
    QWidget::show();
    raise();
    if (!m_buttons.isEmpty())
        m_buttons.first()->setFocus();
}

void AlertView::dismissWithClickedButtonIndex(int index)
{
    if (m_dismissed)
        return;
    m_dismissed = true;
    shownAlerts().removeAll(this);
    hide();
    if (m_delegate)
        m_delegate->alertViewDidDismiss(this, index);
    deleteLater();
}

void AlertView::layoutPanel()
{
    const int width = qMin(kPanelWidth, qMax(200, this->width() - 40));
    m_panel->setFixedWidth(width);
    // The height the wrapped texts take at this width: the size hint guesses a width of its own for them and can
    // leave a line out.
    QLayout* layout = m_panel->layout();
    layout->activate();
    const int height =
        layout->hasHeightForWidth() ? layout->totalHeightForWidth(width) : layout->totalSizeHint().height();
    m_panel->setFixedHeight(qMax(height, layout->totalMinimumSize().height()));
    m_panel->move((this->width() - width) / 2, (this->height() - m_panel->height()) / 2);
}

bool AlertView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        setGeometry(parentWidget()->rect());
        layoutPanel();
    }
    return QWidget::eventFilter(watched, event);
}

void AlertView::keyPressEvent(QKeyEvent* event)
{
    // Escape and Return end the alert with its first button, the one every alert of ours has.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        dismissWithClickedButtonIndex(0);
        return;
    }
    QWidget::keyPressEvent(event);
}

void AlertView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 110));
}

} // namespace marrowfin
