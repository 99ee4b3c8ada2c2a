#include "Accessibility.h"

#include "Switch.h"
#include "TabBar.h"
#include "TableView.h"
#include "TableViewCell.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace marrowfin {

namespace {

// One tab of the tab bar: a child without a widget of its own.
class TabAccessible final : public QAccessibleInterface
{
public:
    TabAccessible(TabBar* bar, int slot) : m_bar(bar), m_slot(slot) {}

    [[nodiscard]] bool isValid() const override { return m_bar && m_slot < m_bar->items().size(); }
    [[nodiscard]] QObject* object() const override { return nullptr; }
    [[nodiscard]] QWindow* window() const override { return m_bar ? m_bar->window()->windowHandle() : nullptr; }
    [[nodiscard]] QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_bar); }
    [[nodiscard]] QAccessibleInterface* child(int) const override { return nullptr; }
    [[nodiscard]] QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    [[nodiscard]] int childCount() const override { return 0; }
    [[nodiscard]] int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    [[nodiscard]] QString text(QAccessible::Text t) const override
    {
        if (!isValid() || t != QAccessible::Name)
            return {};
        const TabBarItem& item = m_bar->items().at(m_slot);
        return item.accessibleName.isEmpty() ? item.title : item.accessibleName;
    }
    void setText(QAccessible::Text, const QString&) override {}
    [[nodiscard]] QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect local = m_bar->slotRect(m_slot);
        return QRect(m_bar->mapToGlobal(local.topLeft()), local.size());
    }
    [[nodiscard]] QAccessible::Role role() const override { return QAccessible::PageTab; }
    [[nodiscard]] QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid())
            return state;
        state.selectable = true;
        state.selected = m_bar->selectedSlot() == m_slot;
        state.focusable = true;
        state.focused = m_bar->hasFocus() && m_bar->focusedSlot() == m_slot;
        state.disabled = !m_bar->isSlotEnabled(m_slot);
        return state;
    }

    [[nodiscard]] TabBar* bar() const { return m_bar; }
    [[nodiscard]] int slot() const { return m_slot; }

private:
    QPointer<TabBar> m_bar;
    int m_slot;
};

class TabBarAccessible final : public QAccessibleWidget
{
public:
    explicit TabBarAccessible(TabBar* bar) : QAccessibleWidget(bar, QAccessible::PageTabList) {}
    ~TabBarAccessible() override
    {
        for (QAccessible::Id id : m_children)
            QAccessible::deleteAccessibleInterface(id);
    }

    [[nodiscard]] int childCount() const override { return int(bar()->items().size()); }
    [[nodiscard]] QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        while (m_children.size() <= index) {
            auto* tab = new TabAccessible(bar(), int(m_children.size()));
            m_children.append(QAccessible::registerAccessibleInterface(tab));
        }
        return QAccessible::accessibleInterface(m_children.at(index));
    }
    [[nodiscard]] int indexOfChild(const QAccessibleInterface* child) const override
    {
        for (int index = 0; index < m_children.size(); ++index) {
            if (QAccessible::accessibleInterface(m_children.at(index)) == child)
                return index;
        }
        return -1;
    }
    [[nodiscard]] QAccessibleInterface* childAt(int x, int y) const override
    {
        const QPoint local = bar()->mapFromGlobal(QPoint(x, y));
        for (int index = 0; index < childCount(); ++index) {
            if (bar()->slotRect(index).contains(local))
                return child(index);
        }
        return nullptr;
    }

private:
    [[nodiscard]] TabBar* bar() const { return static_cast<TabBar*>(widget()); }

    mutable QList<QAccessible::Id> m_children;
};

class SwitchAccessible final : public QAccessibleWidget
{
public:
    explicit SwitchAccessible(Switch* control) : QAccessibleWidget(control, QAccessible::CheckBox)
    {
        addControllingSignal(QStringLiteral("toggled(bool)"));
    }
    [[nodiscard]] QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = static_cast<Switch*>(widget())->isChecked();
        return state;
    }
    [[nodiscard]] QStringList actionNames() const override { return {toggleAction()}; }
    void doAction(const QString& action) override
    {
        if (action == toggleAction() || action == pressAction())
            static_cast<Switch*>(widget())->click();
    }
};

QAccessibleInterface* factory(const QString& className, QObject* object)
{
    if (className == QLatin1StringView("marrowfin::TabBar"))
        return new TabBarAccessible(static_cast<TabBar*>(object));
    if (className == QLatin1StringView("marrowfin::Switch"))
        return new SwitchAccessible(static_cast<Switch*>(object));
    if (className == QLatin1StringView("marrowfin::TableView"))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::List);
    if (className == QLatin1StringView("marrowfin::TableViewCell"))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::ListItem);
    return nullptr;
}

} // namespace

void installAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(&factory);
        return true;
    }();
    (void)installed;
}

} // namespace marrowfin
