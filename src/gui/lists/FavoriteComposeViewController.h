#pragma once

#include "core/lists/FilterLimits.h"
#include "core/scrape/Torrent.h"
#include "gui/platform/ViewController.h"

#include <QList>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace marrowfin {

class FavoriteComposeViewControllerDelegate;
class NavigationBar;

// The form in which a new favorite filter is typed, presented over the whole window: the expression, then its
// optional limits (smallest and largest size with a unit, fewest seeders, an expression names must not match; an
// empty field is no limit), a preview of what they keep, Save and Cancel. Return saves and Escape cancels. The screen
// only hands the text on; its delegate stores it and dismisses it. Main thread only.
class FavoriteComposeViewController final : public ViewController
{
    Q_OBJECT

public:
    static constexpr QStringView kTitle = u"New Filter";

    explicit FavoriteComposeViewController(QObject* parent = nullptr);
    ~FavoriteComposeViewController() override;

    // Not owned: the filter list that presented this screen outlives it.
    void setDelegate(FavoriteComposeViewControllerDelegate* delegate) { m_delegate = delegate; }
    [[nodiscard]] FavoriteComposeViewControllerDelegate* delegate() const { return m_delegate; }

    // Save: hands the field's text to the delegate.
    void updateList();
    void cancel();

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
};

} // namespace marrowfin
