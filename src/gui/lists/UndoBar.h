#pragma once

#include <QTimer>
#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;
class QShortcut;

namespace marrowfin {

// The bar a list shows at its bottom for a few seconds after a row was deleted: "Deleted." and an Undo button, so
// that nothing the user made goes with one stray key. Undo (the button, or Ctrl+Z in the list) runs the action the
// bar was offered once; a newer deletion takes the bar over, and when the time is up the bar goes and the deletion
// stands. The time does not run out while the pointer rests on the bar. Main thread only.
class UndoBar final : public QWidget
{
    Q_OBJECT

public:
    static constexpr QStringView kText = u"Deleted.";
    static constexpr QStringView kUndoTitle = u"Undo";
    static constexpr int kShownMs = 6000;

    // Lies over the bottom of `list` and follows its size; Ctrl+Z works anywhere in it.
    explicit UndoBar(QWidget* list);
    ~UndoBar() override;

    // Shows the bar with `undo` as what Undo does, for kShownMs from now.
    void offer(std::function<void()> undo);
    // Runs what was offered, once, and hides the bar; nothing when nothing is offered.
    void undo();
    // Hides the bar; the deletion stands.
    void dismiss();
    [[nodiscard]] bool isOffered() const { return bool(m_undo); }

    [[nodiscard]] QLabel* label() const { return m_label; }
    [[nodiscard]] QPushButton* undoButton() const { return m_button; }
    // Milliseconds until the bar goes (-1 when it is not shown or rests under the pointer).
    [[nodiscard]] int remainingTime() const { return m_timer.remainingTime(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void place();

    QLabel* m_label;
    QPushButton* m_button;
    QShortcut* m_shortcut;
    QTimer m_timer;
    std::function<void()> m_undo;
};

} // namespace marrowfin
