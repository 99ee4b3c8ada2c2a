#pragma once

#include <QAbstractButton>

namespace marrowfin {

// A text button drawn as an underlined link: white title, left-aligned and vertically centred, with a white line
// under it as long as the title. No frame and no background.
class UIUnderlinedLabel final : public QAbstractButton
{
    Q_OBJECT

public:
    explicit UIUnderlinedLabel(QWidget* parent = nullptr);

    // The underline sits this far above the bottom edge.
    static constexpr int kUnderlineInset = 5;

    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace marrowfin
