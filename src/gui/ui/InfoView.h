#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace marrowfin {

// The sign-in screen's "about" side: the logo, what the application does and which build this is. It covers the
// whole screen; the login screen flips to it and back again when "Done" is clicked.
class InfoView final : public QWidget
{
    Q_OBJECT

public:
    explicit InfoView(QWidget* parent = nullptr);

    // Shows the running build's version, as the application object reports it.
    void updateVersion();

    [[nodiscard]] QLabel* versionLbl() const { return m_versionLbl; }
    [[nodiscard]] QPushButton* doneBtn() const { return m_doneBtn; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutChildren();

    QLabel* m_logo = nullptr;
    QLabel* m_about = nullptr;
    QLabel* m_versionLbl = nullptr;
    QPushButton* m_doneBtn = nullptr;
};

} // namespace marrowfin
