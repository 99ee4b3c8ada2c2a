#include "Accessibility.h"

#include "AlertView.h"
#include "Device.h"
#include "PickerView.h"
#include "SegmentedControl.h"
#include "Switch.h"
#include "TabBar.h"
#include "TableView.h"
#include "TableViewCell.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

#include <type_traits>

namespace marrowfin {

namespace {

using namespace Qt::Literals::StringLiterals;

constexpr QStringView kAnnouncementName = u"announcement";

// Interfaces for children without a widget of their own (a tab, a segment, a picker's column or row), made when
// first asked for, kept by key and deleted with the interface that owns them.
class VirtualChildren
{
public:
    VirtualChildren() = default;
    VirtualChildren(const VirtualChildren&) = delete;
    VirtualChildren& operator=(const VirtualChildren&) = delete;
    ~VirtualChildren()
    {
        for (const QAccessible::Id id : std::as_const(m_ids)) {
            QAccessible::deleteAccessibleInterface(id);
        }
    }

    template <typename Make>
    QAccessibleInterface* get(qint64 key, Make make)
    {
        auto found = m_ids.constFind(key);
        if (found == m_ids.cend()) {
            found = m_ids.insert(key, QAccessible::registerAccessibleInterface(make()));
        }
        return QAccessible::accessibleInterface(*found);
    }

private:
    QHash<qint64, QAccessible::Id> m_ids;
};

// A child without children: a tab of the tab bar, a segment, a picker's row. It is pressed (its one action) and
// knows its place in its parent.
class SlotAccessible : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    SlotAccessible(QWidget* owner, int slot) : m_owner(owner), m_slot(slot) {}

    [[nodiscard]] QObject* object() const override { return nullptr; }
    [[nodiscard]] QWindow* window() const override { return m_owner ? m_owner->window()->windowHandle() : nullptr; }
    // The widget's own interface; a picker's row answers its column instead.
    [[nodiscard]] QAccessibleInterface* parent() const override
    {
        return QAccessible::queryAccessibleInterface(m_owner);
    }
    [[nodiscard]] QAccessibleInterface* child(int) const override { return nullptr; }
    [[nodiscard]] QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    [[nodiscard]] int childCount() const override { return 0; }
    [[nodiscard]] int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    void setText(QAccessible::Text, const QString&) override {}
    [[nodiscard]] QRect rect() const override
    {
        if (!isValid()) {
            return {};
        }
        const QRect local = localRect();
        return QRect(m_owner->mapToGlobal(local.topLeft()), local.size());
    }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }
    [[nodiscard]] QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override
    {
        if (isValid() && action == pressAction()) {
            press();
        }
    }
    [[nodiscard]] QStringList keyBindingsForAction(const QString&) const override { return {}; }

    [[nodiscard]] int slot() const { return m_slot; }

protected:
    [[nodiscard]] virtual QRect localRect() const = 0;
    virtual void press() = 0;

    QPointer<QWidget> m_owner;
    int m_slot;
};

int slotOf(const QAccessibleInterface* child)
{
    const auto* slot = dynamic_cast<const SlotAccessible*>(child);
    return slot ? slot->slot() : -1;
}

class TabAccessible final : public SlotAccessible
{
public:
    TabAccessible(TabBar* bar, int slot) : SlotAccessible(bar, slot) {}

    [[nodiscard]] bool isValid() const override { return m_owner && m_slot < bar()->items().size(); }
    [[nodiscard]] QString text(QAccessible::Text t) const override
    {
        if (!isValid() || t != QAccessible::Name) {
            return {};
        }
        const TabBarItem& item = bar()->items().at(m_slot);
        return item.accessibleName.isEmpty() ? item.title : item.accessibleName;
    }
    [[nodiscard]] QAccessible::Role role() const override { return QAccessible::PageTab; }
    [[nodiscard]] QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            return state;
        }
        state.selectable = true;
        state.selected = bar()->selectedSlot() == m_slot;
        state.focusable = true;
        state.focused = bar()->hasFocus() && bar()->focusedSlot() == m_slot;
        state.disabled = !bar()->isSlotEnabled(m_slot);
        return state;
    }

private:
    [[nodiscard]] TabBar* bar() const { return static_cast<TabBar*>(m_owner.data()); }
    [[nodiscard]] QRect localRect() const override { return bar()->slotRect(m_slot); }
    void press() override { bar()->pressSlot(m_slot); }
};

// A segment: a radio button, checked while chosen.
class SegmentAccessible final : public SlotAccessible
{
public:
    SegmentAccessible(SegmentedControl* control, int slot) : SlotAccessible(control, slot) {}

