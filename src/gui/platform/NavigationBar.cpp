#include "NavigationBar.h"

#include "Fonts.h"
#include "Images.h"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QToolButton>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

NavigationBar::NavigationBar(QWidget* parent)
    : QWidget(parent), m_title(new QLabel(this)), m_back(new QToolButton(this))
{
    setFixedHeight(kHeight);
    m_title->setFont(systemFont(17, true));
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setStyleSheet(u"color: white; background: transparent;"_s);

    m_back->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_back->setIcon(QIcon(imageNamed(u"back")));
    m_back->setIconSize(QSize(13, 21));
    m_back->setFont(systemFont(15));
    m_back->setCursor(Qt::PointingHandCursor);
    m_back->setStyleSheet(u"QToolButton { color: white; border: none; background: transparent; padding: 0 4px; }"
                          u"QToolButton:pressed { color: #a0a0a0; }"_s);
    m_back->hide();
    connect(m_back, &QToolButton::clicked, this, &NavigationBar::backClicked);
}

void NavigationBar::setTitle(const QString& title)
{
    m_title->setText(title);
}

QString NavigationBar::title() const
{
    return m_title->text();
}

void NavigationBar::setBackTitle(const QString& title)
{
    m_back->setText(title);
    m_backWanted = !title.isEmpty();
    m_back->setVisible(m_backWanted && !m_left);
    m_back->adjustSize();
    resizeEvent(nullptr);
}

void NavigationBar::setItems(QWidget* left, QWidget* right)
{
    // Items of the screen that was on top go back to being hidden children of the bar until it shows them again.
    for (QWidget* old : {m_left.data(), m_right.data()}) {
        if (old && old != left && old != right)
            old->hide();
    }
    m_left = left;
    m_right = right;
    for (QWidget* item : {left, right}) {
        if (!item)
            continue;
        item->setParent(this);
        item->show();
    }
    m_back->setVisible(m_backWanted && !m_left);
    resizeEvent(nullptr);
}

void NavigationBar::resizeEvent(QResizeEvent*)
{
    m_back->setGeometry(6, 0, qMin(m_back->sizeHint().width(), width() / 3), kHeight);
    int leftSide = m_back->isVisible() ? m_back->width() + 12 : 12;
    int rightSide = 12;
    // Items keep their own size, centred in the bar's height.
    if (m_left) {
        const QSize size = m_left->size().isEmpty() ? m_left->sizeHint() : m_left->size();
        m_left->setGeometry(0, (kHeight - size.height()) / 2, size.width(), size.height());
        leftSide = qMax(leftSide, size.width() + 4);
    }
    if (m_right) {
        const QSize size = m_right->size().isEmpty() ? m_right->sizeHint() : m_right->size();
        m_right->setGeometry(width() - size.width(), (kHeight - size.height()) / 2, size.width(), size.height());
        rightSide = size.width() + 4;
    }
    const int side = qMax(leftSide, rightSide);
    m_title->setGeometry(side, 0, qMax(0, width() - 2 * side), kHeight);
}

void NavigationBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QLinearGradient fill(0, 0, 0, height());
    fill.setColorAt(0, QColor(0x3c, 0x3c, 0x3c));
    fill.setColorAt(0.5, QColor(0x1c, 0x1c, 0x1c));
    fill.setColorAt(1, QColor(0x08, 0x08, 0x08));
    painter.fillRect(rect(), fill);
    painter.setPen(QColor(0x5a, 0x5a, 0x5a));
    painter.drawLine(0, 0, width(), 0);
    painter.setPen(Qt::black);
    painter.drawLine(0, height() - 1, width(), height() - 1);
}

} // namespace marrowfin
