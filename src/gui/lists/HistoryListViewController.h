#pragma once

#include "gui/platform/TableView.h"
#include "gui/platform/ViewController.h"

#include <QFont>
#include <QStringList>

#include <memory>

namespace marrowfin {

class SettingsStore;

// The torrents sent to the remote client, newest first. Read anew from the store every time the tab is shown, so
// sends made from other tabs or by the command line appear; a row can be deleted as in the filter list. Main
// thread only.
class HistoryListViewController final : public ViewController, public TableViewDataSource
{
    Q_OBJECT

public:
    static constexpr QStringView kTitle = u"D/l History";
    static constexpr QStringView kTabImage = u"tabbar-snatch.png";
    static constexpr QStringView kCellIdentifier = u"HistoryCell";

    explicit HistoryListViewController(std::shared_ptr<SettingsStore> settings, QObject* parent = nullptr);
    ~HistoryListViewController() override;

    void viewWillAppear(bool animated) override;
    void reloadHistory();

    // TableViewDataSource
    [[nodiscard]] int numberOfRows() const override;
    [[nodiscard]] TableViewCell* cellForRow(int row) override;
    [[nodiscard]] int heightForRow(int row) const override;
    void didSelectRow(int row) override;
    [[nodiscard]] bool canEditRow(int row) const override;
    [[nodiscard]] QVariant rowKey(int row) const override
    {
        return canEditRow(row) ? m_historyTorrents.at(row) : QVariant();
    }
    void commitDeleteRow(int row) override;

    // Oldest first, as stored; row r shows entry size - 1 - r.
    [[nodiscard]] const QStringList& historyTorrents() const { return m_historyTorrents; }
    [[nodiscard]] TableView* tableView() const { return m_tableView; }

protected:
    void loadView() override;

private:
    std::shared_ptr<SettingsStore> m_settings;
    QStringList m_historyTorrents;
    QFont m_smallFont;
    TableView* m_tableView = nullptr;
};

} // namespace marrowfin