    [[nodiscard]] bool isValid() const override { return m_owner && m_slot < control()->numberOfSegments(); }
    [[nodiscard]] QString text(QAccessible::Text t) const override
    {
        return isValid() && t == QAccessible::Name ? control()->titleForSegment(m_slot) : QString();
    }
    [[nodiscard]] QAccessible::Role role() const override { return QAccessible::RadioButton; }
    [[nodiscard]] QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            return state;
        }
        state.checkable = true;
        state.checked = control()->selectedSegmentIndex() == m_slot;
        state.focusable = true;
        state.focused = state.checked && control()->hasFocus();
        state.disabled = !control()->isEnabled();
        return state;
    }

private:
    [[nodiscard]] SegmentedControl* control() const { return static_cast<SegmentedControl*>(m_owner.data()); }
    [[nodiscard]] QRect localRect() const override { return control()->segmentRect(m_slot); }
    void press() override { control()->chooseSegment(m_slot); }
};

// A row of a picker's column: a list item, selected while in the band.
class PickerRowAccessible final : public SlotAccessible
{
public:
    PickerRowAccessible(PickerView* picker, int component, int row)
        : SlotAccessible(picker, row), m_component(component)
    {}

    [[nodiscard]] bool isValid() const override
    {
        return m_owner && m_slot < picker()->numberOfRowsInComponent(m_component);
    }
    [[nodiscard]] QAccessibleInterface* parent() const override;
    [[nodiscard]] QString text(QAccessible::Text t) const override
    {
        return isValid() && t == QAccessible::Name ? picker()->dataSource().titleForRow(m_slot, m_component)
                                                   : QString();
    }
    [[nodiscard]] QAccessible::Role role() const override { return QAccessible::ListItem; }
    [[nodiscard]] QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            return state;
        }
        const QWidget* view = picker()->viewForRow(m_slot, m_component);
        state.invisible = !view || view->isHidden();
        state.offscreen = state.invisible;
        state.selectable = true;
        state.selected = picker()->selectedRowInComponent(m_component) == m_slot;
        state.focusable = true;
        state.focused = state.selected && picker()->hasFocus() && picker()->focusedComponent() == m_component;
        return state;
    }

private:
    [[nodiscard]] PickerView* picker() const { return static_cast<PickerView*>(m_owner.data()); }
    [[nodiscard]] QRect localRect() const override { return picker()->rowRect(m_slot, m_component); }
    void press() override { picker()->chooseRow(m_slot, m_component); }

    int m_component;
};

// A picker's column: a list of its rows, named by the data source.
class PickerColumnAccessible final : public QAccessibleInterface
{
public:
    PickerColumnAccessible(PickerView* picker, int component) : m_picker(picker), m_component(component) {}

    [[nodiscard]] bool isValid() const override { return m_picker && m_component < m_picker->numberOfComponents(); }
    [[nodiscard]] QObject* object() const override { return nullptr; }
    [[nodiscard]] QWindow* window() const override { return m_picker ? m_picker->window()->windowHandle() : nullptr; }
    [[nodiscard]] QAccessibleInterface* parent() const override
    {
        return QAccessible::queryAccessibleInterface(m_picker);
    }
    [[nodiscard]] int childCount() const override
    {
        return isValid() ? m_picker->numberOfRowsInComponent(m_component) : 0;
    }
    [[nodiscard]] QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount()) {
            return nullptr;
        }
        return m_rows.get(index, [&] { return new PickerRowAccessible(m_picker, m_component, index); });
    }
    [[nodiscard]] int indexOfChild(const QAccessibleInterface* child) const override { return slotOf(child); }
    [[nodiscard]] QAccessibleInterface* childAt(int x, int y) const override
    {
        for (int index = 0; index < childCount(); ++index) {
            QAccessibleInterface* row = child(index);
            if (!row->state().invisible && row->rect().contains(x, y)) {
                return row;
            }
        }
        return nullptr;
    }
    [[nodiscard]] QString text(QAccessible::Text t) const override
    {
        return isValid() && t == QAccessible::Name ? m_picker->dataSource().titleForComponent(m_component) : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    [[nodiscard]] QRect rect() const override
    {
        if (!isValid()) {
            return {};
        }
        const QRect local = m_picker->componentRect(m_component);
        return QRect(m_picker->mapToGlobal(local.topLeft()), local.size());
    }
    [[nodiscard]] QAccessible::Role role() const override { return QAccessible::List; }
    [[nodiscard]] QAccessible::State state() const override { return {}; }

private:
    QPointer<PickerView> m_picker;
    int m_component;
    mutable VirtualChildren m_rows;
};

QAccessibleInterface* PickerRowAccessible::parent() const
{
    QAccessibleInterface* picker = QAccessible::queryAccessibleInterface(m_owner);
    return picker ? picker->child(m_component) : nullptr;
}

