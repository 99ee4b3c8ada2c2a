#pragma once

#include "core/display/ListingSettings.h"
#include "gui/platform/PickerView.h"
#include "gui/platform/ViewController.h"

#include <QStringView>

#include <memory>

class QLabel;

namespace marrowfin {

class ImageButton;
class SegmentedControl;
class SettingsStore;

// The listing's settings: the order (Date, Size, Files, Seeders, Leechers), the sort (Desc, Asc) and the category,
// chosen in a two-column picker of the category tree (groups on the left, the chosen group's entries on the right).
// Every choice is written to the store at once, under the listing's keys; the listing uses it with its next page.
//
// The screen reads the store only when it is made, and shows the stored choice without rewriting it; the one
// exception is a store without category, where the picker's first rows (All / All) are chosen and "" is stored.
// Main thread only.
class DisplaySettingsViewController : public ViewController, public PickerViewDataSource
{
    Q_OBJECT

public:
    static constexpr QStringView kTitle = u"All Torrents Settings";
    static constexpr QStringView kOrderLabel = u"Order by:";
    static constexpr QStringView kSortLabel = u"Sort:";
    static constexpr QStringView kCategoryLabel = u"Category:";
    static constexpr QStringView kRowFont = u"Verdana";
    static constexpr int kRowFontSize = 18;
    static constexpr int kGroupComponent = 0;
    static constexpr int kEntryComponent = 1;
    static constexpr int kGroupColumnWidth = 160;
    static constexpr int kEntryColumnWidth = 120;
    static constexpr int kRowHeight = 20;

    // Over the newest listing's keys. Builds the screen and shows what `settings` holds.
    explicit DisplaySettingsViewController(std::shared_ptr<SettingsStore> settings, QObject* parent = nullptr);
    ~DisplaySettingsViewController() override;

    // The one screen of the newest listing, made on first use over SettingsStore::shared() and never freed; the
    // listing's settings button pushes it. Stacks only take it off when popped.
    [[nodiscard]] static DisplaySettingsViewController& sharedInstance();

    [[nodiscard]] const ListingKeys& keys() const { return m_keys; }

    // The order and sort controls changed: the chosen value is stored under its key.
    void didOrderBy();
    void didSortBy();
    // The back button and Escape: leaves the screen without animation.
    void cancel();

    void viewWillAppear(bool animated) override;

    // The controls, for the window's keyboard handling and for tests.
    [[nodiscard]] SegmentedControl* orderControl() const { return m_orderControl; }
    [[nodiscard]] SegmentedControl* sortControl() const { return m_sortControl; }
    [[nodiscard]] PickerView* pickerView() const { return m_picker; }
    [[nodiscard]] ImageButton* backButton() const { return m_backButton; }

    // PickerViewDataSource
    [[nodiscard]] int numberOfComponents() const override { return 2; }
    [[nodiscard]] int numberOfRows(int component) const override;
    [[nodiscard]] QString titleForRow(int row, int component) const override;
    [[nodiscard]] QString titleForComponent(int component) const override;
    [[nodiscard]] QWidget* viewForRow(int row, int component, QWidget* reusingView) override;
    [[nodiscard]] int widthForComponent(int component) const override;
    [[nodiscard]] int rowHeightForComponent(int component) const override;
    void didSelectRow(int row, int component) override;

protected:
    // For a screen of the same kind over another listing's keys, with its own title.
    DisplaySettingsViewController(std::shared_ptr<SettingsStore> settings, ListingKind kind, const QString& title,
                                  QObject* parent);

    void loadView() override;
    void viewDidLoad() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void restoreChoices();
    void layoutScreen();

    std::shared_ptr<SettingsStore> m_settings;
    ListingKeys m_keys;
    QLabel* m_orderLabel = nullptr;
    SegmentedControl* m_orderControl = nullptr;
    QLabel* m_sortLabel = nullptr;
    SegmentedControl* m_sortControl = nullptr;
    QLabel* m_categoryLabel = nullptr;
    PickerView* m_picker = nullptr;
    ImageButton* m_backButton = nullptr;
};

} // namespace marrowfin
