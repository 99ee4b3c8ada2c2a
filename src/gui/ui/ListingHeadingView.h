#pragma once

#include <QString>
#include <QWidget>

namespace marrowfin {

// The headings above a listing's rows at tablet widths: Name, Age, Size, Seeders, Leechers and the send column,
// each over its column of the rows (TorrentItemTableViewCell::tableColumns). The column the listing is ordered by
// carries an arrow for its sort; when the listing can be ordered, a click on the heading of a column the site orders
// by asks for that order. Main thread only.
class ListingHeadingView final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kHeight = 22;

    explicit ListingHeadingView(QWidget* parent = nullptr);

    // The width of a row's send button with its margins: the rows' content ends that far from the right.
    void setAccessoryRoom(int room);
    // The listing's order and sort as stored ("seeders", "asc"); an order no column shows marks none.
    void setOrder(const QString& orderBy, const QString& sortBy);
    // Whether clicks ask for an order (not in the favorites, which follow the newest list's own order).
    void setOrderable(bool orderable);
    [[nodiscard]] bool isOrderable() const { return m_orderable; }

    // The heading's column rectangle for an order value ("time_add", "size", "seeders", "leechers"); empty for
    // another value.
    [[nodiscard]] QRect headingRect(QStringView orderBy) const;

Q_SIGNALS:
    void orderClicked(const QString& orderBy);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int m_accessoryRoom = 45;
    QString m_orderBy;
    QString m_sortBy;
    bool m_orderable = true;
};

} // namespace marrowfin
