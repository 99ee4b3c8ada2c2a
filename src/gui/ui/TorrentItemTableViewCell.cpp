#include "TorrentItemTableViewCell.h"

#include "gui/platform/Device.h"
#include "gui/platform/Fonts.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr QRect kTypeImageRect{0, 0, 33, 33};
constexpr QRect kDownloadedImageRect{48, 15, 24, 19};
constexpr QSize kFigureImageSize{10, 10};
constexpr int kNameTop = 5;
constexpr int kSizeLeft = 120;
// In the table, the name and the figures share one line; the downloaded mark sits at the end of the name's column.
constexpr int kTableNameTop = 11;
constexpr int kTableFiguresTop = 13;
constexpr int kTableMarkRoom = 30;
constexpr qreal kHighlightedTypeOpacity = 0.5;

// Text is placed by the top of its line.
void drawTextAt(QPainter& painter, int x, int y, const QString& text)
{
    painter.drawText(x, y + painter.fontMetrics().ascent(), text);
}

void drawPicture(QPainter& painter, const QRect& target, const QPixmap& picture)
{
    if (!picture.isNull())
        painter.drawPixmap(target, picture);
}

} // namespace

TorrentItemTableViewCell::TorrentItemTableViewCell(QString reuseIdentifier, QWidget* parent)
    : FlatTableViewCell(std::move(reuseIdentifier), parent)
{}

const QFont& TorrentItemTableViewCell::boldFont()
{
    static const QFont font = fontNamed(u"Arial-BoldMT", 12);
    return font;
}

const QFont& TorrentItemTableViewCell::smallFont()
{
    static const QFont font = fontNamed(u"Arial", 10);
    return font;
}

const QFont& TorrentItemTableViewCell::largeFont()
{
    static const QFont font = fontNamed(u"ArialRoundedMTBold", 19);
    return font;
}

const QFont& TorrentItemTableViewCell::headingFont()
{
    static const QFont font = fontNamed(u"Arial-BoldMT", 10);
    return font;
}

TorrentItemTableViewCell::TableColumns TorrentItemTableViewCell::tableColumns(int contentWidth)
{
    // What the fonts decide is measured once: every row's paint asks for the columns.
    struct Widths
    {
        int figure;
        int size;
        int age;
    };
    static const Widths widths = [] {
        const QFontMetrics figures(smallFont());
        const QFontMetrics headings(headingFont());
        const auto widest = [&](const QString& heading, const QString& sample, int extra) {
            return std::max(headings.horizontalAdvance(heading), figures.horizontalAdvance(sample) + extra);
        };
        return Widths{widest(u"Leechers"_s, u"888888"_s, kFigureGap + kFigureImageSize.width()),
                      widest(u"Size"_s, u"888.88 MB"_s, 0), widest(u"Age"_s, u"11 months"_s, 0)};
    }();
    const int gap = std::clamp(contentWidth / 50, 12, 32);
    TableColumns columns;
    columns.leechers = {contentWidth - kFiguresRightMargin - widths.figure, widths.figure};
    columns.seeders = {columns.leechers.left - gap - widths.figure, widths.figure};
    columns.size = {columns.seeders.left - gap - widths.size, widths.size};
    columns.age = {columns.size.left - gap - widths.age, widths.age};
    columns.name = {kNameLeft, std::max(0, columns.age.left - gap - kNameLeft)};
    return columns;
}

int TorrentItemTableViewCell::nameWidth(int contentWidth)
{
    if (Device::isTablet()) {
        return std::max(0, tableColumns(contentWidth).name.width - kTableMarkRoom);
    }
    // Wider than a phone, the name takes what the window has beyond a phone's width; the figures keep their places
    // on the line below, and at a phone's width everything stays where it was.
    const int extra = std::max(0, Device::screenSize().width() - Device::kPhoneSize.width());
    return std::min(kPhoneNameWidth + extra, std::max(kPhoneNameWidth, contentWidth - kNameLeft));
}

void TorrentItemTableViewCell::setNameLbl(std::optional<QString> text)
{
    m_nameLbl = std::move(text);
    setNeedsDisplay();
}

void TorrentItemTableViewCell::setDateLbl(std::optional<QString> text)
{
    m_dateLbl = std::move(text);
    setNeedsDisplay();
}

void TorrentItemTableViewCell::setSizeLbl(std::optional<QString> text)
{
    m_sizeLbl = std::move(text);
    setNeedsDisplay();
}

void TorrentItemTableViewCell::setUpLbl(std::optional<QString> text)
{
    m_upLbl = std::move(text);
    setNeedsDisplay();
}

void TorrentItemTableViewCell::setDownLbl(std::optional<QString> text)
{
    m_downLbl = std::move(text);
    setNeedsDisplay();
}

QString TorrentItemTableViewCell::spokenName() const
{
    QStringList parts;
    if (m_nameLbl) {
        parts.append(*m_nameLbl);
    }
    if (!m_categoryName.isEmpty()) {
        parts.append(m_categoryName);
    }
    if (!m_downloadedImg.isNull()) {
        parts.append(u"sent"_s);
    }
    if (m_sizeLbl) {
        parts.append(*m_sizeLbl);
    }
    if (m_dateLbl) {
        parts.append(*m_dateLbl);
    }
    if (m_upLbl) {
        parts.append(*m_upLbl + u" seeders"_s);
    }
    if (m_downLbl) {
        parts.append(*m_downLbl + u" leechers"_s);
    }
    return parts.join(u", "_s);
}

void TorrentItemTableViewCell::setTypeImg(const QPixmap& picture)
{
    m_typeImg = picture;
    setNeedsDisplay();
}

void TorrentItemTableViewCell::setUpImg(const QPixmap& picture)
{
    m_upImg = picture;
    setNeedsDisplay();
}

