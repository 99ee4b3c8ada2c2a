#pragma once

#include <QWidget>

namespace marrowfin {

class ShrinkingLabel;

// The last row of a listing: a caption asking for the next page and, under it, how old the last page shown is.
// Clear, so the table's background shows through.
class LoadMoreItemView final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kHeight = 36;
    static constexpr QStringView kCaption = u"Load more torrents";
    // In place of the caption after the next page failed to come; the row still asks for it.
    static constexpr QStringView kRetryCaption = u"Could not load more torrents. Tap to try again.";

    explicit LoadMoreItemView(QWidget* parent = nullptr);

    // Shown as given, e.g. "2 hours ago"; empty shows nothing.
    void setPageText(const QString& text);
    // Why the next page failed to come, shown in place of the page text under the retry caption; empty shows the
    // row as usual. Call after setPageText.
    void setProblem(const QString& text);

    [[nodiscard]] ShrinkingLabel* pageLbl() const { return m_pageLbl; }
    [[nodiscard]] ShrinkingLabel* normalLbl() const { return m_normalLbl; }

    [[nodiscard]] QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutLabels();

    ShrinkingLabel* m_pageLbl = nullptr;
    ShrinkingLabel* m_normalLbl = nullptr;
};

} // namespace marrowfin
