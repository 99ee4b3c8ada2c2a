#include "MoreListViewController.h"

#include "Fonts.h"
#include "Images.h"
#include "TabBarController.h"

#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {
QIcon rowIcon(const QString& imageName)
{
    // The tab pictures are white glyphs; on the list they stand in the table's text grey.
    const QPixmap picture = tintedImage(imageNamed(imageName, QSize(30, 30)), QColor(0xcc, 0xcc, 0xcc));
    return picture.isNull() ? QIcon() : QIcon(picture);
}
// Each row leads somewhere: a chevron at its right end says so.
class ChevronDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        painter->setPen(QPen(selected ? QColor(0x44, 0x44, 0x44) : QColor(0x8e, 0x8e, 0x8e), 2.0, Qt::SolidLine,
                             Qt::RoundCap, Qt::RoundJoin));
        const QPointF tip(option.rect.right() - 16, option.rect.center().y());
        QPainterPath chevron;
        chevron.moveTo(tip + QPointF(-5, -6));
        chevron.lineTo(tip);
        chevron.lineTo(tip + QPointF(-5, 6));
        painter->drawPath(chevron);
        painter->restore();
    }
};
} // namespace

MoreListViewController::MoreListViewController(TabBarController& tabs, QObject* parent)
    : ViewController(parent), m_tabs(tabs)
{
    setTitle(u"More"_s);
}

void MoreListViewController::setIndexes(QList<int> indexes)
{
    m_indexes = std::move(indexes);
    fill();
}

void MoreListViewController::loadView()
{
    auto* view = new QWidget;
    m_list = new QListWidget(view);
    m_list->setObjectName(u"moreList"_s);
    m_list->setAccessibleName(u"More"_s);
    m_list->setIconSize(QSize(30, 30));
    m_list->setFont(systemFont(17, true));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setItemDelegate(new ChevronDelegate(m_list));
    m_list->setStyleSheet(
        u"QListWidget { background: #333333; color: #e6e6e6; outline: none; }"
        u"QListWidget::item { height: 44px; padding-left: 8px; border-bottom: 1px solid #262626; background: #222222; }"
        u"QListWidget::item:selected, QListWidget::item:hover { background: #d9d9d9; color: #111111; }"_s);
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);
    connect(m_list, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        const int row = m_list->row(item);
        m_list->clearSelection();
        if (row >= 0 && row < m_indexes.size())
            m_tabs.selectFromMoreList(m_indexes.at(row));
    });
    setView(view);
    fill();
}

void MoreListViewController::fill()
{
    if (!m_list)
        return;
    m_list->clear();
    for (const int index : std::as_const(m_indexes)) {
        const TabBarItem& item = m_tabs.viewControllers().at(index)->tabBarItem();
        auto* row = new QListWidgetItem(rowIcon(item.imageName), item.title);
        row->setSizeHint(QSize(0, 44));
        m_list->addItem(row);
    }
}

} // namespace marrowfin
