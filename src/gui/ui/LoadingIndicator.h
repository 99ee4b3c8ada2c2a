#pragma once

#include "ActivitySpinner.h"
#include "RoundedRectView.h"

#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

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

    // The one overlay, made on first use and never freed. Each call clears the parent view, offset and text, so
    // every caller sets up its own.
    static LoadingIndicator& sharedInstance();

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

    void showLoadingIndicators();
    void hideLoadingIndicators();
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
};

} // namespace marrowfin
