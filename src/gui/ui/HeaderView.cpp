#include "HeaderView.h"

#include "HeaderShadow.h"
#include "HeaderViewDelegate.h"
#include "ImageButton.h"
#include "UIUnderlinedLabel.h"

#include "gui/platform/Device.h"
#include "gui/platform/Fonts.h"
#include "gui/platform/Images.h"

#include <QEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr QStringView kRatioPrefix = u"Ratio: ";
constexpr QStringView kDownPrefix = u"\u2193 ";
constexpr QStringView kUpPrefix = u"\u2191 ";

constexpr QColor kBandTop{0x3a, 0x3a, 0x3a};
constexpr QColor kBandBottom{0x1e, 0x1e, 0x1e};
constexpr QColor kTopLine{0x5e, 0x5e, 0x5e};
constexpr QColor kBottomLine{0x0a, 0x0a, 0x0a};
constexpr QColor kFigureGrey{204, 204, 204};

constexpr int kMargin = 8;
constexpr int kButtonSpacing = 4;
constexpr int kFigureSpacing = 10;
constexpr int kNameTop = 3;
constexpr int kNameHeight = 22;
constexpr int kFiguresTop = 26;
constexpr int kNamePointSize = 14;
constexpr int kFigurePointSize = 11;

// Band rows belonging to the header: y from 1 to kBandHeight - 1, as pointInside() has it.
QRect bandRect(int width)
{
    return {0, 1, width, HeaderView::kBandHeight - 1};
}

QLabel* makeFigureLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setFont(fontNamed(u"Arial", kFigurePointSize));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, kFigureGrey);
    label->setPalette(palette);
    label->hide();
    return label;
}

ImageButton* makeButton(QStringView picture, QWidget* parent)
{
    const QSize size(HeaderView::kButtonSize, HeaderView::kButtonSize);
    auto* button = new ImageButton(imageNamed(picture, size), parent);
    button->resize(size);
    return button;
}

} // namespace

