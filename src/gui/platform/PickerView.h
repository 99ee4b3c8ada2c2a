#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

class QPainter;
class QVariantAnimation;

namespace marrowfin {

class PickerView;

// What a picker shows and whom it tells: its columns ("components"), their rows, and the user's choices.
class PickerViewDataSource
{
public:
    virtual ~PickerViewDataSource() = default;

    [[nodiscard]] virtual int numberOfComponents() const = 0;
    [[nodiscard]] virtual int numberOfRows(int component) const = 0;
    // The row's text, shown in a plain label when viewForRow() makes none.
    [[nodiscard]] virtual QString titleForRow(int row, int component) const
    {
        (void)row;
        (void)component;
        return {};
    }
    // The widget that shows the row, or nullptr for a plain label with titleForRow(). `reusingView` is one this
    // data source made earlier for the same component and the picker no longer shows (nullptr when there is none):
    // set it up again and return it, or return a new widget. The picker owns what is returned and sizes it to the
    // component's width and row height.
    [[nodiscard]] virtual QWidget* viewForRow(int row, int component, QWidget* reusingView)
    {
        (void)row;
        (void)component;
        (void)reusingView;
        return nullptr;
    }
    // In points; 0 shares the picker's width equally among such components.
    [[nodiscard]] virtual int widthForComponent(int component) const
    {
        (void)component;
        return 0;
    }
    [[nodiscard]] virtual int rowHeightForComponent(int component) const
    {
        (void)component;
        return 32;
    }
    // What a screen reader calls the column ("Group"); empty: the column has no name of its own.
    [[nodiscard]] virtual QString titleForComponent(int component) const
    {
        (void)component;
        return {};
    }
    // The user brought another row of `component` into the selection band (click, drag, wheel or key).
    virtual void didSelectRow(int row, int component)
    {
        (void)row;
        (void)component;
    }
};

// Columns of rows that turn like wheels behind a selection band across the middle: the row in the band is the
// column's selected row. A click on a row, a drag, the mouse wheel over a column or the arrow keys (Left and Right
// pick the column) select, and tell the data source; selectRow() in code does not. Main thread only.
class PickerView final : public QWidget
{
    Q_OBJECT

public:
    PickerView(PickerViewDataSource& dataSource, QWidget* parent = nullptr);
    ~PickerView() override;

    [[nodiscard]] int numberOfComponents() const { return int(m_components.size()); }
    [[nodiscard]] int numberOfRowsInComponent(int component) const;
    // -1 for a component without rows or outside the picker.
    [[nodiscard]] int selectedRowInComponent(int component) const;
    // Clamped to the component's rows. Animated, the column turns to the row; the selection changes at once.
    void selectRow(int row, int component, bool animated);
    // A user's choice (a click, a drag, the wheel, a key, an assistive tool's press): selects, turns there, and
    // tells the data source when the row changed.
    void chooseRow(int row, int component);
    [[nodiscard]] PickerViewDataSource& dataSource() const { return m_dataSource; }

    // Asks the data source again: the components and their sizes, and the rows of one or of every component. A
    // selected row beyond the new rows moves to the last one.
    void reloadComponent(int component);
    void reloadAllComponents();

    // Whether the band is drawn (on by default).
    [[nodiscard]] bool showsSelectionIndicator() const { return m_showsSelectionIndicator; }
    void setShowsSelectionIndicator(bool shows);

    // The column the arrow keys turn.
    [[nodiscard]] int focusedComponent() const { return m_focusedComponent; }

    // Where a component lies, and where one of its rows is drawn now, in the picker's coordinates.
    [[nodiscard]] QRect componentRect(int component) const;
    [[nodiscard]] QRect rowRect(int row, int component) const;
    // The row widgets shown for a component, by row (for the data source's tests and for accessibility).
    [[nodiscard]] QWidget* viewForRow(int row, int component) const;

    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    struct Component
    {
        int left = 0;
        int width = 0;
        int rowHeight = 32;
        int selected = -1;
        // The row shown in the middle of the band, fractional while turning.
        qreal position = 0;
        QList<QWidget*> rows;
        QVariantAnimation* turn = nullptr;
        // Wheel angle not yet turned into a row, for wheels and touch pads with fine steps.
        int pendingWheel = 0;
    };

    void syncComponents();
    void layoutComponents();
    void layoutRows(int component);
    [[nodiscard]] int componentAt(QPoint point) const;
    void setPosition(int component, qreal position, bool animated);
    // Tells assistive tools which row of a component is selected now, and focused while the keys turn it.
    void notifySelection(int component);
    [[nodiscard]] int bandTop(int component) const;
    void paintOverlay(QPainter& painter) const;

    PickerViewDataSource& m_dataSource;
    QList<Component> m_components;
    QWidget* m_overlay = nullptr;
    bool m_showsSelectionIndicator = true;
    int m_focusedComponent = 0;
    // A press that may become a drag: where it began and the column's position then.
    int m_pressComponent = -1;
    QPoint m_pressPoint;
    qreal m_pressPosition = 0;
    bool m_dragging = false;
};

} // namespace marrowfin
