#include "EditFavoriteListViewController.h"

#include "FavoriteComposeViewController.h"

#include "core/lists/FilterLimits.h"
#include "core/settings/SettingsLists.h"
#include "core/settings/SettingsStore.h"
#include "gui/platform/NavigationController.h"
#include "gui/ui/BarButtonItem.h"
#include "gui/ui/ImageButton.h"
#include "gui/ui/TextTableViewCell.h"

#include <QKeyEvent>
#include <QShortcut>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr QStringView kEmptyText = u"No favorite filters yet. Add one with +.";
}

EditFavoriteListViewController::EditFavoriteListViewController(std::shared_ptr<SettingsStore> settings, QObject* parent)
    : ViewController(parent), m_settings(std::move(settings))
{
    setTitle(kTitle.toString());
    ImageButton* add = makeBarButtonItem(u"add.png", u"Add a filter"_s);
    connect(add, &ImageButton::clicked, this, &EditFavoriteListViewController::addFavorite);
    setRightBarButtonItem(add);
    ImageButton* back = makeBarButtonItem(u"back.png", u"Back"_s);
    connect(back, &ImageButton::clicked, this, &EditFavoriteListViewController::cancel);
    setLeftBarButtonItem(back);
    reloadFilters();
}

EditFavoriteListViewController::~EditFavoriteListViewController() = default;

void EditFavoriteListViewController::loadView()
{
    m_tableView = new TableView(*this);
    m_tableView->setObjectName(u"filters"_s);
    m_tableView->setAccessibleName(u"Favorite filters"_s);
    m_tableView->setBackgroundColor(QColor::fromRgbF(0.2f, 0.2f, 0.2f));
    m_tableView->setEmptyText(kEmptyText.toString());
    m_tableView->installEventFilter(this);
    auto* add = new QShortcut(QKeySequence::New, m_tableView, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(add, &QShortcut::activated, this, &EditFavoriteListViewController::addFavorite);
    setView(m_tableView);
    m_tableView->reloadData();
}

bool EditFavoriteListViewController::eventFilter(QObject* watched, QEvent* event)
{
    // Escape leaves the screen unless it first puts away a revealed Delete button.
    if (watched == m_tableView && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && m_tableView->deleteConfirmationRow() < 0 &&
        !modalViewController()) {
        cancel();
        return true;
    }
    return ViewController::eventFilter(watched, event);
}

void EditFavoriteListViewController::viewWillAppear(bool animated)
{
    ViewController::viewWillAppear(animated);
    if (NavigationController* stack = navigationController())
        stack->setNavigationBarHidden(false);
    if (m_filters.isEmpty())
        addFavorite();
    else if (m_tableView)
        m_tableView->setFocus();
}

void EditFavoriteListViewController::reloadFilters()
{
    const QStringList stored = storedList(*m_settings, SettingsStore::LockedList::Filters);
    m_filters.clear();
    m_filters.reserve(stored.size());
    for (const QString& text : stored)
        m_filters.append(Filter(text));
    m_limits = storedFilterLimits(*m_settings);
    // Expressions that do not compile are found without matching any name; the row says so.
    m_problems.clear();
    m_checked.setFilters(stored, m_limits);
    for (const FilterProblem& problem : m_checked.problems())
        m_problems.insert(problem.text, problem.reason);
    if (m_tableView)
        m_tableView->reloadData();
}

void EditFavoriteListViewController::addFavorite()
{
    if (modalViewController())
        return;
    auto* compose = new FavoriteComposeViewController;
    compose->setDelegate(this);
    compose->setPreviewTorrents(m_previewTorrents);
    presentModalViewController(compose, true);
}

void EditFavoriteListViewController::cancel()
{
    if (NavigationController* stack = navigationController(); stack && stack->topViewController() == this)
        stack->popViewControllerAnimated(false);
}

FavoriteComposeViewController* EditFavoriteListViewController::composeViewController() const
{
    return qobject_cast<FavoriteComposeViewController*>(modalViewController());
}

void EditFavoriteListViewController::didUpdateList(FavoriteComposeViewController* compose, const QString& item)
{
    // A write that failed keeps the form, and the typed text, on screen.
    if (!appendFilter(*m_settings, item, compose ? compose->limits() : FilterLimits())) {
        return;
    }
    reloadFilters();
    dismissModalViewControllerAnimated(true);
    if (m_tableView)
        m_tableView->setFocus();
}

void EditFavoriteListViewController::didCancelUpdateList(FavoriteComposeViewController*)
{
    dismissModalViewControllerAnimated(true);
    if (m_tableView)
        m_tableView->setFocus();
}

int EditFavoriteListViewController::numberOfRows() const
{
    return int(m_filters.size());
}

int EditFavoriteListViewController::heightForRow(int) const
{
    return TextTableViewCell::kRowHeight;
}

TableViewCell* EditFavoriteListViewController::cellForRow(int row)
{
    auto* cell = static_cast<TextTableViewCell*>(m_tableView->dequeueReusableCell(kCellIdentifier.toString()));
    if (!cell)
        cell = new TextTableViewCell(kCellIdentifier.toString());
    const QString& text = m_filters.at(row).regex();
    cell->setText(text);
    cell->setDetail(limitsText(m_limits.value(text)));
    cell->setProblem(m_problems.value(text));
    return cell;
}

void EditFavoriteListViewController::didSelectRow(int)
{
    // A filter is not opened or edited; it is added or deleted.
}

bool EditFavoriteListViewController::canEditRow(int row) const
{
    return row >= 0 && row < m_filters.size();
}

void EditFavoriteListViewController::commitDeleteRow(int row)
{
    if (!canEditRow(row))
        return;
    const QString shown = m_filters.at(row).regex();
    // The row's entry, found again in the list as stored now: another program (the command line) may have changed
    // it since the rows were read, and then the index alone would delete some other filter.
    bool removed = false;
    const std::optional<QStringList> stored = updateFilters(*m_settings, [&](QStringList& filters, FilterLimitsMap&) {
        qsizetype index = row < filters.size() && filters.at(row) == shown ? row : filters.indexOf(shown);
        if (index >= 0) {
            filters.removeAt(index);
            removed = true;
        }
    });
    if (!stored)
        return;
    if (!removed || stored->size() != m_filters.size() - 1) {
        // The list changed under the screen: show it as it is now.
        reloadFilters();
        return;
    }
    m_filters.removeAt(row);
    m_tableView->deleteRow(row, true);
}

} // namespace marrowfin
