#include "FavoriteComposeViewController.h"

#include "FavoriteComposeViewControllerDelegate.h"

#include "core/lists/FilterPreview.h"
#include "gui/platform/Fonts.h"
#include "gui/platform/NavigationBar.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

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

    screen->installEventFilter(this);
    m_newItem->installEventFilter(this);
    setView(screen);
    updatePreview();
}

void FavoriteComposeViewController::setPreviewNames(QStringList names)
{
    m_previewNames = std::move(names);
    if (isViewLoaded())
        updatePreview();
}

void FavoriteComposeViewController::updatePreview()
{
    const FilterPreview preview = previewFilter(m_newItem->text(), m_previewNames, kPreviewNames);
    m_save->setEnabled(!preview.problem);
    if (preview.problem) {
        m_preview->setStyleSheet(u"color: #e07066; background: transparent;"_s);
        m_preview->setWordWrap(true);
        m_preview->setText(u"Not a valid expression: "_s + *preview.problem);
    } else {
        m_preview->setStyleSheet(u"color: #d8d8d8; background: transparent;"_s);
        m_preview->setWordWrap(false);
        QString text = preview.total == 0 ? u"No torrents are loaded yet to try it on."_s
                                          : u"Matches %1 of the %2 torrents loaded in Favorites and All Torrents"_s
                                                    .arg(preview.accepted)
                                                    .arg(preview.total) +
                                                (preview.accepted > 0 ? u":"_s : u"."_s);
        const QFontMetrics metrics(m_preview->font());
        const int room = qMax(40, m_preview->width() - 12);
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
    if (isViewLoaded() && watched == view() && event->type() == QEvent::Resize)
        layoutForm();
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        cancel();
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
    if (m_preview) {
        const int previewTop = m_hint->geometry().bottom() + 16;
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

} // namespace marrowfin
