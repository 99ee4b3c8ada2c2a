#include "UnavailableViewController.h"

#include "Fonts.h"
#include "Images.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

UnavailableViewController::UnavailableViewController(const QString& title, const TabBarItem& item,
                                                     const QString& explanation, QObject* parent)
    : ViewController(parent), m_explanation(explanation)
{
    setTitle(title);
    setTabBarItem(item);
}

void UnavailableViewController::loadView()
{
    auto* view = new QWidget;
    view->setObjectName(u"unavailable"_s);
    view->setAttribute(Qt::WA_StyledBackground);
    view->setStyleSheet(u"QWidget#unavailable { background: #333333; }"
                        u"QLabel { color: #cccccc; background: transparent; }"
                        u"QPushButton { color: white; background: #4a4a4a; border: 1px solid #6a6a6a;"
                        u" border-radius: 6px; padding: 8px 16px; }"
                        u"QPushButton:pressed { background: #2e2e2e; }"_s);

    auto* picture = new QLabel(view);
    picture->setPixmap(tintedImage(imageNamed(tabBarItem().imageName, QSize(60, 60)), QColor(0x8e, 0x8e, 0x8e)));
    picture->setAlignment(Qt::AlignCenter);

    auto* heading = new QLabel(title(), view);
    heading->setObjectName(u"unavailableTitle"_s);
    heading->setFont(systemFont(20, true));
    heading->setAlignment(Qt::AlignCenter);
    heading->setWordWrap(true);

    auto* status = new QLabel(kNotAvailableText.toString(), view);
    status->setObjectName(u"unavailableStatus"_s);
    status->setFont(systemFont(15, true));
    status->setAlignment(Qt::AlignCenter);
    status->setStyleSheet(u"color: #f0a030;"_s);

    auto* text = new QLabel(m_explanation, view);
    text->setFont(systemFont(14));
    text->setAlignment(Qt::AlignCenter);
    text->setWordWrap(true);

    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(32, 24, 32, 24);
    layout->addStretch(2);
    layout->addWidget(picture);
    layout->addSpacing(12);
    layout->addWidget(heading);
    layout->addSpacing(6);
    layout->addWidget(status);
    layout->addSpacing(10);
    layout->addWidget(text);
    if (m_address.isValid()) {
        auto* open = new QPushButton(u"Open in browser"_s, view);
        open->setObjectName(u"openInBrowser"_s);
        open->setCursor(Qt::PointingHandCursor);
        connect(open, &QPushButton::clicked, this, [this] { QDesktopServices::openUrl(m_address); });
        layout->addSpacing(16);
        layout->addWidget(open, 0, Qt::AlignHCenter);
    }
    layout->addStretch(3);
    setView(view);
}

} // namespace marrowfin
