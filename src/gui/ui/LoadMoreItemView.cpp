#include "LoadMoreItemView.h"

#include "ShrinkingLabel.h"

#include "gui/platform/Device.h"
#include "gui/platform/Fonts.h"

#include <algorithm>

namespace marrowfin {

namespace {
constexpr QColor kPageGrey{204, 204, 204};
constexpr QColor kProblemAmber{240, 170, 120};
constexpr int kCaptionPointSize = 14;
constexpr int kPagePointSize = 10;
constexpr int kSideMargin = 10;
constexpr int kCaptionTop = 3;
constexpr int kCaptionHeight = 18;
constexpr int kPageTop = 21;
constexpr int kPageHeight = 13;
} // namespace

LoadMoreItemView::LoadMoreItemView(QWidget* parent)
    : QWidget(parent), m_pageLbl(new ShrinkingLabel(this)), m_normalLbl(new ShrinkingLabel(this))
{
    setAttribute(Qt::WA_TranslucentBackground);

    m_normalLbl->setFont(fontNamed(u"Arial-BoldMT", kCaptionPointSize));
    m_normalLbl->setTextColor(Qt::white);
    m_normalLbl->setText(kCaption.toString());

    m_pageLbl->setFont(fontNamed(u"Arial", kPagePointSize));
    m_pageLbl->setTextColor(kPageGrey);

    resize(Device::screenSize().width(), kHeight);
    layoutLabels();
}

void LoadMoreItemView::setPageText(const QString& text)
{
    m_pageLbl->setText(text);
}

void LoadMoreItemView::setProblem(const QString& text)
{
    m_normalLbl->setText(text.isEmpty() ? kCaption.toString() : kRetryCaption.toString());
    m_pageLbl->setTextColor(text.isEmpty() ? kPageGrey : kProblemAmber);
    if (!text.isEmpty()) {
        m_pageLbl->setText(text);
    }
}

QSize LoadMoreItemView::sizeHint() const
{
    return {Device::screenSize().width(), kHeight};
}

void LoadMoreItemView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutLabels();
}

void LoadMoreItemView::layoutLabels()
{
    const int textWidth = std::max(0, width() - 2 * kSideMargin);
    m_normalLbl->setGeometry(kSideMargin, kCaptionTop, textWidth, kCaptionHeight);
    m_pageLbl->setGeometry(kSideMargin, kPageTop, textWidth, kPageHeight);
}

} // namespace marrowfin
