#pragma once

#include <QStringList>
#include <QWidget>

namespace marrowfin {

// A row of segments of which at most one is selected, in the bar style: dark segments side by side, the selected one
// lit. Clicking a segment, or the arrow keys while it has focus, selects it and emits valueChanged; choosing it in
// code does not, so a screen can show a stored choice without taking it for the user's. Main thread only.
class SegmentedControl final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kHeight = 30;
    static constexpr int kNoSegment = -1;

    explicit SegmentedControl(const QStringList& titles, QWidget* parent = nullptr);

    [[nodiscard]] int numberOfSegments() const { return int(m_titles.size()); }
    [[nodiscard]] QString titleForSegment(int index) const { return m_titles.value(index); }

    // kNoSegment when none is selected.
    [[nodiscard]] int selectedSegmentIndex() const { return m_selected; }
    // An index outside the segments selects none.
    void setSelectedSegmentIndex(int index);
    // Selects a segment as a click on it would, emitting valueChanged when it changes; what assistive tools press.
    void chooseSegment(int index);

    // Where a segment lies in the control's own coordinates; empty for an index outside the segments.
    [[nodiscard]] QRect segmentRect(int index) const;
    [[nodiscard]] int segmentAt(QPoint point) const;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

Q_SIGNALS:
    // The user selected another segment.
    void valueChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Tells assistive tools which segment is chosen now (and focused, while the control has the keyboard).
    void notifySelection(int previous);

    QStringList m_titles;
    int m_selected = kNoSegment;
    // The segment under a press that has not been released yet; it takes the choice only if released on it.
    int m_pressed = kNoSegment;
};

} // namespace marrowfin
