#include "UndoBar.h"

#include "gui/platform/Accessibility.h"
#include "gui/platform/Fonts.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QShortcut>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr int kHeight = 44;
constexpr int kMaxWidth = 360;
constexpr int kMargin = 12;
} // namespace

UndoBar::UndoBar(QWidget* list)
    : QWidget(list), m_label(new QLabel(kText.toString(), this)),
      m_button(new QPushButton(kUndoTitle.toString(), this)),
      m_shortcut(new QShortcut(QKeySequence::Undo, list, nullptr, nullptr, Qt::WidgetWithChildrenShortcut))
{
    setObjectName(u"undoBar"_s);
    setAccessibleName(kText.toString());
    m_label->setFont(systemFont(14));
    m_label->setStyleSheet(u"color: #f0f0f0; background: transparent;"_s);
    m_button->setObjectName(u"undoButton"_s);
    m_button->setFont(systemFont(14, true));
    m_button->setCursor(Qt::PointingHandCursor);
    m_button->setAccessibleDescription(u"Puts back what was deleted (Ctrl+Z)"_s);
    m_button->setStyleSheet(u"QPushButton { color: #5fd4bf; background: transparent; border: none; padding: 0 8px; }"
                            u"QPushButton:pressed { color: #3c9e8c; }"
                            u"QPushButton:focus { text-decoration: underline; }"_s);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 0, 8, 0);
    layout->addWidget(m_label, 1);
    layout->addWidget(m_button);
    connect(m_button, &QPushButton::clicked, this, &UndoBar::undo);
    m_shortcut->setEnabled(false);
    connect(m_shortcut, &QShortcut::activated, this, &UndoBar::undo);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &UndoBar::dismiss);
    list->installEventFilter(this);
    hide();
}

UndoBar::~UndoBar() = default;

void UndoBar::offer(std::function<void()> undo)
{
    m_undo = std::move(undo);
    m_shortcut->setEnabled(true);
    place();
    show();
    raise();
    m_timer.start(kShownMs);
    announce(u"%1 Ctrl+Z puts it back."_s.arg(kText), window());
}

void UndoBar::undo()
{
    // Taken out first: the action may offer the bar again (a write that failed keeps the chance to undo).
    std::function<void()> action = std::exchange(m_undo, nullptr);
    dismiss();
    if (action) {
        action();
    }
}

void UndoBar::dismiss()
{
    m_undo = nullptr;
    m_timer.stop();
    m_shortcut->setEnabled(false);
    hide();
}

void UndoBar::place()
{
    const QWidget* list = parentWidget();
    const int width = qMin(kMaxWidth, list->width() - 2 * kMargin);
    setGeometry((list->width() - width) / 2, list->height() - kHeight - kMargin, width, kHeight);
}

bool UndoBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        place();
    }
    return QWidget::eventFilter(watched, event);
}

void UndoBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    painter.fillPath(path, QColor(0x14, 0x14, 0x14, 235));
    painter.setPen(QColor(0x55, 0x55, 0x55));
    painter.drawPath(path);
}

void UndoBar::enterEvent(QEnterEvent* event)
{
    m_timer.stop();
    QWidget::enterEvent(event);
}

void UndoBar::leaveEvent(QEvent* event)
{
    if (isOffered()) {
        m_timer.start(kShownMs);
    }
    QWidget::leaveEvent(event);
}

} // namespace marrowfin
