#include "DonateViewController.h"

#include "gui/platform/Images.h"

#include <QDesktopServices>
#include <QToolButton>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

DonateViewController::DonateViewController(const QRect& frame, QUrl link, QObject* parent)
    : ViewController(parent), m_frame(frame), m_link(std::move(link))
{}

void DonateViewController::loadView()
{
    auto* button = new QToolButton;
    button->setObjectName(u"donate"_s);
    button->setGeometry(m_frame);
    button->setIcon(QIcon(imageNamed(u"bitcoin.png", m_frame.size())));
    button->setIconSize(m_frame.size());
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setToolTip(m_link.toString());
    button->setStyleSheet(u"QToolButton { border: none; background: transparent; }"_s);
    button->setVisible(isAvailable());
    connect(button, &QToolButton::clicked, this, [this] {
        if (isAvailable())
            QDesktopServices::openUrl(m_link);
    });
    setView(button);
}

} // namespace marrowfin
