#pragma once

#include "ViewController.h"

#include <QList>
#include <QWidget>

namespace marrowfin {

// The strip of tab buttons at the bottom of the main face: each a picture over a title, the selected one in the
// tint colour (white) and the others dimmed. Black bar. Items that are disabled draw faded and take no clicks.
class TabBar final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kHeight = 49;

    explicit TabBar(QWidget* parent = nullptr);

    void setItems(QList<TabBarItem> items);
    [[nodiscard]] const QList<TabBarItem>& items() const { return m_items; }
    // The highlighted slot, or -1.
    [[nodiscard]] int selectedSlot() const { return m_selected; }
    void setSelectedSlot(int slot);
    [[nodiscard]] bool isSlotEnabled(int slot) const;
    void setAllEnabled(bool enabled);
    [[nodiscard]] bool isAllEnabled() const { return m_enabled; }
    // The slot the keyboard is on while the bar has focus (the selected one until an arrow key moves it).
    [[nodiscard]] int focusedSlot() const;
    // Opens a slot as a click on it would (nothing for a disabled one); what assistive tools press.
    void pressSlot(int slot);
    // Where a slot sits, for clicks and tests.
    [[nodiscard]] QRect slotRect(int slot) const;

    [[nodiscard]] QSize sizeHint() const override { return {375, kHeight}; }

Q_SIGNALS:
    void slotClicked(int slot);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void notifyFocusedTab();

    [[nodiscard]] int slotAt(QPoint point) const;

    QList<TabBarItem> m_items;
    int m_selected = -1;
    int m_pressed = -1;
    int m_focused = -1;
    bool m_enabled = true;
};

} // namespace marrowfin
