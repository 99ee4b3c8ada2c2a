#include "FavoriteDisplaySettingsView.h"

#include "SettingsScreens.h"

#include "core/watch/BackgroundWatchSettings.h"
#include "core/watch/Watcher.h"
#include "gui/platform/Fonts.h"
#include "gui/platform/Switch.h"

#include <QLabel>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QWheelEvent>

#include <cmath>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr int kMargin = 20;
constexpr int kMaximumFormWidth = 440;
constexpr int kWheelStep = 120;
constexpr int kEndLabelWidth = 28;
constexpr int kSwitchRowHeight = 36;
constexpr int kMinutesWidth = 150;
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
        u"QLabel#hint, QLabel#watchHint { color: #b0b0b0; }"
        u"QLabel#watchStatus { color: #e6e6e6; }"
        u"QLabel:disabled { color: #7a7a7a; }"
        u"QSpinBox { color: white; background: #1e1e1e; border: 1px solid #5c5c5c; border-radius: 4px;"
        u" padding: 2px 26px 2px 6px; selection-background-color: #3d7bd9; }"
        u"QSpinBox:focus { border-color: #f0a030; }"
        u"QSpinBox::up-button, QSpinBox::down-button { subcontrol-origin: padding; width: 22px;"
        u" border: none; border-left: 1px solid #5c5c5c; background: #2e2e2e; }"
        u"QSpinBox::up-button { subcontrol-position: top right; border-top-right-radius: 4px; }"
        u"QSpinBox::down-button { subcontrol-position: bottom right; border-bottom-right-radius: 4px; }"
        u"QSpinBox::up-button:pressed, QSpinBox::down-button:pressed { background: #3d7bd9; }"
        u"QSpinBox::up-arrow { image: url(:/images/stepper-up.svg); width: 9px; height: 9px; }"
        u"QSpinBox::down-arrow { image: url(:/images/stepper-down.svg); width: 9px; height: 9px; }"
        u"QSpinBox::up-arrow:disabled, QSpinBox::down-arrow:disabled { image: none; }"
        u"QSpinBox:disabled { color: #7a7a7a; border-color: #3a3a3a; }"
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

    m_watchTitle = new QLabel(kWatchTitle.toString(), m_form);
    m_watchTitle->setFont(systemFont(16, true));
    m_watchSwitch = new Switch(m_form);
    m_watchSwitch->setAccessibleName(kWatchTitle.toString());
    m_everyPrefix = new QLabel(kEveryPrefix.toString().trimmed(), m_form);
    m_everyPrefix->setFont(systemFont(15));
    m_watchMinutes = new QSpinBox(m_form);
    m_watchMinutes->setRange(kShortestWatchMinutes, kLongestWatchMinutes);
    m_watchMinutes->setSuffix(kEverySuffix.toString());
    m_watchMinutes->setFont(systemFont(15));
    m_watchMinutes->setAccessibleName(u"Minutes between rounds"_s);
    // A typed number counts when the field is left or Return is pressed, not at every digit.
    m_watchMinutes->setKeyboardTracking(false);
    m_sendTitle = new QLabel(kSendTitle.toString(), m_form);
    m_sendTitle->setFont(systemFont(15));
    m_sendTitle->setWordWrap(true);
    m_sendSwitch = new Switch(m_form);
    m_sendSwitch->setAccessibleName(kSendTitle.toString());
    m_watchHint = new QLabel(kWatchHint.toString().arg(WatchOptions::kDefaultMaxSends), m_form);
    m_watchHint->setObjectName(u"watchHint"_s);
    m_watchHint->setFont(systemFont(13));
    m_watchHint->setWordWrap(true);
    m_watchStatus = new QLabel(m_form);
    m_watchStatus->setObjectName(u"watchStatus"_s);
    m_watchStatus->setFont(systemFont(13));
    m_watchStatus->setWordWrap(true);
    m_watchStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_watchStatus->hide();
    setWatchSettings(false, kDefaultWatchMinutes, false);

    m_scrollView->setWidget(m_form);

    const auto changed = [this] {
        setWatchSettings(m_watchSwitch->isOn(), m_watchMinutes->value(), m_sendSwitch->isOn());
        if (m_delegate)
            m_delegate->didUpdateWatchSettings(*this);
    };
    connect(m_watchSwitch, &Switch::toggled, this, changed);
    connect(m_sendSwitch, &Switch::toggled, this, changed);
    connect(m_watchMinutes, &QSpinBox::valueChanged, this, changed);

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

void FavoriteDisplaySettingsView::setWatchSettings(bool on, int everyMinutes, bool send)
{
    const QSignalBlocker quietWatch(m_watchSwitch);
    const QSignalBlocker quietMinutes(m_watchMinutes);
    const QSignalBlocker quietSend(m_sendSwitch);
    m_watchSwitch->setOn(on);
    m_watchMinutes->setValue(everyMinutes);
    m_sendSwitch->setOn(send);
    for (QWidget* part : {static_cast<QWidget*>(m_everyPrefix), static_cast<QWidget*>(m_watchMinutes),
                          static_cast<QWidget*>(m_sendTitle), static_cast<QWidget*>(m_sendSwitch)}) {
        part->setEnabled(on);
    }
}

void FavoriteDisplaySettingsView::setWatchStatus(const QString& text)
{
    m_watchStatus->setText(text);
    m_watchStatus->setVisible(!text.isEmpty());
    layoutForm();
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
    y += m_hint->height() + 28;

    // The watch: a title and its switch, the minutes, the send switch, the rails, the last round.
    const QSize switchSize = m_watchSwitch->sizeHint();
    const int titleWidth = formWidth - switchSize.width() - 10;
    m_watchTitle->setGeometry(left, y, titleWidth, kSwitchRowHeight);
    m_watchSwitch->move(left + formWidth - switchSize.width(), y + (kSwitchRowHeight - switchSize.height()) / 2);
    y += kSwitchRowHeight + 8;
    const int prefixWidth = m_everyPrefix->sizeHint().width();
    m_everyPrefix->setGeometry(left, y, prefixWidth, 30);
    m_watchMinutes->setGeometry(left + prefixWidth + 8, y, kMinutesWidth, 30);
    y += 30 + 12;
    const int sendHeight = qMax(kSwitchRowHeight, m_sendTitle->heightForWidth(titleWidth));
    m_sendTitle->setGeometry(left, y, titleWidth, sendHeight);
    m_sendSwitch->move(left + formWidth - switchSize.width(), y + (sendHeight - switchSize.height()) / 2);
    y += sendHeight + 10;
    m_watchHint->setGeometry(left, y, formWidth, m_watchHint->heightForWidth(formWidth));
    y += m_watchHint->height();
    if (m_watchStatus->isVisible()) {
        y += 12;
        m_watchStatus->setGeometry(left, y, formWidth, m_watchStatus->heightForWidth(formWidth));
        y += m_watchStatus->height();
    }
    m_form->setMinimumHeight(y + kMargin);
}

} // namespace marrowfin
