#include "FavoriteComposeViewController.h"

#include "FavoriteComposeViewControllerDelegate.h"

#include "core/lists/FilterPreview.h"
#include "gui/platform/Fonts.h"
#include "gui/platform/NavigationBar.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include <cmath>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr QStringView kPlaceholder = u"e.g. 1080p|720p";
constexpr QStringView kHint =
    u"A regular expression over torrent names: the newest torrents whose name contains a match are listed in "
    u"Favorites. Case counts; | joins alternatives, as in 1080p|720p.";
constexpr int kMargin = 12;
constexpr int kPreviewNames = 5;
constexpr int kFieldHeight = 40;
constexpr int kLimitHeight = 30;
constexpr int kLimitGap = 8;
constexpr int kCaptionWidth = 118;
constexpr int kNumberWidth = 84;
constexpr int kUnitWidth = 66;
// The units a size limit is typed in, each 1024 times the one before.
constexpr std::array kUnits{u"KB", u"MB", u"GB", u"TB"};

const QString kFieldStyle =
    u"QLineEdit { background: #f2f2f2; color: #1a1a1a; border: 1px solid #111111; border-radius: 5px; padding: 0 6px;"
    u" selection-background-color: #3d7bd9; }"_s;

QLabel* caption(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setFont(systemFont(13));
    label->setStyleSheet(u"color: #d8d8d8; background: transparent;"_s);
    return label;
}

QLineEdit* limitField(const QString& name, const QString& placeholder, QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setPlaceholderText(placeholder);
    field->setFont(systemFont(13));
    field->setStyleSheet(kFieldStyle);
    field->setInputMethodHints(Qt::ImhNoAutoUppercase | Qt::ImhNoPredictiveText);
    return field;
}

QComboBox* unitBox(const QString& name, int unit, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    for (const char16_t* text : kUnits) {
        box->addItem(QString::fromUtf16(text));
    }
    box->setCurrentIndex(unit);
    box->setFont(systemFont(13));
    box->setStyleSheet(u"QComboBox { background: #f2f2f2; color: #1a1a1a; border: 1px solid #111111;"
                       u" border-radius: 5px; padding: 0 6px; }"_s);
    return box;
}

// Bytes of a size typed in a field with its unit; nothing for an empty field.
// Read by the same rule as the listing's sizes and the command line's.
std::optional<qint64> sizeOf(const QLineEdit* field, const QComboBox* unit)
{
    return sizeInBytes(QString(field->text().trimmed() + u' ' + unit->currentText()));
}

// A stored size as the fields take it: the largest unit in which at most three decimals give the bytes back
// exactly, so that saving an unchanged form changes nothing; failing that, the largest unit the number fits.
std::pair<QString, int> sizeFields(qint64 bytes)
{
    std::optional<std::pair<QString, int>> fits;
    for (int unit = int(kUnits.size()) - 1; unit >= 0; --unit) {
        const double value = double(bytes) / std::pow(1024.0, unit + 1);
        // The field takes seven digits before the point.
        if ((value < 1 && unit > 0) || value >= 1e7) {
            continue;
        }
        QString number = QString::number(value, 'f', 3);
        while (number.endsWith(u'0')) {
            number.chop(1);
        }
        if (number.endsWith(u'.')) {
            number.chop(1);
        }
        if (sizeInBytes(QString(number + u' ' + QString::fromUtf16(kUnits.at(unit)))) == bytes) {
            return {number, unit};
        }
        if (!fits) {
            fits.emplace(number, unit);
        }
    }
    return fits.value_or(std::pair(QString(), 0));
}

QPushButton* barTextButton(const QString& text, const QString& objectName, bool prominent)
{
    auto* button = new QPushButton(text);
    button->setObjectName(objectName);
    button->setFont(systemFont(15, prominent));
    button->setCursor(Qt::PointingHandCursor);
    // Reached with Tab; Return and Escape in the field do their work without leaving it.
    button->setFocusPolicy(Qt::TabFocus);
    button->setStyleSheet(u"QPushButton { color: white; background: transparent; border: none; padding: 0 12px; }"
                          u"QPushButton:pressed { color: #a0a0a0; }"_s);
    button->resize(button->sizeHint().width(), 44);
    return button;
}

} // namespace

FavoriteComposeViewController::FavoriteComposeViewController(QObject* parent) : ViewController(parent)
{
    setTitle(kTitle.toString());
}

FavoriteComposeViewController::~FavoriteComposeViewController() = default;

