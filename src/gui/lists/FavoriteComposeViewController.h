#pragma once

#include "gui/platform/ViewController.h"

#include <QStringList>

class QLabel;
class QLineEdit;
class QPushButton;

namespace marrowfin {

class FavoriteComposeViewControllerDelegate;
class NavigationBar;

// The form in which a new favorite filter is typed, presented over the whole window: one field, Save and Cancel.
// Return saves and Escape cancels. The screen only hands the text on; its delegate stores it and dismisses it.
// Main thread only.
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

    // The torrent names already loaded (favorites and newest lists) that the text being typed is tried on.
    void setPreviewNames(QStringList names);
    [[nodiscard]] QLabel* previewLabel() const { return m_preview; }

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
    QStringList m_previewNames;
    QPushButton* m_save = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace marrowfin
