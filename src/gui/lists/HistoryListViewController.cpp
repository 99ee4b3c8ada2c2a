#include "HistoryListViewController.h"

#include "UndoBar.h"

#include "core/settings/SettingsStore.h"
#include "gui/platform/Fonts.h"
#include "gui/platform/NavigationController.h"
#include "gui/ui/TextTableViewCell.h"

#include <QLabel>
#include <QLocale>

#include <algorithm>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr QStringView kEmptyText = u"No torrents sent yet. The torrents you send to your BitTorrent client are listed "
                                   u"here, newest first.";

// The minute of a send, in local time: sends of one name within one minute are told to the second.
QDateTime minuteOf(const QDateTime& sent)
{
    const QDateTime local = sent.toLocalTime();
    return QDateTime(local.date(), QTime(local.time().hour(), local.time().minute()));
}

} // namespace

HistoryListViewController::HistoryListViewController(std::shared_ptr<SettingsStore> settings, QObject* parent,
                                                     std::function<QDateTime()> clock)
    : ViewController(parent), m_settings(std::move(settings)), m_clock(std::move(clock)),
      m_smallFont(fontNamed(u"Arial-BoldMT", 12))
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
    m_undoBar = new UndoBar(m_tableView);
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
    m_history = storedHistory(*m_settings);
    if (m_tableView)
        m_tableView->reloadData();
}

QStringList HistoryListViewController::historyTorrents() const
{
    QStringList names;
    for (const HistoryEntry& entry : m_history) {
        names.append(entry.name);
    }
    return names;
}

int HistoryListViewController::numberOfRows() const
{
    return int(m_history.size());
}

int HistoryListViewController::heightForRow(int) const
{
    return TextTableViewCell::kRowHeight;
}

QString HistoryListViewController::sentText(const QDateTime& sent, const QDateTime& now, bool seconds)
{
    const QDateTime local = sent.toLocalTime();
    const QDate today = now.toLocalTime().date();
    const QString time = local.toString(seconds ? u"HH:mm:ss"_s : u"HH:mm"_s);
    const qint64 daysAgo = local.date().daysTo(today);
    if (daysAgo == 0) {
        return u"Sent today at %1"_s.arg(time);
    }
    if (daysAgo == 1) {
        return u"Sent yesterday at %1"_s.arg(time);
    }
    const QString day =
        QLocale::c().toString(local.date(), local.date().year() == today.year() ? u"d MMM"_s : u"d MMM yyyy"_s);
    return u"Sent %1 at %2"_s.arg(day, time);
}

TableViewCell* HistoryListViewController::cellForRow(int row)
{
    auto* cell = static_cast<TextTableViewCell*>(m_tableView->dequeueReusableCell(kCellIdentifier.toString()));
    if (!cell) {
        cell = new TextTableViewCell(kCellIdentifier.toString());
        cell->label()->setFont(m_smallFont);
    }
    const HistoryEntry& entry = m_history.at(m_history.size() - 1 - row);
    cell->setText(entry.name);
    QString detail;
    if (entry.sentAt) {
        const bool sameMinute = std::any_of(m_history.cbegin(), m_history.cend(), [&entry](const HistoryEntry& other) {
            return &other != &entry && other.name == entry.name && other.sentAt &&
                   minuteOf(*other.sentAt) == minuteOf(*entry.sentAt);
        });
        detail = sentText(*entry.sentAt, m_clock(), sameMinute);
    }
    cell->setDetail(detail);
    return cell;
}

void HistoryListViewController::didSelectRow(int row)
{
    m_tableView->deselectRow(row, true);
}

bool HistoryListViewController::canEditRow(int row) const
{
    return row >= 0 && row < m_history.size();
}

QVariant HistoryListViewController::rowKey(int row) const
{
    if (!canEditRow(row)) {
        return {};
    }
    const HistoryEntry& entry = m_history.at(m_history.size() - 1 - row);
    return QVariantList{entry.name, entry.sentAt ? QVariant(*entry.sentAt) : QVariant()};
}

void HistoryListViewController::commitDeleteRow(int row)
{
    if (!canEditRow(row))
        return;
    const qsizetype index = m_history.size() - 1 - row;
    const HistoryEntry shown = m_history.at(index);
    // Sends from other tabs and from the command line change the stored list while this one is on screen: the
    // entry shown is checked at its index and otherwise found again by its name and time, never deleted blindly by
    // index.
    qsizetype removedAt = -1;
    const std::optional<QList<HistoryEntry>> stored = updateHistory(*m_settings, [&](QList<HistoryEntry>& history) {
        removedAt = index < history.size() && history.at(index) == shown ? index : history.lastIndexOf(shown);
        if (removedAt < 0) {
            // A send recorded without its time by another writer meanwhile: the name alone, as before times.
            removedAt = history.lastIndexOf(HistoryEntry{shown.name, std::nullopt});
        }
        if (removedAt >= 0) {
            history.removeAt(removedAt);
        }
    });
    if (!stored)
        return;
    if (removedAt >= 0) {
        m_undoBar->offer([this, removedAt, shown] { restore(removedAt, shown); });
    }
    if (removedAt < 0 || stored->size() != m_history.size() - 1) {
        reloadHistory();
        return;
    }
    m_history = *stored;
    m_tableView->deleteRow(row, true);
}

void HistoryListViewController::restore(qsizetype index, const HistoryEntry& entry)
{
    qsizetype placedAt = -1;
    const auto stored = updateHistory(*m_settings, [&](QList<HistoryEntry>& history) {
        placedAt = qMin(index, history.size());
        history.insert(placedAt, entry);
        if (history.size() > kTorrentHistoryLimit) {
            const qsizetype dropped = history.size() - kTorrentHistoryLimit;
            history.remove(0, dropped);
            placedAt -= dropped;
        }
    });
    if (!stored) {
        // Not written (and said so): the chance to undo stays.
        m_undoBar->offer([this, index, entry] { restore(index, entry); });
        return;
    }
    m_history = *stored;
    m_tableView->reloadData();
    if (placedAt >= 0) {
        m_tableView->setCurrentRow(int(m_history.size() - 1 - placedAt));
    }
}

} // namespace marrowfin
