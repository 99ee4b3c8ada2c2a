#pragma once

#include "FlatTableViewCell.h"

#include <QFont>
#include <QPixmap>

#include <optional>

namespace marrowfin {

// A torrent's row in a listing: its category picture, name, age, size, seeders and leechers, and a mark when the
// torrent has been downloaded already. Drawn in one pass; a field not set is not drawn.
class TorrentItemTableViewCell final : public FlatTableViewCell
{
    Q_OBJECT

public:
    // The name's column on a phone; a tablet gives it the content's width.
    static constexpr int kPhoneNameWidth = 230;
    static constexpr int kNameLeft = 40;
    static constexpr int kFiguresTop = 20;
    // The seeders and leechers pictures; their figures end kFigureGap points left of them.
    static constexpr int kUpImageLeft = 214;
    static constexpr int kDownImageLeft = 261;
    static constexpr int kFigureGap = 4;
    // In the table, the room left between the leechers' picture and the row's content end.
    static constexpr int kFiguresRightMargin = 12;
    static constexpr QColor kBackground{0x22, 0x22, 0x22};
    static constexpr QColor kTextGrey{204, 204, 204};

    explicit TorrentItemTableViewCell(QString reuseIdentifier, QWidget* parent = nullptr);

    // Shared by every row, made once.
    [[nodiscard]] static const QFont& boldFont();
    [[nodiscard]] static const QFont& smallFont();
    [[nodiscard]] static const QFont& largeFont();
    // The name's width for content of this width on the current device.
    [[nodiscard]] static int nameWidth(int contentWidth);

    // A column of the table a listing becomes at tablet widths, in the row content's coordinates.
    struct Column
    {
        int left = 0;
        int width = 0;
        [[nodiscard]] int right() const { return left + width; }
    };
    // Name, age, size, seeders and leechers on one line: the figures' columns as wide as their widest content
    // (or heading), apart by a gap that grows with the window, flush with the content's end; the name takes the
    // rest, less room for the downloaded mark.
    struct TableColumns
    {
        Column name;
        Column age;
        Column size;
        Column seeders;
        Column leechers;
    };
    [[nodiscard]] static TableColumns tableColumns(int contentWidth);
    // The headings' font, shared with the heading row above the table.
    [[nodiscard]] static const QFont& headingFont();

    [[nodiscard]] const std::optional<QString>& nameLbl() const { return m_nameLbl; }
    void setNameLbl(std::optional<QString> text);
    [[nodiscard]] const std::optional<QString>& dateLbl() const { return m_dateLbl; }
    void setDateLbl(std::optional<QString> text);
    [[nodiscard]] const std::optional<QString>& sizeLbl() const { return m_sizeLbl; }
    void setSizeLbl(std::optional<QString> text);
    [[nodiscard]] const std::optional<QString>& upLbl() const { return m_upLbl; }
    void setUpLbl(std::optional<QString> text);
    [[nodiscard]] const std::optional<QString>& downLbl() const { return m_downLbl; }
    void setDownLbl(std::optional<QString> text);

    // A null picture is none.
    [[nodiscard]] const QPixmap& typeImg() const { return m_typeImg; }
    // The category as a screen reader says it; it is drawn as the type picture.
    void setCategoryName(QString name);
    // The name, its category, whether it was sent, then the figures in words.
    [[nodiscard]] QString spokenName() const override;
    void setTypeImg(const QPixmap& picture);
    [[nodiscard]] const QPixmap& upImg() const { return m_upImg; }
    void setUpImg(const QPixmap& picture);
    [[nodiscard]] const QPixmap& downImg() const { return m_downImg; }
    void setDownImg(const QPixmap& picture);
    [[nodiscard]] const QPixmap& downloadedImg() const { return m_downloadedImg; }
    void setDownloadedImg(const QPixmap& picture);

    // The name as drawn at the row's current width: cut with an ellipsis when it does not fit.
    [[nodiscard]] QString displayedName() const;

    // Clears every field, so a reused row shows nothing of its previous torrent.
    void prepareForReuse() override;

protected:
    void drawContentView(QPainter& painter, const QRect& rect) override;

private:
    // The row at tablet widths, one line across the table's columns.
    void drawTableRow(QPainter& painter, const QRect& rect, bool marked);

    std::optional<QString> m_nameLbl;
    std::optional<QString> m_dateLbl;
    std::optional<QString> m_sizeLbl;
    std::optional<QString> m_upLbl;
    std::optional<QString> m_downLbl;
    QPixmap m_typeImg;
    QString m_categoryName;
    QPixmap m_upImg;
    QPixmap m_downImg;
    QPixmap m_downloadedImg;
};

} // namespace marrowfin
