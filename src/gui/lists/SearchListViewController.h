#pragma once

#include "AllListViewController.h"

class QLineEdit;

namespace marrowfin {

// The search tab: the listing with a search bar above it. A query asks the site's search page, with the search's
// own category, order and sort; the results page, send and open as in the newest list. Nothing is fetched before
// the first search. Main thread only.
class SearchListViewController final : public AllListViewController
{
    Q_OBJECT

public:
    static constexpr QStringView kTitle = u"Search";
    static constexpr QStringView kTabImage = u"tabbar-search.png";
    static constexpr int kSearchBarHeight = 45;

    explicit SearchListViewController(std::shared_ptr<SettingsStore> settings, QObject* parent = nullptr);
    ~SearchListViewController() override;

    void viewWillAppear(bool animated) override;

    // The bar's search key (Return): a new search for what the bar holds.
    void searchBarSearchButtonClicked();
    void fetchPage(int page) override;
    void loadedTorrents(std::optional<QList<Torrent>> torrents) override;

    // HeaderViewDelegate
    void didRefresh() override;
    [[nodiscard]] bool respondsToSettings() const override { return false; }
    [[nodiscard]] bool respondsToSearch() const override { return true; }
    void didSearch() override;

    // Puts the keyboard in the bar, as Ctrl+F does from any tab.
    void focusSearchBar();

    [[nodiscard]] QLineEdit* mySearchBar() const { return m_mySearchBar; }
    // The last query as it went into the address; empty before the first search.
    [[nodiscard]] const QString& searchString() const { return m_searchString; }

protected:
    void loadView() override;
    void layoutScreen() override;
    [[nodiscard]] std::optional<ListingKind> orderableKind() const override { return ListingKind::Search; }
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void emptyList();

    QLineEdit* m_mySearchBar = nullptr;
    QString m_searchString;
};

} // namespace marrowfin
