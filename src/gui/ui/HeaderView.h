#pragma once

#include "HeaderShadow.h"

#include <QPointer>
#include <QWidget>

class QLabel;

namespace marrowfin {

class HeaderViewDelegate;
class ImageButton;
class UIUnderlinedLabel;

// The strip at the top of the listing screens: the signed-in user's name (a link to the profile), the ratio and
// the amounts downloaded and uploaded, and the screen's buttons at the right end.
//
// The header is 70 points high but only its top band of 45 points is solid and takes clicks; below it a shadow
// fades into the list, and clicks there reach the list. The shadow is a sibling the header keeps under itself in
// its parent, so the header must be a child of the view that holds the list.
class HeaderView final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kHeight = 70;
    static constexpr int kBandHeight = 45;
    static constexpr int kShadowHeight = kHeight - kBandHeight;
    static constexpr int kButtonSize = 30;

    explicit HeaderView(QWidget* parent = nullptr);
    ~HeaderView() override;

    // Not owned; the screen that shows the header outlives it.
    [[nodiscard]] HeaderViewDelegate* parentDelegate() const { return m_parentDelegate; }
    void setParentDelegate(HeaderViewDelegate* delegate) { m_parentDelegate = delegate; }

    // The figures as the site shows them; an empty text hides its part.
    void setUsername(const QString& name);
    void setRatio(const QString& ratio);
    void setDownloaded(const QString& amount);
    void setUploaded(const QString& amount);

    // Every listing screen has settings; the search screen has search in its place; favorites adds filters.
    void setShowsSettings(bool shows);
    void setShowsSearch(bool shows);
    void setShowsFilters(bool shows);

    [[nodiscard]] UIUnderlinedLabel* usernameLbl() const { return m_usernameLbl; }
    [[nodiscard]] QLabel* ratioLbl() const { return m_ratioLbl; }
    [[nodiscard]] QLabel* downLbl() const { return m_downLbl; }
    [[nodiscard]] QLabel* upLbl() const { return m_upLbl; }
    [[nodiscard]] ImageButton* refreshBtn() const { return m_refreshBtn; }
    [[nodiscard]] ImageButton* searchBtn() const { return m_searchBtn; }
    [[nodiscard]] ImageButton* settingsBtn() const { return m_settingsBtn; }
    [[nodiscard]] ImageButton* filtersBtn() const { return m_filtersBtn; }

    // The shadow under the band, over what lies below it: shown while rows pass under the band (a list scrolled
    // down), hidden over a list at its top, whose first row it would dim.
    void setShadowShown(bool shown);

    // Whether a point (in the header's coordinates) is the header's to handle: strictly inside the top band.
    [[nodiscard]] bool pointInside(QPoint point) const;

    [[nodiscard]] QSize sizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void layoutChildren();
    void placeShadow();
    void showFigure(QLabel* label, QStringView prefix, const QString& value);

    HeaderViewDelegate* m_parentDelegate = nullptr;
    bool m_shadowShown = true;
    UIUnderlinedLabel* m_usernameLbl = nullptr;
    QLabel* m_ratioLbl = nullptr;
    QLabel* m_downLbl = nullptr;
    QLabel* m_upLbl = nullptr;
    ImageButton* m_refreshBtn = nullptr;
    ImageButton* m_searchBtn = nullptr;
    ImageButton* m_settingsBtn = nullptr;
    ImageButton* m_filtersBtn = nullptr;
    // Lives in the header's parent, which may delete it first.
    QPointer<HeaderShadow> m_shadow;
};

} // namespace marrowfin
