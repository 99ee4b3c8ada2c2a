#include "DisplaySettingsViewController.h"

#include "SettingsScreens.h"

#include "core/display/CategoryTree.h"
#include "core/display/ListingChoices.h"
#include "core/settings/SettingsStore.h"
#include "gui/platform/Device.h"
#include "gui/platform/Fonts.h"
#include "gui/platform/NavigationController.h"
#include "gui/platform/SegmentedControl.h"
#include "gui/ui/ImageButton.h"

#include <QEvent>
#include <QLabel>

#include <span>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr int kMargin = 16;
// On a tablet the form keeps a phone's proportions in the middle of the screen.
constexpr int kMaximumFormWidth = 440;
constexpr int kLabelHeight = 22;
constexpr int kLabelGap = 4;
constexpr int kSectionGap = 18;
// Room for fifteen rows where the screen has it; a phone's wheel shows about ten.
constexpr int kPickerHeight = 300;
constexpr int kMinimumPickerHeight = 5 * DisplaySettingsViewController::kRowHeight;
constexpr int kRowIndent = 6;
constexpr int kLabelPointSize = 16;

QStringList titlesOf(std::span<const ListingChoice> choices)
{
    QStringList titles;
    for (const ListingChoice& choice : choices)
        titles.append(choice.title.toString());
    return titles;
}

// The segment a stored text names: the first for nothing or "", none for a text that names no choice.
int restoredSegment(std::span<const ListingChoice> choices, const std::optional<QString>& stored)
{
    if (!stored || stored->isEmpty())
        return 0;
    return choiceIndex(choices, *stored).value_or(-1);
}

QLabel* newSectionLabel(QStringView text, QWidget* parent)
{
    auto* label = new QLabel(text.toString(), parent);
    label->setFont(systemFont(kLabelPointSize, true));
    label->setStyleSheet(u"color: white; background: transparent;"_s);
    return label;
}

} // namespace

DisplaySettingsViewController::DisplaySettingsViewController(std::shared_ptr<SettingsStore> settings, QObject* parent)
    : DisplaySettingsViewController(std::move(settings), ListingKind::Newest, kTitle.toString(), parent)
{}

DisplaySettingsViewController::DisplaySettingsViewController(std::shared_ptr<SettingsStore> settings, ListingKind kind,
                                                             const QString& title, QObject* parent)
    : ViewController(parent), m_settings(std::move(settings)), m_keys(ListingKeys::of(kind))
{
    setTitle(title);
    m_backButton = settingsscreens::newBackButton();
    connect(m_backButton, &ImageButton::clicked, this, &DisplaySettingsViewController::cancel);
    setLeftBarButtonItem(m_backButton);
    // Built now rather than when first shown: the screen shows the store as it was when the screen was made.
    (void)view();
}

DisplaySettingsViewController::~DisplaySettingsViewController() = default;

DisplaySettingsViewController& DisplaySettingsViewController::sharedInstance()
{
    static DisplaySettingsViewController* const instance =
        new DisplaySettingsViewController(SettingsStore::shared(), settingsscreens::sharedScreensOwner());
    return *instance;
}

void DisplaySettingsViewController::loadView()
{
    auto* screen = new QWidget;
    settingsscreens::paintSettingsBackground(screen, u"displaySettings"_s);
    screen->resize(Device::screenSize());
    screen->installEventFilter(this);

    m_orderLabel = newSectionLabel(kOrderLabel, screen);
    m_orderControl = new SegmentedControl(titlesOf(kOrderChoices), screen);
    m_orderControl->setObjectName(u"orderBy"_s);
    m_sortLabel = newSectionLabel(kSortLabel, screen);
    m_sortControl = new SegmentedControl(titlesOf(kSortChoices), screen);
    m_sortControl->setObjectName(u"sortBy"_s);
    m_categoryLabel = newSectionLabel(kCategoryLabel, screen);
    m_picker = new PickerView(*this, screen);
    m_picker->setObjectName(u"categories"_s);
    m_picker->setShowsSelectionIndicator(true);
    // Each control is named by its label, as a screen reader reads it.
    m_orderLabel->setBuddy(m_orderControl);
    m_sortLabel->setBuddy(m_sortControl);
    m_categoryLabel->setBuddy(m_picker);
    setView(screen);
}

void DisplaySettingsViewController::viewDidLoad()
{
    connect(m_orderControl, &SegmentedControl::valueChanged, this, &DisplaySettingsViewController::didOrderBy);
    connect(m_sortControl, &SegmentedControl::valueChanged, this, &DisplaySettingsViewController::didSortBy);
    settingsscreens::addEscapeShortcut(view(), this, [this] { cancel(); });
    restoreChoices();
    layoutScreen();
}

void DisplaySettingsViewController::restoreChoices()
{
    m_orderControl->setSelectedSegmentIndex(restoredSegment(kOrderChoices, m_settings->text(m_keys.orderBy)));
    m_sortControl->setSelectedSegmentIndex(restoredSegment(kSortChoices, m_settings->text(m_keys.sortBy)));

    const std::optional<QString> category = m_settings->text(m_keys.category);
    if (!category || category->isEmpty()) {
        // Nothing chosen yet: All / All, stored as the listing's choice.
        m_picker->selectRow(0, kGroupComponent, false);
        m_picker->reloadComponent(kEntryComponent);
        m_picker->selectRow(0, kEntryComponent, false);
        didSelectRow(0, kEntryComponent);
        return;
    }
    // A stored value is shown where the tree has it, and left as stored; one the tree does not know leaves the
    // picker on its first rows, and the listing keeps using it.
    const std::optional<CategoryPosition> position = CategoryTree::find(*category);
    m_picker->selectRow(position ? position->group : 0, kGroupComponent, false);
    m_picker->reloadComponent(kEntryComponent);
    m_picker->selectRow(position ? position->entry : 0, kEntryComponent, false);
}

