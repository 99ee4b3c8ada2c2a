#pragma once

#include "core/lists/FilterLimits.h"
#include "core/scrape/Torrent.h"
#include "gui/platform/AlertView.h"
#include "gui/platform/ViewController.h"

#include <QList>
#include <QPointer>
#include <QStringList>

#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace marrowfin {

class FavoriteComposeViewControllerDelegate;
class NavigationBar;

// The form in which a favorite filter is typed, new or opened from the list to be changed, presented over the whole
// window: the expression, then its optional limits (smallest and largest size with a unit, fewest seeders, an
// expression names must not match; an empty field is no limit), a preview of what they keep or of what is wrong with
// the expression and where, Save and Cancel. Return saves. Escape cancels, but first asks when the form holds
// anything not saved, so that a stray key throws nothing away. The screen only hands the text on; its delegate stores
// it and dismisses it. Main thread only.
class FavoriteComposeViewController final : public ViewController, private AlertViewDelegate
{
    Q_OBJECT

public:
    static constexpr QStringView kTitle = u"New Filter";
    static constexpr QStringView kEditTitle = u"Edit Filter";
    static constexpr QStringView kDiscardNewTitle = u"Discard this filter?";
    static constexpr QStringView kDiscardEditTitle = u"Discard your changes?";
    static constexpr QStringView kKeepEditingButton = u"Keep Editing";
    static constexpr QStringView kDiscardButton = u"Discard";

    explicit FavoriteComposeViewController(QObject* parent = nullptr);
    ~FavoriteComposeViewController() override;

    // Not owned: the filter list that presented this screen outlives it.
    void setDelegate(FavoriteComposeViewControllerDelegate* delegate) { m_delegate = delegate; }
    [[nodiscard]] FavoriteComposeViewControllerDelegate* delegate() const { return m_delegate; }

    // Opens the form on a stored filter, its text and limits in the fields, to be changed; before the form is shown.
    void setEditedFilter(const QString& text, const FilterLimits& limits);
    // The text of the filter being changed, as stored; nothing for a new filter.
    [[nodiscard]] const std::optional<QString>& editedFilter() const { return m_editedFilter; }

    // Save: hands the field's text to the delegate.
    void updateList();
    void cancel();
    // Escape: cancels at once when nothing was typed or changed; otherwise asks first (the alert's first button,
    // which Escape and Return press, keeps the form).
    void cancelAskingFirst();
    // Whether the fields hold something other than what the form opened with.
    [[nodiscard]] bool hasChanges() const;
    [[nodiscard]] AlertView* discardAlert() const { return m_discardAlert; }

    void viewDidAppear(bool animated) override;

    // The torrents already loaded (favorites and newest lists) that the filter being typed is tried on.
    void setPreviewTorrents(QList<Torrent> torrents);
    [[nodiscard]] QLabel* previewLabel() const { return m_preview; }

    // The limits as the fields give them.
    [[nodiscard]] FilterLimits limits() const;
    [[nodiscard]] QLineEdit* minSizeField() const { return m_minSize; }
    [[nodiscard]] QComboBox* minSizeUnit() const { return m_minUnit; }
    [[nodiscard]] QLineEdit* maxSizeField() const { return m_maxSize; }
    [[nodiscard]] QComboBox* maxSizeUnit() const { return m_maxUnit; }
    [[nodiscard]] QLineEdit* minSeedersField() const { return m_minSeeders; }
    [[nodiscard]] QLineEdit* excludeField() const { return m_exclude; }

    [[nodiscard]] QLineEdit* newItem() const { return m_newItem; }
    [[nodiscard]] QPushButton* saveButton() const { return m_save; }
    [[nodiscard]] QPushButton* cancelButton() const { return m_cancel; }

protected:
    void loadView() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void alertViewDidDismiss(AlertView* alert, int buttonIndex) override;
    // The fields as typed: the expression, each size with its unit (the unit alone counts for nothing), the
    // seeders and the exclude expression.
    [[nodiscard]] QStringList formState() const;
    void fillLimits(const FilterLimits& limits);
    void layoutForm();
    // Shows what the text as it stands would keep, or why it cannot be a filter (and then it cannot be saved).
    void updatePreview();

    FavoriteComposeViewControllerDelegate* m_delegate = nullptr;
    NavigationBar* m_bar = nullptr;
    QLineEdit* m_newItem = nullptr;
    QLabel* m_hint = nullptr;
    QLabel* m_preview = nullptr;
    QLabel* m_limitsTitle = nullptr;
    QList<QLabel*> m_limitCaptions; // size from, size up to, seeders, exclude
    QLineEdit* m_minSize = nullptr;
    QComboBox* m_minUnit = nullptr;
    QLineEdit* m_maxSize = nullptr;
    QComboBox* m_maxUnit = nullptr;
    QLineEdit* m_minSeeders = nullptr;
    QLineEdit* m_exclude = nullptr;
    QList<Torrent> m_previewTorrents;
    QPushButton* m_save = nullptr;
    QPushButton* m_cancel = nullptr;
    std::optional<QString> m_editedFilter;
    FilterLimits m_editedLimits;
    // What the fields held when the form opened.
    QStringList m_openedState;
    QPointer<AlertView> m_discardAlert;
    QPointer<QWidget> m_focusBeforeAlert;
};

} // namespace marrowfin
