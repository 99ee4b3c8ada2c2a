#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QVariant>

#include <functional>

class QPushButton;

namespace marrowfin {

class TableViewCell;

class TableViewDataSource
{
public:
    virtual ~TableViewDataSource() = default;
    [[nodiscard]] virtual int numberOfRows() const = 0;
    // A row filled for `row`: one taken from dequeueReusableCell() or a new one (the table owns it either way).
    [[nodiscard]] virtual TableViewCell* cellForRow(int row) = 0;
    [[nodiscard]] virtual int heightForRow(int row) const = 0;
    // The user tapped the row (and released on it).
    virtual void didSelectRow(int row) = 0;

    // Rows that can be deleted: by a swipe to the left that reveals a Delete button, the Delete key on the current
    // row, or the row's context menu. None by default.
    [[nodiscard]] virtual bool canEditRow(int row) const
    {
        (void)row;
        return false;
    }
    // The user confirmed deleting the row: the data source removes its entry, then calls deleteRow().
    virtual void commitDeleteRow(int row) { (void)row; }

    // Rows that can be sent (a torrent to the client): Ctrl+D on the current row, or the row's context menu
    // ("Send to client"). None by default.
    [[nodiscard]] virtual bool canSendRow(int row) const
    {
        (void)row;
        return false;
    }
    virtual void sendRow(int row) { (void)row; }

    // What the row stands for (a torrent's page, a history entry), to find it again after the list changed under a
    // context menu; the row's place by default.
    [[nodiscard]] virtual QVariant rowKey(int row) const { return row; }
};

// A one-column list of rows that makes only the rows in sight: as the list scrolls, rows that leave the view are
// kept aside by reuse identifier and handed out again for the rows that come in. Rows are widgets, so a row may hold
// buttons (its accessory) that take their own clicks.
class TableView final : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit TableView(TableViewDataSource& dataSource, QWidget* parent = nullptr);
    ~TableView() override;

    // Asks the data source again for the row count and every visible row.
    void reloadData();
    // A row kept aside under this identifier, or nullptr: the data source then makes a new one.
    [[nodiscard]] TableViewCell* dequeueReusableCell(const QString& identifier);

    // The row shown for an index, or nullptr when that row is not in sight.
    [[nodiscard]] TableViewCell* cellForRow(int row) const;
    [[nodiscard]] int rowAt(QPoint viewportPoint) const;
    [[nodiscard]] QRect rectForRow(int row) const;
    [[nodiscard]] int numberOfRows() const { return m_rowCount; }

    [[nodiscard]] bool allowsSelection() const { return m_allowsSelection; }
    void setAllowsSelection(bool allows);
    [[nodiscard]] bool isScrollEnabled() const { return m_scrollEnabled; }
    void setScrollEnabled(bool enabled);
    void scrollToTop();
    // Ends the selection of a row; animated fades the grey out.
    void deselectRow(int row, bool animated);
    [[nodiscard]] int selectedRow() const { return m_selectedRow; }

    // Room above the first row, e.g. under a header that lies over the table's top.
    void setTopInset(int inset);
    [[nodiscard]] int topInset() const { return m_topInset; }

    // A line shown in the middle of an empty list; none by default.
    void setEmptyText(const QString& text);
    [[nodiscard]] const QString& emptyText() const { return m_emptyText; }
    // A button under that line, the way out of the emptiness ("Add a filter"); shown only while the list is empty.
    // An empty title removes it.
    void setEmptyAction(const QString& title, std::function<void()> action);
    [[nodiscard]] QPushButton* emptyActionButton() const { return m_emptyAction; }

    void setBackgroundColor(const QColor& colour);
    [[nodiscard]] QColor backgroundColor() const { return m_background; }

    // Taps a row as a user would (press and release on it); what clicks and keys do.
    void tapRow(int row);

    // Takes a row out whose entry the data source has already removed; the rows below move up and, when `fade`,
    // the row's picture fades out where it was.
    void deleteRow(int row, bool fade);
    // The Delete button a swipe reveals at a row's right end (-1: none shown).
    void showDeleteConfirmation(int row);
    void hideDeleteConfirmation();
    [[nodiscard]] int deleteConfirmationRow() const { return m_deleteRow; }
    [[nodiscard]] QPushButton* deleteButton() const { return m_deleteButton; }
    // The row keys act on, framed while the table has the keyboard: the one tapped last, moved with Up, Down,
    // Page Up, Page Down, Home and End; Return opens it as a tap would.
    [[nodiscard]] int currentRow() const { return m_currentRow; }
    void setCurrentRow(int row);

    // The rows in sight, top to bottom, and the row a shown cell stands for (-1 for a cell not in sight).
    [[nodiscard]] QList<int> visibleRows() const;
    [[nodiscard]] int rowOfCell(const TableViewCell* cell) const;
    // What the row's context menu offers, for keys and assistive tools alike: sending it to the client, deleting
    // it. Each does nothing and answers false for a row that does not allow it.
    [[nodiscard]] bool canSendRow(int row) const;
    bool sendRow(int row);
    [[nodiscard]] bool canRemoveRow(int row) const;
    bool removeRow(int row);

    static constexpr int kSwipeDistance = 24;
    static constexpr QStringView kSendTitle = u"Send to client";

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void recomputeOffsets();
    void layoutRows();
    void recycle(int row);
    void clearHighlight();
    void placeOverlays();
    // The row a screen's height below (`down`) or above `row`, as Page Down and Page Up move.
    [[nodiscard]] int rowAfterScreen(int row, bool down) const;
    // Where the empty list's text is drawn, and the button under it.
    [[nodiscard]] QRect emptyTextArea() const;
    void placeEmptyAction();
    // Tells assistive tools which row is current (selected, and focused while the table has the keyboard).
    void notifyCurrentRow(int previous);

    TableViewDataSource& m_dataSource;
    int m_rowCount = 0;
    QList<int> m_offsets; // top of each row, plus the total height at the end
    QHash<int, TableViewCell*> m_visible;
    QHash<QString, QList<TableViewCell*>> m_reusable;
    QColor m_background{0x33, 0x33, 0x33};
    int m_topInset = 0;
    QString m_emptyText;
    QPushButton* m_emptyAction = nullptr;
    std::function<void()> m_emptyActionCallback;
    bool m_allowsSelection = true;
    bool m_scrollEnabled = true;
    int m_pressedRow = -1;
    int m_selectedRow = -1;
    int m_currentRow = -1;
    int m_deleteRow = -1;
    int m_swipeRow = -1;
    QPoint m_pressPoint;
    QPushButton* m_deleteButton = nullptr;
    QWidget* m_currentFrame = nullptr;
};

} // namespace marrowfin