void DisplaySettingsViewController::layoutScreen()
{
    QWidget* screen = view();
    const int formWidth = qMin(kMaximumFormWidth, screen->width() - 2 * kMargin);
    const int left = (screen->width() - formWidth) / 2;
    int y = kMargin;
    auto place = [&](QWidget* widget, int height, int gapAfter) {
        widget->setGeometry(left, y, formWidth, height);
        y += height + gapAfter;
    };
    place(m_orderLabel, kLabelHeight, kLabelGap);
    place(m_orderControl, SegmentedControl::kHeight, kSectionGap);
    place(m_sortLabel, kLabelHeight, kLabelGap);
    place(m_sortControl, SegmentedControl::kHeight, kSectionGap);
    place(m_categoryLabel, kLabelHeight, kLabelGap);
    const int pickerHeight = qBound(kMinimumPickerHeight, screen->height() - y - kMargin, kPickerHeight);
    place(m_picker, pickerHeight, 0);
}

bool DisplaySettingsViewController::eventFilter(QObject* watched, QEvent* event)
{
    if (isViewLoaded() && watched == view() && event->type() == QEvent::Resize)
        layoutScreen();
    return ViewController::eventFilter(watched, event);
}

void DisplaySettingsViewController::viewWillAppear(bool animated)
{
    ViewController::viewWillAppear(animated);
    if (NavigationController* stack = navigationController())
        stack->setNavigationBarHidden(false);
}

void DisplaySettingsViewController::cancel()
{
    settingsscreens::leave(*this);
}

void DisplaySettingsViewController::didOrderBy()
{
    const int index = m_orderControl->selectedSegmentIndex();
    if (index >= 0 && index < int(kOrderChoices.size()))
        m_settings->setText(m_keys.orderBy, kOrderChoices[size_t(index)].value.toString());
}

void DisplaySettingsViewController::didSortBy()
{
    const int index = m_sortControl->selectedSegmentIndex();
    if (index >= 0 && index < int(kSortChoices.size()))
        m_settings->setText(m_keys.sortBy, kSortChoices[size_t(index)].value.toString());
}

int DisplaySettingsViewController::numberOfRows(int component) const
{
    if (component == kGroupComponent)
        return CategoryTree::kGroupCount;
    // Asked while the picker is being made, before it can tell its selection: the first group's entries then.
    const int group = m_picker ? m_picker->selectedRowInComponent(kGroupComponent) : 0;
    const CategoryGroup* chosen = CategoryTree::group(group);
    return chosen ? int(chosen->entries.size()) : 0;
}

QString DisplaySettingsViewController::titleForRow(int row, int component) const
{
    if (component == kGroupComponent) {
        const CategoryGroup* group = CategoryTree::group(row);
        return group ? group->title.toString() : QString();
    }
    const int group = m_picker ? m_picker->selectedRowInComponent(kGroupComponent) : 0;
    const CategoryEntry* entry = CategoryTree::entry(group, row);
    return entry ? entry->title.toString() : QString();
}

QString DisplaySettingsViewController::titleForComponent(int component) const
{
    return component == kGroupComponent ? u"Group"_s : u"Category"_s;
}

QWidget* DisplaySettingsViewController::viewForRow(int row, int component, QWidget* reusingView)
{
    auto* label = qobject_cast<QLabel*>(reusingView);
    if (!label) {
        label = new QLabel;
        label->setFont(fontNamed(kRowFont, kRowFontSize));
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setIndent(kRowIndent);
        label->setAttribute(Qt::WA_TranslucentBackground);
        label->setStyleSheet(u"color: white; background: transparent;"_s);
    }
    // Titles longer than the column end in an ellipsis rather than being cut mid-letter.
    const QString title = titleForRow(row, component);
    const int room = widthForComponent(component) - 2 * kRowIndent;
    label->setText(label->fontMetrics().elidedText(title, Qt::ElideRight, room));
    label->setAccessibleName(title);
    return label;
}

int DisplaySettingsViewController::widthForComponent(int component) const
{
    return component == kGroupComponent ? kGroupColumnWidth : kEntryColumnWidth;
}

int DisplaySettingsViewController::rowHeightForComponent(int) const
{
    return kRowHeight;
}

void DisplaySettingsViewController::didSelectRow(int row, int component)
{
    if (component == kGroupComponent) {
        // A group stands for its first entry until an entry is chosen.
        m_picker->reloadComponent(kEntryComponent);
        m_picker->selectRow(0, kEntryComponent, true);
        didSelectRow(0, kEntryComponent);
        return;
    }
    const CategoryEntry* entry = CategoryTree::entry(m_picker->selectedRowInComponent(kGroupComponent), row);
    if (!entry)
        return;
    m_settings->setText(m_keys.category, entry->value.toString());
    m_picker->reloadComponent(kGroupComponent);
    m_picker->reloadComponent(kEntryComponent);
}

} // namespace marrowfin
