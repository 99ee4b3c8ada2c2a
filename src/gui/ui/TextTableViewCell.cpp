#include "TextTableViewCell.h"

#include "gui/platform/Fonts.h"

#include <QLabel>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

QString labelStyle(const QColor& colour)
{
    return u"color: %1; background: transparent;"_s.arg(colour.name());
}

} // namespace

TextTableViewCell::TextTableViewCell(QString reuseIdentifier, QWidget* parent)
    : TableViewCell(std::move(reuseIdentifier), parent), m_label(new QLabel), m_detail(new QLabel)
{
    auto* strip = new QWidget;
    strip->setObjectName(u"strip"_s);
    strip->setAttribute(Qt::WA_StyledBackground);
    strip->setStyleSheet(u"QWidget#strip { background: %1; }"_s.arg(kStripColour.name()));
    m_label->setParent(strip);
    m_label->setFont(fontNamed(u"Arial-BoldMT", 12));
    m_label->setStyleSheet(labelStyle(kTextColour));
    m_label->setTextFormat(Qt::PlainText);
    m_detail->setParent(strip);
    m_detail->setObjectName(u"detail"_s);
    m_detail->setFont(systemFont(10));
    m_detail->setStyleSheet(labelStyle(kDetailColour));
    m_detail->setTextFormat(Qt::PlainText);
    m_detail->hide();
    setContentView(strip);
    setBackgroundColor(kStripColour);
    setSelectionStyle(SelectionStyle::Grey);
}

void TextTableViewCell::setText(const QString& text)
{
    m_text = text;
    setAccessibleName(text);
    layoutSubviews();
}

QString TextTableViewCell::text() const
{
    return m_text;
}

void TextTableViewCell::setProblem(const QString& reason)
{
    m_problem = reason;
    setToolTip(reason);
    updateMarking();
}

void TextTableViewCell::setDetail(const QString& detail)
{
    m_detailText = detail;
    m_detail->setVisible(!detail.isEmpty());
    setAccessibleName(detail.isEmpty() ? m_text : m_text + u", "_s + detail);
    layoutSubviews();
}

void TextTableViewCell::setHighlighted(bool highlighted)
{
    TableViewCell::setHighlighted(highlighted);
    updateMarking();
}

void TextTableViewCell::setSelected(bool selected)
{
    TableViewCell::setSelected(selected);
    updateMarking();
}

void TextTableViewCell::updateMarking()
{
    const bool marked = isHighlighted() || isSelected();
    // Marked, the strip steps aside for the row's selection grey, and the text turns dark to stay readable on it.
    contentView()->setAttribute(Qt::WA_StyledBackground, !marked);
    contentView()->update();
    const QColor colour = marked ? QColor(0x22, 0x22, 0x22) : (m_problem.isEmpty() ? kTextColour : kProblemColour);
    m_label->setStyleSheet(labelStyle(colour));
    m_detail->setStyleSheet(labelStyle(marked ? QColor(0x33, 0x33, 0x33) : kDetailColour));
}

void TextTableViewCell::prepareForReuse()
{
    TableViewCell::prepareForReuse();
    setProblem(QString());
    setDetail(QString());
}

void TextTableViewCell::layoutSubviews()
{
    QWidget* strip = contentView();
    strip->setGeometry(0, 0, width(), qMin(height(), kStripHeight));
    // With a detail line, the text takes the strip's upper part and the detail the lower.
    const bool detailed = !m_detail->isHidden();
    m_label->setGeometry(kTextLeft, detailed ? 2 : 0, qMax(0, width() - kTextLeft), detailed ? 19 : kStripHeight);
    m_detail->setGeometry(kTextLeft, 20, qMax(0, width() - kTextLeft), 14);
    m_detail->setText(QFontMetrics(m_detail->font()).elidedText(m_detailText, Qt::ElideRight, m_detail->width()));
    // Long names end in an ellipsis instead of running under the row's edge; the tooltip has them whole.
    const QString shown = QFontMetrics(m_label->font()).elidedText(m_text, Qt::ElideRight, m_label->width());
    m_label->setText(shown);
    if (m_problem.isEmpty())
        setToolTip(shown == m_text ? QString() : m_text);
}

} // namespace marrowfin
