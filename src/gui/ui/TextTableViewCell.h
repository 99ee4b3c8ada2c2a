#pragma once

#include "gui/platform/TableViewCell.h"

class QLabel;

namespace marrowfin {

// A row of one text: the filter list's and the download history's. A dark strip of 36 points in a row of 37 of the
// same colour (these lists have no separators), the text at x 5 in bold Arial 12, light grey.
class TextTableViewCell final : public TableViewCell
{
    Q_OBJECT

public:
    static constexpr int kRowHeight = 37;
    static constexpr int kStripHeight = 36;
    static constexpr int kTextLeft = 5;
    static constexpr QColor kStripColour{34, 34, 34};
    static constexpr QColor kTextColour{204, 204, 204};
    // A filter that cannot be used is shown in this colour, its reason in the tooltip.
    static constexpr QColor kProblemColour{0xe0, 0x70, 0x66};
    static constexpr QColor kDetailColour{0x99, 0x99, 0x99};

    explicit TextTableViewCell(QString reuseIdentifier, QWidget* parent = nullptr);

    void setText(const QString& text);
    [[nodiscard]] QString text() const;
    // Marks the text as unusable, with why; an empty reason clears the mark.
    void setProblem(const QString& reason);
    // A line of small text under the text (a filter's limits); empty: none, and the text sits in the middle.
    void setDetail(const QString& detail);
    [[nodiscard]] QLabel* detailLabel() const { return m_detail; }
    [[nodiscard]] QLabel* label() const { return m_label; }

    void prepareForReuse() override;
    void setHighlighted(bool highlighted) override;
    void setSelected(bool selected) override;

protected:
    void layoutSubviews() override;

private:
    void updateMarking();

    QLabel* m_label;
    QLabel* m_detail;
    QString m_text;
    QString m_detailText;
    QString m_problem;
};

} // namespace marrowfin
