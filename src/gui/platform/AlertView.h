#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

class QLabel;
class QPushButton;

namespace marrowfin {

class AlertView;

class AlertViewDelegate
{
public:
    virtual ~AlertViewDelegate() = default;
    // After the alert left the screen; `buttonIndex` counts from 0 in the order the buttons were given.
    virtual void alertViewDidDismiss(AlertView* alert, int buttonIndex) = 0;
};

// A modal message inside the main window: a title, a text and one or more buttons on a panel over the dimmed
// window. It never blocks the event loop; the delegate hears which button ended it. Made and shown on the main
// thread only (a background operation asks the main thread to show one). The alert deletes itself once dismissed.
class AlertView final : public QWidget
{
    Q_OBJECT

public:
    AlertView(QString title, QString message, AlertViewDelegate* delegate, QStringList buttonTitles,
              QWidget* window = nullptr);
    ~AlertView() override;

    [[nodiscard]] const QString& title() const { return m_title; }
    [[nodiscard]] const QString& message() const { return m_message; }
    [[nodiscard]] const QStringList& buttonTitles() const { return m_buttonTitles; }
    [[nodiscard]] QPushButton* button(int index) const { return m_buttons.value(index); }
    [[nodiscard]] QLabel* messageLabel() const { return m_messageLabel; }

    // Puts the alert over the window it was made for (the main window when none was given).
    void show();
    void dismissWithClickedButtonIndex(int index);

    // The alerts on screen now, oldest first.
    [[nodiscard]] static QList<AlertView*> visibleAlerts();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void layoutPanel();

    QString m_title;
    QString m_message;
    QStringList m_buttonTitles;
    AlertViewDelegate* m_delegate;
    QWidget* m_panel = nullptr;
    QLabel* m_titleLabel = nullptr;
    QLabel* m_messageLabel = nullptr;
    QList<QPushButton*> m_buttons;
    bool m_dismissed = false;
};

} // namespace marrowfin
