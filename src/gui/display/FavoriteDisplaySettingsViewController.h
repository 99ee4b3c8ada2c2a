#pragma once

#include "FavoriteDisplaySettingsView.h"

#include "gui/platform/ViewController.h"

#include <QStringView>

#include <memory>

namespace marrowfin {

class ImageButton;
class SettingsStore;

// How many pages of the newest listing the favorites list searches, and the background watch. The count is stored as
// the text the screen shows ("7"), which is what the favorites listing reads when it next comes into view; the watch's
// switches and minutes are stored as they change, and said with watchSettingsChanged. The store is read when the
// screen is made and, for the watch, each time it shows; nothing is written until the user changes something. A
// change that cannot be written is said by the store, and the screen shows what is stored again. Main thread only.
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
    // FavoriteDisplaySettingsViewDelegate: stores the watch's switches and minutes.
    void didUpdateWatchSettings(FavoriteDisplaySettingsView& view) override;
    // How the background watch's last round went; empty hides the line.
    void showWatchStatus(const QString& text);

Q_SIGNALS:
    // The watch's stored settings changed from this screen.
    void watchSettingsChanged();

protected:
    void loadView() override;
    void viewDidLoad() override;

private:
    void showStoredWatchSettings();

    std::shared_ptr<SettingsStore> m_settings;
    FavoriteDisplaySettingsView* m_infoView = nullptr;
    ImageButton* m_backButton = nullptr;
};

} // namespace marrowfin
