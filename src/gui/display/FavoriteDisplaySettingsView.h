#pragma once

#include <QStringView>
#include <QWidget>

class QLabel;
class QScrollArea;
class QSlider;
class QSpinBox;

namespace marrowfin {

class FavoriteDisplaySettingsView;
class Switch;

// Told when the user has finished changing the count.
class FavoriteDisplaySettingsViewDelegate
{
public:
    virtual ~FavoriteDisplaySettingsViewDelegate() = default;
    // `count` is the count label's text: the whole number the user sees.
    virtual void didUpdateFavoritesCount(FavoriteDisplaySettingsView& view, const QString& count) = 0;
    // The background watch's switch, its minutes or its send switch changed: read them from the view.
    virtual void didUpdateWatchSettings(FavoriteDisplaySettingsView& view) = 0;
};

// The favorites settings form: how many pages of the newest listing the favorites list searches, as a slider and
// a label that shows the slider's value as a whole number; under it the background watch: a switch, the minutes
// between rounds, a switch for sending new matches, the rails in small text and how the last round went. Main
// thread only.
//
// The slider moves in hundredths of a page, so a drag shows a rounded count (6.6 shows 7) while the slider stays
// where the user put it. Each finished change reaches the delegate once: the release of a drag (unless it ended
// where it began), each step of the mouse wheel, each arrow, Page or Home/End key, each click on the groove.
class FavoriteDisplaySettingsView final : public QWidget
{
    Q_OBJECT

public:
    // The slider's range in pages. Every page of a batch is one request to the site, and the listing shows only
    // the newest matches, so twenty pages (about a day of new torrents) are plenty; the favorites listing itself
    // still accepts a larger count stored by other means, up to kMaxFavoritesPageCount.
    static constexpr int kMinimumCount = 1;
    static constexpr int kMaximumCount = 20;
    // Slider units per page.
    static constexpr int kSliderScale = 100;
    static constexpr int kPageStepPages = 5;
    static constexpr QStringView kCaption = u"Pages of newest torrents to search:";
    static constexpr QStringView kHint = u"Favorites shows the torrents of these pages that match your filters.";
    static constexpr QStringView kWatchTitle = u"Watch in the background";
    static constexpr QStringView kEveryPrefix = u"every ";
    static constexpr QStringView kEverySuffix = u" minutes";
    static constexpr QStringView kSendTitle = u"Send new matches to the client";
    static constexpr QStringView kWatchHint =
        u"While the window is open (or in the tray), each round reads these pages and tells you of every new match. "
        u"A round sends at most %1 matches, the rest in the next; a filter that accepts every name sends nothing "
        u"until it has a limit.";

    explicit FavoriteDisplaySettingsView(QWidget* parent = nullptr);

    [[nodiscard]] QSlider* favoritesCountSlider() const { return m_favoritesCountSlider; }
    [[nodiscard]] QLabel* favoritesCountValue() const { return m_favoritesCountValue; }
    [[nodiscard]] FavoriteDisplaySettingsViewDelegate* delegate() const { return m_delegate; }
    // Not owned.
    void setDelegate(FavoriteDisplaySettingsViewDelegate* delegate) { m_delegate = delegate; }
    [[nodiscard]] QScrollArea* scrollView() const { return m_scrollView; }
    [[nodiscard]] Switch* watchSwitch() const { return m_watchSwitch; }
    [[nodiscard]] QSpinBox* watchMinutes() const { return m_watchMinutes; }
    [[nodiscard]] Switch* sendSwitch() const { return m_sendSwitch; }
    [[nodiscard]] QLabel* watchStatus() const { return m_watchStatus; }

    // Shows the stored watch settings; tells nobody. The minutes and the send switch are live only while watching.
    void setWatchSettings(bool on, int everyMinutes, bool send);
    // How the last round went, in a sentence; empty hides the line.
    void setWatchStatus(const QString& text);

    // The slider's position in pages, fractional while dragged. Setting it tells nobody.
    [[nodiscard]] double sliderValue() const;
    void setSliderValue(double pages);

    // While the slider moves: the label shows the value rounded to a whole number.
    void movedFavoritesSlider();
    // When a change ends: the label's text goes to the delegate.
    void changedFavoritesSlider();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutForm();

    QSlider* m_favoritesCountSlider = nullptr;
    QLabel* m_favoritesCountValue = nullptr;
    FavoriteDisplaySettingsViewDelegate* m_delegate = nullptr;
    QScrollArea* m_scrollView = nullptr;
    QWidget* m_form = nullptr;
    QLabel* m_caption = nullptr;
    QLabel* m_hint = nullptr;
    QLabel* m_minimumLabel = nullptr;
    QLabel* m_maximumLabel = nullptr;
    QLabel* m_watchTitle = nullptr;
    Switch* m_watchSwitch = nullptr;
    QLabel* m_everyPrefix = nullptr;
    QSpinBox* m_watchMinutes = nullptr;
    QLabel* m_sendTitle = nullptr;
    Switch* m_sendSwitch = nullptr;
    QLabel* m_watchHint = nullptr;
    QLabel* m_watchStatus = nullptr;
    // Where a drag began, so a press released on the spot is not taken for a change.
    int m_pressedValue = 0;
    int m_pendingWheel = 0;
};

} // namespace marrowfin
