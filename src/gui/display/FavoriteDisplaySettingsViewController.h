#pragma once

#include "FavoriteDisplaySettingsView.h"

#include "gui/platform/ViewController.h"

#include <QStringView>

#include <memory>

namespace marrowfin {

class ImageButton;
class SettingsStore;

// How many pages of the newest listing the favorites list searches. The count is stored as the text the screen
// shows ("7"), which is what the favorites listing reads when it next comes into view. The store is read only when
// the screen is made; nothing is written until the user changes the count. Main thread only.
class FavoriteDisplaySettingsViewController final : public ViewController, public FavoriteDisplaySettingsViewDelegate
{
    Q_OBJECT

public:
    static constexpr QStringView kTitle = u"Favorites Display Settings";

    explicit FavoriteDisplaySettingsViewController(std::shared_ptr<SettingsStore> settings, QObject* parent = nullptr);
    ~FavoriteDisplaySettingsViewController() override;

    // The one screen, made on first use over SettingsStore::shared() and never freed; the favorites listing's
    // settings button pushes it.
    [[nodiscard]] static FavoriteDisplaySettingsViewController& sharedInstance();

    [[nodiscard]] FavoriteDisplaySettingsView* infoView() const { return m_infoView; }
    [[nodiscard]] ImageButton* backButton() const { return m_backButton; }

    // The back button and Escape: leaves the screen without animation.
    void cancel();
    void viewWillAppear(bool animated) override;

    // FavoriteDisplaySettingsViewDelegate: stores the count text.
    void didUpdateFavoritesCount(FavoriteDisplaySettingsView& view, const QString& count) override;

protected:
    void loadView() override;
    void viewDidLoad() override;

private:
    std::shared_ptr<SettingsStore> m_settings;
    FavoriteDisplaySettingsView* m_infoView = nullptr;
    ImageButton* m_backButton = nullptr;
};

} // namespace marrowfin
