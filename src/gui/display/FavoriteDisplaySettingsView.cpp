#include "FavoriteDisplaySettingsView.h"

#include "SettingsScreens.h"

#include "gui/platform/Fonts.h"

#include <QLabel>
#include <QScrollArea>
#include <QSlider>
#include <QWheelEvent>

#include <cmath>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr int kMargin = 20;
constexpr int kMaximumFormWidth = 440;
constexpr int kWheelStep = 120;
constexpr int kEndLabelWidth = 28;
} // namespace

FavoriteDisplaySettingsView::FavoriteDisplaySettingsView(QWidget* parent) : QWidget(parent)
{
    settingsscreens::paintSettingsBackground(this, u"favoriteDisplaySettings"_s);

    m_scrollView = new QScrollArea(this);
    m_scrollView->setFrameShape(QFrame::NoFrame);
    m_scrollView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The form takes the area's width and at least its own height; it lays itself out when resized.
    m_scrollView->setWidgetResizable(true);
    settingsscreens::styleScrollArea(m_scrollView);

    m_form = new QWidget;
    m_form->installEventFilter(this);
    settingsscreens::paintSettingsBackground(
        m_form, u"favoritesForm"_s,
        u"QLabel { color: white; background: transparent; }"
        u"QLabel#hint { color: #b0b0b0; }"
        u"QSlider::groove:horizontal { height: 6px; border-radius: 3px; background: #1e1e1e; }"
        u"QSlider::sub-page:horizontal { height: 6px; border-radius: 3px; background: #3cb4a0; }"
        u"QSlider::handle:horizontal { width: 24px; height: 24px; margin: -9px 0; border-radius: 12px;"
        u" background: white; border: 1px solid #8a8a8a; }"
        u"QSlider::handle:horizontal:focus { border: 2px solid #f0a030; }"_s);

    m_caption = new QLabel(kCaption.toString(), m_form);
    m_caption->setFont(systemFont(16, true));
    m_caption->setWordWrap(true);

    m_favoritesCountValue = new QLabel(m_form);
    m_favoritesCountValue->setObjectName(u"favoritesCount"_s);
    m_favoritesCountValue->setFont(systemFont(44, true));
    m_favoritesCountValue->setAlignment(Qt::AlignCenter);

    m_favoritesCountSlider = new QSlider(Qt::Horizontal, m_form);
    m_favoritesCountSlider->setRange(kMinimumCount * kSliderScale, kMaximumCount * kSliderScale);
    m_favoritesCountSlider->setSingleStep(kSliderScale);
    m_favoritesCountSlider->setPageStep(kPageStepPages * kSliderScale);
    m_favoritesCountSlider->setFocusPolicy(Qt::StrongFocus);
    m_favoritesCountSlider->setAccessibleName(kCaption.toString());
    m_favoritesCountSlider->installEventFilter(this);

    m_minimumLabel = new QLabel(QString::number(kMinimumCount), m_form);
    m_maximumLabel = new QLabel(QString::number(kMaximumCount), m_form);
    for (QLabel* end : {m_minimumLabel, m_maximumLabel}) {
        end->setFont(systemFont(14));
        end->setAlignment(Qt::AlignCenter);
    }

    m_hint = new QLabel(kHint.toString(), m_form);
    m_hint->setObjectName(u"hint"_s);
    m_hint->setFont(systemFont(13));
    m_hint->setWordWrap(true);

    m_scrollView->setWidget(m_form);

    // A drag shows its count as it goes and hands it on when released; any other change (keys, the groove) ends
    // as it happens.
    connect(m_favoritesCountSlider, &QSlider::sliderPressed, this,
            [this] { m_pressedValue = m_favoritesCountSlider->value(); });
    connect(m_favoritesCountSlider, &QSlider::sliderMoved, this, [this] { movedFavoritesSlider(); });
    connect(m_favoritesCountSlider, &QSlider::sliderReleased, this, [this] {
        if (m_favoritesCountSlider->value() != m_pressedValue)
            changedFavoritesSlider();
    });
    connect(m_favoritesCountSlider, &QSlider::valueChanged, this, [this] {
        if (m_favoritesCountSlider->isSliderDown())
            return;
        movedFavoritesSlider();
        changedFavoritesSlider();
    });
}

double FavoriteDisplaySettingsView::sliderValue() const
{
    // The position, not the value: while a drag moves, the value follows only after the move has been announced.
    return double(m_favoritesCountSlider->sliderPosition()) / kSliderScale;
}

void FavoriteDisplaySettingsView::setSliderValue(double pages)
{
    const QSignalBlocker quiet(m_favoritesCountSlider);
    // A count the slider cannot show (a text that is no number reads as 0) puts the slider at its nearest end.
    const double units = std::isfinite(pages) ? pages * kSliderScale : 0.0;
    const double bounded =
        qBound(double(m_favoritesCountSlider->minimum()), units, double(m_favoritesCountSlider->maximum()));
    m_favoritesCountSlider->setValue(int(std::lround(bounded)));
}

void FavoriteDisplaySettingsView::movedFavoritesSlider()
{
    m_favoritesCountValue->setText(QString::asprintf("%.0f", sliderValue()));
}

void FavoriteDisplaySettingsView::changedFavoritesSlider()
{
    if (m_delegate)
        m_delegate->didUpdateFavoritesCount(*this, m_favoritesCountValue->text());
}

bool FavoriteDisplaySettingsView::eventFilter(QObject* watched, QEvent* event)
{
    // One wheel step is one page, where the slider's own handling would turn three.
    if (watched == m_favoritesCountSlider && event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        const QPoint angle = wheel->angleDelta();
        m_pendingWheel += angle.y() != 0 ? angle.y() : angle.x();
        const int steps = m_pendingWheel / kWheelStep;
        m_pendingWheel -= steps * kWheelStep;
        if (steps != 0)
            m_favoritesCountSlider->setValue(m_favoritesCountSlider->value() + steps * kSliderScale);
        wheel->accept();
        return true;
    }
    if (watched == m_form && event->type() == QEvent::Resize)
        layoutForm();
    return QWidget::eventFilter(watched, event);
}

void FavoriteDisplaySettingsView::resizeEvent(QResizeEvent*)
{
    m_scrollView->setGeometry(rect());
}

void FavoriteDisplaySettingsView::layoutForm()
{
    const int viewWidth = m_form->width();
    const int formWidth = qMin(kMaximumFormWidth, qMax(0, viewWidth - 2 * kMargin));
    const int left = (viewWidth - formWidth) / 2;
    int y = kMargin + 4;
    m_caption->setGeometry(left, y, formWidth, m_caption->heightForWidth(formWidth));
    y += m_caption->height() + 12;
    m_favoritesCountValue->setGeometry(left, y, formWidth, 56);
    y += 56 + 14;
    m_minimumLabel->setGeometry(left, y, kEndLabelWidth, 30);
    m_favoritesCountSlider->setGeometry(left + kEndLabelWidth + 6, y, formWidth - 2 * (kEndLabelWidth + 6), 30);
    m_maximumLabel->setGeometry(left + formWidth - kEndLabelWidth, y, kEndLabelWidth, 30);
    y += 30 + 18;
    m_hint->setGeometry(left, y, formWidth, m_hint->heightForWidth(formWidth));
    m_form->setMinimumHeight(y + m_hint->height() + kMargin);
}

} // namespace marrowfin
