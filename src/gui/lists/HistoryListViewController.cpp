#include "HistoryListViewController.h"

#include "core/settings/SettingsLists.h"
#include "core/settings/SettingsStore.h"
#include "gui/platform/Fonts.h"
#include "gui/platform/NavigationController.h"
#include "gui/ui/TextTableViewCell.h"

#include <QLabel>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr QStringView kEmptyText = u"No torrents sent yet. The torrents you send to your BitTorrent client are listed "
                                   u"here, newest first.";
}

HistoryListViewController::HistoryListViewController(std::shared_ptr<SettingsStore> settings, QObject* parent)
    : ViewController(parent), m_settings(std::move(settings)), m_smallFont(fontNamed(u"Arial-BoldMT", 12))
{
    setTitle(kTitle.toString());
    // Its title's slash reads badly aloud.
    setTabBarItem({kTitle.toString(), kTabImage.toString(), 0, u"Download history"_s});
    reloadHistory();
}

HistoryListViewController::~HistoryListViewController() = default;

void HistoryListViewController::loadView()
{
    m_tableView = new TableView(*this);
    m_tableView->setObjectName(u"history"_s);
    m_tableView->setAccessibleName(u"Download history"_s);
    m_tableView->setBackgroundColor(QColor::fromRgbF(0.2f, 0.2f, 0.2f));
    m_tableView->setEmptyText(kEmptyText.toString());
    setView(m_tableView);
    m_tableView->reloadData();
}

void HistoryListViewController::viewWillAppear(bool animated)
{
    ViewController::viewWillAppear(animated);
    reloadHistory();
    if (NavigationController* stack = navigationController())
        stack->setNavigationBarHidden(true);
}

void HistoryListViewController::reloadHistory()
{
    m_historyTorrents = storedList(*m_settings, SettingsStore::LockedList::TorrentHistory);
    if (m_tableView)
        m_tableView->reloadData();
}

int HistoryListViewController::numberOfRows() const
{
    return int(m_historyTorrents.size());
}

int HistoryListViewController::heightForRow(int) const
{
    return TextTableViewCell::kRowHeight;
}

TableViewCell* HistoryListViewController::cellForRow(int row)
{
    auto* cell = static_cast<TextTableViewCell*>(m_tableView->dequeueReusableCell(kCellIdentifier.toString()));
    if (!cell) {
        cell = new TextTableViewCell(kCellIdentifier.toString());
        cell->label()->setFont(m_smallFont);
    }
    cell->setText(m_historyTorrents.at(m_historyTorrents.size() - 1 - row));
    return cell;
}

void HistoryListViewController::didSelectRow(int row)
{
    m_tableView->deselectRow(row, true);
}

bool HistoryListViewController::canEditRow(int row) const
{
    return row >= 0 && row < m_historyTorrents.size();
}

void HistoryListViewController::commitDeleteRow(int row)
{
    if (!canEditRow(row))
        return;
    const qsizetype index = m_historyTorrents.size() - 1 - row;
    const QString shown = m_historyTorrents.at(index);
    // Sends from other tabs and from the command line change the stored list while this one is on screen: the
    // entry shown is checked at its index and otherwise found again by its name, never deleted blindly by index.
    bool removed = false;
    const std::optional<QStringList> stored =
        m_settings->updateList(SettingsStore::LockedList::TorrentHistory, [&](QStringList& history) {
            qsizetype at = index < history.size() && history.at(index) == shown ? index : history.lastIndexOf(shown);
            if (at >= 0) {
                history.removeAt(at);
                removed = true;
            }
        });
    if (!stored)
        return;
    if (!removed || stored->size() != m_historyTorrents.size() - 1) {
        reloadHistory();
        return;
    }
    m_historyTorrents.removeAt(index);
    m_tableView->deleteRow(row, true);
}

} // namespace marrowfin
