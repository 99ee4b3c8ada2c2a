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
    m_back->setShortcut(QKeySequence::Back);
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
    m_back->setVisible(!title.isEmpty());
    m_back->adjustSize();
    resizeEvent(nullptr);
}

void NavigationBar::resizeEvent(QResizeEvent*)
{
    m_back->setGeometry(6, 0, qMin(m_back->sizeHint().width(), width() / 3), kHeight);
    const int side = m_back->isVisible() ? m_back->width() + 12 : 12;
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
