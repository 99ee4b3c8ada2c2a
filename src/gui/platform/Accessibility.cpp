#include "Accessibility.h"

#include "AlertView.h"
#include "Device.h"
#include "Switch.h"
#include "TabBar.h"
#include "TableView.h"
#include "TableViewCell.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>

namespace marrowfin {

namespace {

using namespace Qt::Literals::StringLiterals;

constexpr QStringView kAnnouncementName = u"announcement";

// One tab of the tab bar: a child without a widget of its own, pressed to open its screen.
class TabAccessible final : public QAccessibleInterface, public QAccessibleActionInterface
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
        if (!isValid() || t != QAccessible::Name) {
            return {};
        }
        const TabBarItem& item = m_bar->items().at(m_slot);
        return item.accessibleName.isEmpty() ? item.title : item.accessibleName;
    }
    void setText(QAccessible::Text, const QString&) override {}
    [[nodiscard]] QRect rect() const override
    {
        if (!isValid()) {
            return {};
        }
        const QRect local = m_bar->slotRect(m_slot);
        return QRect(m_bar->mapToGlobal(local.topLeft()), local.size());
    }
    [[nodiscard]] QAccessible::Role role() const override { return QAccessible::PageTab; }
    [[nodiscard]] QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            return state;
        }
        state.selectable = true;
        state.selected = m_bar->selectedSlot() == m_slot;
        state.focusable = true;
        state.focused = m_bar->hasFocus() && m_bar->focusedSlot() == m_slot;
        state.disabled = !m_bar->isSlotEnabled(m_slot);
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }

    [[nodiscard]] QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override
    {
        if (isValid() && action == pressAction()) {
            m_bar->pressSlot(m_slot);
        }
    }
    [[nodiscard]] QStringList keyBindingsForAction(const QString&) const override { return {}; }

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
        for (QAccessible::Id id : m_children) {
            QAccessible::deleteAccessibleInterface(id);
        }
    }

    [[nodiscard]] int childCount() const override { return int(bar()->items().size()); }
    [[nodiscard]] QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount()) {
            return nullptr;
        }
        while (m_children.size() <= index) {
            auto* tab = new TabAccessible(bar(), int(m_children.size()));
            m_children.append(QAccessible::registerAccessibleInterface(tab));
        }
        return QAccessible::accessibleInterface(m_children.at(index));
    }
    [[nodiscard]] int indexOfChild(const QAccessibleInterface* child) const override
    {
        for (int index = 0; index < m_children.size(); ++index) {
            if (QAccessible::accessibleInterface(m_children.at(index)) == child) {
                return index;
            }
        }
        return -1;
    }
    [[nodiscard]] QAccessibleInterface* childAt(int x, int y) const override
    {
        const QPoint local = bar()->mapFromGlobal(QPoint(x, y));
        for (int index = 0; index < childCount(); ++index) {
            if (bar()->slotRect(index).contains(local)) {
                return child(index);
            }
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
        return new TabBarAccessible(static_cast<TabBar*>(widget));
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
