#pragma once

#include "ActivitySpinner.h"
#include "RoundedRectView.h"

#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <QTimer>

#include <functional>

namespace marrowfin {

// The overlay a screen shows over itself while it waits: a grey rounded panel with a spinner and a line of text,
// centred on the screen's view. There is one overlay for the whole application; every screen takes it through
// sharedInstance(), sets it up and shows it. Main thread only.
//
// Shows are not counted: one hide ends any number of shows. While the overlay is shown, a new text takes effect
// at the next show; a new parent view only once it has been hidden.
class LoadingIndicator : public QObject
{
    Q_OBJECT

public:
    static constexpr int kPanelHeight = 40;
    // Between the spinner and the text.
    static constexpr int kGap = 8;
    // Added to the spinner and text for the panel's sides.
    static constexpr int kPanelPadding = 30;
    // Added under the text for the Cancel button, when there is one.
    static constexpr int kCancelRowHeight = 40;
    static constexpr QStringView kCancelTitle = u"Cancel";

    // The one overlay, made on first use and never freed. Each call clears the parent view, offset and text, so
    // every caller sets up its own.
    static LoadingIndicator& sharedInstance();
    // The same overlay as it stands, for what changes only its text.
    static LoadingIndicator& sharedInstanceAsIs();

    ~LoadingIndicator() override;

    [[nodiscard]] QWidget* parentView() const { return m_parentView.data(); }
    // The view the panel is shown in now; none while it is hidden.
    [[nodiscard]] QWidget* shownIn() const;
    void setParentView(QWidget* view) { m_parentView = view; }
    // Moves the panel down from the centre by this many points.
    [[nodiscard]] int offset() const { return m_offset; }
    void setOffset(int offset) { m_offset = offset; }
    [[nodiscard]] const QString& string() const { return m_string; }
    void setString(const QString& text) { m_string = text; }

    // What Cancel does while the overlay waits for a page or a sign-in: the panel made by the next show then has a
    // Cancel button under its text, and Escape presses it. Called once; the action hides the overlay itself. None
    // (the default, and after every sharedInstance()) shows no button; a show while the panel is up keeps its
    // button as it was.
    void setCancelAction(std::function<void()> action) { m_cancelAction = std::move(action); }
    [[nodiscard]] QPushButton* cancelButton() const { return m_cancelButton.data(); }

    void showLoadingIndicators();
    void hideLoadingIndicators();
    // While a request sits out the site's Retry-After (seconds > 0), the panel on screen says so instead of its text,
    // counting the seconds down; 0 puts its text back. Its Cancel ends the wait too.
    void showSiteWait(int seconds);
    static constexpr QStringView kSiteWaitText = u"The site asks to wait %1 s...";
    // Centres the panel in the view it was shown in and places the spinner and text in the panel.
    void sizeFrame();

    [[nodiscard]] bool isShown() const { return !m_rv.isNull(); }
    [[nodiscard]] RoundedRectView* panel() const { return m_rv.data(); }
    [[nodiscard]] QLabel* label() const { return m_loadingLabel.data(); }
    [[nodiscard]] ActivitySpinner* spinner() const { return m_spinner.data(); }

    // Where the panel goes in a parent of this size, for a spinner and text of these widths.
    [[nodiscard]] static QRect panelFrame(QSize parent, int spinnerWidth, int labelWidth, int offset);

protected:
    LoadingIndicator();
    // What sharedInstance() does to the instance it hands out.
    void reset();
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_parentView;
    int m_offset = 0;
    QString m_string;
    QPointer<RoundedRectView> m_rv;
    QPointer<ActivitySpinner> m_spinner;
    QPointer<QLabel> m_loadingLabel;
    std::function<void()> m_cancelAction;
    QPointer<QPushButton> m_cancelButton;
    QTimer m_waitCountdown;
    int m_waitLeft = 0;
};

} // namespace marrowfin
