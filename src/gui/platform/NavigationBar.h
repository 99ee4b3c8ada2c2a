#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QToolButton;

namespace marrowfin {

// The bar at the top of a navigation stack: the top screen's title in the middle and, when there is somewhere to
// go back to, a back button at the left with the title of where it leads. Black style: a dark gradient with white
// text.
class NavigationBar final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kHeight = 44;

    explicit NavigationBar(QWidget* parent = nullptr);

    void setTitle(const QString& title);
    [[nodiscard]] QString title() const;
    // An empty title hides the back button.
    void setBackTitle(const QString& title);
    [[nodiscard]] QToolButton* backButton() const { return m_back; }
    // The top screen's own buttons (it owns them): the left one stands in for the back button. nullptr for none.
    void setItems(QWidget* left, QWidget* right);
    [[nodiscard]] QWidget* leftItem() const { return m_left; }
    [[nodiscard]] QWidget* rightItem() const { return m_right; }

Q_SIGNALS:
    void backClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* m_title;
    QToolButton* m_back;
    QPointer<QWidget> m_left;
    QPointer<QWidget> m_right;
    bool m_backWanted = false;
};

} // namespace marrowfin