void FavoriteComposeViewController::loadView()
{
    auto* screen = new QWidget;
    screen->setObjectName(u"compose"_s);
    screen->setAttribute(Qt::WA_StyledBackground);
    screen->setStyleSheet(u"QWidget#compose { background: #333333; }"_s);

    m_bar = new NavigationBar(screen);
    m_bar->setTitle(title());
    m_cancel = barTextButton(u"Cancel"_s, u"cancelButton"_s, false);
    m_save = barTextButton(u"Save"_s, u"saveButton"_s, true);
    m_bar->setItems(m_cancel, m_save);
    connect(m_cancel, &QPushButton::clicked, this, &FavoriteComposeViewController::cancel);
    connect(m_save, &QPushButton::clicked, this, &FavoriteComposeViewController::updateList);

    m_newItem = new QLineEdit(screen);
    m_newItem->setObjectName(u"newItem"_s);
    m_newItem->setPlaceholderText(kPlaceholder.toString());
    m_newItem->setFont(fontNamed(u"Arial-BoldMT", 15));
    m_newItem->setAccessibleName(u"Filter"_s);
    // An expression is typed as it is meant: no capitals put in, no corrections.
    m_newItem->setInputMethodHints(Qt::ImhNoAutoUppercase | Qt::ImhNoPredictiveText);
    m_newItem->setStyleSheet(u"QLineEdit { background: #f2f2f2; color: #1a1a1a; border: 1px solid #111111;"
                             u" border-radius: 6px; padding: 0 8px; selection-background-color: #3d7bd9; }"_s);
    // The return key is always accepted: it saves.
    connect(m_newItem, &QLineEdit::returnPressed, this, &FavoriteComposeViewController::updateList);

    m_hint = new QLabel(kHint.toString(), screen);
    m_hint->setWordWrap(true);
    m_hint->setFont(systemFont(13));
    m_hint->setStyleSheet(u"color: #a6a6a6; background: transparent;"_s);

    m_preview = new QLabel(screen);
    m_preview->setObjectName(u"preview"_s);
    m_preview->setWordWrap(false);
    m_preview->setTextFormat(Qt::PlainText);
    m_preview->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_preview->setFont(systemFont(13));
    connect(m_newItem, &QLineEdit::textChanged, this, &FavoriteComposeViewController::updatePreview);

    m_limitsTitle = new QLabel(u"Limits"_s, screen);
    m_limitsTitle->setFont(systemFont(13, true));
    m_limitsTitle->setStyleSheet(u"color: #d8d8d8; background: transparent;"_s);
    m_limitsTitle->setToolTip(u"Optional: an empty field is no limit."_s);
    const auto* sizeValidator =
        new QRegularExpressionValidator(QRegularExpression(uR"(\d{0,7}([.,]\d{0,3})?)"_s), this);
    m_minSize = limitField(u"minSize"_s, u"any"_s, screen);
    m_minSize->setValidator(sizeValidator);
    m_minSize->setAccessibleName(u"Smallest size"_s);
    m_minUnit = unitBox(u"minSizeUnit"_s, 1, screen);
    m_minUnit->setAccessibleName(u"Unit of the smallest size"_s);
    m_maxSize = limitField(u"maxSize"_s, u"any"_s, screen);
    m_maxSize->setValidator(sizeValidator);
    m_maxSize->setAccessibleName(u"Largest size"_s);
    m_maxUnit = unitBox(u"maxSizeUnit"_s, 2, screen);
    m_maxUnit->setAccessibleName(u"Unit of the largest size"_s);
    m_minSeeders = limitField(u"minSeeders"_s, u"any"_s, screen);
    m_minSeeders->setValidator(new QIntValidator(0, 9999999, this));
    m_minSeeders->setAccessibleName(u"Fewest seeders"_s);
    m_exclude = limitField(u"exclude"_s, u"e.g. CAM|TS"_s, screen);
    m_exclude->setAccessibleName(u"Exclude names matching"_s);
    m_exclude->setAccessibleDescription(u"A regular expression: a name it matches is left out."_s);
    for (const QString& text : {u"Size at least"_s, u"Size at most"_s, u"Seeders at least"_s, u"Exclude"_s}) {
        m_limitCaptions.append(caption(text, screen));
    }
    for (QLineEdit* field : {m_minSize, m_maxSize, m_minSeeders, m_exclude}) {
        connect(field, &QLineEdit::textChanged, this, &FavoriteComposeViewController::updatePreview);
        connect(field, &QLineEdit::returnPressed, this, &FavoriteComposeViewController::updateList);
        field->installEventFilter(this);
    }
    for (QComboBox* unit : {m_minUnit, m_maxUnit}) {
        connect(unit, &QComboBox::currentIndexChanged, this, &FavoriteComposeViewController::updatePreview);
        unit->installEventFilter(this);
    }
    QWidget::setTabOrder(m_newItem, m_minSize);
    QWidget::setTabOrder(m_minSize, m_minUnit);
    QWidget::setTabOrder(m_minUnit, m_maxSize);
    QWidget::setTabOrder(m_maxSize, m_maxUnit);
    QWidget::setTabOrder(m_maxUnit, m_minSeeders);
    QWidget::setTabOrder(m_minSeeders, m_exclude);

    screen->installEventFilter(this);
    m_newItem->installEventFilter(this);
    setView(screen);
    if (m_editedFilter) {
        m_newItem->setText(*m_editedFilter);
        fillLimits(m_editedLimits);
    }
    m_openedState = formState();
    updatePreview();
}

