#pragma once

#include <QAbstractButton>
#include <QPixmap>

namespace marrowfin {

// A flat button that is only its picture: no frame, no background. Pressed, the picture dims; disabled, it fades.
// A missing picture leaves the button invisible but still clickable.
class ImageButton final : public QAbstractButton
{
    Q_OBJECT

public:
    explicit ImageButton(const QPixmap& picture, QWidget* parent = nullptr);

    [[nodiscard]] const QPixmap& picture() const { return m_picture; }
    void setPicture(const QPixmap& picture);

    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_picture;
};

} // namespace marrowfin
