#pragma once

#include "core/settings/SettingsLists.h"
#include "gui/platform/TableView.h"
#include "gui/platform/ViewController.h"

#include <QDateTime>
#include <QFont>
#include <QStringList>

#include <functional>
#include <memory>

namespace marrowfin {

class SettingsStore;
class UndoBar;

// The torrents sent to the remote client, newest first, each with when it was sent in small text under its name (to
// the second where two sends of one name fall in the same minute; nothing for sends recorded without a time). Read
// anew from the store every time the tab is shown, so sends made from other tabs or by the command line appear. A
// row can be deleted as in the filter list, and put back in its place with the Undo the list then offers. Main
// thread only.
class HistoryListViewController final : public ViewController, public TableViewDataSource
{
    Q_OBJECT

public:
    static constexpr QStringView kTitle = u"D/l History";
    static constexpr QStringView kTabImage = u"tabbar-snatch.png";
    static constexpr QStringView kCellIdentifier = u"HistoryCell";

    // `clock` gives the local time the send times are told against ("today", "yesterday").
    explicit HistoryListViewController(std::shared_ptr<SettingsStore> settings, QObject* parent = nullptr,
                                       std::function<QDateTime()> clock = &QDateTime::currentDateTime);
    ~HistoryListViewController() override;

    void viewWillAppear(bool animated) override;
    void reloadHistory();

    // TableViewDataSource
    [[nodiscard]] int numberOfRows() const override;
    [[nodiscard]] TableViewCell* cellForRow(int row) override;
    [[nodiscard]] int heightForRow(int row) const override;
    void didSelectRow(int row) override;
    [[nodiscard]] bool canEditRow(int row) const override;
    [[nodiscard]] QVariant rowKey(int row) const override;
    void commitDeleteRow(int row) override;

    // Oldest first, as stored; row r shows entry size - 1 - r.
    [[nodiscard]] QStringList historyTorrents() const;
    [[nodiscard]] const QList<HistoryEntry>& history() const { return m_history; }
    [[nodiscard]] TableView* tableView() const { return m_tableView; }
    [[nodiscard]] UndoBar* undoBar() const { return m_undoBar; }

    // "Sent today at 14:05", "Sent yesterday at 09:12:40", "Sent 3 Mar at 18:30", "Sent 3 Mar 2023 at 18:30", in
    // local time against `now`.
    [[nodiscard]] static QString sentText(const QDateTime& sent, const QDateTime& now, bool seconds);

protected:
    void loadView() override;

private:
    // Puts a deleted entry back at its index (or the end, when the list has since become shorter).
    void restore(qsizetype index, const HistoryEntry& entry);

    std::shared_ptr<SettingsStore> m_settings;
    std::function<QDateTime()> m_clock;
    QList<HistoryEntry> m_history;
    QFont m_smallFont;
    TableView* m_tableView = nullptr;
    UndoBar* m_undoBar = nullptr;
};

} // namespace marrowfin
