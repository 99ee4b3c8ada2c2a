#pragma once

#include <QAbstractButton>

namespace marrowfin {

// An on/off switch: a rounded track with a knob, teal when on. Clicking or Space flips it; `toggled` reports it.
class Switch final : public QAbstractButton
{
    Q_OBJECT

public:
    explicit Switch(QWidget* parent = nullptr);

    [[nodiscard]] bool isOn() const { return isChecked(); }
    void setOn(bool on) { setChecked(on); }

    [[nodiscard]] QSize sizeHint() const override { return {51, 31}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace marrowfin