void FavoriteComposeViewController::setEditedFilter(const QString& text, const FilterLimits& limits)
{
    m_editedFilter = text;
    m_editedLimits = limits;
    setTitle(kEditTitle.toString());
    if (isViewLoaded()) {
        m_bar->setTitle(title());
        m_newItem->setText(text);
        fillLimits(limits);
        m_openedState = formState();
        updatePreview();
    }
}

void FavoriteComposeViewController::fillLimits(const FilterLimits& limits)
{
    for (const auto& [size, field, unit] :
         {std::tuple{limits.minSize, m_minSize, m_minUnit}, std::tuple{limits.maxSize, m_maxSize, m_maxUnit}}) {
        if (size) {
            const auto [number, index] = sizeFields(*size);
            field->setText(number);
            unit->setCurrentIndex(index);
        }
    }
    m_minSeeders->setText(limits.minSeeders ? QString::number(*limits.minSeeders) : QString());
    m_exclude->setText(limits.exclude);
}

QStringList FavoriteComposeViewController::formState() const
{
    QStringList state{m_newItem->text()};
    for (const auto& [field, unit] : {std::pair{m_minSize, m_minUnit}, std::pair{m_maxSize, m_maxUnit}}) {
        state << field->text() << (field->text().isEmpty() ? QString() : unit->currentText());
    }
    state << m_minSeeders->text() << m_exclude->text();
    return state;
}

bool FavoriteComposeViewController::hasChanges() const
{
    return isViewLoaded() && formState() != m_openedState;
}

void FavoriteComposeViewController::setPreviewTorrents(QList<Torrent> torrents)
{
    m_previewTorrents = std::move(torrents);
    if (isViewLoaded()) {
        updatePreview();
    }
}

FilterLimits FavoriteComposeViewController::limits() const
{
    FilterLimits limits;
    if (!isViewLoaded()) {
        return limits;
    }
    limits.minSize = sizeOf(m_minSize, m_minUnit);
    limits.maxSize = sizeOf(m_maxSize, m_maxUnit);
    bool ok = false;
    if (const int seeders = m_minSeeders->text().toInt(&ok); ok) {
        limits.minSeeders = seeders;
    }
    limits.exclude = m_exclude->text();
    return limits;
}

void FavoriteComposeViewController::updatePreview()
{
    const FilterLimits limits = this->limits();
    const FilterPreview preview = previewFilter(m_newItem->text(), limits, m_previewTorrents, kPreviewNames);
    m_save->setEnabled(!preview.problem);
    if (preview.problem) {
        m_preview->setStyleSheet(u"color: #e07066; background: transparent;"_s);
        m_preview->setWordWrap(true);
        // What is wrong with the expression, and where; the limits' own problem reads as a sentence of its own; a
        // filter that compiles may still take too long on the names at hand.
        QString text;
        if (const std::optional<QString> expression = filterProblem(m_newItem->text())) {
            text = u"Not a valid expression: %1."_s.arg(*expression);
        } else if (const std::optional<QString> limitsWrong = limitsProblem(limits)) {
            text = limitsWrong->left(1).toUpper() + limitsWrong->mid(1) + u'.';
        } else {
            text = u"This filter cannot be used: %1."_s.arg(*preview.problem);
        }
        m_preview->setText(text);
    } else {
        m_preview->setStyleSheet(u"color: #d8d8d8; background: transparent;"_s);
        m_preview->setWordWrap(false);
        QString text = preview.total == 0 ? u"No torrents are loaded yet to try it on."_s
                                          : u"Matches %1 of the %2 torrents loaded in Favorites and All Torrents"_s
                                                    .arg(preview.accepted)
                                                    .arg(preview.total) +
                                                (preview.accepted > 0 ? u":"_s : u"."_s);
        const QFontMetrics metrics(m_preview->font());
        // The width layoutForm() gives the preview, which may not have been given yet (a form opened on a filter).
        const int room = qMax(40, view()->width() - 2 * kMargin - 4 - 12);
        // A narrow window takes the first sentence on two lines rather than cutting it.
        if (const qsizetype at = text.indexOf(u" loaded in"_s); at > 0 && metrics.horizontalAdvance(text) > room) {
            text[at] = u'\n';
        }
        for (const QString& name : preview.firstNames)
            text += u"\n\u2022 "_s + metrics.elidedText(name, Qt::ElideRight, room);
        if (preview.accepted > preview.firstNames.size())
            text += u"\n\u2026"_s;
        m_preview->setText(text);
    }
    layoutForm();
}

