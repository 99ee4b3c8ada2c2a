#pragma once

#include <QWidget>

class QLabel;

namespace marrowfin {

// The first window the application shows while the rest of it comes up: the name, the version and what it is
// doing. Phone-shaped by default and freely resizable.
class StartingWindow final : public QWidget
{
    Q_OBJECT

public:
    explicit StartingWindow(QWidget* parent = nullptr);

    // One line under the title, e.g. "Starting…" or a problem met at start-up.
    void setStatus(const QString& text);

private:
    QLabel* m_status = nullptr;
};

} // namespace marrowfin
