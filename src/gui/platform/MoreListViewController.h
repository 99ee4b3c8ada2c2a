#pragma once

#include "ViewController.h"

#include <QList>

class QListWidget;

namespace marrowfin {

class TabBarController;

// The overflow list: one row per tab that has no button of its own, with its picture and title.
class MoreListViewController final : public ViewController
{
    Q_OBJECT

public:
    explicit MoreListViewController(TabBarController& tabs, QObject* parent = nullptr);

    // The indexes (in the tab bar's screens) the rows stand for, in order.
    void setIndexes(QList<int> indexes);
    [[nodiscard]] const QList<int>& indexes() const { return m_indexes; }
    [[nodiscard]] QListWidget* list() const { return m_list; }

protected:
    void loadView() override;

private:
    void fill();

    TabBarController& m_tabs;
    QList<int> m_indexes;
    QListWidget* m_list = nullptr;
};

} // namespace marrowfin
