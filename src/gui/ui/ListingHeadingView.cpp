#include "ListingHeadingView.h"

#include "TorrentItemTableViewCell.h"

#include <QMouseEvent>
#include <QPainter>

#include <array>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr QColor kBackground{0x1a, 0x1a, 0x1a};
constexpr QColor kHeadingGrey{0x9a, 0x9a, 0x9a};
constexpr QColor kOrderedWhite{0xff, 0xff, 0xff};

struct Heading
{
    QStringView title;
    QStringView orderBy; // empty: the site does not order by it
    bool alignRight;
};

// Name, Age, Size, Seeders, Leechers, in the rows' order.
constexpr std::array<Heading, 5> kHeadings{{
    {u"Name", u"", false},
    {u"Age", u"time_add", false},
    {u"Size", u"size", false},
    {u"Seeders", u"seeders", true},
    {u"Leechers", u"leechers", true},
}};

TorrentItemTableViewCell::Column columnOf(const TorrentItemTableViewCell::TableColumns& columns, size_t index)
{
    switch (index) {
    case 0:
        return columns.name;
    case 1:
        return columns.age;
    case 2:
        return columns.size;
    case 3:
        return columns.seeders;
    default:
        return columns.leechers;
    }
}

} // namespace

ListingHeadingView::ListingHeadingView(QWidget* parent) : QWidget(parent)
{
    setObjectName(u"listingHeadings"_s);
    setFixedHeight(kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ListingHeadingView::setAccessoryRoom(int room)
{
    m_accessoryRoom = room;
    update();
}

void ListingHeadingView::setOrder(const QString& orderBy, const QString& sortBy)
{
    m_orderBy = orderBy;
    m_sortBy = sortBy;
    update();
}

void ListingHeadingView::setOrderable(bool orderable)
{
    m_orderable = orderable;
    setCursor(orderable ? Qt::PointingHandCursor : Qt::ArrowCursor);
    update();
}

QRect ListingHeadingView::headingRect(QStringView orderBy) const
{
    const auto columns = TorrentItemTableViewCell::tableColumns(width() - m_accessoryRoom);
    for (size_t index = 0; index < kHeadings.size(); ++index) {
        if (!orderBy.isEmpty() && kHeadings[index].orderBy == orderBy) {
            const auto column = columnOf(columns, index);
            return {column.left, 0, column.width, height()};
        }
    }
    return {};
}

void ListingHeadingView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    painter.setFont(TorrentItemTableViewCell::headingFont());
    const auto columns = TorrentItemTableViewCell::tableColumns(width() - m_accessoryRoom);
    for (size_t index = 0; index < kHeadings.size(); ++index) {
        const Heading& heading = kHeadings[index];
        const auto column = columnOf(columns, index);
        const bool ordered = m_orderable && !heading.orderBy.isEmpty() && heading.orderBy == m_orderBy;
        QString title = heading.title.toString();
        if (ordered) {
            title += m_sortBy == u"asc"_s ? u" \u25B2"_s : u" \u25BC"_s;
        }
        painter.setPen(ordered ? kOrderedWhite : kHeadingGrey);
        // Room beyond the column on the side away from its alignment, for the arrow.
        const QRect area = heading.alignRight ? QRect(column.left - 24, 0, column.width + 24, height())
                                              : QRect(column.left, 0, column.width + 40, height());
        painter.drawText(area, Qt::AlignVCenter | (heading.alignRight ? Qt::AlignRight : Qt::AlignLeft), title);
    }
    painter.setPen(kHeadingGrey);
    painter.drawText(QRect(width() - m_accessoryRoom, 0, m_accessoryRoom, height()), Qt::AlignCenter, u"Send"_s);
}

void ListingHeadingView::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_orderable || event->button() != Qt::LeftButton) {
        return;
    }
    for (const Heading& heading : kHeadings) {
        if (!heading.orderBy.isEmpty() && headingRect(heading.orderBy).contains(event->position().toPoint())) {
            Q_EMIT orderClicked(heading.orderBy.toString());
            return;
        }
    }
}

} // namespace marrowfin
