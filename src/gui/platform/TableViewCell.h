#pragma once

#include <QColor>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace marrowfin {

// One row of a TableView. The table makes rows through its data source, keeps the ones scrolled out of sight and
// hands them back by reuse identifier (dequeueReusableCell), so a row is filled anew for every index it shows.
//
// A row has a content view (left) and an optional accessory view (right, vertically centred, like a button at
// the end of the row). The row's own background is clear unless set; while highlighted or selected a row with the
// grey selection style shows the selection grey behind its content.
class TableViewCell : public QWidget
{
    Q_OBJECT

public:
    enum class SelectionStyle
    {
        None,
        Grey,
    };

    explicit TableViewCell(QString reuseIdentifier, QWidget* parent = nullptr);
    ~TableViewCell() override;

    [[nodiscard]] const QString& reuseIdentifier() const { return m_reuseIdentifier; }

    // The view rows put their content in; it fills the row left of the accessory.
    [[nodiscard]] QWidget* contentView() const { return m_contentView; }
    // Replaces the content view (the old one is deleted); the row owns the new one.
    void setContentView(QWidget* view);

    // A widget at the right end of the row, e.g. a button; the row owns it. nullptr removes (and deletes) it.
    [[nodiscard]] QWidget* accessoryView() const { return m_accessoryView; }
    void setAccessoryView(QWidget* view);

    [[nodiscard]] bool isHighlighted() const { return m_highlighted; }
    virtual void setHighlighted(bool highlighted);
    [[nodiscard]] bool isSelected() const { return m_selected; }
    virtual void setSelected(bool selected);

    [[nodiscard]] SelectionStyle selectionStyle() const { return m_selectionStyle; }
    void setSelectionStyle(SelectionStyle style) { m_selectionStyle = style; }
    // The row's background where its content does not paint; transparent by default, so the table shows through.
    [[nodiscard]] QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& colour);
    // Whether taps on the row reach the table (select it). Its accessory's own clicks are not affected.
    [[nodiscard]] bool takesTouches() const { return m_takesTouches; }
    void setTakesTouches(bool takes) { m_takesTouches = takes; }

    // What a screen reader says for the row: its accessible name unless a row makes its own from what it shows
    // (asked when read, so that filling a row in steps never announces the steps).
    [[nodiscard]] virtual QString spokenName() const { return accessibleName(); }

    // Called by the table before it hands the row out again for another index.
    virtual void prepareForReuse();

    static constexpr QColor kSelectionGrey{0xd9, 0xd9, 0xd9};
    // Room the accessory takes at the row's end, as a disclosure area: the accessory plus a margin either side.
    static constexpr int kAccessoryMargin = 10;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // Lays out content and accessory in the row's current size; rows that place their content otherwise override it.
    virtual void layoutSubviews();
    [[nodiscard]] QRect contentRect() const;

private:
    QString m_reuseIdentifier;
    QWidget* m_contentView = nullptr;
    QPointer<QWidget> m_accessoryView;
    bool m_highlighted = false;
    bool m_selected = false;
    bool m_takesTouches = true;
    SelectionStyle m_selectionStyle = SelectionStyle::Grey;
    QColor m_backgroundColor = Qt::transparent;
};

} // namespace marrowfin
