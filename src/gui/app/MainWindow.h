#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>
#include <QWidget>

#include <functional>

namespace marrowfin {

// The application's one window: phone-shaped by default and freely resizable (at tablet widths the screens take
// their tablet layout). It remembers its size and place between runs and carries the keyboard shortcuts.
class MainWindow final : public QWidget
{
    Q_OBJECT

public:
    static constexpr QSize kDefaultSize{375, 667};
    static constexpr QSize kMinimumSize{320, 480};

    // `geometryFile` keeps the window's size and place; empty keeps nothing.
    explicit MainWindow(QString geometryFile, QWidget* parent = nullptr);

    // The root screen's view fills the window.
    void setRootView(QWidget* view);

    void setRefreshAction(std::function<void()> action) { m_refresh = std::move(action); }
    void setBackAction(std::function<void()> action) { m_back = std::move(action); }
    void setSearchAction(std::function<void()> action) { m_search = std::move(action); }
    // Asked when the window is about to close (its close button, Ctrl+Q): true keeps it from closing (the action has
    // hidden it, or asks first). Its size and place are kept either way.
    void setCloseFilter(std::function<bool()> filter) { m_closeFilter = std::move(filter); }

    void restoreGeometryFromFile();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString m_geometryFile;
    QWidget* m_root = nullptr;
    std::function<void()> m_refresh;
    std::function<void()> m_back;
    // Every key press of the application is compared with these, made once.
    QList<QKeySequence> m_backKeys;
    std::function<void()> m_search;
    std::function<bool()> m_closeFilter;
};

} // namespace marrowfin
