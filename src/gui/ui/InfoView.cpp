#include "InfoView.h"

#include "gui/platform/Device.h"
#include "gui/platform/Fonts.h"
#include "gui/platform/Images.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace marrowfin {

namespace {

constexpr QStringView kVersionPrefix = u"Version ";
constexpr QStringView kDoneTitle = u"Done";
constexpr QStringView kAboutText =
    u"Marrowfin keeps the site in your pocket. Browse the newest torrents as they are posted, look for anything by "
    u"name, and keep favourite filters that gather what you follow into one list. When you find something you want, "
    u"send its torrent straight to the BitTorrent client on your computer at home, so it is waiting for you when "
    u"you get back.";

constexpr QColor kBackground{0x1e, 0x1e, 0x1e};
constexpr QColor kAboutGrey{204, 204, 204};
constexpr QColor kVersionGrey{150, 150, 150};
constexpr QSize kLogoSize{120, 120};
constexpr QSize kDoneSize{64, 30};
constexpr int kMargin = 20;
constexpr int kTopMargin = 12;
constexpr int kLogoTop = 60;
constexpr int kVersionHeight = 20;
constexpr int kAboutPointSize = 15;
constexpr int kVersionPointSize = 12;
constexpr int kDonePointSize = 15;

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    widget->setPalette(palette);
}

} // namespace

InfoView::InfoView(QWidget* parent)
    : QWidget(parent), m_logo(new QLabel(this)), m_about(new QLabel(this)), m_versionLbl(new QLabel(this)),
      m_doneBtn(new QPushButton(kDoneTitle.toString(), this))
{
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kBackground);
    setPalette(palette);

    m_logo->setPixmap(imageNamed(u"marrowfin", kLogoSize));
    m_logo->setAlignment(Qt::AlignCenter);

    m_about->setText(kAboutText.toString());
    m_about->setWordWrap(true);
    m_about->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_about->setFont(fontNamed(u"Arial", kAboutPointSize));
    setTextColour(m_about, kAboutGrey);

    m_versionLbl->setAlignment(Qt::AlignCenter);
    m_versionLbl->setFont(fontNamed(u"Arial", kVersionPointSize));
    setTextColour(m_versionLbl, kVersionGrey);

    m_doneBtn->setFont(fontNamed(u"Arial-BoldMT", kDonePointSize));
    m_doneBtn->setFlat(true);
    m_doneBtn->setCursor(Qt::PointingHandCursor);
    setTextColour(m_doneBtn, Qt::white);

    updateVersion();
    resize(Device::screenSize());
    layoutChildren();
}

void InfoView::updateVersion()
{
    m_versionLbl->setText(kVersionPrefix.toString() + QCoreApplication::applicationVersion());
}

void InfoView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutChildren();
}

void InfoView::layoutChildren()
{
    m_doneBtn->setGeometry(width() - kMargin / 2 - kDoneSize.width(), kTopMargin, kDoneSize.width(),
                           kDoneSize.height());
    m_logo->setGeometry((width() - kLogoSize.width()) / 2, kLogoTop, kLogoSize.width(), kLogoSize.height());

    const int textWidth = std::max(0, width() - 2 * kMargin);
    const int aboutTop = kLogoTop + kLogoSize.height() + kMargin;
    const int versionTop = height() - kMargin - kVersionHeight;
    m_about->setGeometry(kMargin, aboutTop, textWidth,
                         std::clamp(m_about->heightForWidth(textWidth), 0, std::max(0, versionTop - aboutTop)));
    m_versionLbl->setGeometry(kMargin, versionTop, textWidth, kVersionHeight);
}

} // namespace marrowfin