HeaderView::HeaderView(QWidget* parent)
    : QWidget(parent), m_usernameLbl(new UIUnderlinedLabel(this)), m_ratioLbl(makeFigureLabel(this)),
      m_downLbl(makeFigureLabel(this)), m_upLbl(makeFigureLabel(this)), m_refreshBtn(makeButton(u"refresh", this)),
      m_searchBtn(makeButton(u"search", this)), m_settingsBtn(makeButton(u"settings", this)),
      m_filtersBtn(makeButton(u"filters", this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedHeight(kHeight);
    resize(Device::screenSize().width(), kHeight);
    setMask(QRegion(bandRect(width())));

    m_usernameLbl->setFont(fontNamed(u"Arial-BoldMT", kNamePointSize));
    m_usernameLbl->hide();
    m_searchBtn->hide();
    m_filtersBtn->hide();

    connect(m_usernameLbl, &QAbstractButton::clicked, this, [this] {
        if (m_parentDelegate)
            m_parentDelegate->didSelectProfile(std::nullopt);
    });
    connect(m_refreshBtn, &QAbstractButton::clicked, this, [this] {
        if (m_parentDelegate)
            m_parentDelegate->didRefresh();
    });
    connect(m_filtersBtn, &QAbstractButton::clicked, this, [this] {
        if (m_parentDelegate && m_parentDelegate->respondsToFilters())
            m_parentDelegate->didFilters();
    });
    connect(m_settingsBtn, &QAbstractButton::clicked, this, [this] {
        if (m_parentDelegate && m_parentDelegate->respondsToSettings())
            m_parentDelegate->didSettings();
    });
    connect(m_searchBtn, &QAbstractButton::clicked, this, [this] {
        if (m_parentDelegate && m_parentDelegate->respondsToSearch())
            m_parentDelegate->didSearch();
    });

    m_refreshBtn->setAccessibleName(u"Reload"_s);
    m_searchBtn->setAccessibleName(u"Search settings"_s);
    m_settingsBtn->setAccessibleName(u"Category and order"_s);
    m_filtersBtn->setAccessibleName(u"Favorite filters"_s);
    m_refreshBtn->setToolTip(u"Reload from the first page (F5)"_s);
    m_searchBtn->setToolTip(u"Search settings"_s);
    m_settingsBtn->setToolTip(u"Category and order"_s);
    m_filtersBtn->setToolTip(u"Favorite filters"_s);
    m_usernameLbl->setToolTip(u"Your profile on the site"_s);

    placeShadow();
    layoutChildren();
}

HeaderView::~HeaderView()
{
    delete m_shadow.data();
}

void HeaderView::setUsername(const QString& name)
{
    m_usernameLbl->setText(name);
    // Read as the button it is, not as a bare name or state.
    m_usernameLbl->setAccessibleName(u"Profile: "_s + name);
    m_usernameLbl->setVisible(!name.isEmpty());
    layoutChildren();
}

void HeaderView::setRatio(const QString& ratio)
{
    showFigure(m_ratioLbl, kRatioPrefix, ratio);
}

void HeaderView::setDownloaded(const QString& amount)
{
    showFigure(m_downLbl, kDownPrefix, amount);
}

void HeaderView::setUploaded(const QString& amount)
{
    showFigure(m_upLbl, kUpPrefix, amount);
}

void HeaderView::showFigure(QLabel* label, QStringView prefix, const QString& value)
{
    label->setText(value.isEmpty() ? QString() : prefix.toString() + value);
    label->setVisible(!value.isEmpty());
    layoutChildren();
}

void HeaderView::setShowsSettings(bool shows)
{
    m_settingsBtn->setVisible(shows);
    layoutChildren();
}

void HeaderView::setShowsSearch(bool shows)
{
    m_searchBtn->setVisible(shows);
    layoutChildren();
}

void HeaderView::setShowsFilters(bool shows)
{
    m_filtersBtn->setVisible(shows);
    layoutChildren();
}

bool HeaderView::pointInside(QPoint point) const
{
    return point.x() >= 0 && point.x() < width() && point.y() > 0 && point.y() < kBandHeight;
}

QSize HeaderView::sizeHint() const
{
    return {Device::screenSize().width(), kHeight};
}

void HeaderView::layoutChildren()
{
    // Buttons from the right end leftwards; settings and search share the outermost place.
    int right = width() - kMargin;
    const int buttonTop = 1 + (kBandHeight - 1 - kButtonSize) / 2;
    for (ImageButton* button : {m_settingsBtn, m_searchBtn, m_filtersBtn, m_refreshBtn}) {
        if (button->isHidden())
            continue;
        right -= kButtonSize;
        button->move(right, buttonTop);
        right -= kButtonSpacing;
    }

    const int textRoom = std::max(0, right - kMargin - kMargin);
    m_usernameLbl->setGeometry(kMargin, kNameTop, std::min(m_usernameLbl->sizeHint().width() + 1, textRoom),
                               kNameHeight);

    int x = kMargin;
    for (QLabel* label : {m_ratioLbl, m_downLbl, m_upLbl}) {
        if (label->isHidden())
            continue;
        label->adjustSize();
        label->move(x, kFiguresTop);
        x += label->width() + kFigureSpacing;
    }
}

void HeaderView::placeShadow()
{
    QWidget* parent = parentWidget();
    if (!parent) {
        delete m_shadow.data();
        return;
    }
    if (!m_shadow)
        m_shadow = new HeaderShadow(parent);
    else if (m_shadow->parentWidget() != parent)
        m_shadow->setParent(parent);
    m_shadow->setGeometry(x(), y() + kBandHeight, width(), kShadowHeight);
    const bool visible = !isHidden() && m_shadowShown;
    if (m_shadow->isHidden() == visible) {
        m_shadow->setVisible(visible);
    }
    m_shadow->stackUnder(this);
}

void HeaderView::setShadowShown(bool shown)
{
    m_shadowShown = shown;
    placeShadow();
}

bool HeaderView::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::ParentChange:
    case QEvent::Move:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::ZOrderChange:
        placeShadow();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void HeaderView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Clicks outside the mask go to whatever lies under the header; the mask also clips painting, which is why the
    // shadow is a separate widget.
    setMask(QRegion(bandRect(width())));
    placeShadow();
    layoutChildren();
}

void HeaderView::paintEvent(QPaintEvent*)
{
    const QRect band = bandRect(width());
    QLinearGradient gradient(0, band.top(), 0, band.bottom());
    gradient.setColorAt(0, kBandTop);
    gradient.setColorAt(1, kBandBottom);
    QPainter painter(this);
    painter.fillRect(band, gradient);
    painter.fillRect(QRect(band.left(), band.top(), band.width(), 1), kTopLine);
    painter.fillRect(QRect(band.left(), band.bottom(), band.width(), 1), kBottomLine);
}

} // namespace marrowfin
