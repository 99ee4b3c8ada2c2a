#include "EditFavoriteListViewController.h"

#include "FavoriteComposeViewController.h"
#include "UndoBar.h"

#include "core/lists/FilterLimits.h"
#include "core/settings/SettingsLists.h"
#include "core/settings/SettingsStore.h"
#include "gui/platform/NavigationController.h"
#include "gui/ui/BarButtonItem.h"
#include "gui/ui/ImageButton.h"
#include "gui/ui/TextTableViewCell.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
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
    m_tableView->viewport()->installEventFilter(this);
    m_undoBar = new UndoBar(m_tableView);
    auto* add = new QShortcut(QKeySequence::New, m_tableView, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(add, &QShortcut::activated, this, &EditFavoriteListViewController::addFavorite);
    setView(m_tableView);
    m_tableView->reloadData();
}

bool EditFavoriteListViewController::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_tableView || (watched != m_tableView && watched != m_tableView->viewport())) {
        return ViewController::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        // Escape leaves the screen unless it first puts away a revealed Delete button.
        if (key == Qt::Key_Escape && m_tableView->deleteConfirmationRow() < 0 && !modalViewController()) {
            cancel();
            return true;
        }
        // Return opens the current filter (a tap only selects it).
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && canEditRow(m_tableView->currentRow())) {
            editFavorite(m_tableView->currentRow());
            return true;
        }
        break;
    }
    case QEvent::MouseButtonDblClick: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (const int row = m_tableView->rowAt(mouse->position().toPoint());
            mouse->button() == Qt::LeftButton && canEditRow(row)) {
            editFavorite(row);
            return true;
        }
        break;
    }
    case QEvent::ContextMenu: {
        // The table's own menu knows Delete only; this one leads with Edit.
        const auto* menu = static_cast<QContextMenuEvent*>(event);
        const QPoint at = m_tableView->viewport()->mapFromGlobal(menu->globalPos());
        showRowMenu(menu->reason() == QContextMenuEvent::Keyboard ? m_tableView->currentRow() : m_tableView->rowAt(at),
                    menu->globalPos());
        return true;
    }
    default:
        break;
    }
    return ViewController::eventFilter(watched, event);
}

void EditFavoriteListViewController::showRowMenu(int row, const QPoint& globalPos)
{
    if (!canEditRow(row)) {
        return;
    }
    m_tableView->setCurrentRow(row);
    const QString text = m_filters.at(row).regex();
    QMenu menu(m_tableView);
    QAction* edit = menu.addAction(kEditTitle.toString());
    QAction* remove = menu.addAction(kDeleteTitle.toString());
    menu.setDefaultAction(edit);
    QAction* chosen = menu.exec(globalPos);
    // The menu ran an event loop of its own, in which another program may have changed the list: it acts on the
    // filter it was opened for, wherever that is now.
    if (!chosen) {
        return;
    }
    const int now =
        row < m_filters.size() && m_filters.at(row).regex() == text ? row : int(m_filters.indexOf(Filter(text)));
    if (now < 0) {
        return;
    }
    if (chosen == edit) {
        editFavorite(now);
    } else if (chosen == remove) {
        m_tableView->removeRow(now);
    }
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

void EditFavoriteListViewController::editFavorite(int row)
{
    if (modalViewController() || !canEditRow(row))
        return;
    const QString& text = m_filters.at(row).regex();
    auto* compose = new FavoriteComposeViewController;
    compose->setDelegate(this);
    compose->setEditedFilter(text, m_limits.value(text));
    compose->setPreviewTorrents(m_previewTorrents);
    m_editedRow = row;
    m_tableView->setCurrentRow(row);
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
    const FilterLimits limits = compose ? compose->limits() : FilterLimits();
    std::optional<qsizetype> place;
    if (compose && compose->editedFilter()) {
        place = replaceFilter(*m_settings, m_editedRow, *compose->editedFilter(), item, limits);
    } else if (const auto stored = appendFilter(*m_settings, item, limits)) {
        place = stored->size() - 1;
    }
    // A write that failed keeps the form, and the typed text, on screen.
    if (!place) {
        return;
    }
    m_editedRow = -1;
    dismissModalViewControllerAnimated(true);
    reloadFiltersAt(*place);
}

void EditFavoriteListViewController::reloadFiltersAt(qsizetype row)
{
    reloadFilters();
    if (m_tableView) {
        m_tableView->setCurrentRow(int(qMin(row, m_filters.size() - 1)));
        m_tableView->setFocus();
    }
}

void EditFavoriteListViewController::didCancelUpdateList(FavoriteComposeViewController*)
{
    m_editedRow = -1;
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

void EditFavoriteListViewController::didSelectRow(int row)
{
    // A tap makes the filter current (framed) with a flash of the selection; Return, a double-click or the menu
    // open it.
    m_tableView->deselectRow(row, true);
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
    qsizetype removedAt = -1;
    FilterLimits limits;
    const std::optional<QStringList> stored =
        updateFilters(*m_settings, [&](QStringList& filters, FilterLimitsMap& storedLimits) {
            removedAt = row < filters.size() && filters.at(row) == shown ? row : filters.indexOf(shown);
            if (removedAt >= 0) {
                filters.removeAt(removedAt);
                // Kept for Undo: the list drops the limits of a text no filter has any more.
                limits = storedLimits.value(shown);
            }
        });
    if (!stored)
        return;
    if (removedAt >= 0) {
        m_undoBar->offer([this, removedAt, shown, limits] { restore(removedAt, shown, limits); });
    }
    if (removedAt < 0 || stored->size() != m_filters.size() - 1) {
        // The list changed under the screen: show it as it is now.
        reloadFilters();
        return;
    }
    m_filters.removeAt(row);
    m_tableView->deleteRow(row, true);
}

void EditFavoriteListViewController::restore(qsizetype index, const QString& text, const FilterLimits& limits)
{
    const std::optional<qsizetype> place = insertFilter(*m_settings, index, text, limits);
    if (!place) {
        // Not written (and said so): the chance to undo stays.
        m_undoBar->offer([this, index, text, limits] { restore(index, text, limits); });
        return;
    }
    reloadFiltersAt(*place);
}

} // namespace marrowfin