bool FavoriteComposeViewController::eventFilter(QObject* watched, QEvent* event)
{
    // The preview's lines are cut and wrapped to the width: made again for a new one.
    if (isViewLoaded() && watched == view() && event->type() == QEvent::Resize)
        updatePreview();
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        cancelAskingFirst();
        return true;
    }
    return ViewController::eventFilter(watched, event);
}

void FavoriteComposeViewController::layoutForm()
{
    const int width = view()->width();
    m_bar->setGeometry(0, 0, width, NavigationBar::kHeight);
    const int top = NavigationBar::kHeight + 20;
    m_newItem->setGeometry(kMargin, top, width - 2 * kMargin, kFieldHeight);
    const int hintWidth = width - 2 * kMargin - 4;
    m_hint->setGeometry(kMargin + 2, top + kFieldHeight + 10, hintWidth, m_hint->heightForWidth(hintWidth));
    int y = m_hint->geometry().bottom() + 16;
    m_limitsTitle->setGeometry(kMargin + 2, y, hintWidth, 18);
    y += 18 + kLimitGap;
    const int fieldLeft = kMargin + 2 + kCaptionWidth;
    const QList<QList<QWidget*>> rows{{m_minSize, m_minUnit}, {m_maxSize, m_maxUnit}, {m_minSeeders}, {m_exclude}};
    for (qsizetype i = 0; i < rows.size(); ++i) {
        m_limitCaptions.at(i)->setGeometry(kMargin + 2, y, kCaptionWidth - 6, kLimitHeight);
        const bool wide = rows.at(i).first() == m_exclude;
        rows.at(i).first()->setGeometry(fieldLeft, y, wide ? width - kMargin - fieldLeft : kNumberWidth, kLimitHeight);
        if (rows.at(i).size() > 1) {
            rows.at(i).at(1)->setGeometry(fieldLeft + kNumberWidth + 6, y, kUnitWidth, kLimitHeight);
        }
        y += kLimitHeight + kLimitGap;
    }
    if (m_preview) {
        const int previewTop = y + 8;
        const int height =
            m_preview->wordWrap() ? m_preview->heightForWidth(hintWidth) : m_preview->sizeHint().height();
        m_preview->setGeometry(kMargin + 2, previewTop, hintWidth, height);
    }
}

void FavoriteComposeViewController::viewDidAppear(bool animated)
{
    ViewController::viewDidAppear(animated);
    m_newItem->setFocus(Qt::OtherFocusReason);
}

void FavoriteComposeViewController::updateList()
{
    // An expression that does not compile is not saved: it would only ever be skipped.
    if (!m_save->isEnabled())
        return;
    if (m_delegate)
        m_delegate->didUpdateList(this, m_newItem->text());
}

void FavoriteComposeViewController::cancel()
{
    if (m_delegate)
        m_delegate->didCancelUpdateList(this);
}

void FavoriteComposeViewController::cancelAskingFirst()
{
    if (m_discardAlert) {
        return;
    }
    if (!hasChanges()) {
        cancel();
        return;
    }
    m_focusBeforeAlert = QApplication::focusWidget();
    m_discardAlert =
        new AlertView((m_editedFilter ? kDiscardEditTitle : kDiscardNewTitle).toString(),
                      m_editedFilter ? u"The filter stays as it was."_s : u"What you typed is not saved."_s, this,
                      {kKeepEditingButton.toString(), kDiscardButton.toString()}, view()->window());
    m_discardAlert->show();
}

void FavoriteComposeViewController::alertViewDidDismiss(AlertView*, int buttonIndex)
{
    // The alert deletes itself later; the next Escape may ask again at once.
    m_discardAlert = nullptr;
    if (buttonIndex == 1) {
        cancel();
        return;
    }
    if (m_focusBeforeAlert) {
        m_focusBeforeAlert->setFocus(Qt::OtherFocusReason);
    }
}

} // namespace marrowfin