// A widget whose children are all virtual, `count` of them, made by `make`: the tab bar, a segmented control and a
// picker. Their own widget children (a picker's row labels) are left out: the virtual ones stand for them.
template <typename Widget, typename Child>
class SlottedAccessible final : public QAccessibleWidget
{
public:
    SlottedAccessible(Widget* widget, QAccessible::Role role, int (*count)(const Widget*))
        : QAccessibleWidget(widget, role), m_count(count)
    {}

    [[nodiscard]] int childCount() const override { return m_count(owner()); }
    [[nodiscard]] QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount()) {
            return nullptr;
        }
        return m_children.get(index, [&] { return new Child(owner(), index); });
    }
    [[nodiscard]] int indexOfChild(const QAccessibleInterface* child) const override
    {
        if constexpr (std::is_base_of_v<SlotAccessible, Child>) {
            return slotOf(child);
        } else {
            for (int index = 0; index < childCount(); ++index) {
                if (this->child(index) == child) {
                    return index;
                }
            }
            return -1;
        }
    }
    [[nodiscard]] QAccessibleInterface* childAt(int x, int y) const override
    {
        for (int index = 0; index < childCount(); ++index) {
            if (QAccessibleInterface* slot = child(index); slot->rect().contains(x, y)) {
                return slot;
            }
        }
        return nullptr;
    }

private:
    [[nodiscard]] Widget* owner() const { return static_cast<Widget*>(widget()); }

    int (*m_count)(const Widget*);
    mutable VirtualChildren m_children;
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
        if (action == toggleAction() || action == pressAction()) {
            static_cast<Switch*>(widget())->click();
        }
    }
};

// A list whose children are its rows in sight, top to bottom, then whatever else shows in it (the button of an
// empty list, a row's Delete button); its description says why it is empty.
class TableViewAccessible final : public QAccessibleWidget
{
public:
    explicit TableViewAccessible(TableView* table) : QAccessibleWidget(table, QAccessible::List) {}

    [[nodiscard]] int childCount() const override { return int(children().size()); }
    [[nodiscard]] QAccessibleInterface* child(int index) const override
    {
        const QList<QWidget*> shown = children();
        return index >= 0 && index < shown.size() ? QAccessible::queryAccessibleInterface(shown.at(index)) : nullptr;
    }
    [[nodiscard]] int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child ? int(children().indexOf(qobject_cast<QWidget*>(child->object()))) : -1;
    }
    [[nodiscard]] QAccessibleInterface* childAt(int x, int y) const override
    {
        for (QWidget* shown : children()) {
            if (QRect(shown->mapToGlobal(QPoint(0, 0)), shown->size()).contains(x, y)) {
                return QAccessible::queryAccessibleInterface(shown);
            }
        }
        return nullptr;
    }
    [[nodiscard]] QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Description && table()->numberOfRows() == 0) {
            return table()->emptyText();
        }
        return QAccessibleWidget::text(t);
    }

private:
    [[nodiscard]] TableView* table() const { return static_cast<TableView*>(widget()); }
    [[nodiscard]] QList<QWidget*> children() const
    {
        QList<QWidget*> shown;
        for (const int row : table()->visibleRows()) {
            shown.append(table()->cellForRow(row));
        }
        for (QObject* object : table()->viewport()->children()) {
            auto* other = qobject_cast<QWidget*>(object);
            if (other && !other->isHidden() && !qobject_cast<TableViewCell*>(other) &&
                !other->testAttribute(Qt::WA_TransparentForMouseEvents)) {
                shown.append(other);
            }
        }
        return shown;
    }
};

// A row: a list item that can take the focus (the table's current row), be opened as a tap opens it, and be sent or
// deleted where its context menu offers that.
class TableViewCellAccessible final : public QAccessibleWidget
{
public:
    explicit TableViewCellAccessible(TableViewCell* cell) : QAccessibleWidget(cell, QAccessible::ListItem) {}

