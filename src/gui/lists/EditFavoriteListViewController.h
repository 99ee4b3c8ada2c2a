#pragma once

#include "FavoriteComposeViewControllerDelegate.h"

#include "core/lists/Filter.h"
#include "core/lists/FilterSet.h"
#include "gui/platform/TableView.h"
#include "gui/platform/ViewController.h"

#include <QList>
#include <QPointer>

#include <memory>

namespace marrowfin {

class FavoriteComposeViewController;
class SettingsStore;
class UndoBar;

// The favorite filters, one row each in the order they were added. The add button opens the compose screen; Return,
// a double-click or "Edit" in the row's menu opens a filter in it to be changed in its place; a swipe, the Delete
// key or the row's menu deletes one, and the list then offers to undo that for a few seconds. A list without filters
// opens the compose screen at once, so a new user starts by typing one. Main thread only; the stored list is the
// truth, read anew on every change.
class EditFavoriteListViewController final : public ViewController,
                                             public TableViewDataSource,
                                             public FavoriteComposeViewControllerDelegate
{
    Q_OBJECT

public:
    static constexpr QStringView kTitle = u"Favorite filters";
    static constexpr QStringView kCellIdentifier = u"FilterCell";

    explicit EditFavoriteListViewController(std::shared_ptr<SettingsStore> settings, QObject* parent = nullptr);
    ~EditFavoriteListViewController() override;

    void viewWillAppear(bool animated) override;

    void reloadFilters();
    // The torrent names the compose screen tries a new filter on.
    void setPreviewTorrents(QList<Torrent> torrents) { m_previewTorrents = std::move(torrents); }
    void addFavorite();
    // Opens the filter of `row` in the compose screen, its text and limits in the fields.
    void editFavorite(int row);
    // Back: leaves the screen without animation.
    void cancel();

    // FavoriteComposeViewControllerDelegate
    void didUpdateList(FavoriteComposeViewController* compose, const QString& item) override;
    void didCancelUpdateList(FavoriteComposeViewController* compose) override;

    // TableViewDataSource
    [[nodiscard]] int numberOfRows() const override;
    [[nodiscard]] TableViewCell* cellForRow(int row) override;
    [[nodiscard]] int heightForRow(int row) const override;
    void didSelectRow(int row) override;
    [[nodiscard]] bool canEditRow(int row) const override;
    [[nodiscard]] QVariant rowKey(int row) const override
    {
        return canEditRow(row) ? m_filters.at(row).regex() : QVariant();
    }
    void commitDeleteRow(int row) override;

    [[nodiscard]] const QList<Filter>& filters() const { return m_filters; }
    [[nodiscard]] TableView* tableView() const { return m_tableView; }
    [[nodiscard]] FavoriteComposeViewController* composeViewController() const;
    [[nodiscard]] UndoBar* undoBar() const { return m_undoBar; }

    static constexpr QStringView kEditTitle = u"Edit";
    static constexpr QStringView kDeleteTitle = u"Delete";

protected:
    void loadView() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The row's menu: Edit and Delete. `row` -1: none under the pointer.
    void showRowMenu(int row, const QPoint& globalPos);
    // Puts a deleted filter back at `index` with its limits.
    void restore(qsizetype index, const QString& text, const FilterLimits& limits);
    // Shows the stored list again with `row` current.
    void reloadFiltersAt(qsizetype row);

    std::shared_ptr<SettingsStore> m_settings;
    QList<Filter> m_filters;
    // Finds the filters that cannot be used, each reported once while it stays in the list.
    FilterSet m_checked;
    // Why a filter cannot be used, by its text; shown on its row.
    QHash<QString, QString> m_problems;
    TableView* m_tableView = nullptr;
    QList<Torrent> m_previewTorrents;
    // The stored limits, shown under their filters.
    FilterLimitsMap m_limits;
    // The row the compose screen was opened on to change it.
    int m_editedRow = -1;
    UndoBar* m_undoBar = nullptr;
};

} // namespace marrowfin