void TorrentItemTableViewCell::setDownImg(const QPixmap& picture)
{
    m_downImg = picture;
    setNeedsDisplay();
}

void TorrentItemTableViewCell::setCategoryName(QString name)
{
    m_categoryName = std::move(name);
}

void TorrentItemTableViewCell::setDownloadedImg(const QPixmap& picture)
{
    m_downloadedImg = picture;
    setNeedsDisplay();
}

QString TorrentItemTableViewCell::displayedName() const
{
    if (!m_nameLbl)
        return {};
    const int width = nameWidth(contentView() ? contentView()->width() : this->width());
    return QFontMetrics(boldFont()).elidedText(*m_nameLbl, Qt::ElideRight, std::max(0, width));
}

void TorrentItemTableViewCell::prepareForReuse()
{
    FlatTableViewCell::prepareForReuse();
    m_nameLbl.reset();
    m_dateLbl.reset();
    m_sizeLbl.reset();
    m_upLbl.reset();
    m_downLbl.reset();
    m_typeImg = QPixmap();
    m_upImg = QPixmap();
    m_downImg = QPixmap();
    m_downloadedImg = QPixmap();
    m_categoryName.clear();
    setNeedsDisplay();
}

void TorrentItemTableViewCell::drawContentView(QPainter& painter, const QRect& rect)
{
    const bool marked = isHighlighted() || isSelected();
    // Unmarked, the content view is opaque and must cover its rectangle; marked, the row's grey shows through.
    if (!marked)
        painter.fillRect(rect, kBackground);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::TextAntialiasing);

    const QPoint origin = rect.topLeft();
    if (!m_typeImg.isNull()) {
        painter.setOpacity(marked ? kHighlightedTypeOpacity : 1.0);
        painter.drawPixmap(kTypeImageRect.translated(origin), m_typeImg);
        painter.setOpacity(1.0);
    }
    if (Device::isTablet()) {
        drawTableRow(painter, rect, marked);
        return;
    }
    // Wider than a phone, the figures move right with the room the name gained, so that they end by the send
    // button as the table's columns do; the date stays under the name.
    const int shift = std::max(0, Device::screenSize().width() - Device::kPhoneSize.width());
    drawPicture(painter, QRect(origin + QPoint(kUpImageLeft + shift, kFiguresTop), kFigureImageSize), m_upImg);
    drawPicture(painter, QRect(origin + QPoint(kDownImageLeft + shift, kFiguresTop), kFigureImageSize), m_downImg);
    drawPicture(painter, kDownloadedImageRect.translated(origin), m_downloadedImg);

    painter.setPen(marked ? QColor(Qt::white) : kTextGrey);
    if (m_nameLbl) {
        painter.setFont(boldFont());
        drawTextAt(painter, origin.x() + kNameLeft, origin.y() + kNameTop, displayedName());
    }

    painter.setFont(smallFont());
    if (m_dateLbl)
        drawTextAt(painter, origin.x() + kNameLeft, origin.y() + kFiguresTop, *m_dateLbl);
    if (m_sizeLbl)
        drawTextAt(painter, origin.x() + kSizeLeft + shift, origin.y() + kFiguresTop, *m_sizeLbl);
    const QFontMetrics metrics(smallFont());
    // Seeders and leechers end just left of their pictures, whatever their length.
    if (m_upLbl) {
        const int x = kUpImageLeft + shift - metrics.horizontalAdvance(*m_upLbl) - kFigureGap;
        drawTextAt(painter, origin.x() + x, origin.y() + kFiguresTop, *m_upLbl);
    }
    if (m_downLbl) {
        const int x = kDownImageLeft + shift - metrics.horizontalAdvance(*m_downLbl) - kFigureGap;
        drawTextAt(painter, origin.x() + x, origin.y() + kFiguresTop, *m_downLbl);
    }
}

void TorrentItemTableViewCell::drawTableRow(QPainter& painter, const QRect& rect, bool marked)
{
    const QPoint origin = rect.topLeft();
    const TableColumns columns = tableColumns(rect.width());
    painter.setPen(marked ? QColor(Qt::white) : kTextGrey);
    if (m_nameLbl) {
        painter.setFont(boldFont());
        drawTextAt(painter, origin.x() + columns.name.left, origin.y() + kTableNameTop, displayedName());
    }
    drawPicture(
        painter,
        QRect(origin + QPoint(columns.name.right() - kDownloadedImageRect.width(), kDownloadedImageRect.y() - 5),
              kDownloadedImageRect.size()),
        m_downloadedImg);
    painter.setFont(smallFont());
    if (m_dateLbl) {
        drawTextAt(painter, origin.x() + columns.age.left, origin.y() + kTableFiguresTop, *m_dateLbl);
    }
    if (m_sizeLbl) {
        drawTextAt(painter, origin.x() + columns.size.left, origin.y() + kTableFiguresTop, *m_sizeLbl);
    }
    // Seeders and leechers end just left of their pictures, which end their columns.
    const QFontMetrics metrics(smallFont());
    const auto figure = [&](const Column& column, const std::optional<QString>& text, const QPixmap& picture) {
        const int pictureLeft = column.right() - kFigureImageSize.width();
        drawPicture(painter, QRect(origin + QPoint(pictureLeft, kTableFiguresTop + 2), kFigureImageSize), picture);
        if (text) {
            const int x = pictureLeft - kFigureGap - metrics.horizontalAdvance(*text);
            drawTextAt(painter, origin.x() + x, origin.y() + kTableFiguresTop, *text);
        }
    };
    figure(columns.seeders, m_upLbl, m_upImg);
    figure(columns.leechers, m_downLbl, m_downImg);
}

} // namespace marrowfin
