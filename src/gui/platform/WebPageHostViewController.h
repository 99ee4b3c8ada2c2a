#pragma once

#include "ViewController.h"

#include <QPointer>

#include <functional>

class QLabel;

namespace marrowfin {

class WebPages;

// Holds a web page screen that is made only when it is first shown: the tabs whose pages need the web engine get
// their place in the tab bar at start, and the engine starts when the user opens one. The page fills this screen's
// view and hears its life-cycle calls. When the pages cannot be loaded (or there is no maker: a page pushed in place
// of one that could not be made), the screen says why instead.
class WebPageHostViewController final : public ViewController
{
    Q_OBJECT

public:
    using Maker = std::function<ViewController*(WebPages& pages)>;

    WebPageHostViewController(const QString& title, const TabBarItem& item, Maker maker, QObject* parent = nullptr);
    ~WebPageHostViewController() override;

    // The page, once made.
    [[nodiscard]] ViewController* page() const { return m_page; }

    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidDisappear(bool animated) override;

protected:
    void loadView() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void makePage();

    Maker m_maker;
    QPointer<ViewController> m_page;
    QLabel* m_problem = nullptr;
};

} // namespace marrowfin