    [[nodiscard]] QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? cell()->spokenName() : QAccessibleWidget::text(t);
    }
    [[nodiscard]] QAccessibleInterface* parent() const override
    {
        TableView* list = table();
        return list ? QAccessible::queryAccessibleInterface(list) : QAccessibleWidget::parent();
    }
    [[nodiscard]] QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        TableView* list = table();
        const int row = list ? list->rowOfCell(cell()) : -1;
        if (row < 0) {
            return state;
        }
        state.focusable = true;
        state.selectable = list->allowsSelection();
        state.selected = list->currentRow() == row;
        state.focused = state.selected && list->hasFocus();
        return state;
    }
    [[nodiscard]] QStringList actionNames() const override
    {
        TableView* list = table();
        const int row = list ? list->rowOfCell(cell()) : -1;
        if (row < 0) {
            return {};
        }
        QStringList names{pressAction(), setFocusAction()};
        if (list->canSendRow(row)) {
            names.append(TableView::kSendTitle.toString());
        }
        if (list->canRemoveRow(row)) {
            names.append(kDeleteTitle.toString());
        }
        return names;
    }
    void doAction(const QString& action) override
    {
        TableView* list = table();
        const int row = list ? list->rowOfCell(cell()) : -1;
        if (row < 0) {
            return;
        }
        if (action == pressAction()) {
            list->tapRow(row);
        } else if (action == setFocusAction()) {
            list->setFocus(Qt::OtherFocusReason);
            list->setCurrentRow(row);
        } else if (action == TableView::kSendTitle) {
            list->sendRow(row);
        } else if (action == kDeleteTitle) {
            list->removeRow(row);
        }
    }

private:
    static constexpr QStringView kDeleteTitle = u"Delete";

    [[nodiscard]] TableViewCell* cell() const { return static_cast<TableViewCell*>(widget()); }
    [[nodiscard]] TableView* table() const
    {
        QWidget* viewport = cell()->parentWidget();
        return viewport ? qobject_cast<TableView*>(viewport->parentWidget()) : nullptr;
    }
};

// An alert: its title is its name and its message its description, so a screen reader says both before the button
// the focus is on.
class AlertAccessible final : public QAccessibleWidget
{
public:
    explicit AlertAccessible(AlertView* alert) : QAccessibleWidget(alert, QAccessible::AlertMessage) {}
    [[nodiscard]] QString text(QAccessible::Text t) const override
    {
        const auto* alert = static_cast<AlertView*>(widget());
        if (t == QAccessible::Name) {
            return alert->title();
        }
        if (t == QAccessible::Description) {
            return alert->message();
        }
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* factory(const QString& className, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget) {
        return nullptr;
    }
    if (className == QLatin1StringView("marrowfin::TabBar")) {
        return new SlottedAccessible<TabBar, TabAccessible>(static_cast<TabBar*>(widget), QAccessible::PageTabList,
                                                            [](const TabBar* bar) { return int(bar->items().size()); });
    }
    if (className == QLatin1StringView("marrowfin::SegmentedControl")) {
        // Named by its label (the label's buddy), its segments radio buttons.
        return new SlottedAccessible<SegmentedControl, SegmentAccessible>(
            static_cast<SegmentedControl*>(widget), QAccessible::Grouping,
            [](const SegmentedControl* control) { return control->numberOfSegments(); });
    }
    if (className == QLatin1StringView("marrowfin::PickerView")) {
        return new SlottedAccessible<PickerView, PickerColumnAccessible>(
            static_cast<PickerView*>(widget), QAccessible::Grouping,
            [](const PickerView* picker) { return picker->numberOfComponents(); });
    }
    if (className == QLatin1StringView("marrowfin::Switch")) {
        return new SwitchAccessible(static_cast<Switch*>(widget));
    }
    if (className == QLatin1StringView("marrowfin::TableView")) {
        return new TableViewAccessible(static_cast<TableView*>(widget));
    }
    if (className == QLatin1StringView("marrowfin::TableViewCell")) {
        return new TableViewCellAccessible(static_cast<TableViewCell*>(widget));
    }
    if (className == QLatin1StringView("marrowfin::AlertView")) {
        return new AlertAccessible(static_cast<AlertView*>(widget));
    }
    if (className == QLatin1StringView("marrowfin::MainWindow") ||
        className == QLatin1StringView("marrowfin::StartingWindow")) {
        // The window itself, named by its title: a frame, not a filler.
        return new QAccessibleWidget(widget, QAccessible::Window);
    }
    if (className == QLatin1StringView("QWidget") && widget->objectName() == kAnnouncementName) {
        return new QAccessibleWidget(widget, QAccessible::Notification);
    }
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

void announce(const QString& text, QWidget* window)
{
    if (!window) {
        window = Device::mainWindow();
    }
    if (!window || text.isEmpty() || !QAccessible::isActive()) {
        return;
    }
    // A notification of one pixel that draws nothing: shown anew for each text, which is what a screen reader
    // speaks.
    auto* notice = window->findChild<QWidget*>(kAnnouncementName.toString(), Qt::FindDirectChildrenOnly);
    if (!notice) {
        notice = new QWidget(window);
        notice->setObjectName(kAnnouncementName.toString());
        notice->setAttribute(Qt::WA_TransparentForMouseEvents);
        notice->setGeometry(0, 0, 1, 1);
    }
    notice->hide();
    notice->setAccessibleName(text);
    notice->show();
    notice->lower();
}

} // namespace marrowfin
